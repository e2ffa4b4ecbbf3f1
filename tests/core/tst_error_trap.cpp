#include "errors/ErrorTrap.h"
#include "errors/Failure.h"
#include "RecordingMessageService.h"

#include <QStringList>
#include <QTest>
#include <stdexcept>

using namespace velloxa;
using velloxa::testing::RecordingMessageService;

namespace {

QString expectedReport(const QString& description, const QString& operation, int line) {
    return description + "\r\nin Velloxa2021/08/31.Form2." + operation + " at line " + QString::number(line)
        + "\r\rPlease email screenshot of this message to support@velloxa.example";
}

// A shared routine: it has no numbers of its own, its failure is the calling step's.
void openTable(bool works) {
    if (!works)
        throw Failure("[FreeTDS][SQL Server]Invalid object name 'dbo.Nope'.");
}

} // namespace

class ErrorTrapTest : public QObject {
    Q_OBJECT
private slots:
    void reportTextIsExactToTheByte();
    void failureKindsGiveTheirDescriptions();
    void operationContinuesAfterEachFailure();
    void failedTestRunsTheGuardedBranchOnly();
    void failedLoopHeadRunsTheBodyOnce();
    void failureWhileReportingLeavesTheTrap();
};

void ErrorTrapTest::reportTextIsExactToTheByte() {
    RecordingMessageService messages;
    ErrorTrap trap(messages, "Form2", "PushButton3_Click");
    trap.step(100, [] { throw Failure("Login failed for user 'sa'."); });
    trap.step(102, [] { throw Failure(""); });

    const auto reports = messages.reports();
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports[0].title, QString("Application Error"));
    QCOMPARE(reports[0].text, QString("Login failed for user 'sa'.\r\nin Velloxa2021/08/31.Form2.PushButton3_Click at line 100"
                                      "\r\rPlease email screenshot of this message to support@velloxa.example"));
    QVERIFY(reports[1].text.startsWith("\r\nin Velloxa2021/08/31.Form2.PushButton3_Click at line 102\r\r"));
    QCOMPARE(ErrorTrap::locationText("Form2", "PushButton2_Click"), QString("in Velloxa2021/08/31.Form2.PushButton2_Click "));
    QCOMPARE(trap.reportCount(), 2);
}

void ErrorTrapTest::failureKindsGiveTheirDescriptions() {
    RecordingMessageService messages;
    ErrorTrap trap(messages, "Form2", "Form_Load");
    trap.step(100, [] { throw std::runtime_error("Grüße: bad conversion"); });
    trap.step(102, [] { throw 42; });
    const auto reports = messages.reports();
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports[0].text, expectedReport(QString::fromUtf8("Grüße: bad conversion"), "Form_Load", 100));
    QCOMPARE(reports[1].text, expectedReport(ErrorTrap::UnknownFailureDescription, "Form_Load", 102));
    QVERIFY(!ErrorTrap::UnknownFailureDescription.isEmpty());
}

void ErrorTrapTest::operationContinuesAfterEachFailure() {
    // Connection fails, the preview depending on it fails in a shared routine, the window still moves on.
    RecordingMessageService messages;
    ErrorTrap trap(messages, "Form2", "PushButton3_Click");
    QStringList done;
    trap.step(100, [&] { throw Failure("no connection"); done << "connected"; });
    trap.step(102, [&] { openTable(false); done << "preview"; });
    trap.step(104, [&] { openTable(true); done << "shown"; });
    trap.step(106, [&] { done << "hidden"; });

    QCOMPARE(done, QStringList({"shown", "hidden"}));
    const auto reports = messages.reports();
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports[0].text, expectedReport("no connection", "PushButton3_Click", 100));
    QCOMPARE(reports[1].text, expectedReport("[FreeTDS][SQL Server]Invalid object name 'dbo.Nope'.", "PushButton3_Click", 102));
}

void ErrorTrapTest::failedTestRunsTheGuardedBranchOnly() {
    RecordingMessageService messages;
    ErrorTrap trap(messages, "Form2", "PushButton3_Click");
    QStringList done;
    if (trap.test(100, []() -> bool { throw Failure("list gone"); }))
        trap.step(102, [&] { done << "then"; });
    else
        trap.step(104, [&] { done << "else"; });
    if (trap.test(106, [] { return false; }))
        trap.step(108, [&] { done << "then2"; });
    else
        trap.step(110, [&] { done << "else2"; });

    QCOMPARE(done, QStringList({"then", "else2"}));
    QCOMPARE(messages.reports().size(), 1);
    QVERIFY(messages.reports()[0].text.contains("at line 100\r\r"));
}

void ErrorTrapTest::failedLoopHeadRunsTheBodyOnce() {
    RecordingMessageService messages;
    ErrorTrap trap(messages, "Form3", "PushButton6_Click");
    int bodyRuns = 0;
    const int count = trap.loopCount(100, []() -> int { throw Failure("count failed"); });
    for (int i = 0; i < count; ++i)
        trap.step(102, [&] { ++bodyRuns; });
    QCOMPARE(bodyRuns, 1);
    QCOMPARE(trap.loopCount(104, [] { return 3; }), 3);
    QCOMPARE(messages.reports().size(), 1);
}

void ErrorTrapTest::failureWhileReportingLeavesTheTrap() {
    RecordingMessageService messages;
    messages.onReport = [] { throw std::runtime_error("box failed"); };
    ErrorTrap trap(messages, "Form4", "PushButton4_Click");
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, trap.step(100, [] { throw Failure("disk full"); }));
    QCOMPARE(messages.reports().size(), 1);
}

QTEST_GUILESS_MAIN(ErrorTrapTest)
#include "tst_error_trap.moc"
