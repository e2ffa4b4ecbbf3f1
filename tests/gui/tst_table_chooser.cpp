// The Table chooser: its list as the Login window's Next fills it, Back and Next (also by
// Enter and double-click), the selection check, the error reports of a connection that fails
// at its Next, closing.
#include "GuiSandbox.h"
#include "ListTexts.h"
#include "WizardHarness.h"

#include "connection/Form1.h"
#include "errors/ErrorTrap.h"
#include "selection/Form2.h"
#include "selection/Form3.h"
#include "shell/PointerConvention.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace velloxa;
using velloxa::testing::GuiServerArguments;
using velloxa::testing::GuiTables;
using velloxa::testing::ListTexts;
using velloxa::testing::RecordingMessageService;
using velloxa::testing::WizardHarness;

namespace {

QList<int> ReportedLines(const QList<RecordingMessageService::Box>& reports)
{
    QList<int> lines;
    static const QRegularExpression line(QStringLiteral(" at line (\\d+)\r\r"));
    for (const auto& report : reports)
        lines.append(line.match(report.text).captured(1).toInt());
    return lines;
}

} // namespace

class TableChooserTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutFollowsTheDesign();
    void listNamesOtherSchemasAndKeepsEverySchema();
    void listNamesTablesAfterTheLoginsDefaultSchema();
    void databaseWithoutTablesGivesAnEmptyList();

    void nextWithoutSelectionAsksForATable();
    void nextHandsTheChosenTableToTheFieldChooser();
    void backAndNextKeepEachWindowsContents();
    void enterAndDoubleClickGoOn();

    void failedOpenIsReportedThenThePreview_data();
    void failedOpenIsReportedThenThePreview();

    void closingEndsTheProgram();

private:
    // Logs in through the Login window, as the user does, and lands on the Table chooser.
    Form2& reachTableChooser(WizardHarness& run, const QString& database = QStringLiteral("Gui"));

    std::unique_ptr<test::SandboxServer> server_;
};

