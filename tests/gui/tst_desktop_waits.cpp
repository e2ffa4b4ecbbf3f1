// The program as a user meets it on an X11 desktop, while it waits for the server: a real X
// server (Xvfb) with a window manager (openbox), the real `velloxa` as a separate process,
// driven with xdotool and closed the way the window manager closes windows. Here the close
// request is a window-system message of its own, which the offscreen platform of the other
// window tests never sends.
#include "SandboxServer.h"
#include "SilentListener.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

using velloxa::test::SandboxServer;
using velloxa::test::SilentListener;

namespace {

const QByteArray OldContents("old contents\r\n");
// Generous: the program promises one second.
constexpr int EndBoundMs = 5000;
// 3,000 rows at one every millisecond: an export that runs for seconds.
const QStringList SlowServer{QStringLiteral("--database"), QStringLiteral("Readings=") + velloxa::test::testDataPath(QStringLiteral("gui/readings.sql")),
                             QStringLiteral("--account"), QStringLiteral("tester:secret"), QStringLiteral("--row-delay-us"), QStringLiteral("1000")};

// Xvfb and openbox for one test case, and the program's private home on that display.
class Desktop {
public:
    Desktop()
    {
        xvfb_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x900x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QElapsedTimer clock;
        clock.start();
        while (!xvfb_.canReadLine() && clock.elapsed() < 10000 && xvfb_.state() != QProcess::NotRunning)
            xvfb_.waitForReadyRead(100);
        display_ = QStringLiteral(":") + QString::fromLatin1(xvfb_.readLine().trimmed());
        if (display_ == QLatin1String(":"))
            return;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display_);
        windowManager_.setProcessEnvironment(environment);
        windowManager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        windowManager_.waitForStarted();
        while (clock.elapsed() < 10000 && !run(QStringLiteral("wmctrl"), {QStringLiteral("-m")}).contains("Openbox"))
            QThread::msleep(50);
    }

    ~Desktop()
    {
        for (QProcess* process : {&program_, &windowManager_, &xvfb_}) {
            process->kill();
            process->waitForFinished();
        }
    }

    bool isRunning() const { return windowManager_.state() == QProcess::Running; }
    QString desktopFile() const { return home_.filePath(QStringLiteral("Desktop/output.txt")); }
    QString desktopFolder() const { return home_.filePath(QStringLiteral("Desktop")); }

    // Starts the program with a saved login, as a returning user has it: complete, it is tried
    // at the start; without the password the Login window waits for it.
    void startProgram(quint16 port, const QString& password)
    {
        QDir(home_.path()).mkpath(QStringLiteral("Desktop"));
        QDir(home_.path()).mkpath(QStringLiteral("config"));
        QDir(home_.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(home_.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile settings(home_.filePath(QStringLiteral("config/Orvanta.ini")));
        settings.open(QIODevice::WriteOnly);
        settings.write(QStringLiteral("[Velloxa]\nMSServer=127.0.0.1\nPort=%1\nMSUser=tester\nMSPassword=%2\nMSDatabase=Readings\n"
                                      "Local%20Connection=0\n")
                           .arg(port)
                           .arg(password)
                           .toUtf8());
        settings.close();

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display_);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("HOME"), home_.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.filePath(QStringLiteral("runtime")));
        program_.setProcessEnvironment(environment);
        program_.start(QStringLiteral(VELLOXA_PROGRAM), {});
        program_.waitForStarted();
    }

    QProcess& program() { return program_; }
    // No event loop runs here: the process's end is seen when asked for.
    bool programRunning() { return !program_.waitForFinished(0) && program_.state() == QProcess::Running; }

