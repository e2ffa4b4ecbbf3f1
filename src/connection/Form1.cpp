#include "connection/Form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

#include "app/ApplicationTitle.h"
#include "app/ArialFont.h"
#include "app/WindowWait.h"
#include "app/HandPointer.h"
#include "app/SelectAllOnFocus.h"
#include "app/Twips.h"
#include "app/Wizard.h"
#include "connection/ConnectionString.h"
#include "connection/MSSQL.h"
#include "connection/PortNumber.h"
#include "connection/odbc/Connection.h"
#include "connection/odbc/DriverConnectionString.h"
#include "errors/ErrorTrap.h"
#include "errors/Failure.h"
#include "selection/Form2.h"
#include "shell/Appearance.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

namespace velloxa {

const QString Form1::DownloadPage = QStringLiteral("https://www.microsoft.com/en-us/sql-server/sql-server-downloads");

const QString Form1::HelpText =
    QStringLiteral("If you cannot establish connection to your MS SQL Server database with this program, please go to: ")
    + QStringLiteral("\r\r") + DownloadPage + QStringLiteral("\r\r")
    + QStringLiteral("Download and install the EMS SQL Manager 2005 Lite for SQL Server. Try to connect to ")
    + QStringLiteral("the same database (with the same login information you are using here). This will determine if ")
    + QStringLiteral("the login you are using is correct.") + QStringLiteral("\r\r")
    + QStringLiteral("If you are using Microsoft SQL Server Express Edition and connecting locally, you may need to use")
    + QStringLiteral("\r\r") + QStringLiteral("localhost\\SQLEXPRESS") + QStringLiteral("\r\r")
    + QStringLiteral("for example, for Server.");

const QString Form1::HelpImageQuestion = QStringLiteral("Would you like to see an image of how I connect locally?");

namespace {

const QString HelpImageFile = QStringLiteral("/local-connection-example.jpg");

template <typename Control>
Control* placed(Control* control, const QRect& twips)
{
    control->setGeometry(TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return control;
}

} // namespace

Form1::Form1(Wizard& wizard, QWidget* parent) : QWidget(parent), wizard_(wizard)
{
    buildControls();
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    setFixedSize(Twips(8040), Twips(3975));
    setFont(ArialFont(9, false));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    const QFont bold = ArialFont(9, true);
    const QFont buttonFont = ArialFont(11.25, true);

    Frame1 = placed(new QGroupBox(QStringLiteral("MS SQL Server Login"), this), {120, 120, 7800, 3195});
    Frame1->setFont(bold);

    auto label = [&](const QString& caption, QRect twips) {
        auto* control = placed(new QLabel(caption, Frame1), twips);
        control->setFont(bold);
        return control;
    };
    auto textBox = [&](QRect twips) {
        auto* control = placed(new QLineEdit(Frame1), twips);
        control->setFont(bold);
        new SelectAllOnFocus(control);
        return control;
    };
    auto button = [&](const QString& caption, QWidget* parentWidget, QRect twips) {
        auto* control = placed(new QPushButton(caption, parentWidget), twips);
        control->setFont(buttonFont);
        control->setAutoDefault(true); // Enter presses the focused button, as Space does
        return control;
    };

    Label2 = label(QStringLiteral("Server:"), {240, 405, 1095, 255});
    Text1 = textBox({1320, 360, 4575, 345});
    Label9 = label(QStringLiteral("Port:"), {6120, 405, 495, 255});
    Text9 = textBox({6600, 360, 975, 345});
    Label1 = label(QStringLiteral("Username:"), {240, 885, 1095, 255});
    Text2 = textBox({1320, 840, 6255, 345});
    Label4 = label(QStringLiteral("Password:"), {240, 1365, 1095, 255});
    Text3 = textBox({1320, 1320, 6255, 345});
    Text3->setEchoMode(QLineEdit::Password);
    Text3->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // '*' for every character
    Label3 = label(QStringLiteral("Database:"), {240, 1845, 975, 255});
    Text4 = textBox({1320, 1800, 6255, 345});
    Check7 = placed(new QCheckBox(QStringLiteral("Local Connection"), Frame1), {1320, 2250, 1950, 255});
    Check7->setFont(bold);
    PushButton5 = button(QStringLiteral("Test Connection"), Frame1, {240, 2610, 3600, 405});
    PushButton4 = button(QStringLiteral("Help"), Frame1, {3960, 2610, 3600, 405});
    PushButton3 = button(QStringLiteral("Next >"), this, {120, 3450, 7800, 405});

    setTabOrder(Text1, Text9);
    setTabOrder(Text9, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Text4);
    setTabOrder(Text4, PushButton5);
    setTabOrder(PushButton5, PushButton4);
    setTabOrder(PushButton4, Check7);
    setTabOrder(Check7, PushButton3);
    Text1->setFocus();

    pointer_ = new PointerConvention(this);
    pointer_->addDefaultArea(Frame1);
    for (QLineEdit* box : {Text1, Text9, Text2, Text3, Text4})
        pointer_->addDefaultArea(box);
    for (QWidget* neutral : std::initializer_list<QWidget*>{Label2, Label9, Label1, Label4, Label3, Check7})
        pointer_->addNeutralArea(neutral);
}

void Form1::connectHandlers()
{
    // textChanged, not textEdited: the program's own assignments are written back as well.
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Text9, &QLineEdit::textChanged, this, &Form1::Text9_Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(Text3, &QLineEdit::textChanged, this, &Form1::Text3_Change);
    connect(Text4, &QLineEdit::textChanged, this, &Form1::Text4_Change);
    // toggled fires for a click and for a change made by the program alike.
    connect(Check7, &QCheckBox::toggled, this, &Form1::Check7_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    // Enter in any box goes on with the values as typed.
    for (QLineEdit* box : {Text1, Text9, Text2, Text3, Text4})
        connect(box, &QLineEdit::returnPressed, PushButton3, &QPushButton::click);
}

LoginValues Form1::loginValues() const
{
    LoginValues values;
    values.server = Text1->text();
    values.port = Text9->text();
    values.user = Text2->text();
    values.password = Text3->text();
    values.database = Text4->text();
    values.localConnection = Check7->isChecked();
    return values;
}

PointerConvention& Form1::pointer() { return *pointer_; }

void Form1::Form_Load()
{
    Services& services = wizard_.services();
    SettingsStore& settings = services.settings;
    ErrorTrap trap(services.messages, QStringLiteral("Form1"), QStringLiteral("Form_Load"));

    trap.step(100, [&] { ApplySkin(this); });
    trap.step(104, [&] {
        setWindowTitle(ProductName);
        setWindowIcon(wizard_.applicationIcon());
        wizard_.setApplicationTitle(ApplicationTitle(ProductName));
    });
    if (trap.test(124, [] { return FileExists(HandPointerFile()); }))
        trap.step(126, [&] { LoadHandPointer(*pointer_); });

    trap.step(128, [&] { Text1->setText(settings.read(SettingKeys::Server, QString())); });
    trap.step(130, [&] { Text2->setText(settings.read(SettingKeys::User, QString())); });
    trap.step(132, [&] { Text3->setText(settings.read(SettingKeys::Password, QString())); });
    trap.step(134, [&] { Text4->setText(settings.read(SettingKeys::Database, QString())); });
    trap.step(136, [&] { Text9->setText(settings.read(SettingKeys::Port, QStringLiteral("1433"))); });
    trap.step(138, [&] {
        Check7->setChecked(settings.read(SettingKeys::LocalConnection, QStringLiteral("0")) != QStringLiteral("0"));
    });

    wizard_.fillLoginFromJob();

    // The saved login of a returning user: when it is complete and still connects, open one step on.
    const bool complete = trap.test(140, [&] {
        return !Text1->text().isEmpty() && !Text2->text().isEmpty() && !Text3->text().isEmpty()
            && !Text4->text().isEmpty();
    });
    // The window shows while the saved server is asked, so that it can be closed meanwhile.
    if (complete)
        show();
    if (complete && trap.test(142, [&] {
            const LoginValues values = loginValues();
            return WaitFor(wizard_, [&] { return CanConnect(values); });
        }))
        trap.step(144, [&] { PushButton3_Click(); });
}

void Form1::Text1_Change() { wizard_.services().settings.write(SettingKeys::Server, Text1->text()); }
void Form1::Text9_Change() { wizard_.services().settings.write(SettingKeys::Port, Text9->text()); }
void Form1::Text2_Change() { wizard_.services().settings.write(SettingKeys::User, Text2->text()); }
void Form1::Text3_Change() { wizard_.services().settings.write(SettingKeys::Password, Text3->text()); }
void Form1::Text4_Change() { wizard_.services().settings.write(SettingKeys::Database, Text4->text()); }

void Form1::Check7_Click()
{
    wizard_.services().settings.write(SettingKeys::LocalConnection,
                                      Check7->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void Form1::PushButton5_Click()
{
    MessageService& messages = wizard_.services().messages;
    const QString title = wizard_.applicationTitle();
    ErrorTrap trap(messages, QStringLiteral("Form1"), QStringLiteral("PushButton5_Click"));

    std::unique_ptr<odbc::Connection> connection;
    trap.step(100, [&] { connection = std::make_unique<odbc::Connection>(); });

    // From here on any failure gives the one "Could not connect" message: the driver's own
    // text is not for this user. A value refused before the driver is the exception: only
    // its message tells which box to change.
    try {
        pointer_->setHourglass();
        QCoreApplication::processEvents();
        if (!connection)
            throw Failure(QStringLiteral("No connection object."));
        const LoginValues values = loginValues();
        if (!PortIsUsable(values)) {
            // Told as such: the driver would read "1433abc" as 1433 and connect elsewhere.
            messages.inform(title, PortRule);
            pointer_->setDefault();
            return;
        }
        const QString connectionString = BuildConnectionString(values);
        WaitFor(wizard_, [&] { connection->open(connectionString); });
        messages.inform(title, QStringLiteral("Connection successful."));
        pointer_->setDefault();
    } catch (const odbc::UnreadableValue& refusal) {
        messages.inform(title, refusal.description());
        pointer_->setDefault();
    } catch (...) {
        messages.inform(title, QStringLiteral("Could not connect. Please check with your administrator."));
        pointer_->setDefault();
    }
}

void Form1::PushButton4_Click()
{
    Services& services = wizard_.services();
    const QString title = wizard_.applicationTitle();
    ErrorTrap trap(services.messages, QStringLiteral("Form1"), QStringLiteral("PushButton4_Click"));

    trap.step(102, [&] { services.messages.inform(title, HelpText); });
    if (trap.test(116, [&] { return services.messages.ask(title, HelpImageQuestion); })) {
        trap.step(118, [&] {
            const QString image = ApplicationFolder() + HelpImageFile;
            if (!services.fileOpener.open(image))
                throw Failure(QStringLiteral("Could not open the file \"%1\".").arg(image));
        });
    }
}

void Form1::PushButton3_Click()
{
    ErrorTrap trap(wizard_.services().messages, QStringLiteral("Form1"), QStringLiteral("PushButton3_Click"));

    trap.step(100, [] { QCoreApplication::processEvents(); });
    trap.step(102, [&] { pointer_->setHourglass(); });
    const LoginValues values = loginValues();
    bool tableChooserShown = false;
    if (trap.test(104, [&] { return WaitFor(wizard_, [&] { return CanConnect(values); }); })) {
        Form2& tableChooser = wizard_.form2();
        trap.step(106, [&] {
            // Listed on the helper thread, then moved into the window's list at once; the
            // waiting loop repaints meanwhile.
            CollectedTables found;
            WaitFor(wizard_, [&] { ListTables(values, found, [] {}); });
            found.copyTo(tableChooser.tables());
        });
        trap.step(108, [&] { tableChooser.selectFirstTable(); });
        trap.step(110, [&] {
            tableChooser.show();
            tableChooserShown = true;
        });
        trap.step(112, [&] { hide(); });
    }
    trap.step(114, [&] { pointer_->setDefault(); });
    if (tableChooserShown)
        wizard_.continueOpenedJob();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    wizard_.endProgram();
}

} // namespace velloxa
