// The remembered password in the system keyring, against a real Secret Service (run through
// tests/support/with-secret-service.sh, "--secret-service"), and where none answers: no session
// bus, or a bus that takes the connection and never says a word ("--no-keyring").

#include "CoreSandbox.h"
#include "OutputFiles.h"
#include "SandboxServer.h"
#include "SilentListener.h"

#include "settings/Keyring.h"
#include "settings/KeyringPassword.h"
#include "settings/SettingsStore.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <vector>

using namespace velloxa;
using namespace velloxa::testing;

namespace {

const QByteArray People("Id,Name\r\n1,Anna\r\n2,\r\n\r\n");

// What the keyring holds for an entry, asked with the desktop's own tool; nothing when none.
std::optional<QString> Inside(const QString& entry)
{
    QProcess tool;
    tool.start("secret-tool", {"lookup", "server", Keyring::Service, "user", entry});
    if (!tool.waitForFinished(10000) || tool.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// The password as the file holds it, read without a keyring.
QString FilePassword(const QString& file)
{
    return SettingsStore(file).read(SettingKeys::Password, "<absent>");
}

// Qt keeps parsed ini files per path within a process; a copy is read from disk, as the next
// start of the program reads it.
QString NextStart(const QString& file)
{
    static int starts = 0;
    const QString copy = file + ".start" + QString::number(++starts);
    return QFile::copy(file, copy) ? copy : QString();
}

void WriteLogin(SettingsStore& store, const QString& server, const QString& password)
{
    store.write(SettingKeys::Server, server);
    store.write(SettingKeys::Port, "1433");
    store.write(SettingKeys::User, "sa");
    store.write(SettingKeys::Password, password);
    store.write(SettingKeys::Database, "Shop");
}

struct CliRun {
    int exitCode = -1;
    QString errors;
    qint64 milliseconds = 0;
};

// velloxa-export without any password option; the environment as given.
CliRun RunCli(const QStringList& args, const QProcessEnvironment& environment)
{
    QProcess cli;
    cli.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    cli.start(CliProgram(), args);
    cli.closeWriteChannel();
    cli.waitForFinished(60000);
    return {cli.exitCode(), QString::fromLocal8Bit(cli.readAllStandardError()), clock.elapsed()};
}

QProcessEnvironment WithoutPasswordVariable()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("VELLOXA_PASSWORD");
    return environment;
}

} // namespace

class SecretServiceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void rememberedLoginRoundTrip();
    void clearTextMovesIntoTheKeyring();
    void passwordFollowsTheLogin();
    void commandLineFindsThePassword();

private:
    QTemporaryDir folder_;
    QString file_;
};

void SecretServiceTest::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run through tests/support/with-secret-service.sh");
    QVERIFY(folder_.isValid());
}

void SecretServiceTest::rememberedLoginRoundTrip()
{
    file_ = folder_.filePath("roundtrip.ini");
    const QString password = QString::fromUtf8("pässwörd;{x}=1 ✓");
    {
        Keyring keyring;
        SettingsStore store(file_, &keyring);
        WriteLogin(store, "DB1", password);
        QVERIFY(keyring.answers());
    }
    QCOMPARE(FilePassword(file_), QString(""));
    QVERIFY(!Contents(file_).contains("p\xC3\xA4ss"));
    QCOMPARE(Inside("sa@db1,1433"), password);

    // The next start: the password comes back, and its write-back changes nothing.
    Keyring keyring;
    SettingsStore nextStart(NextStart(file_), &keyring);
    QCOMPARE(nextStart.read(SettingKeys::Password, ""), password);
    nextStart.write(SettingKeys::Password, password);
    QCOMPARE(Inside("sa@db1,1433"), password);

    // A cleared box is remembered as empty: no entry left to bring the old one back.
    nextStart.write(SettingKeys::Password, "");
    QCOMPARE(Inside("sa@db1,1433"), std::nullopt);
    Keyring again;
    QCOMPARE(SettingsStore(NextStart(nextStart.fileName()), &again).read(SettingKeys::Password, "absent"), QString(""));
}

void SecretServiceTest::clearTextMovesIntoTheKeyring()
{
    // Written by an earlier version, or a run where no keyring answered.
    file_ = folder_.filePath("cleartext.ini");
    {
        SettingsStore plain(file_);
        WriteLogin(plain, "db2", "old secret");
    }
    QCOMPARE(FilePassword(file_), QString("old secret"));

    Keyring keyring;
    SettingsStore store(NextStart(file_), &keyring);
    QCOMPARE(store.read(SettingKeys::Password, ""), QString("old secret"));
    QCOMPARE(Inside("sa@db2,1433"), std::nullopt);
    store.write(SettingKeys::Password, "old secret"); // the start's write-back
    QCOMPARE(Inside("sa@db2,1433"), QString("old secret"));
    QCOMPARE(FilePassword(store.fileName()), QString(""));
    Keyring again;
    QCOMPARE(SettingsStore(NextStart(store.fileName()), &again).read(SettingKeys::Password, ""), QString("old secret"));
}

