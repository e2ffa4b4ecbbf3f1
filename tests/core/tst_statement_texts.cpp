// The SQL text every statement names its table and columns with, and the pruning of the
// available field list.

#include "connection/SqlIdentifier.h"
#include "export/ExportStatement.h"
#include "selection/Preview.h"
#include "selection/Pruning.h"
#include "selection/SelectedColumnList.h"

#include <QtTest>

using namespace velloxa;

class StatementTextsTest : public QObject {
    Q_OBJECT
private slots:
    void namesAreBracketedAndQualified();
    void pruningMatchesThePairwiseLoop();
};

void StatementTextsTest::namesAreBracketedAndQualified()
{
    QCOMPARE(PreviewStatement({QStringLiteral("dbo"), QStringLiteral("Orders")}),
             QStringLiteral("SELECT TOP 100 * FROM [dbo].[Orders];"));
    QCOMPARE(PreviewStatement({QString(), QStringLiteral("Orders")}), QStringLiteral("SELECT TOP 100 * FROM [Orders];"));
    QCOMPARE(PreviewStatement({QStringLiteral("we]ird"), QStringLiteral("a]]b")}),
             QStringLiteral("SELECT TOP 100 * FROM [we]]ird].[a]]]]b];"));

    QCOMPARE(BuildSelectedColumnList({QStringLiteral("Id"), QStringLiteral("Last Name")}), QStringLiteral("[Id], [Last Name]"));
    QCOMPARE(BuildSelectedColumnList({QStringLiteral("Col]umn")}), QStringLiteral("[Col]]umn]"));
    QCOMPARE(BuildSelectedColumnList({}), QString());

    QCOMPARE(ExportStatement(QStringLiteral("dbo"), QStringLiteral("Customers"), {QStringLiteral("Id"), QStringLiteral("Name")}),
             QStringLiteral("SELECT [Id], [Name] FROM [dbo].[Customers]"));
    QCOMPARE(ExportStatement(QString(), QStringLiteral("Odd]Name"), {}), QStringLiteral("SELECT * FROM [Odd]]Name]"));
}

void StatementTextsTest::pruningMatchesThePairwiseLoop()
{
    const auto pairwise = [](const QStringList& a, const QStringList& b) {
        QList<int> positions;
        for (int i = 0; i < a.size(); ++i)
            for (const QString& s : b)
                if (a[i] == s) {
                    positions.removeAll(i);
                    positions.append(i);
                }
        return positions;
    };
    const QList<QPair<QStringList, QStringList>> cases = {
        {{"Id", "Name", "City"}, {}},
        {{"Id", "Name", "City"}, {"Name"}},
        {{"Id", "name", "City"}, {"Name"}},                 // case matters
        {{"Id", "Name", "City"}, {"City", "Id", "Name"}},   // all go
        {{"A", "B", "A", "C"}, {"A", "A", "X"}},            // repeats on both sides
        {{}, {"A"}},
    };
    for (const auto& [available, selected] : cases)
        QCOMPARE(PrunedPositions(available, selected), pairwise(available, selected));
    QCOMPARE(PrunedPositions({"Id", "Name", "City"}, {"Name"}), QList<int>{1});
}

QTEST_GUILESS_MAIN(StatementTextsTest)
#include "tst_statement_texts.moc"
