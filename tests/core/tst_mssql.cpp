// Connection test, table listing, preview and row count estimate through the real driver
// against the sandbox.

#include "SandboxServer.h"
#include "SilentListener.h"

#include "connection/ConnectionString.h"
#include "connection/MSSQL.h"
#include "connection/odbc/Connection.h"
#include "connection/odbc/WideText.h"
#include "errors/Failure.h"
#include "export/RowCountEstimate.h"
#include "selection/Preview.h"

#include <QElapsedTimer>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace velloxa;

namespace {

QStringList SandboxArguments()
{
    return {"--database", "Core=" + test::testDataPath("core/core.sql"),
            "--database", "Other=" + test::testDataPath("gui/empty.sql"),
            "--account", "tester:secret", "--account", "semi:p;w}d", "--account", "brace:a;b}",
            "--account", "curly:{x}", "--account", "quoted: q = \"r\" 's'; "};
}

// Binds 127.0.0.1:port (0: any) and lets it go again: the port, or 0 when it is taken.
quint16 FreePort(quint16 port)
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t size = sizeof address;
    const bool bound = bind(probe, reinterpret_cast<sockaddr*>(&address), size) == 0
        && getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    close(probe);
    return bound ? ntohs(address.sin_port) : 0;
}

class RecordingTableList : public TableList {
public:
    void clear(const QString& schema) override
    {
        entries.clear();
        defaultSchema = schema;
        ++clears;
    }
    void append(const TableEntry& entry) override { entries.append(entry); }
    QList<TableEntry> entries{{"kept", "from before"}};
    QString defaultSchema;
    int clears = 0;
};

} // namespace

class MssqlTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void canConnect();
    void loginEndsAgainstASilentServer();
    void awkwardPasswordsLogIn();
    void noValueReachesAnotherKey();
    void localConnectionReachesTheDefaultPort();
    void listTables();
    void listTablesLeavesTheListWhenTheOpenFails();
    void preview();
    void estimatedRowCount();
    void encryptedConnectionSeesTheSame();

private:
    LoginValues login(const QString& user = "tester", const QString& password = "secret") const
    {
        return {"127.0.0.1", QString::number(server_->port()), user, password, "Core", false};
    }
    std::unique_ptr<test::SandboxServer> server_;
};

