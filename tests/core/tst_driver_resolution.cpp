// Which registered driver serves the product's "SQL Server", through velloxa-export with a
// driver registration of each test's own (the driver manager reads it once per process).

#include "CoreSandbox.h"
#include "SandboxServer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace velloxa;

class DriverResolutionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void registeredDriverServes_data();
    void registeredDriverServes();

private:
    std::unique_ptr<test::SandboxServer> server_;
};

void DriverResolutionTest::initTestCase()
{
    server_ = std::make_unique<test::SandboxServer>(velloxa::testing::CoreDatabase());
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void DriverResolutionTest::registeredDriverServes_data()
{
    const QByteArray freeTds = "Driver = " VELLOXA_FREETDS_DRIVER "\n";
    const QByteArray missing = "Driver = /nonexistent/libnodriver.so\n";
    QTest::addColumn<QByteArray>("odbcinstIni");
    QTest::addColumn<bool>("exported");
    QTest::newRow("FreeTDS alone, as the tdsodbc package registers it")
        << "[FreeTDS]\nDescription = TDS driver (Sybase/MS SQL)\n" + freeTds << true;
    QTest::newRow("\"SQL Server\" wins over FreeTDS")
        << "[FreeTDS]\n" + missing + "[SQL Server]\n" + freeTds << true;
    QTest::newRow("neither") << "[PostgreSQL]\n" + missing << false;
}

void DriverResolutionTest::registeredDriverServes()
{
    QFETCH(QByteArray, odbcinstIni);
    QFETCH(bool, exported);
    QTemporaryDir folder;
    QFile ini(folder.filePath("odbcinst.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(odbcinstIni);
    ini.close();

    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ODBCSYSINI", folder.path());
    cli.setProcessEnvironment(environment);
    const QString output = folder.filePath("people.txt");
    cli.start(QCoreApplication::applicationDirPath() + "/velloxa-export",
              {"--server", "127.0.0.1", "--port", QString::number(server_->port()), "--database", "Core",
               "--user", "tester", "--password", "secret", "--table", "People", "--columns", "Id,Name",
               "--output", output});
    QVERIFY(cli.waitForFinished(60000));
    const QByteArray errors = cli.readAllStandardError();
    if (exported) {
        QVERIFY2(cli.exitCode() == 0, errors.constData());
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("Id,Name\r\n1,Anna\r\n2,\r\n\r\n"));
    } else {
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY2(errors.contains("apt-get install tdsodbc"), errors.constData());
        QVERIFY(!QFile::exists(output));
    }
}

QTEST_GUILESS_MAIN(DriverResolutionTest)
#include "tst_driver_resolution.moc"
