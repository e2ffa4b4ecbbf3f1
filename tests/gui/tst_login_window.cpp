// The Login window on its own: layout, the boxes writing the store, focus, the check box,
// Help, Test Connection and Next with values that cannot connect, closing.
#include "GuiSandbox.h"
#include "WizardHarness.h"

#include "app/Twips.h"
#include "connection/Form1.h"
#include "errors/ErrorTrap.h"
#include "selection/Form2.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QtTest>

using namespace velloxa;
using velloxa::testing::RecordingMessageService;
using velloxa::testing::WizardHarness;

namespace {
// Nothing listens on port 1 of the loopback: the open is refused at once.
const QString Unreachable = QStringLiteral("127.0.0.1,1");
} // namespace

class LoginWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void layoutFollowsTheDesign();
    void tabOrderRunsServerToNext();
    void passwordShowsStars();

    void typingIntoServerWritesEveryCharacter();
    void everyBoxWritesItsOwnKey();
    void localConnectionWritesOneAndZero();
    void focusSelectsTheWholeText_data();
    void focusSelectsTheWholeText();

    void helpShowsItsTextAndOpensTheImageOnYes();
    void helpOnNoOpensNothing();
    void helpReportsAnImageThatCannotBeOpened();

    void testConnectionSucceeds();
    void testConnectionWithLocalConnectionIgnoresThePort();
    void testConnectionFailureGivesOneMessage();
    void nextThatCannotConnectChangesNothing();
    void enterPressesTheFocusedButtonAndInABoxNext();

    void pointerFollowsTheMouse();

    void closingEndsTheProgram();

private:
    void fillLogin(Form1& form, const QString& server, const QString& port, const QString& password);

    std::unique_ptr<test::SandboxServer> server_;
};

void LoginWindowTest::initTestCase()
{
    server_ = std::make_unique<test::SandboxServer>(testing::GuiServerArguments());
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void LoginWindowTest::fillLogin(Form1& form, const QString& server, const QString& port, const QString& password)
{
    form.Text1->setText(server);
    form.Text9->setText(port);
    form.Text2->setText(QStringLiteral("tester"));
    form.Text3->setText(password);
    form.Text4->setText(QStringLiteral("Gui"));
}

void LoginWindowTest::layoutFollowsTheDesign()
{
    if (!qFuzzyCompare(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0))
        QSKIP("pixel positions are checked at 96 DPI");
    WizardHarness run;
    Form1& form = run.start().form1();

    QCOMPARE(form.size(), QSize(536, 265));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.Frame1->geometry(), QRect(8, 8, 520, 213));
    QCOMPARE(form.Text1->geometry(), QRect(88, 24, 305, 23));
    QCOMPARE(form.Text9->geometry(), QRect(440, 24, 65, 23));
    QCOMPARE(form.Text3->geometry(), QRect(88, 88, 417, 23));
    QCOMPARE(form.Check7->geometry(), QRect(88, 150, 130, 17));
    // Push buttons: a skin may add a pixel of height for its padding, never move them.
    QCOMPARE(form.PushButton5->geometry().topLeft(), QPoint(16, 174));
    QCOMPARE(form.PushButton4->geometry().topLeft(), QPoint(264, 174));
    QCOMPARE(form.PushButton3->geometry().topLeft(), QPoint(8, 230));
    QCOMPARE(form.PushButton5->width(), 240);
    QCOMPARE(form.PushButton3->width(), 520);
    for (QPushButton* button : {form.PushButton3, form.PushButton4, form.PushButton5}) {
        QVERIFY(button->height() >= 27);
        QVERIFY(button->parentWidget()->rect().contains(button->geometry()));
    }
    QCOMPARE(form.Text1->parentWidget(), form.Frame1);
    QCOMPARE(form.PushButton3->parentWidget(), &form);

    QCOMPARE(form.windowTitle(), QStringLiteral("Velloxa"));
    QCOMPARE(form.Frame1->title(), QStringLiteral("MS SQL Server Login"));
    QCOMPARE(form.Label2->text(), QStringLiteral("Server:"));
    QCOMPARE(form.Label9->text(), QStringLiteral("Port:"));
    QCOMPARE(form.Label1->text(), QStringLiteral("Username:"));
    QCOMPARE(form.Label4->text(), QStringLiteral("Password:"));
    QCOMPARE(form.Label3->text(), QStringLiteral("Database:"));
    QCOMPARE(form.Check7->text(), QStringLiteral("Local Connection"));
    QCOMPARE(form.PushButton5->text(), QStringLiteral("Test Connection"));
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Help"));
    QCOMPARE(form.PushButton3->text(), QStringLiteral("Next >"));

    QCOMPARE(form.font().family(), QStringLiteral("Arial"));
    QCOMPARE(form.font().pointSizeF(), 9.0);
    QVERIFY(!form.font().bold());
    for (QWidget* bold : std::initializer_list<QWidget*>{form.Frame1, form.Label2, form.Text1, form.Text4, form.Check7}) {
        QCOMPARE(bold->font().pointSizeF(), 9.0);
        QVERIFY(bold->font().bold());
    }
    for (QPushButton* button : {form.PushButton3, form.PushButton4, form.PushButton5}) {
        QCOMPARE(button->font().pointSizeF(), 11.25);
        QVERIFY(button->font().bold());
    }
    // Nothing clipped: every caption fits its control.
    for (QLabel* label : {form.Label2, form.Label9, form.Label1, form.Label4, form.Label3})
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
    QVERIFY(form.Check7->sizeHint().width() <= form.Check7->width());
}