void MssqlTest::initTestCase()
{
    server_ = std::make_unique<test::SandboxServer>(SandboxArguments());
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void MssqlTest::canConnect()
{
    QVERIFY(CanConnect(login()));
    QVERIFY(CanConnect(login())); // twice: nothing of the first survives
    QVERIFY(!CanConnect(login("tester", "wrong")));
    LoginValues unknownDatabase = login();
    unknownDatabase.database = "Nope";
    QVERIFY(!CanConnect(unknownDatabase));
    LoginValues closedPort = login();
    closedPort.port = QString::number(FreePort(0));
    QVERIFY(!CanConnect(closedPort));
    LoginValues emptyPort = login();
    emptyPort.port.clear(); // "host," is no host
    QVERIFY(!CanConnect(emptyPort));

    // The driver would read these as the sandbox's port (modulo 65536, or up to the first
    // character that is no digit) and connect; they are refused without a connection.
    const QString real = QString::number(server_->port());
    for (const QString& port : {QString::number(server_->port() + 65536), real + "abc", real + ";Database=Other", " " + real, QString("0")}) {
        LoginValues wrongPort = login();
        wrongPort.port = port;
        QVERIFY2(!CanConnect(wrongPort), qPrintable(port));
    }
    LoginValues local = login();
    local.server = server_->server();
    local.port = "not a port"; // not used with Local Connection
    local.localConnection = true;
    QVERIFY(CanConnect(local));
}

void MssqlTest::loginEndsAgainstASilentServer()
{
    // A port that accepts and never answers: the driver's own limit ends the login (it used
    // to retry with a TDS 5.0 login and wait for ever).
    test::SilentListener silent;
    QVERIFY(silent.isListening());
    LoginValues values = login();
    values.port = QString::number(silent.port());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!CanConnect(values));
    qInfo("CanConnect against a silent port: %lld ms (limit 15 s)", clock.elapsed());
    QVERIFY(clock.elapsed() < 40'000);

    // A protocol version of the caller's leaves the driver free to overrun its limit: our own
    // deadline ends the open then, naming the limit.
    odbc::Connection connection(odbc::ConnectionLimits{1, 0});
    clock.restart();
    try {
        connection.open(QStringLiteral("Driver={SQL Server};Server=%1;Uid=u;Pwd=p;TDS_Version=auto;").arg(silent.server()));
        QFAIL("opened a connection to a silent port");
    } catch (const Failure& failure) {
        QCOMPARE(failure.description(), QStringLiteral("Timeout expired: the server did not complete the login within 1 second."));
    }
    qInfo("our deadline with a 1 s limit: %lld ms", clock.elapsed());
    QVERIFY(clock.elapsed() < 20'000);
    QVERIFY(CanConnect(login())); // the abandoned login holds nothing the next one needs
}

void MssqlTest::awkwardPasswordsLogIn()
{
    QVERIFY(CanConnect(login("semi", "p;w}d")));
    QVERIFY(CanConnect(login("brace", "a;b}")));
    QVERIFY(!CanConnect(login("semi", "p;w}}d")));
    QVERIFY(CanConnect(login("curly", "{x}")));
    QVERIFY(CanConnect(login("quoted", " q = \"r\" 's'; ")));

    // Why the access layer rewrites braces: handed to FreeTDS unchanged, the standard form
    // delivers "p;w}}d" and the login fails.
    odbc::Connection raw;
    const std::vector<SQLWCHAR> text = odbc::ToWide(BuildConnectionString(login("semi", "p;w}d")));
    SQLWCHAR completed[512];
    SQLSMALLINT length = 0;
    const SQLRETURN result = SQLDriverConnectW(raw.handle(), nullptr, const_cast<SQLWCHAR*>(text.data()), SQL_NTS,
                                               completed, 512, &length, SQL_DRIVER_NOPROMPT);
    QVERIFY(!SQL_SUCCEEDED(result));
}

// Each of these would log in to the database Other if the driver read a second Database or a
// second Uid / Pwd out of one value.
void MssqlTest::noValueReachesAnotherKey()
{
    LoginValues database = login();
    database.database = "Nope};Database=Other;X=";
    QVERIFY(!CanConnect(database));
    QVERIFY(!CanConnect(login("nobody};Uid=tester;Database=Other;X=")));
    QVERIFY(!CanConnect(login("tester", "wrong};Pwd=secret;Database=Other;X=")));

    // The refusal comes before the driver, with words for the user.
    RecordingTableList list;
    try {
        ListTables(database, list, [] {});
        QFAIL("the value reached the driver");
    } catch (const Failure& failure) {
        QCOMPARE(failure.description(), QStringLiteral("The database name contains \"};\", which the ODBC driver cannot accept."));
    }
}

void MssqlTest::localConnectionReachesTheDefaultPort()
{
    if (FreePort(1433) == 0)
        QSKIP("port 1433 is taken on this machine");
    test::SandboxServer onDefaultPort(SandboxArguments(), 1433);
    QVERIFY2(onDefaultPort.isRunning(), qPrintable(onDefaultPort.errorString()));
    LoginValues local{"127.0.0.1", "999", "tester", "secret", "Core", true};
    QCOMPARE(BuildConnectionString(local), QStringLiteral("Driver={SQL Server};Server=127.0.0.1;Database=Core;Uid=tester;Pwd=secret;"));
    QVERIFY(CanConnect(local));
    local.server = "localhost";
    QVERIFY(CanConnect(local));
}

void MssqlTest::listTables()
{
    RecordingTableList list;
    int yields = 0;
    ListTables(login(), list, [&] { ++yields; });
    QCOMPARE(list.clears, 1);
    QCOMPARE(list.defaultSchema, QStringLiteral("dbo"));
    const QList<TableEntry> expected = {
        {"dbo", "ANALYSIS"}, // A-N-A-L-Y-S-I-S holds no "SYS": the substring test keeps it
        {"dbo", "Awkward"}, {"dbo", "AwkwardLong"}, {"dbo", "Empty"}, {"dbo", "Huge"}, {"dbo", "It's]Keyed"}, {"dbo", "Long"}, {"dbo", "Many"},
        {"dbo", "Mixed"}, {"dbo", "Odd]Name"},
        {"dbo", "Orders"}, {"dbo", "People"}, {"dbo", "Pipes"}, {"dbo", "Texts"}, {"sales", "Orders"}, {"we]ird", "T]1"},
        {"dbo", "PeopleView"}};
    QCOMPARE(list.entries, expected);
    // One yield per table or view row, including the ones the "SYS" test drops
    // (MySystemLog, Sys_Users, sysdiagrams) and the server's own views, which come as "VIEW"
    // in INFORMATION_SCHEMA and sys (COLUMNS, TABLES, sys.tables ...: 26 in the sandbox); none
    // for system tables.
    QCOMPARE(yields, expected.size() + 3 + 26);

    ListTables(login(), list, [] {});
    QCOMPARE(list.entries, expected); // a second call replaces, not adds
}

void MssqlTest::listTablesLeavesTheListWhenTheOpenFails()
{
    RecordingTableList list;
    QVERIFY_THROWS_EXCEPTION(Failure, ListTables(login("tester", "wrong"), list, [] {}));
    QCOMPARE(list.clears, 0);
    QCOMPARE(list.entries.size(), 1);
}

void MssqlTest::preview()
{
    odbc::Connection connection;
    connection.open(BuildConnectionString(login()));
    const PreviewData people = ReadPreview(connection, {"dbo", "People"});
    QCOMPARE(people.columns, QStringList({"Id", "Name"}));
    QCOMPARE(people.rows, QList<QStringList>({{"1", "Anna"}, {"2", ""}}));

    const PreviewData many = ReadPreview(connection, {"dbo", "Many"});
    QCOMPARE(many.rows.size(), 100);
    QCOMPARE(many.rows.last(), QStringList({"100", "row100"}));

    const PreviewData empty = ReadPreview(connection, {"dbo", "Empty"});
    QCOMPARE(empty.columns, QStringList({"Id", "Name"}));
    QVERIFY(empty.rows.isEmpty());

    QCOMPARE(ReadPreview(connection, {"we]ird", "T]1"}).rows, QList<QStringList>({{"5"}}));
    QCOMPARE(ReadPreview(connection, {"sales", "Orders"}).rows, QList<QStringList>({{"2", "shop"}}));
    QCOMPARE(ReadPreview(connection, {"dbo", "Odd]Name"}).columns, QStringList({"Col]umn", "Plain"}));
    QCOMPARE(ReadPreview(connection, {"dbo", "Long"}).rows.first().first(), QStringLiteral("1"));

    try {
        ReadPreview(connection, {"dbo", "Nope"});
        QFAIL("a missing table must fail");
    } catch (const Failure& failure) {
        QCOMPARE(failure.description(), QStringLiteral("[FreeTDS][SQL Server]Invalid object name 'dbo.Nope'."));
    }
}

void MssqlTest::estimatedRowCount()
{
    using Count = std::optional<qint64>;
    odbc::Connection connection;
    connection.open(BuildConnectionString(login()));
    QCOMPARE(EstimatedRowCount(connection, "dbo", "Many"), Count(5000));
    QCOMPARE(EstimatedRowCount(connection, "", "People"), Count(2)); // the default schema
    QCOMPARE(EstimatedRowCount(connection, "dbo", "Empty"), Count(0));
    QCOMPARE(EstimatedRowCount(connection, "dbo", "It's]Keyed"), Count(3)); // its second index not counted
    QCOMPARE(EstimatedRowCount(connection, "we]ird", "T]1"), Count(1));
    QCOMPARE(EstimatedRowCount(connection, "sales", "Orders"), Count(1));
    QCOMPARE(EstimatedRowCount(connection, "dbo", "PeopleView"), Count()); // a view has no partitions
    QCOMPARE(EstimatedRowCount(connection, "dbo", "Nope"), Count());
    QCOMPARE(EstimatedRowCount(connection, "sales", "People"), Count());

    // The export statement follows on the same connection.
    QCOMPARE(ReadPreview(connection, {"dbo", "People"}).rows.size(), 2);

    // A failing statement gives no estimate, not an exception.
    odbc::Connection unopened;
    QCOMPARE(EstimatedRowCount(unopened, "dbo", "People"), Count());
}

// A server that forces encryption, as Azure SQL does: the driver follows without being asked.
void MssqlTest::encryptedConnectionSeesTheSame()
{
    test::SandboxServer encrypting(SandboxArguments() + QStringList{"--encryption", "required"});
    QVERIFY2(encrypting.isRunning(), qPrintable(encrypting.errorString()));
    LoginValues encrypted = login();
    encrypted.port = QString::number(encrypting.port());
    QVERIFY(CanConnect(encrypted));

    RecordingTableList clearList, encryptedList;
    ListTables(login(), clearList, [] {});
    ListTables(encrypted, encryptedList, [] {});
    QCOMPARE(encryptedList.entries, clearList.entries);

    odbc::Connection clearConnection, encryptedConnection;
    clearConnection.open(BuildConnectionString(login()));
    encryptedConnection.open(BuildConnectionString(encrypted));
    for (const TableEntry& table : clearList.entries) {
        const PreviewData expected = ReadPreview(clearConnection, table);
        const PreviewData actual = ReadPreview(encryptedConnection, table);
        QCOMPARE(actual.columns, expected.columns);
        QCOMPARE(actual.rows, expected.rows);
    }
}

QTEST_GUILESS_MAIN(MssqlTest)
#include "tst_mssql.moc"
