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

    // Starts the program with a saved login, as a returning user has it.
    void startProgram(quint16 port, const QString& database)
    {
        QDir(home_.path()).mkpath(QStringLiteral("Desktop"));
        QDir(home_.path()).mkpath(QStringLiteral("config"));
        QDir(home_.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(home_.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile settings(home_.filePath(QStringLiteral("config/Orvanta.ini")));
        settings.open(QIODevice::WriteOnly);
        settings.write(QStringLiteral("[Velloxa]\nMSServer=127.0.0.1\nPort=%1\nMSUser=tester\nMSPassword=secret\nMSDatabase=%2\n"
                                      "Local%20Connection=0\n")
                           .arg(port)
                           .arg(database)
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

    // The id of the program's visible window, once there is one.
    QString visibleWindow(int timeoutMs = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            const QByteArray found = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral("^Velloxa$")})
                                         .trimmed();
            if (!found.isEmpty() && !found.contains('\n'))
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

// The road from the start-up (which opens on the Table chooser) to the Export window by
// keyboard, with the fields Id and Sensor; the keyboard ends on "Finish".
void ReachTheExportWindow(Desktop& desktop)
{
    desktop.keys({QStringLiteral("Return")}); // Table chooser: Next with the one table
    desktop.visibleWindow();
    QThread::msleep(800);
    // Field chooser: from the preview to the available fields, move the first two over.
    desktop.keys({QStringLiteral("shift+Tab"), QStringLiteral("Return"), QStringLiteral("Down"), QStringLiteral("Up"),
                  QStringLiteral("Return"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                  QStringLiteral("Tab"), QStringLiteral("space")});
    QThread::msleep(500);
    desktop.keys({QStringLiteral("Tab")}); // from "< Back" to "Finish"
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

// Sends the close request and returns the milliseconds until the program ended, or -1.
qint64 CloseAndTime(Desktop& desktop, const QString& window)
{
    QElapsedTimer clock;
    clock.start();
    desktop.closeWindow(window);
    if (!desktop.program().waitForFinished(EndBoundMs))
        return -1;
    return clock.elapsed();
}

} // namespace

class DesktopWaitsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void closingDuringTheStartUpLoginEndsTheProgram();
    void closingDuringAnExportEndsItAndKeepsTheOldFile();
    void inputDuringAnExportDoesNotActAfterIt();
};

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
    desktop.startProgram(silent.port(), QStringLiteral("Readings"));
    // The Login window shows while the saved server is asked, which never answers.
    const QString login = desktop.visibleWindow();
    QVERIFY(!login.isEmpty());
    QThread::msleep(1000);
    QVERIFY(desktop.programRunning());

    const qint64 endedAfter = CloseAndTime(desktop, login);
    QVERIFY2(endedAfter >= 0, "the program did not end after the close request");
    qInfo("ended %lld ms after the close request", endedAfter);
    QCOMPARE(desktop.program().exitStatus(), QProcess::NormalExit);
    QCOMPARE(desktop.program().exitCode(), 0);
}

void DesktopWaitsTest::closingDuringAnExportEndsItAndKeepsTheOldFile()
{
    SandboxServer server(SlowServer);
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    Desktop desktop;
    QVERIFY(desktop.isRunning());
    desktop.startProgram(server.port(), QStringLiteral("Readings"));
    QVERIFY(!desktop.visibleWindow().isEmpty());
    QFile old(desktop.desktopFile());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(OldContents);
    old.close();
    ReachTheExportWindow(desktop);
    const QString exportWindow = desktop.visibleWindow();

    desktop.keys({QStringLiteral("space")}); // Finish
    QThread::msleep(1000);
    QVERIFY(desktop.programRunning());
    QCOMPARE(Contents(desktop.desktopFile()), OldContents); // the run is still reading rows

    const qint64 endedAfter = CloseAndTime(desktop, exportWindow);
    QVERIFY2(endedAfter >= 0, "the program did not end after the close request");
    qInfo("ended %lld ms after the close request", endedAfter);
    QCOMPARE(desktop.program().exitCode(), 0);
    // A run that went on would have replaced the file; a cancelled one leaves nothing beside it.
    QCOMPARE(Contents(desktop.desktopFile()), OldContents);
    QCOMPARE(QDir(desktop.desktopFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("output.txt")});
}

void DesktopWaitsTest::inputDuringAnExportDoesNotActAfterIt()
{
    SandboxServer server(SlowServer);
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    Desktop desktop;
    QVERIFY(desktop.isRunning());
    desktop.startProgram(server.port(), QStringLiteral("Readings"));
    QVERIFY(!desktop.visibleWindow().isEmpty());
    ReachTheExportWindow(desktop);
    const QString exportWindow = desktop.visibleWindow();
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
    QThread::msleep(800);
    desktop.keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")});
    QThread::msleep(500);
    desktop.keys({QStringLiteral("Tab"), QStringLiteral("space")});
    QVERIFY2(WaitForReplacement(desktop.desktopFile(), first, 60000), "the second export did not finish");
    QVERIFY2(Contents(desktop.desktopFile()).startsWith("Id,Sensor\r\n1,S-1\r\n"), Contents(desktop.desktopFile()).left(40).constData());

    QVERIFY(CloseAndTime(desktop, desktop.visibleWindow()) >= 0);
}

QTEST_GUILESS_MAIN(DesktopWaitsTest)
#include "tst_desktop_waits.moc"
