// The documented connection string, its brace mend, and what the access layer hands the
// FreeTDS driver instead.

#include "connection/ConnectionString.h"
#include "connection/odbc/ConnectionStringGrammar.h"
#include "connection/odbc/DriverConnectionString.h"
#include "errors/Failure.h"

#include <QtTest>

using namespace velloxa;

Q_DECLARE_METATYPE(velloxa::LoginValues)

class ConnectionStringTest : public QObject {
    Q_OBJECT
private slots:
    void documentedForms_data();
    void documentedForms();
    void bracesRoundTripThroughTheGrammar();
    void freeTdsAdaptation_data();
    void freeTdsAdaptation();
    void valueThatWouldEndItsBracesIsRefused_data();
    void valueThatWouldEndItsBracesIsRefused();
};

void ConnectionStringTest::documentedForms_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("local");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");
    QTest::newRow("port form") << "db1" << "1433" << false << "sa" << "pw"
                               << "Driver={SQL Server};Server=db1,1433;Database=Sales;Uid=sa;Pwd=pw;";
    QTest::newRow("local form leaves the port out") << "db1" << "1433" << true << "sa" << "pw"
                               << "Driver={SQL Server};Server=db1;Database=Sales;Uid=sa;Pwd=pw;";
    QTest::newRow("empty port keeps its comma") << "db1" << "" << false << "sa" << "pw"
                               << "Driver={SQL Server};Server=db1,;Database=Sales;Uid=sa;Pwd=pw;";
    QTest::newRow("empty user and password") << "db1" << "" << true << "" << ""
                               << "Driver={SQL Server};Server=db1;Database=Sales;Uid=;Pwd=;";
    QTest::newRow("instance, comma and brace inside unchanged") << "host\\SQLEXPRESS" << "7" << false << "a,b}" << "x{y"
                               << "Driver={SQL Server};Server=host\\SQLEXPRESS,7;Database=Sales;Uid=a,b};Pwd=x{y;";
    QTest::newRow("semicolon value braced, '}' doubled") << "db1" << "1" << false << "sa" << "p;w}d"
                               << "Driver={SQL Server};Server=db1,1;Database=Sales;Uid=sa;Pwd={p;w}}d};";
    QTest::newRow("leading brace braced") << "db1" << "1" << false << "{sa" << "pw"
                               << "Driver={SQL Server};Server=db1,1;Database=Sales;Uid={{sa};Pwd=pw;";
    QTest::newRow("semicolon in server braces the whole Server value") << "a;b" << "1" << false << "sa" << "pw"
                               << "Driver={SQL Server};Server={a;b,1};Database=Sales;Uid=sa;Pwd=pw;";
}

void ConnectionStringTest::documentedForms()
{
    QFETCH(QString, server);
    QFETCH(QString, port);
    QFETCH(bool, local);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    LoginValues values{server, port, user, password, QStringLiteral("Sales"), local};
    QCOMPARE(BuildConnectionString(values), expected);
}

void ConnectionStringTest::bracesRoundTripThroughTheGrammar()
{
    LoginValues values{QStringLiteral("h"), QStringLiteral("1"), QStringLiteral("{u}"),
                       QStringLiteral("p;w}d}"), QStringLiteral("d;b"), false};
    const QList<odbc::ConnectionAttribute> attributes = odbc::ParseConnectionString(BuildConnectionString(values));
    QCOMPARE(attributes.size(), 5);
    QCOMPARE(attributes[0].value, QStringLiteral("SQL Server"));
    QCOMPARE(attributes[1].value, QStringLiteral("h,1"));
    QCOMPARE(attributes[2].value, QStringLiteral("d;b"));
    QCOMPARE(attributes[3].value, QStringLiteral("{u}"));
    QCOMPARE(attributes[4].value, QStringLiteral("p;w}d}"));
}

void ConnectionStringTest::freeTdsAdaptation_data()
{
    QTest::addColumn<QString>("documented");
    QTest::addColumn<QString>("forDriver");
    QTest::newRow("port given") << "Driver={SQL Server};Server=h,14;Database=d;Uid=u;Pwd=p;"
                                << "Driver={SQL Server};Server=h,14;Database=d;Uid=u;Pwd=p;PacketSize=16383;TDS_Version=7.4;";
    QTest::newRow("no port: the default instance's") << "Driver={SQL Server};Server=localhost;Database=d;Uid=u;Pwd=p;"
                                << "Driver={SQL Server};Server=localhost,1433;Database=d;Uid=u;Pwd=p;PacketSize=16383;TDS_Version=7.4;";
    QTest::newRow("instance: the browser finds the port") << "Driver={SQL Server};Server=h\\SQLEXPRESS;Database=d;Uid=u;Pwd=p;"
                                << "Driver={SQL Server};Server=h\\SQLEXPRESS;Database=d;Uid=u;Pwd=p;PacketSize=16383;TDS_Version=7.4;";
    QTest::newRow("braced value: single braces") << "Driver={SQL Server};Server=h,1;Database=d;Uid=u;Pwd={p;w}}d};"
                                << "Driver={SQL Server};Server=h,1;Database=d;Uid=u;Pwd={p;w}d};PacketSize=16383;TDS_Version=7.4;";
    QTest::newRow("value ending in a brace") << "Driver={SQL Server};Server=h,1;Database=d;Uid=u;Pwd={a;b}}};"
                                << "Driver={SQL Server};Server=h,1;Database=d;Uid=u;Pwd={a;b}};PacketSize=16383;TDS_Version=7.4;";
    QTest::newRow("a packet size of the caller's stays") << "Driver={SQL Server};Server=h,1;PacketSize=4096;"
                                << "Driver={SQL Server};Server=h,1;PacketSize=4096;TDS_Version=7.4;";
    QTest::newRow("a protocol version of the caller's stays") << "Driver={SQL Server};Server=h,1;tds_version=7.3;"
                                << "Driver={SQL Server};Server=h,1;tds_version=7.3;PacketSize=16383;";
}

void ConnectionStringTest::freeTdsAdaptation()
{
    QFETCH(QString, documented);
    QFETCH(QString, forDriver);
    QCOMPARE(odbc::AdaptConnectionStringForFreeTds(documented), forDriver);
}

void ConnectionStringTest::valueThatWouldEndItsBracesIsRefused_data()
{
    QTest::addColumn<LoginValues>("values");
    QTest::addColumn<QString>("message");
    const QString injection = QStringLiteral("x};Database=Other;X=");
    QTest::newRow("server") << LoginValues{injection, "1", "u", "p", "d", false} << "The server name contains";
    QTest::newRow("port") << LoginValues{"h", injection, "u", "p", "d", false} << "The port contains";
    QTest::newRow("database") << LoginValues{"h", "1", "u", "p", injection, false} << "The database name contains";
    QTest::newRow("user") << LoginValues{"h", "1", injection, "p", "d", false} << "The user name contains";
    QTest::newRow("password") << LoginValues{"h", "1", "u", "p};w", "d", false} << "The password contains";
}

void ConnectionStringTest::valueThatWouldEndItsBracesIsRefused()
{
    QFETCH(LoginValues, values);
    QFETCH(QString, message);
    try {
        odbc::AdaptConnectionStringForFreeTds(BuildConnectionString(values));
        QFAIL("the value reached the driver");
    } catch (const Failure& failure) {
        QCOMPARE(failure.description(), message + QStringLiteral(" \"};\", which the ODBC driver cannot accept."));
    }
}

QTEST_GUILESS_MAIN(ConnectionStringTest)
#include "tst_connection_string.moc"
