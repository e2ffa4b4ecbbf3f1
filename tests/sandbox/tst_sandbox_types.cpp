// Every column type as the driver reports it: SQLDescribeCol's type, size and digits, and the
// text SQLGetData returns as SQL_C_WCHAR, for a value and for NULL.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QTest>

#include <sqlext.h>

using namespace velloxa::test;

class SandboxTypesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        shop_ = std::make_unique<ShopSession>(QStringList(), "Types");
        QVERIFY2(shop_->ready(), qPrintable(shop_->problem()));
        QVERIFY(shop_->client.query("SET TEXTSIZE 2147483647").ok);
        result_ = shop_->client.query("SELECT * FROM [AllTypes] ORDER BY [Id]");
        QVERIFY(result_.ok);
        QCOMPARE(result_.rows.size(), 2);
    }

    void describesAndConvertsEveryType_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("text");
        QTest::newRow("tinyint") << "c_tinyint" << SQL_TINYINT << 3 << 0 << "200";
        QTest::newRow("smallint") << "c_smallint" << SQL_SMALLINT << 5 << 0 << "-32000";
        QTest::newRow("int") << "c_int" << SQL_INTEGER << 10 << 0 << "-2000000000";
        QTest::newRow("bigint") << "c_bigint" << SQL_BIGINT << 19 << 0 << "9000000000000000000";
        QTest::newRow("bit") << "c_bit" << SQL_BIT << 1 << 0 << "1";
        QTest::newRow("decimal") << "c_decimal" << SQL_NUMERIC << 10 << 2 << "-12345678.91";
        QTest::newRow("numeric") << "c_numeric" << SQL_NUMERIC << 20 << 5 << "1234567890.12345";
        // The digits the value was given, not its double's: 99999999.989999994..., 0.14499999...
        QTest::newRow("decimal(38,10)") << "c_decimal_wide" << SQL_NUMERIC << 38 << 10 << "99999999.9900000000";
        QTest::newRow("decimal rounds its digits") << "c_decimal_half" << SQL_NUMERIC << 12 << 2 << "0.15";
        QTest::newRow("money") << "c_money" << SQL_DECIMAL << 19 << 4 << "-123456789.1234";
        QTest::newRow("smallmoney") << "c_smallmoney" << SQL_DECIMAL << 10 << 4 << "214748.3647";
        QTest::newRow("float") << "c_float" << SQL_DOUBLE << 53 << 0 << "1.5";
        QTest::newRow("real") << "c_real" << SQL_REAL << 24 << 0 << "0.25";
        QTest::newRow("char pads") << "c_char" << SQL_CHAR << 6 << 0 << "ab    ";
        QTest::newRow("nchar pads") << "c_nchar" << SQL_WCHAR << 4 << 0 << "é€  ";
        QTest::newRow("varchar in cp1252") << "c_varchar" << SQL_VARCHAR << 20 << 0 << "Größe €";
        QTest::newRow("nvarchar") << "c_nvarchar" << SQL_WVARCHAR << 20 << 0 << "Ω日本 ü";
        QTest::newRow("varchar(max)") << "c_varcharmax" << SQL_VARCHAR << 0 << 0 << "long " + QString(5000, 'x');
        QTest::newRow("nvarchar(max)") << "c_nvarcharmax" << SQL_WVARCHAR << 0 << 0 << "wide Ω " + QString(5000, 'y');
        QTest::newRow("date") << "c_date" << SQL_TYPE_DATE << 10 << 0 << "2024-02-29";
        QTest::newRow("time") << "c_time" << -154 << 16 << 7 << "13:45:30.1234567";
        QTest::newRow("datetime") << "c_datetime" << SQL_TYPE_TIMESTAMP << 23 << 3 << "2024-02-29 13:45:30.997";
        QTest::newRow("datetime2") << "c_datetime2" << SQL_TYPE_TIMESTAMP << 27 << 7 << "2024-02-29 13:45:30.1234567";
        QTest::newRow("smalldatetime rounds to minutes") << "c_smalldatetime" << SQL_TYPE_TIMESTAMP << 16 << 0 << "2024-02-29 13:45:00";
        QTest::newRow("uniqueidentifier") << "c_guid" << SQL_GUID << 36 << 0 << "6F9619FF-8B86-D011-B42D-00C04FC964FF";
        QTest::newRow("binary") << "c_binary" << SQL_BINARY << 4 << 0 << "01020304";
        QTest::newRow("varbinary") << "c_varbinary" << SQL_VARBINARY << 10 << 0 << "abcdef";
        QTest::newRow("varbinary(max)") << "c_varbinarymax" << SQL_VARBINARY << 0 << 0 << "00ff";
        QTest::newRow("text") << "c_text" << SQL_LONGVARCHAR << 2147483647 << 0 << "text " + QString(5000, 't');
        QTest::newRow("ntext") << "c_ntext" << SQL_WLONGVARCHAR << 1073741823 << 0 << "ntext Ω " + QString(5000, 'n');
        QTest::newRow("image") << "c_image" << SQL_LONGVARBINARY << 2147483647 << 0 << "beef";
        QTest::newRow("xml") << "c_xml" << -152 << 0 << 0 << "<a>" + QString(5000, 'z') + "</a>";
    }

    // A server sends at most TEXTSIZE bytes of each large value. The driver's login asks for
    // the ODBC defaults (fODBC), which leave it unlimited until the session sets it; 0 restores
    // the server's 4,096. (The 4,096 a login without fODBC starts with: tst_sandbox_python.)
    void largeValuesAreCutToTheSessionsTextSize()
    {
        ShopSession fresh(QStringList(), "Types");
        QVERIFY2(fresh.ready(), qPrintable(fresh.problem()));
        const auto lengths = [&] {
            const Result r = fresh.client.query("SELECT c_varcharmax, c_nvarcharmax, c_text, c_ntext, c_xml, c_varbinarymax FROM AllTypes WHERE Id = 1");
            QList<qsizetype> sizes;
            for (const QString& value : r.rows.value(0)) sizes << value.size();
            return sizes;
        };
        const QList<qsizetype> whole{5005, 5007, 5005, 5008, 5007, 4};
        QCOMPARE(lengths(), whole);
        QVERIFY(fresh.client.query("SET TEXTSIZE 10").ok);
        QCOMPARE(lengths(), (QList<qsizetype>{10, 5, 10, 5, 5007, 4}));
        QVERIFY(fresh.client.query("SET TEXTSIZE -1").ok);
        QCOMPARE(lengths(), whole);
        QVERIFY(fresh.client.query("SET TEXTSIZE 0").ok);
        QCOMPARE(lengths(), (QList<qsizetype>{4096, 2048, 4096, 2048, 5007, 4}));
        QVERIFY(fresh.client.query("SET TEXTSIZE 2147483647").ok);
        QCOMPARE(lengths(), whole);
    }
    void describesAndConvertsEveryType()
    {
        QFETCH(QString, column);
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(int, digits);
        QFETCH(QString, text);
        const int i = columnIndex(column);
        QVERIFY(i >= 0);
        const ColumnDescription& d = result_.columns[i];
        QCOMPARE(int(d.type), type);
        QCOMPARE(int(d.size), size);
        QCOMPARE(int(d.digits), digits);
        QCOMPARE(int(d.nullable), SQL_NULLABLE);
        QCOMPARE(result_.rows[0][i], text);
        QVERIFY2(result_.rows[1][i].isNull(), "the second row holds NULL in every column");
    }

    void notNullColumnIsReportedSo()
    {
        QCOMPARE(result_.columns[columnIndex("Id")].nullable, SQLSMALLINT(SQL_NO_NULLS));
    }

    void expressionsGetTypesFromTheirValues()
    {
        const Result r = shop_->client.query("SELECT 1 + 1 AS two, 'text' AS word, 2.5 AS half, NULL AS nothing");
        QVERIFY2(r.ok, r.errors.isEmpty() ? "" : qPrintable(r.errors.first().message));
        QCOMPARE(int(r.columns[0].type), SQL_BIGINT);
        QCOMPARE(int(r.columns[1].type), SQL_WVARCHAR);
        QCOMPARE(int(r.columns[2].type), SQL_DOUBLE);
        QCOMPARE(int(r.columns[3].type), SQL_WVARCHAR);
        QCOMPARE(r.rows, (QList<QStringList>{{"2", "text", "2.5", QString()}}));
    }

private:
    int columnIndex(const QString& name) const
    {
        for (int i = 0; i < result_.columns.size(); ++i)
            if (result_.columns[i].name == name) return i;
        return -1;
    }

    std::unique_ptr<ShopSession> shop_;
    Result result_;
};

QTEST_GUILESS_MAIN(SandboxTypesTest)
#include "tst_sandbox_types.moc"