void SecretServiceTest::passwordFollowsTheLogin()
{
    file_ = folder_.filePath("follow.ini");
    Keyring keyring;
    QVERIFY(keyring.write("sa@db,1433", "another login's"));
    SettingsStore store(file_, &keyring);
    WriteLogin(store, "db3", "three");

    // The server box edited letter by letter: "db3" -> "db" -> "db4" -> "db45".
    store.write(SettingKeys::Server, "db");
    QCOMPARE(Inside("sa@db,1433"), QString("three"));
    store.write(SettingKeys::Server, "db4");
    store.write(SettingKeys::Server, "db45");
    QCOMPARE(Inside("sa@db45,1433"), QString("three"));
    QCOMPARE(Inside("sa@db4,1433"), std::nullopt);
    QCOMPARE(Inside("sa@db,1433"), QString("another login's"));
    QCOMPARE(Inside("sa@db3,1433"), QString("three")); // typed for that login: kept for its jobs

    // Local Connection to a named instance: no port in the entry; the next start finds it.
    store.write(SettingKeys::Server, "db45\\SQLEXPRESS");
    store.write(SettingKeys::LocalConnection, "1");
    QCOMPARE(Inside("sa@db45\\sqlexpress"), QString("three"));
    Keyring again;
    QCOMPARE(SettingsStore(NextStart(file_), &again).read(SettingKeys::Password, ""), QString("three"));
    QCOMPARE(FilePassword(file_), QString(""));
}

void SecretServiceTest::commandLineFindsThePassword()
{
    test::SandboxServer server(CoreDatabase());
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    const QString file = folder_.filePath("people.txt");
    const QStringList args = CliArguments("People", file, server.port());
    LoginValues login;
    login.server = "127.0.0.1";
    login.port = QString::number(server.port());
    login.user = "tester";
    Keyring keyring;
    QVERIFY(keyring.write(PasswordEntryKey(login), "secret"));
    QCOMPARE(KeyringPassword(login), QString("secret"));

    const CliRun found = RunCli(args, WithoutPasswordVariable());
    QVERIFY2(found.exitCode == 0, qPrintable(found.errors));
    QCOMPARE(Contents(file), People);
    qInfo("velloxa-export with the password from the keyring: %lld ms", found.milliseconds);

    // A password given otherwise comes first.
    QProcessEnvironment given = WithoutPasswordVariable();
    given.insert("VELLOXA_PASSWORD", "wrong");
    const CliRun wrong = RunCli(args, given);
    QCOMPARE(wrong.exitCode, 1);
    QVERIFY2(wrong.errors.contains("Login failed"), qPrintable(wrong.errors));
}

class NoKeyringTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void passwordStaysInTheOwnerOnlyFile_data();
    void passwordStaysInTheOwnerOnlyFile();
    void commandLineGoesOnWithoutOne_data();
    void commandLineGoesOnWithoutOne();

private:
    test::SilentListener silentBus_;
    QTemporaryDir folder_;
};

void NoKeyringTest::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") && !qEnvironmentVariableIsSet("DISPLAY"),
             "run with neither DBUS_SESSION_BUS_ADDRESS nor DISPLAY");
    QVERIFY(silentBus_.isListening());
}

void NoKeyringTest::passwordStaysInTheOwnerOnlyFile_data()
{
    QTest::addColumn<QByteArray>("bus");
    QTest::newRow("no session bus") << QByteArray();
    QTest::newRow("a bus that never answers") << "tcp:host=127.0.0.1,port=" + QByteArray::number(silentBus_.port());
}

void NoKeyringTest::passwordStaysInTheOwnerOnlyFile()
{
    QFETCH(QByteArray, bus);
    // The session bus is looked up afresh while no connection to one has been made.
    if (!bus.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    const QString file = folder_.filePath(QString(QTest::currentDataTag()).replace(' ', '_') + ".ini");
    QElapsedTimer clock;
    clock.start();
    {
        Keyring keyring;
        SettingsStore store(file, &keyring);
        QCOMPARE(store.read(SettingKeys::Password, ""), QString(""));
        WriteLogin(store, "db1", "in the file");
        QVERIFY(!keyring.answers());
    }
    Keyring keyring;
    QCOMPARE(SettingsStore(NextStart(file), &keyring).read(SettingKeys::Password, ""), QString("in the file"));
    qInfo("a start and a typed login without a keyring: %lld ms", clock.elapsed());
    QVERIFY(clock.elapsed() < 5 * Keyring::DefaultBound.count()); // two bounded waits at most, and room
    QCOMPARE(FilePassword(file), QString("in the file"));
    QCOMPARE(QFileInfo(file).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

void NoKeyringTest::commandLineGoesOnWithoutOne_data()
{
    passwordStaysInTheOwnerOnlyFile_data();
}

void NoKeyringTest::commandLineGoesOnWithoutOne()
{
    QFETCH(QByteArray, bus);
    test::SandboxServer server(CoreDatabase());
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    const QString file = folder_.filePath("people.txt");
    QProcessEnvironment environment = WithoutPasswordVariable();
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    if (!bus.isEmpty())
        environment.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromLatin1(bus));
    // No password from anywhere: the login is tried without one, and refused.
    const CliRun run = RunCli(CliArguments("People", file, server.port()), environment);
    qInfo("velloxa-export without a password and without a keyring: %lld ms", run.milliseconds);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains("Login failed"), qPrintable(run.errors));
    QCOMPARE(Contents(file), QByteArray("<missing>"));
}

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    // The first argument picks the group; the rest go to Qt Test.
    const bool secretService = argc > 1 && std::strcmp(argv[1], "--secret-service") == 0;
    const bool noKeyring = argc > 1 && std::strcmp(argv[1], "--no-keyring") == 0;
    if (!secretService && !noKeyring) {
        std::fprintf(stderr, "usage: %s --secret-service | --no-keyring [Qt Test options]\n", argv[0]);
        return 2;
    }
    std::vector<char*> testArguments{argv[0]};
    testArguments.insert(testArguments.end(), argv + 2, argv + argc);
    SecretServiceTest withKeyring;
    NoKeyringTest withoutKeyring;
    QObject& group = secretService ? static_cast<QObject&>(withKeyring) : withoutKeyring;
    return QTest::qExec(&group, int(testArguments.size()), testArguments.data());
}

#include "tst_keyring.moc"