void LoginWindowTest::tabOrderRunsServerToNext()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.Text1);

    const QList<QWidget*> expected{form.Text9, form.Text2, form.Text3, form.Text4, form.PushButton5,
                                   form.PushButton4, form.Check7, form.PushButton3, form.Text1};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void LoginWindowTest::passwordShowsStars()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    QCOMPARE(form.Text3->echoMode(), QLineEdit::Password);
    QCOMPARE(form.Text3->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, form.Text3), int('*'));
}

void LoginWindowTest::typingIntoServerWritesEveryCharacter()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QStringList seen;
    for (const QChar c : QStringLiteral("db7")) {
        QTest::keyClick(form.Text1, c.toLatin1());
        seen.append(run.stored(SettingKeys::Server));
    }
    QCOMPARE(seen, (QStringList{"d", "db", "db7"}));

    for (int i = 0; i < 3; ++i)
        QTest::keyClick(form.Text1, Qt::Key_Backspace);
    QCOMPARE(run.stored(SettingKeys::Server), QString()); // present, empty

    run.start();
    QCOMPARE(run.wizard->form1().Text1->text(), QString());
}

void LoginWindowTest::everyBoxWritesItsOwnKey()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    form.Text1->setText("srv");
    form.Text9->setText("");
    form.Text2->setText("sa");
    form.Text3->setText("p;w{d}");
    form.Text4->setText("Sales");
    QCOMPARE(run.stored(SettingKeys::Server), QStringLiteral("srv"));
    QCOMPARE(run.stored(SettingKeys::Port), QString());
    QCOMPARE(run.stored(SettingKeys::User), QStringLiteral("sa"));
    QCOMPARE(run.stored(SettingKeys::Password), QStringLiteral("p;w{d}")); // clear text, unchanged
    QCOMPARE(run.stored(SettingKeys::Database), QStringLiteral("Sales"));

    run.start();
    Form1& again = run.wizard->form1();
    QCOMPARE(again.Text3->text(), QStringLiteral("p;w{d}"));
    QCOMPARE(again.Text9->text(), QString()); // an empty port stays empty, not 1433
}

void LoginWindowTest::localConnectionWritesOneAndZero()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.Check7, Qt::LeftButton);
    QVERIFY(form.Check7->isChecked());
    QCOMPARE(run.stored(SettingKeys::LocalConnection), QStringLiteral("1"));
    QTest::mouseClick(form.Check7, Qt::LeftButton);
    QCOMPARE(run.stored(SettingKeys::LocalConnection), QStringLiteral("0"));
    // Ticking it disables nothing.
    QVERIFY(form.Text9->isEnabled());
}

void LoginWindowTest::focusSelectsTheWholeText_data()
{
    QTest::addColumn<QString>("route");
    QTest::newRow("tab") << "tab";
    QTest::newRow("click") << "click";
    QTest::newRow("program") << "program";
}