    // The id of the program's one visible window, once there is one other than `previous`:
    // while a window's Next works, the window it leads to may show beside it.
    QString visibleWindow(const QString& previous = {}, int timeoutMs = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            const QByteArray found = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral("^Velloxa$")})
                                         .trimmed();
            if (!found.isEmpty() && !found.contains('\n') && found != previous.toLatin1())
                return QString::fromLatin1(found);
            QThread::msleep(50);
        }
        return {};
    }

    // The keyboard goes to the focused window, as the user's would.
    void keys(const QStringList& keys)
    {
        for (const QString& key : keys) {
            run(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
            QThread::msleep(60);
        }
    }
    void type(const QString& text) { run(QStringLiteral("xdotool"), {QStringLiteral("type"), text}); }

    // A click at a spot of the window given in twips, the unit the windows are laid out in.
    void click(const QString& window, int xTwips, int yTwips, int windowWidthTwips)
    {
        const QByteArray geometry = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window});
        const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Geometry: (\\d+)x")).match(QString::fromLatin1(geometry));
        const double pixelsPerTwip = size.captured(1).toDouble() / windowWidthTwips;
        run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(int(xTwips * pixelsPerTwip)), QString::number(int(yTwips * pixelsPerTwip)), QStringLiteral("click"), QStringLiteral("1")});
    }

    // The window manager's close request, as its title bar's close button sends it.
    void closeWindow(const QString& window) { run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-c"), window}); }

    QByteArray run(const QString& tool, const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display_);
        process.setProcessEnvironment(environment);
        process.start(tool, arguments);
        process.waitForFinished(10000);
        return process.readAllStandardOutput();
    }

private:
    QTemporaryDir home_;
    QString display_;
    QProcess xvfb_, windowManager_, program_;
};

// Starts the program against `server` with an old output file on the desktop and takes it by
// keyboard to the Export window, with the fields Id and Sensor; the keyboard ends on "Finish".
// Returns the window's id.
QString OpenTheExportWindow(Desktop& desktop, const SandboxServer& server)
{
    QDir().mkpath(desktop.desktopFolder());
    QFile old(desktop.desktopFile());
    if (!old.open(QIODevice::WriteOnly) || old.write(OldContents) != OldContents.size())
        return {};
    old.close();
    desktop.startProgram(server.port(), QString());
    const QString login = desktop.visibleWindow();
    // Login window: from the Server box to the password, then Enter goes on.
    desktop.keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab")});
    desktop.type(QStringLiteral("secret"));
    desktop.keys({QStringLiteral("Return")});
    const QString tables = desktop.visibleWindow(login);
    desktop.keys({QStringLiteral("Return")}); // Next with the one table
    const QString fields = desktop.visibleWindow(tables);
    // Field chooser: from the preview to the available fields, move the first two over, Next.
    desktop.keys({QStringLiteral("shift+Tab"), QStringLiteral("Return"), QStringLiteral("Down"), QStringLiteral("Up"),
                  QStringLiteral("Return"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                  QStringLiteral("Tab"), QStringLiteral("space")});
    const QString exportWindow = desktop.visibleWindow(fields);
    desktop.keys({QStringLiteral("Tab")}); // from "< Back" to "Finish"
    return exportWindow;
}

QByteArray Contents(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
}

ino_t Inode(const QString& file)
{
    struct stat status {};
    return ::stat(QFile::encodeName(file).constData(), &status) == 0 ? status.st_ino : 0;
}

// Waits until the file is replaced (a new inode: the export puts a finished file in place).
bool WaitForReplacement(const QString& file, ino_t before, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (const ino_t now = Inode(file); now != 0 && now != before)
            return true;
        QThread::msleep(20);
    }
    return false;
}

// Sends the close request; true when the program then ended, with status 0, within the bound.
bool EndsOnClose(Desktop& desktop, const QString& window)
{
    QElapsedTimer clock;
    clock.start();
    desktop.closeWindow(window);
    if (!desktop.program().waitForFinished(EndBoundMs))
        return false;
    qInfo("ended %lld ms after the close request", clock.elapsed());
    return desktop.program().exitStatus() == QProcess::NormalExit && desktop.program().exitCode() == 0;
}

} // namespace

class DesktopWaitsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void closingDuringTheStartUpLoginEndsTheProgram();
    void closingDuringAnExportEndsItAndKeepsTheOldFile();
    void inputDuringAnExportDoesNotActAfterIt();

private:
    std::unique_ptr<SandboxServer> server_; // exports from it run for seconds
};

