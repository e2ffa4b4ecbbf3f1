// The Login window's remembered password in a real keyring (run through
// tests/support/with-secret-service.sh): typed once, the next start connects with it from the
// keyring, and the settings file never holds it.
#include "GuiSandbox.h"
#include "WizardHarness.h"

#include "connection/Form1.h"
#include "selection/Form2.h"
#include "settings/Keyring.h"

#include <QLineEdit>
#include <QProcess>
#include <QtTest>

using namespace velloxa;
using velloxa::testing::GuiServerArguments;
using velloxa::testing::WizardHarness;

class LoginKeyringTest : public QObject {
    Q_OBJECT
private slots:
    void typedPasswordComesBackFromTheKeyring();
};

void LoginKeyringTest::typedPasswordComesBackFromTheKeyring()
{
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run through tests/support/with-secret-service.sh");
    test::SandboxServer server(GuiServerArguments());
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    const QString port = QString::number(server.port());

    WizardHarness run;
    auto keyring = std::make_unique<Keyring>();
    run.settings = std::make_unique<SettingsStore>(run.settings->fileName(), keyring.get());
    Form1& login = run.start().form1();
    QVERIFY(login.isVisible());
    login.Text1->setFocus();
    QTest::keyClicks(login.Text1, "127.0.0.1");
    login.Text9->selectAll();
    QTest::keyClicks(login.Text9, port);
    QTest::keyClicks(login.Text2, "tester");
    QTest::keyClicks(login.Text3, "secret");
    QTest::keyClicks(login.Text4, "Gui");
    QVERIFY(keyring->answers());
    QCOMPARE(run.stored(SettingKeys::Password), QString(""));
    QCOMPARE(run.stored(SettingKeys::Port), port);

    QProcess lookup;
    lookup.start("secret-tool", {"lookup", "server", Keyring::Service, "user", "tester@127.0.0.1," + port});
    QVERIFY(lookup.waitForFinished(10000));
    QCOMPARE(lookup.readAllStandardOutput(), QByteArray("secret"));

    // The next start, with a keyring of its own: the saved login connects and moves on.
    keyring = std::make_unique<Keyring>();
    run.settings = std::make_unique<SettingsStore>(run.settings->fileName(), keyring.get());
    Wizard& again = run.start();
    QVERIFY(again.form2().isVisible());
    QVERIFY(!again.form1().isVisible());
    QCOMPARE(again.form1().Text3->text(), QString("secret"));
    QVERIFY(run.messages.boxes.isEmpty());
    QCOMPARE(run.stored(SettingKeys::Password), QString(""));
}

QTEST_MAIN(LoginKeyringTest)
#include "tst_login_keyring.moc"