void LoginWindowTest::focusSelectsTheWholeText()
{
    QFETCH(QString, route);
    WizardHarness run;
    run.save(SettingKeys::User, "olduser");
    Form1& form = run.start().form1();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.Text9->setFocus();

    if (route == "tab")
        QTest::keyClick(form.Text9, Qt::Key_Tab);
    else if (route == "click")
        QTest::mouseClick(form.Text2, Qt::LeftButton, {}, QPoint(10, form.Text2->height() / 2));
    else
        form.Text2->setFocus();
    QCOMPARE(QApplication::focusWidget(), form.Text2);
    QTRY_COMPARE(form.Text2->selectedText(), QStringLiteral("olduser"));
    QCOMPARE(form.Text2->selectionStart(), 0);

    // The next key replaces the value.
    QTest::keyClick(form.Text2, 'x');
    QCOMPARE(form.Text2->text(), QStringLiteral("x"));
    QCOMPARE(run.stored(SettingKeys::User), QStringLiteral("x"));
}

void LoginWindowTest::helpShowsItsTextAndOpensTheImageOnYes()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    run.messages.answers = {true};
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);

    const QString expected = QStringLiteral(
        "If you cannot establish connection to your MS SQL Server database with this program, please go to: \r\r"
        "https://www.microsoft.com/en-us/sql-server/sql-server-downloads\r\r"
        "Download and install the EMS SQL Manager 2005 Lite for SQL Server. Try to connect to the same database "
        "(with the same login information you are using here). This will determine if the login you are using is "
        "correct.\r\r"
        "If you are using Microsoft SQL Server Express Edition and connecting locally, you may need to use\r\r"
        "localhost\\SQLEXPRESS\r\r"
        "for example, for Server.");
    QCOMPARE(run.messages.boxes.size(), 2);
    QCOMPARE(int(run.messages.boxes[0].kind), int(RecordingMessageService::Kind::Inform));
    QCOMPARE(run.messages.boxes[0].title, QStringLiteral("Velloxa"));
    QCOMPARE(run.messages.boxes[0].text, expected);
    QVERIFY(!expected.contains(u'\n'));
    QCOMPARE(int(run.messages.boxes[1].kind), int(RecordingMessageService::Kind::Ask));
    QCOMPARE(run.messages.boxes[1].title, QStringLiteral("Velloxa"));
    QCOMPARE(run.messages.boxes[1].text, QStringLiteral("Would you like to see an image of how I connect locally?"));
    QCOMPARE(run.fileOpener.opened, QStringList{ApplicationFolder() + "/local-connection-example.jpg"});
}

void LoginWindowTest::helpOnNoOpensNothing()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    run.messages.answers = {false};
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    QCOMPARE(run.messages.boxes.size(), 2);
    QVERIFY(run.fileOpener.opened.isEmpty());
}

void LoginWindowTest::helpReportsAnImageThatCannotBeOpened()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    run.messages.answers = {true};
    run.fileOpener.succeeds = false;
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    const auto reports = run.messages.reports();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports[0].title, QStringLiteral("Application Error"));
    QVERIFY(reports[0].text.contains("\r\nin Velloxa2021/08/31.Form1.PushButton4_Click at line 118\r\r"));
    QVERIFY(reports[0].text.contains("local-connection-example.jpg"));
}

void LoginWindowTest::testConnectionSucceeds()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    fillLogin(form, "127.0.0.1", QString::number(server_->port()), "secret");
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QCOMPARE(run.messages.boxes.size(), 1);
    QCOMPARE(int(run.messages.boxes[0].kind), int(RecordingMessageService::Kind::Inform));
    QCOMPARE(run.messages.boxes[0].title, QStringLiteral("Velloxa"));
    QCOMPARE(run.messages.boxes[0].text, QStringLiteral("Connection successful."));
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
    QVERIFY(form.isVisible()); // testing moves nowhere
}

void LoginWindowTest::testConnectionWithLocalConnectionIgnoresThePort()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    // The server box names the port itself; the Port box holds rubbish that must not be used.
    fillLogin(form, server_->server(), "not-a-port", "secret");
    form.Check7->setChecked(true);
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QCOMPARE(run.messages.boxes.size(), 1);
    QCOMPARE(run.messages.boxes[0].text, QStringLiteral("Connection successful."));
}

