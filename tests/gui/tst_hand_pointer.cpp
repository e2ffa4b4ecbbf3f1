// The hand pointer that every window loads: a file beside the program that holds no
// pointer is a failure the window's load reports at its loading step.
#include "../core/RecordingMessageService.h"

#include "app/HandPointer.h"
#include "errors/ErrorTrap.h"
#include "shell/PointerConvention.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

using namespace velloxa;
using velloxa::testing::RecordingMessageService;

class HandPointerTest : public QObject {
    Q_OBJECT

private slots:
    void fileBesideTheProgram();
    void fileThatHoldsNoPointerIsReportedAtTheLoadingStep();
};

void HandPointerTest::fileBesideTheProgram()
{
    QCOMPARE(HandPointerFile(), QCoreApplication::applicationDirPath() + QStringLiteral("/HAND-M.CUR"));
}

void HandPointerTest::fileThatHoldsNoPointerIsReportedAtTheLoadingStep()
{
    QTemporaryDir folder;
    const QString broken = folder.filePath(QStringLiteral("HAND-M.CUR"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a cursor");
    file.close();

    QWidget window;
    PointerConvention pointer(&window);
    RecordingMessageService messages;
    ErrorTrap trap(messages, QStringLiteral("Form2"), QStringLiteral("Form_Load"));
    trap.step(108, [&] { LoadHandPointer(pointer, broken); });

    const auto reports = messages.reports();
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.first().text.contains(broken), qPrintable(reports.first().text));
    QVERIFY(reports.first().text.contains(QStringLiteral("\r\nin Velloxa2021/08/31.Form2.Form_Load at line 108\r\r")));
    QVERIFY(!pointer.hasCustomImage());
}

QTEST_MAIN(HandPointerTest)
#include "tst_hand_pointer.moc"
