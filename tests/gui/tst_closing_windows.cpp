// Closing a window while the server does not answer ends the program within a second, with an
// existing output file untouched and no file left beside it. Each case runs the windows in a
// child process of this test (this executable again, with --close-while-waiting), because the
// program ends that process for real.
#include "GuiSandbox.h"
#include "WizardHarness.h"

#include "connection/Form1.h"
#include "export/Form4.h"
#include "export/PendingFiles.h"
#include "selection/Form2.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace velloxa;
using velloxa::testing::GuiServerArguments;
using velloxa::testing::WizardHarness;

namespace {

const QByteArray OldContents("old contents\r\n");
const char* const ChildFlag = "--close-while-waiting";
constexpr int CloseAfterMs = 600;

// The child: drives the windows up to a call that stalls, closes the window in question while
// it waits, and exits with 3 if it ever gets past that call.
int RunChild(const QString& scenario, const QString& port, const QString& stalledPort, const QString& file)
{
    WizardHarness run;
    run.endProcessNow = [] { PendingFiles::EndProcessNow(0); }; // the program's own ending
    if (scenario == QLatin1String("login")) {
        run.saveLogin("127.0.0.1", stalledPort, "tester", "secret", "Gui");
        QTimer::singleShot(CloseAfterMs, [&] { run.wizard->form1().close(); });
        run.start(); // the start-up connection test waits for the silent server
        return 3;
    }
    run.saveLogin("127.0.0.1", port, "tester", "secret", "Gui");
    Wizard& wizard = run.start();
    wizard.form1().Text9->setText(stalledPort); // the next connection goes to the silent server
    if (scenario == QLatin1String("tables")) {
        QTimer::singleShot(CloseAfterMs, [&] { wizard.form2().close(); });
        wizard.form2().PushButton3_Click();
        return 3;
    }
    wizard.globals().chosenTable = {"dbo", "Customers"};
    wizard.globals().selectedColumns = {"Id", "Name"};
    Form4& exportWindow = wizard.form4();
    exportWindow.Text1->setText(file);
    exportWindow.show();
    QTimer::singleShot(CloseAfterMs, [&] { exportWindow.close(); });
    exportWindow.PushButton4_Click();
    return 3;
}

} // namespace

class ClosingWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void closingDuringAStalledCallEndsTheProgram_data();
    void closingDuringAStalledCallEndsTheProgram();

private:
    std::unique_ptr<test::SandboxServer> server_, silentLogins_, silentRows_;
};

void ClosingWindowsTest::initTestCase()
{
    server_ = std::make_unique<test::SandboxServer>(GuiServerArguments());
    silentLogins_ = std::make_unique<test::SandboxServer>(GuiServerArguments({"--answer-delay-ms", "600000"}));
    silentRows_ = std::make_unique<test::SandboxServer>(GuiServerArguments({"--row-delay-us", "60000000"}));
    QVERIFY(server_->isRunning() && silentLogins_->isRunning() && silentRows_->isRunning());
}

void ClosingWindowsTest::closingDuringAStalledCallEndsTheProgram_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<bool>("silentRows");
    QTest::newRow("Login window, start-up connection") << "login" << false;
    QTest::newRow("Table chooser, its connection") << "tables" << false;
    QTest::newRow("Export window, a stalled result") << "export" << true;
    QTest::newRow("Export window, a login that never returns") << "export" << false;
}

void ClosingWindowsTest::closingDuringAStalledCallEndsTheProgram()
{
    QFETCH(QString, scenario);
    QFETCH(bool, silentRows);
    QTemporaryDir folder;
    const QString file = folder.filePath("out.txt");
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(OldContents);
    old.close();

    const test::SandboxServer& silent = silentRows ? *silentRows_ : *silentLogins_;
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(),
                {ChildFlag, scenario, QString::number(server_->port()), QString::number(silent.port()), file});
    QVERIFY2(child.waitForFinished(20000), "the program did not end");
    const QByteArray errors = child.readAllStandardError();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, errors.constData());
    qInfo("%s: ended %lld ms after the close", qPrintable(scenario), clock.elapsed() - CloseAfterMs);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"out.txt"});
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), OldContents);
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc == 6 && QByteArray(argv[1]) == ChildFlag)
        return RunChild(argv[2], argv[3], argv[4], argv[5]);
    ClosingWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_closing_windows.moc"