void TableChooserTest::init()
{
    server_ = std::make_unique<test::SandboxServer>(GuiServerArguments());
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void TableChooserTest::cleanup()
{
    server_.reset();
}

Form2& TableChooserTest::reachTableChooser(WizardHarness& run, const QString& database)
{
    Form1& login = run.start().form1();
    login.Text1->setText(QStringLiteral("127.0.0.1"));
    login.Text9->setText(QString::number(server_->port()));
    login.Text2->setText(QStringLiteral("tester"));
    login.Text3->setText(QStringLiteral("secret"));
    login.Text4->setText(database);
    QTest::mouseClick(login.PushButton3, Qt::LeftButton);
    return run.wizard->form2();
}

void TableChooserTest::layoutFollowsTheDesign()
{
    WizardHarness run;
    Form2& tables = reachTableChooser(run);
    QCOMPARE(tables.windowTitle(), QStringLiteral("Velloxa"));
    QCOMPARE(tables.Label1->text(), QStringLiteral(" Which table do you want to export as a text file?"));
    QCOMPARE(tables.PushButton2->text(), QStringLiteral("< Back"));
    QCOMPARE(tables.PushButton3->text(), QStringLiteral("Next >"));
    QCOMPARE(tables.List1->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!tables.List1->isSortingEnabled());
    QCOMPARE(tables.font().family(), QStringLiteral("Arial"));
    QCOMPARE(tables.PushButton3->font().pointSizeF(), 11.25);
    QVERIFY(tables.Label1->sizeHint().width() <= tables.Label1->width());
    QVERIFY(tables.Label1->geometry().right() < tables.width());
    if (qFuzzyCompare(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0)) {
        QCOMPARE(tables.size(), QSize(392, 179));
        QCOMPARE(tables.List1->geometry(), QRect(8, 32, 376, 94));
        QCOMPARE(tables.PushButton2->geometry(), QRect(8, 144, 185, 27));
        QCOMPARE(tables.PushButton3->geometry(), QRect(200, 144, 184, 27));
    }
}

void TableChooserTest::listNamesOtherSchemasAndKeepsEverySchema()
{
    WizardHarness run;
    Form2& tables = reachTableChooser(run);
    QVERIFY(tables.isVisible());
    QCOMPARE(ListTexts(tables.List1), GuiTables);
    QCOMPARE(tables.tableAt(1), (TableEntry{"dbo", "Orders"}));
    QCOMPARE(tables.tableAt(2), (TableEntry{"sales", "Orders"}));
    QCOMPARE(tables.tableAt(3), (TableEntry{"dbo", "CustomerCities"}));
    QCOMPARE(tables.List1->currentRow(), 0);
}

void TableChooserTest::listNamesTablesAfterTheLoginsDefaultSchema()
{
    // A login whose default schema is sales: its tables go bare, dbo's show their schema.
    WizardHarness run;
    Form2& tables = run.start().form2();
    TableList& list = tables.tables();
    list.clear(QStringLiteral("sales"));
    list.append({QStringLiteral("dbo"), QStringLiteral("Customers")});
    list.append({QStringLiteral("sales"), QStringLiteral("Customers")});
    QCOMPARE(ListTexts(tables.List1), (QStringList{"Customers  (dbo)", "Customers"}));
    QCOMPARE(tables.tableAt(0), (TableEntry{"dbo", "Customers"}));
    QCOMPARE(tables.tableAt(1), (TableEntry{"sales", "Customers"}));
}

void TableChooserTest::databaseWithoutTablesGivesAnEmptyList()
{
    WizardHarness run;
    Form2& tables = reachTableChooser(run, QStringLiteral("Bare"));
    QVERIFY(tables.isVisible());
    QCOMPARE(tables.List1->count(), 0);
    QVERIFY(tables.List1->selectedItems().isEmpty());
    QVERIFY(run.messages.boxes.isEmpty());
}

void TableChooserTest::nextWithoutSelectionAsksForATable()
{
    WizardHarness run;
    Form2& tables = reachTableChooser(run, QStringLiteral("Bare"));
    QTest::mouseClick(tables.PushButton3, Qt::LeftButton);
    QCOMPARE(run.messages.boxes.size(), 1);
    QCOMPARE(int(run.messages.boxes[0].kind), int(RecordingMessageService::Kind::Inform));
    QCOMPARE(run.messages.boxes[0].title, QStringLiteral("Velloxa"));
    QCOMPARE(run.messages.boxes[0].text, QStringLiteral("Please select a table"));
    QVERIFY(tables.isVisible());
    QCOMPARE(run.wizard->globals().chosenTable, TableEntry{});
    QCOMPARE(tables.pointer().value(), PointerConvention::Default);
}

void TableChooserTest::nextHandsTheChosenTableToTheFieldChooser()
{
    WizardHarness run;
    Form2& tables = reachTableChooser(run);
    tables.List1->setCurrentRow(2);
    QTest::mouseClick(tables.PushButton3, Qt::LeftButton);

    QCOMPARE(run.wizard->globals().chosenTable, (TableEntry{"sales", "Orders"}));
    QVERIFY(run.messages.boxes.isEmpty());
    Form3& fields = run.wizard->form3();
    QVERIFY(fields.isVisible());
    QVERIFY(!tables.isVisible());
    QCOMPARE(ListTexts(fields.List1), (QStringList{"Id", "Place"}));
    QCOMPARE(tables.pointer().value(), PointerConvention::Default);
}

void TableChooserTest::backAndNextKeepEachWindowsContents()
{
    WizardHarness run;
    Form2& tables = reachTableChooser(run);
    Form1& login = run.wizard->form1();
    tables.List1->setCurrentRow(2);

    QTest::mouseClick(tables.PushButton2, Qt::LeftButton);
    QVERIFY(login.isVisible());
    QVERIFY(!tables.isVisible());
    QCOMPARE(login.Text2->text(), QStringLiteral("tester"));
    QCOMPARE(login.Text9->text(), QString::number(server_->port()));
    QCOMPARE(tables.List1->currentRow(), 2); // "< Back" alone keeps the list and its selection

    // Next again lists afresh: nothing of the first listing left over, first table selected.
    QTest::mouseClick(login.PushButton3, Qt::LeftButton);
    QVERIFY(tables.isVisible());
    QCOMPARE(ListTexts(tables.List1), GuiTables);
    QCOMPARE(tables.List1->currentRow(), 0);

    // Field chooser and back: the Table chooser as it was left.
    QTest::mouseClick(tables.PushButton3, Qt::LeftButton);
    Form3& fields = run.wizard->form3();
    QVERIFY(fields.isVisible());
    QTest::mouseClick(fields.PushButton2, Qt::LeftButton);
    QVERIFY(tables.isVisible());
    QVERIFY(!fields.isVisible());
    QCOMPARE(ListTexts(tables.List1), GuiTables);
    QCOMPARE(tables.List1->currentRow(), 0);
    QVERIFY(run.messages.boxes.isEmpty());
}

void TableChooserTest::enterAndDoubleClickGoOn()
{
    WizardHarness run;
    Form2& tables = reachTableChooser(run);
    Form3& fields = run.wizard->form3();
    QVERIFY(QTest::qWaitForWindowActive(&tables));

    // Enter in the list: "Next >" with the selected table.
    tables.List1->setFocus();
    tables.List1->setCurrentRow(2);
    QTest::keyClick(tables.List1, Qt::Key_Return);
    QVERIFY(fields.isVisible());
    QVERIFY(!tables.isVisible());
    QCOMPARE(run.wizard->globals().chosenTable, (TableEntry{"sales", "Orders"}));

    // A double-click on an entry: the same, with that entry.
    QTest::mouseClick(fields.PushButton2, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&tables));
    const QPoint onCustomers = tables.List1->visualItemRect(tables.List1->item(0)).center();
    QTest::mouseClick(tables.List1->viewport(), Qt::LeftButton, {}, onCustomers);
    QTest::mouseDClick(tables.List1->viewport(), Qt::LeftButton, {}, onCustomers);
    QVERIFY(fields.isVisible());
    QCOMPARE(run.wizard->globals().chosenTable, (TableEntry{"dbo", "Customers"}));

    // Enter on a focused push button presses it.
    QTest::mouseClick(fields.PushButton2, Qt::LeftButton);
    tables.PushButton2->setFocus();
    QTest::keyClick(tables.PushButton2, Qt::Key_Return);
    QVERIFY(run.wizard->form1().isVisible());
    QVERIFY(!tables.isVisible());
    QVERIFY(run.messages.boxes.isEmpty());
}