void DesktopWaitsTest::initTestCase()
{
    server_ = std::make_unique<SandboxServer>(SlowServer);
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void DesktopWaitsTest::init()
{
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "wmctrl"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            // The install script provides them; only a developer's machine may lack them.
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL(qPrintable(QStringLiteral("%1 is missing: run scripts/install-packages.sh").arg(QLatin1String(tool))));
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
    }
}

void DesktopWaitsTest::closingDuringTheStartUpLoginEndsTheProgram()
{
    SilentListener silent;
    QVERIFY(silent.isListening());
    Desktop desktop;
    QVERIFY(desktop.isRunning());
    desktop.startProgram(silent.port(), QStringLiteral("secret"));
    // The Login window shows while the saved server is asked, which never answers.
    const QString login = desktop.visibleWindow();
    QVERIFY(!login.isEmpty());
    QThread::msleep(1000);
    QVERIFY(desktop.programRunning());

    QVERIFY(EndsOnClose(desktop, login));
}

void DesktopWaitsTest::closingDuringAnExportEndsItAndKeepsTheOldFile()
{
    Desktop desktop;
    QVERIFY(desktop.isRunning());
    const QString exportWindow = OpenTheExportWindow(desktop, *server_);
    QVERIFY(!exportWindow.isEmpty());

    desktop.keys({QStringLiteral("space")}); // Finish
    QThread::msleep(1000);
    QVERIFY(desktop.programRunning());
    QCOMPARE(Contents(desktop.desktopFile()), OldContents); // the run is still reading rows

    QVERIFY(EndsOnClose(desktop, exportWindow));
    // A run that went on would have replaced the file; a cancelled one leaves nothing beside it.
    QCOMPARE(Contents(desktop.desktopFile()), OldContents);
    QCOMPARE(QDir(desktop.desktopFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("output.txt")});
}

void DesktopWaitsTest::inputDuringAnExportDoesNotActAfterIt()
{
    Desktop desktop;
    QVERIFY(desktop.isRunning());
    const QString exportWindow = OpenTheExportWindow(desktop, *server_);
    QVERIFY(!exportWindow.isEmpty());
    const ino_t before = Inode(desktop.desktopFile());

    desktop.keys({QStringLiteral("space")}); // Finish
    QThread::msleep(500);
    // During the run: a click into the separator box and a semicolon typed there, then a
    // second click on the button that will read "Exit" once the run is done.
    constexpr int WindowWidth = 8040;
    desktop.click(exportWindow, 4000, 1460, WindowWidth);
    desktop.keys({QStringLiteral("semicolon")});
    desktop.click(exportWindow, 6000, 5590, WindowWidth);
    QVERIFY2(WaitForReplacement(desktop.desktopFile(), before, 60000), "the export did not finish");
    QVERIFY(Contents(desktop.desktopFile()).startsWith("Id,Sensor\r\n1,S-1\r\n"));

    // The click did not land on "Exit".
    QThread::msleep(1500);
    QVERIFY(desktop.programRunning());
    // The semicolon did not land in the separator box: a second run (Back, Next, Finish)
    // still writes commas.
    const ino_t first = Inode(desktop.desktopFile());
    desktop.keys({QStringLiteral("shift+Tab"), QStringLiteral("space")});
    const QString fields = desktop.visibleWindow(exportWindow);
    desktop.keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")});
    desktop.visibleWindow(fields);
    desktop.keys({QStringLiteral("Tab"), QStringLiteral("space")});
    QVERIFY2(WaitForReplacement(desktop.desktopFile(), first, 60000), "the second export did not finish");
    QVERIFY2(Contents(desktop.desktopFile()).startsWith("Id,Sensor\r\n1,S-1\r\n"), Contents(desktop.desktopFile()).left(40).constData());

    // Closed outside a wait, the program leaves the usual way (where a leak check may speak).
    desktop.closeWindow(desktop.visibleWindow());
    QVERIFY(desktop.program().waitForFinished(EndBoundMs));
}

QTEST_GUILESS_MAIN(DesktopWaitsTest)
#include "tst_desktop_waits.moc"
