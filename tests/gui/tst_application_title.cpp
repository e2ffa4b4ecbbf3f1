// The message-box title cut from the product's full name.
#include "app/ApplicationTitle.h"

#include <QtTest>

using velloxa::ApplicationTitle;

class ApplicationTitleTest : public QObject {
    Q_OBJECT

private slots:
    void cutsAtBlanksUntilItFits_data();
    void cutsAtBlanksUntilItFits();
};

void ApplicationTitleTest::cutsAtBlanksUntilItFits_data()
{
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<QString>("title");
    QTest::newRow("no blank stays whole") << "Velloxa" << "Velloxa";
    QTest::newRow("a short name loses its last word") << "Velloxa Export Tool" << "Velloxa Export";
    // 48 characters, last word of 8 letters: that word alone goes, 39 remain.
    QTest::newRow("48 characters") << "Velloxa Exporter Tool for Microsoft SQL Database"
                                   << "Velloxa Exporter Tool for Microsoft SQL";
    QTest::newRow("longer names lose words until 40 fit")
        << "Velloxa Table Export Utility For Microsoft SQL Server Databases"
        << "Velloxa Table Export Utility For";
    QTest::newRow("a long head without blanks stays once cut")
        << "VelloxaTableExportUtilityForMicrosoftSQLServer Databases"
        << "VelloxaTableExportUtilityForMicrosoftSQLServer";
}

void ApplicationTitleTest::cutsAtBlanksUntilItFits()
{
    QFETCH(QString, fullName);
    QFETCH(QString, title);
    QCOMPARE(ApplicationTitle(fullName), title);
}

QTEST_MAIN(ApplicationTitleTest)
#include "tst_application_title.moc"