void TableChooserTest::failedOpenIsReportedThenThePreview_data()
{
    QTest::addColumn<bool>("local");
    QTest::addColumn<int>("openLine");
    QTest::newRow("port form") << false << 116;
    QTest::newRow("local form") << true << 114;
}

void TableChooserTest::failedOpenIsReportedThenThePreview()
{
    QFETCH(bool, local);
    QFETCH(int, openLine);
    WizardHarness run;
    Form2& tables = reachTableChooser(run);
    QVERIFY(tables.isVisible());
    Form1& login = run.wizard->form1();
    if (local) {
        // The local form carries no port: the server box names it itself.
        login.Text1->setText(server_->server());
        login.Check7->setChecked(true);
    }

    // The server refuses every login from now on.
    const quint16 port = server_->port();
    server_.reset();
    server_ = std::make_unique<test::SandboxServer>(GuiServerArguments({"--refuse-logins"}), port);
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));

    QTest::mouseClick(tables.PushButton3, Qt::LeftButton);
    const auto reports = run.messages.reports();
    QVERIFY(reports.size() >= 2);
    QCOMPARE(ReportedLines(reports).mid(0, 2), (QList<int>{openLine, 128}));
    QCOMPARE(reports[0].title, QStringLiteral("Application Error"));
    QCOMPARE(reports[0].text,
             QStringLiteral("[FreeTDS][SQL Server]Login failed for user 'tester'.\n"
                            "[FreeTDS][SQL Server]Unable to connect to data source\r\n"
                            "in Velloxa2021/08/31.Form2.PushButton3_Click at line %1\r\r"
                            "Please email screenshot of this message to %2")
                 .arg(openLine)
                 .arg(ErrorTrap::SupportAddress));
    QVERIFY(reports[1].text.contains(
        QStringLiteral("\r\nin Velloxa2021/08/31.Form2.PushButton3_Click at line 128\r\r")));
    // The operation still runs to its end.
    QVERIFY(run.wizard->form3().isVisible());
    QVERIFY(!tables.isVisible());
    QCOMPARE(tables.pointer().value(), PointerConvention::Default);
}

void TableChooserTest::closingEndsTheProgram()
{
    WizardHarness run;
    Form2& tables = reachTableChooser(run);
    QVERIFY(tables.isVisible());
    tables.close();
    QCOMPARE(run.endProgramCalls, 1);
    QVERIFY(!tables.isVisible());
    QVERIFY(!run.wizard->form1().isVisible());
}

QTEST_MAIN(TableChooserTest)
#include "tst_table_chooser.moc"