void LoginWindowTest::testConnectionFailureGivesOneMessage()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    fillLogin(form, "127.0.0.1", QString::number(server_->port()), "wrong");
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QCOMPARE(run.messages.boxes.size(), 1);
    QCOMPARE(run.messages.boxes[0].text, QStringLiteral("Could not connect. Please check with your administrator."));

    fillLogin(form, Unreachable, QString(), "secret");
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QCOMPARE(run.messages.boxes.size(), 2);
    QCOMPARE(int(run.messages.boxes[1].kind), int(RecordingMessageService::Kind::Inform));
    QCOMPARE(run.messages.boxes[1].title, QStringLiteral("Velloxa"));
    QCOMPARE(run.messages.boxes[1].text, QStringLiteral("Could not connect. Please check with your administrator."));
    QCOMPARE(form.pointer().value(), PointerConvention::Default);

    // A password the driver cannot carry is named as the reason.
    fillLogin(form, "127.0.0.1", QString::number(server_->port()), "p};w");
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QCOMPARE(run.messages.boxes.size(), 3);
    QCOMPARE(run.messages.boxes[2].text, QStringLiteral("The password contains \"};\", which the ODBC driver cannot accept."));

    // A port the driver would read as the sandbox's own is named as the reason.
    fillLogin(form, "127.0.0.1", QString::number(server_->port()) + "abc", "secret");
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QCOMPARE(run.messages.boxes.size(), 4);
    QCOMPARE(run.messages.boxes[3].text, QStringLiteral("The port must be a number from 1 to 65535."));
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
}

void LoginWindowTest::nextThatCannotConnectChangesNothing()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    fillLogin(form, "127.0.0.1", QString::number(server_->port()), "wrong");
    QTest::mouseClick(form.PushButton3, Qt::LeftButton);
    QVERIFY(form.isVisible());
    QVERIFY(run.messages.boxes.isEmpty());
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
}

void LoginWindowTest::enterPressesTheFocusedButtonAndInABoxNext()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    fillLogin(form, "127.0.0.1", QString::number(server_->port()), "secret");

    form.PushButton5->setFocus();
    QTest::keyClick(form.PushButton5, Qt::Key_Return);
    QCOMPARE(run.messages.boxes.size(), 1);
    QCOMPARE(run.messages.boxes[0].text, QStringLiteral("Connection successful."));
    form.PushButton4->setFocus();
    QTest::keyClick(form.PushButton4, Qt::Key_Enter); // the keypad's Enter as well
    QCOMPARE(run.messages.boxes.size(), 3);           // the help text and its question
    QCOMPARE(run.messages.boxes[1].text, Form1::HelpText);
    QVERIFY(form.isVisible());

    form.Text3->setFocus();
    QTest::keyClick(form.Text3, Qt::Key_Return);
    QVERIFY(!form.isVisible());
    QVERIFY(run.wizard->form2().isVisible());
}

void LoginWindowTest::pointerFollowsTheMouse()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto moveOnto = [](QWidget* widget) {
        QMouseEvent move(QEvent::MouseMove, QPointF(widget->rect().center()), widget->mapToGlobal(QPointF(widget->rect().center())),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    };
    moveOnto(form.PushButton3);
    QCOMPARE(form.pointer().value(), PointerConvention::Custom);
    moveOnto(form.Label2); // labels and the check box leave the pointer as it is
    QCOMPARE(form.pointer().value(), PointerConvention::Custom);
    moveOnto(form.Check7);
    QCOMPARE(form.pointer().value(), PointerConvention::Custom);
    moveOnto(form.Text1);
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
    moveOnto(form.PushButton5);
    QCOMPARE(form.pointer().value(), PointerConvention::Custom);
    moveOnto(form.Frame1);
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
}

void LoginWindowTest::closingEndsTheProgram()
{
    WizardHarness run;
    Form1& form = run.start().form1();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.close();
    QCOMPARE(run.endProgramCalls, 1);
    QVERIFY(!form.isVisible());
    QVERIFY(run.wizard->programEnding());
}

QTEST_MAIN(LoginWindowTest)
#include "tst_login_window.moc"
