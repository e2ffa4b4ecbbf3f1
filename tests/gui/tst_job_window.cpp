// Jobs in the windows: "Save job..." writes what the Export window shows, and the command line
// running it writes the bytes Finish wrote; a job file opened with the program fills the
// wizard up to the Export window when its login works, the Login window when it does not, and
// never sends the remembered password to another server.

#include "WizardHarness.h"

#include "SandboxServer.h"

#include "connection/Form1.h"
#include "export/Form4.h"
#include "export/SeparatorEdit.h"
#include "jobs/JobFile.h"
#include "selection/Form3.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace velloxa;
using namespace velloxa::testing;
using velloxa::test::SandboxServer;

class JobWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void savedJobRunsLikeFinish();
    void openedJobFillsTheWizard();

private:
    QByteArray contents(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    Job peopleJob() const
    {
        Job job;
        job.login.server = "127.0.0.1";
        job.login.port = QString::number(server_->port());
        job.login.database = "Fields";
        job.login.user = "tester";
        job.table = "People";
        job.columns = {"Name", "Id"};
        job.separator = " | ";
        job.header = false;
        job.format.quoting = Quoting::All;
        job.output = output_.filePath("{table}.txt");
        return job;
    }

    std::unique_ptr<SandboxServer> server_;
    QTemporaryDir output_;
};

void JobWindowTest::initTestCase()
{
    server_ = std::make_unique<SandboxServer>(
        QStringList{"--database", "Fields=" + velloxa::test::testDataPath("gui/fields.sql"), "--account", "tester:secret"});
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void JobWindowTest::savedJobRunsLikeFinish()
{
    WizardHarness run;
    run.saveLogin("127.0.0.1", QString::number(server_->port()), "tester", "secret", "Fields");
    run.openedJob = peopleJob();
    Wizard& wizard = run.start();
    Form4& form = wizard.form4();
    QTRY_VERIFY(form.isVisible());
    form.Text1->setText(output_.filePath("finish-{table}.txt"));
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    const QByteArray finished = contents(output_.filePath("finish-People.txt"));
    QCOMPARE(finished, QByteArray("\"Anna\" | \"1\"\r\n | \"2\"\r\n\r\n"));

    // The dialog's name without an extension gets .velloxa.
    run.fileDialogs.answers << output_.filePath("people");
    QTest::mouseClick(form.PushButton6, Qt::LeftButton);
    QCOMPARE(run.fileDialogs.openings.last().title, QStringLiteral("Save job"));
    const Job saved = ReadJobFile(output_.filePath("people.velloxa"));
    QCOMPARE(saved.output, output_.filePath("finish-{table}.txt"));

    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELLOXA_PASSWORD", "secret");
    cli.setProcessEnvironment(environment);
    cli.start(QCoreApplication::applicationDirPath() + "/velloxa-export",
              {"--job", output_.filePath("people.velloxa"), "--output", output_.filePath("cli.txt")});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(contents(output_.filePath("cli.txt")), finished);
    QCOMPARE(run.messages.boxes.size(), 0);
}

void JobWindowTest::openedJobFillsTheWizard()
{
    {
        // A job holds no password: the remembered one, for the same server and user.
        WizardHarness run;
        run.saveLogin("127.0.0.1", QString::number(server_->port()), "tester", "secret", "Elsewhere");
        Job job = peopleJob();
        job.afterColumn = "Id";
        job.lastValue = "1";
        job.output = output_.filePath("{table}.txt.gz");
        job.compressionLevel = 9;
        job.splitRows = 3;
        run.openedJob = job;
        Wizard& wizard = run.start();
        QTRY_VERIFY(wizard.form4().isVisible());
        QCOMPARE(wizard.globals().chosenTable.name, QStringLiteral("People"));
        QCOMPARE(wizard.globals().selectedColumns, (QStringList{"Name", "Id"}));
        QCOMPARE(wizard.form4().Text2->text(), QStringLiteral(" | "));
        QVERIFY(!wizard.form4().Check6->isChecked());
        QCOMPARE(wizard.form4().Combo1->currentIndex(), int(Quoting::All));
        QVERIFY(!wizard.form1().isVisible());
        // Saved again, it keeps what the windows do not show: the rising column and its value,
        // the parts and the level of the codec its name still asks for.
        run.fileDialogs.answers << output_.filePath("again.velloxa");
        QTest::mouseClick(wizard.form4().PushButton6, Qt::LeftButton);
        const Job again = ReadJobFile(output_.filePath("again.velloxa"));
        QCOMPARE(again.afterColumn, QStringLiteral("Id"));
        QCOMPARE(again.lastValue, QStringLiteral("1"));
        QCOMPARE(again.splitRows, 3);
        QCOMPARE(again.compressionLevel, std::optional<int>(9));
        QCOMPARE(again.login.database, QStringLiteral("Fields"));
    }
    {
        // A job for another server: the remembered password is not sent there. The Login window
        // shows the job's login with an empty password; the remembered login stays as it was.
        WizardHarness run;
        run.saveLogin("db.example.com", "1433", "tester", "remembered", "Sales");
        run.openedJob = peopleJob();
        Wizard& wizard = run.start();
        QVERIFY(wizard.form1().isVisible());
        QCOMPARE(wizard.form1().Text1->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(wizard.form1().Text9->text(), QString::number(server_->port()));
        QCOMPARE(wizard.form1().Text4->text(), QStringLiteral("Fields"));
        QCOMPARE(wizard.form1().Text3->text(), QString());
        QCOMPARE(run.stored(SettingKeys::Server), QStringLiteral("db.example.com"));
        QCOMPARE(run.stored(SettingKeys::Password), QStringLiteral("remembered"));
        // Once the user gives the password, Next goes on to the job's choices.
        wizard.form1().Text3->setText("secret");
        QTest::mouseClick(wizard.form1().PushButton3, Qt::LeftButton);
        QTRY_VERIFY(wizard.form4().isVisible());
        QCOMPARE(wizard.globals().selectedColumns, (QStringList{"Name", "Id"}));
    }
}

QTEST_MAIN(JobWindowTest)
#include "tst_job_window.moc"
