// The start-up sequence: restoring the saved login, and moving on to the Table chooser by
// itself only when that login is complete and still connects.
#include "GuiSandbox.h"
#include "ListTexts.h"
#include "WizardHarness.h"

#include "connection/Form1.h"
#include "selection/Form2.h"
#include "shell/PointerConvention.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace velloxa;
using velloxa::testing::GuiServerArguments;
using velloxa::testing::GuiTables;
using velloxa::testing::ListTexts;
using velloxa::testing::WizardHarness;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void firstStartShowsAnEmptyLogin();
    void localConnectionIsTickedUnlessExactlyZero_data();
    void localConnectionIsTickedUnlessExactlyZero();

    void workingSavedLoginOpensOnTheTableChooser();
    void savedLoginThatNoLongerConnectsShowsTheLogin();
    void savedLoginWithEmptyPasswordNeverMovesOn();

private:
    std::unique_ptr<test::SandboxServer> server_;
};

void StartupTest::initTestCase()
{
    server_ = std::make_unique<test::SandboxServer>(GuiServerArguments());
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void StartupTest::firstStartShowsAnEmptyLogin()
{
    WizardHarness run;
    Wizard& wizard = run.start();
    Form1& login = wizard.form1();

    QVERIFY(login.isVisible());
    QCOMPARE(login.Text1->text(), QString());
    QCOMPARE(login.Text2->text(), QString());
    QCOMPARE(login.Text3->text(), QString());
    QCOMPARE(login.Text4->text(), QString());
    QCOMPARE(login.Text9->text(), QStringLiteral("1433"));
    QVERIFY(!login.Check7->isChecked());
    QCOMPARE(wizard.applicationTitle(), QStringLiteral("Velloxa"));
    QCOMPARE(login.windowTitle(), QStringLiteral("Velloxa"));
    QVERIFY(run.messages.boxes.isEmpty());
    QCOMPARE(login.pointer().value(), PointerConvention::Default);

    // The restore wrote the port it put into the box; the empty boxes did not change.
    QCOMPARE(run.stored(SettingKeys::Port), QStringLiteral("1433"));
    QCOMPARE(run.stored(SettingKeys::Server), QStringLiteral("<absent>"));
}

void StartupTest::localConnectionIsTickedUnlessExactlyZero_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("yes") << "yes" << true;
}

void StartupTest::localConnectionIsTickedUnlessExactlyZero()
{
    QFETCH(QString, stored);
    QFETCH(bool, ticked);
    WizardHarness run;
    run.save(SettingKeys::LocalConnection, stored);
    QCOMPARE(run.start().form1().Check7->isChecked(), ticked);
    // Ticking it by the restore writes its value back, as a click would.
    QCOMPARE(run.stored(SettingKeys::LocalConnection), ticked ? QStringLiteral("1") : QStringLiteral("0"));
}

void StartupTest::workingSavedLoginOpensOnTheTableChooser()
{
    WizardHarness run;
    run.saveLogin("127.0.0.1", QString::number(server_->port()), "tester", "secret", "Gui");
    Wizard& wizard = run.start();

    Form2& tables = wizard.form2();
    QVERIFY(tables.isVisible());
    QVERIFY(!wizard.form1().isVisible());
    QCOMPARE(ListTexts(tables.List1), GuiTables);
    QCOMPARE(tables.List1->currentRow(), 0);
    QVERIFY(tables.List1->item(0)->isSelected());
    QVERIFY(run.messages.boxes.isEmpty());
    QCOMPARE(wizard.form1().pointer().value(), PointerConvention::Default);

    // "< Back" shows the Login window with the saved values.
    QTest::mouseClick(tables.PushButton2, Qt::LeftButton);
    Form1& login = wizard.form1();
    QVERIFY(login.isVisible());
    QVERIFY(!tables.isVisible());
    QCOMPARE(login.Text1->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(login.Text9->text(), QString::number(server_->port()));
    QCOMPARE(login.Text2->text(), QStringLiteral("tester"));
    QCOMPARE(login.Text3->text(), QStringLiteral("secret"));
    QCOMPARE(login.Text4->text(), QStringLiteral("Gui"));
}

void StartupTest::savedLoginThatNoLongerConnectsShowsTheLogin()
{
    WizardHarness run;
    run.saveLogin("127.0.0.1", QString::number(server_->port()), "tester", "changed-since", "Gui");
    Wizard& wizard = run.start();
    Form1& login = wizard.form1();
    QVERIFY(login.isVisible());
    QCOMPARE(login.Text3->text(), QStringLiteral("changed-since"));
    QVERIFY(run.messages.boxes.isEmpty());
    QCOMPARE(login.pointer().value(), PointerConvention::Default);
}

void StartupTest::savedLoginWithEmptyPasswordNeverMovesOn()
{
    WizardHarness run;
    run.saveLogin("127.0.0.1", QString::number(server_->port()), "open", "", "Gui");
    Wizard& wizard = run.start();
    Form1& login = wizard.form1();
    QVERIFY(login.isVisible());
    QVERIFY(run.messages.boxes.isEmpty());

    // The server takes the empty password: the user's own Next moves on.
    QTest::mouseClick(login.PushButton3, Qt::LeftButton);
    QVERIFY(wizard.form2().isVisible());
    QVERIFY(!login.isVisible());
    QCOMPARE(ListTexts(wizard.form2().List1), GuiTables);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
