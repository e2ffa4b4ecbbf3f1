// The Field chooser: layout, the moves and the button-state rule, the selected-column list,
// Back and Next, and the loading (preview, field names, pruning) against the sandbox server
// through the real driver, on its own and on the road from the Table chooser.
#include "ListTexts.h"
#include "WizardHarness.h"

#include "SandboxServer.h"

#include "connection/Form1.h"
#include "connection/odbc/Connection.h"
#include "errors/ErrorTrap.h"
#include "export/Form4.h"
#include "selection/Form2.h"
#include "selection/Form3.h"
#include "selection/Preview.h"
#include "settings/SettingsStore.h"
#include "shell/PointerConvention.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace velloxa;
using velloxa::test::SandboxServer;
using velloxa::testing::ListTexts;
using velloxa::testing::RecordingMessageService;
using velloxa::testing::WizardHarness;

namespace {

const QString SelectFieldFirst = QStringLiteral("Please select a field first.");

QStringList selectedTexts(const QListWidget* list)
{
    QStringList texts;
    for (const QListWidgetItem* item : list->selectedItems())
        texts.append(item->text());
    return texts;
}

// The captions of the enabled buttons, in the window's order.
QStringList enabledButtons(const Form3& form)
{
    QStringList captions;
    for (const QPushButton* button : {form.PushButton5, form.PushButton6, form.PushButton7, form.PushButton8,
                                      form.PushButton2, form.PushButton3})
        if (button->isEnabled())
            captions.append(button->text());
    return captions;
}

void clickEntry(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(text));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
    QCOMPARE(selectedTexts(list), QStringList{text});
}

// Mouse movement onto `widget` at `at` (its centre when not given).
void moveOnto(QWidget* widget, QPoint at = {-1, -1})
{
    const QPointF position = at == QPoint(-1, -1) ? QPointF(widget->rect().center()) : QPointF(at);
    QMouseEvent move(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QStringList informTexts(const RecordingMessageService& messages)
{
    QStringList texts;
    for (const auto& box : messages.boxes)
        if (box.kind == RecordingMessageService::Kind::Inform)
            texts.append(box.text);
    return texts;
}

} // namespace

class FieldChooserTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void layoutFollowsTheDesign();
    void tabOrderRunsFromTheAvailableList();
    void tabLeavesThePreviewGrid();
    void pointerIsTheHandOnlyOverPushButtons();

    // Moves and the button-state rule.
    void moveOneAppendsAtTheEndAndLeavesNoSelection();
    void moveOneBackAppendsAtTheEndOfTheAvailableList();
    void moveWithNothingSelectedAsksAndChangesNothing_data();
    void moveWithNothingSelectedAsksAndChangesNothing();
    void moveAllKeepsTheOrderBehindWhatIsThere();
    void moveAllBackEmptiesTheSelectedList();
    void moveAllOnAnEmptyListOnlyAppliesTheRule();
    void doubleClickMovesTheEntryUnderThePointer();
    void doubleClickWithNothingSelectedDoesNothing();
    void enterMovesInTheListsAndPressesTheFocusedButton();

    // Next and Back.
    void nextBuildsTheSelectedColumnList_data();
    void nextBuildsTheSelectedColumnList();
    void backShowsTheTableChooserAndKeepsEverything();

    // The loading through the real driver.
    void loadingListsTheFieldsInTableOrder();
    void loadingPrunesTheChosenNamesCaseSensitively_data();
    void loadingPrunesTheChosenNamesCaseSensitively();
    void everyFieldChosenKeepsTheAddButtonsUntilAMove();
    void previewShowsAtMostAHundredRows();
    void emptyTableStillListsItsFields();
    void missingTableIsReportedAtTheQueryStep();
    void backAndNextOnTheTableChooserKeepTheChoice();

private:
    // Runs the loading of `table` the way the Table chooser's "Next >" does.
    void load(WizardHarness& run, const QString& table);
    QString connectionString() const { return server_->connectionString(QStringLiteral("Fields"), QStringLiteral("tester"), QStringLiteral("secret")); }

    std::unique_ptr<SandboxServer> server_;
};

void FieldChooserTest::initTestCase()
{
    server_ = std::make_unique<SandboxServer>(QStringList{
        QStringLiteral("--database"), QStringLiteral("Fields=") + velloxa::test::testDataPath(QStringLiteral("gui/fields.sql")),
        QStringLiteral("--account"), QStringLiteral("tester:secret")});
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void FieldChooserTest::load(WizardHarness& run, const QString& table)
{
    Wizard& wizard = *run.wizard;
    wizard.globals().chosenTable = TableEntry{QStringLiteral("dbo"), table};
    odbc::Connection connection;
    connection.open(connectionString());
    ErrorTrap trap(run.messages, QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"));
    wizard.form3().RunLoading(trap, connection);
}

void FieldChooserTest::layoutFollowsTheDesign()
{
    if (!qFuzzyCompare(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0))
        QSKIP("pixel positions are checked at 96 DPI");
    WizardHarness run;
    Form3& form = run.start().form3();

    QCOMPARE(form.size(), QSize(392, 339));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.windowTitle(), QStringLiteral("Velloxa"));
    QVERIFY(!form.windowIcon().isNull());

    QCOMPARE(form.Label2->text(), QStringLiteral(" Preview:"));
    QCOMPARE(form.Label1->text(), QStringLiteral(" Which fields would you like to export to a text file?"));
    QCOMPARE(form.Label2->pos(), QPoint(16, 8));
    QCOMPARE(form.Label1->pos(), QPoint(16, 136));
    QVERIFY2(form.Label1->width() >= form.Label1->sizeHint().width(), "the question is cut");
    QVERIFY(form.Label1->geometry().right() < form.width());

    QCOMPARE(form.DataGrid1->geometry(), QRect(8, 32, 376, 91));
    QCOMPARE(form.List1->geometry(), QRect(8, 160, 169, 124));
    QCOMPARE(form.List2->geometry(), QRect(216, 160, 168, 124));
    QCOMPARE(form.PushButton5->geometry(), QRect(182, 160, 28, 27));
    QCOMPARE(form.PushButton6->geometry(), QRect(182, 192, 28, 27));
    QCOMPARE(form.PushButton7->geometry(), QRect(182, 224, 28, 27));
    QCOMPARE(form.PushButton8->geometry(), QRect(182, 256, 28, 27));
    QCOMPARE(form.PushButton2->geometry(), QRect(8, 304, 185, 27));
    QCOMPARE(form.PushButton3->geometry(), QRect(200, 304, 184, 27));
    QCOMPARE(form.Line1->frameShape(), QFrame::HLine);
    QCOMPARE(form.Line1->geometry().left(), 8);
    QCOMPARE(form.Line1->geometry().right(), 383);
    QVERIFY(qAbs(form.Line1->geometry().center().y() - 296) <= 1);

    for (const QPushButton* button : {form.PushButton5, form.PushButton6, form.PushButton7, form.PushButton8,
                                      form.PushButton2, form.PushButton3}) {
        QCOMPARE(button->font().family(), QStringLiteral("Arial"));
        QCOMPARE(button->font().pointSizeF(), 11.25);
        QVERIFY(button->font().bold());
    }
    QCOMPARE(form.font().pointSizeF(), 9.0);
    QVERIFY(form.font().bold());
    QCOMPARE(form.List1->font().pointSizeF(), 9.0);
    QCOMPARE((QStringList{form.PushButton5->text(), form.PushButton6->text(), form.PushButton7->text(),
                          form.PushButton8->text(), form.PushButton2->text(), form.PushButton3->text()}),
             (QStringList{">", ">>", "<", "<<", "< Back", "Next >"}));

    QCOMPARE(form.List1->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(form.List2->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!form.List1->isSortingEnabled());
    QCOMPARE(form.DataGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(form.Label1->focusPolicy(), Qt::NoFocus);
}

void FieldChooserTest::tabOrderRunsFromTheAvailableList()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    const QList<QWidget*> expected{form.List1, form.DataGrid1, form.List2, form.PushButton2, form.PushButton3,
                                   form.PushButton5, form.PushButton6, form.PushButton7, form.PushButton8};
    QWidget* widget = form.List1;
    for (int i = 1; i < expected.size(); ++i) {
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || !expected.contains(widget))
            widget = widget->nextInFocusChain();
        QCOMPARE(widget, expected.at(i));
    }
}

void FieldChooserTest::tabLeavesThePreviewGrid()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    PreviewData preview;
    preview.columns = {"Id", "Name"};
    preview.rows = {{"1", "Anna"}, {"2", "Bert"}};
    form.showPreview(preview);
    form.List2->addItems({"City"});
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.DataGrid1->setFocus();
    form.DataGrid1->setCurrentIndex(form.DataGrid1->model()->index(0, 0));

    QTest::keyClick(form.DataGrid1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form.List2);
    QTest::keyClick(form.List2, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), form.DataGrid1);
    QTest::keyClick(form.DataGrid1, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), form.List1);
}

void FieldChooserTest::pointerIsTheHandOnlyOverPushButtons()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QWidget* button : {form.PushButton5, form.PushButton6, form.PushButton7, form.PushButton8,
                            form.PushButton2, form.PushButton3}) {
        moveOnto(button);
        QCOMPARE(form.pointer().value(), PointerConvention::Custom);
        moveOnto(form.List1);
        QCOMPARE(form.pointer().value(), PointerConvention::Default);
    }
    for (QWidget* area : {static_cast<QWidget*>(form.DataGrid1->viewport()), static_cast<QWidget*>(form.List2->viewport()),
                          static_cast<QWidget*>(form.Label1), static_cast<QWidget*>(form.Label2)}) {
        moveOnto(form.PushButton3);
        moveOnto(area);
        QCOMPARE(form.pointer().value(), PointerConvention::Default);
    }
    moveOnto(form.PushButton3);
    moveOnto(&form, QPoint(2, 2)); // the window's own background
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
}

void FieldChooserTest::moveOneAppendsAtTheEndAndLeavesNoSelection()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    form.List1->addItems({"A", "B", "C"});
    form.List2->addItems({"X"});
    form.List2->setCurrentRow(0);

    clickEntry(form.List1, QStringLiteral("B"));
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);

    QCOMPARE(ListTexts(form.List1), (QStringList{"A", "C"}));
    QCOMPARE(ListTexts(form.List2), (QStringList{"X", "B"}));
    QCOMPARE(selectedTexts(form.List1), QStringList{});
    QCOMPARE(selectedTexts(form.List2), QStringList{"X"});
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "<", "<<", "< Back", "Next >"}));
    QVERIFY(run.messages.boxes.isEmpty());

    // Right after a move nothing is selected, so the next ">" asks first.
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QCOMPARE(informTexts(run.messages), QStringList{SelectFieldFirst});
    QCOMPARE(ListTexts(form.List1), (QStringList{"A", "C"}));
}

void FieldChooserTest::moveOneBackAppendsAtTheEndOfTheAvailableList()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    form.List1->addItems({"B", "C"});
    form.List2->addItems({"A"});

    clickEntry(form.List2, QStringLiteral("A"));
    QTest::mouseClick(form.PushButton7, Qt::LeftButton);

    QCOMPARE(ListTexts(form.List1), (QStringList{"B", "C", "A"}));
    QCOMPARE(ListTexts(form.List2), QStringList{});
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "< Back"}));
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::moveWithNothingSelectedAsksAndChangesNothing_data()
{
    QTest::addColumn<bool>("forward");
    QTest::newRow(">") << true;
    QTest::newRow("<") << false;
}

void FieldChooserTest::moveWithNothingSelectedAsksAndChangesNothing()
{
    QFETCH(bool, forward);
    WizardHarness run;
    Wizard& wizard = run.start();
    Form3& form = wizard.form3();
    form.show();
    form.List1->addItems({"A", "B"});
    form.List2->addItems({"X"});
    // Button states that the rule would not give: a refused move must not touch them.
    form.PushButton6->setEnabled(false);
    form.PushButton3->setEnabled(false);
    const QStringList buttonsBefore = enabledButtons(form);

    QTest::mouseClick(forward ? form.PushButton5 : form.PushButton7, Qt::LeftButton);

    QCOMPARE(run.messages.boxes.size(), 1);
    QCOMPARE(run.messages.boxes.first().kind, RecordingMessageService::Kind::Inform);
    QCOMPARE(run.messages.boxes.first().title, wizard.applicationTitle());
    QCOMPARE(run.messages.boxes.first().text, SelectFieldFirst);
    QCOMPARE(ListTexts(form.List1), (QStringList{"A", "B"}));
    QCOMPARE(ListTexts(form.List2), QStringList{"X"});
    QCOMPARE(enabledButtons(form), buttonsBefore);
}

void FieldChooserTest::moveAllKeepsTheOrderBehindWhatIsThere()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    form.List1->addItems({"A", "B", "C"});
    form.List2->addItems({"X"});

    QTest::mouseClick(form.PushButton6, Qt::LeftButton);

    QCOMPARE(ListTexts(form.List1), QStringList{});
    QCOMPARE(ListTexts(form.List2), (QStringList{"X", "A", "B", "C"}));
    QCOMPARE(enabledButtons(form), (QStringList{"<", "<<", "< Back", "Next >"}));
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::moveAllBackEmptiesTheSelectedList()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    form.List1->addItems({"C"});
    form.List2->addItems({"A", "B"});

    QTest::mouseClick(form.PushButton8, Qt::LeftButton);

    QCOMPARE(ListTexts(form.List1), (QStringList{"C", "A", "B"}));
    QCOMPARE(ListTexts(form.List2), QStringList{});
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "< Back"}));
}

void FieldChooserTest::moveAllOnAnEmptyListOnlyAppliesTheRule()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    form.List2->addItems({"X"});
    form.PushButton5->setEnabled(true);
    form.PushButton6->setEnabled(true);

    QTest::mouseClick(form.PushButton6, Qt::LeftButton);

    QCOMPARE(ListTexts(form.List1), QStringList{});
    QCOMPARE(ListTexts(form.List2), QStringList{"X"});
    QCOMPARE(enabledButtons(form), (QStringList{"<", "<<", "< Back", "Next >"}));
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::doubleClickMovesTheEntryUnderThePointer()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    form.List1->addItems({"A", "B", "C"});

    const QPoint onB = form.List1->visualItemRect(form.List1->item(1)).center();
    QTest::mouseClick(form.List1->viewport(), Qt::LeftButton, {}, onB);
    QTest::mouseDClick(form.List1->viewport(), Qt::LeftButton, {}, onB);

    QCOMPARE(ListTexts(form.List1), (QStringList{"A", "C"}));
    QCOMPARE(ListTexts(form.List2), QStringList{"B"});
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "<", "<<", "< Back", "Next >"}));

    const QPoint onTheMovedB = form.List2->visualItemRect(form.List2->item(0)).center();
    QTest::mouseClick(form.List2->viewport(), Qt::LeftButton, {}, onTheMovedB);
    QTest::mouseDClick(form.List2->viewport(), Qt::LeftButton, {}, onTheMovedB);

    QCOMPARE(ListTexts(form.List1), (QStringList{"A", "C", "B"}));
    QCOMPARE(ListTexts(form.List2), QStringList{});
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "< Back"}));
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::enterMovesInTheListsAndPressesTheFocusedButton()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.List1->addItems({"A", "B", "C"});

    form.List1->setFocus();
    form.List1->setCurrentRow(1);
    QTest::keyClick(form.List1, Qt::Key_Return);
    QCOMPARE(ListTexts(form.List1), (QStringList{"A", "C"}));
    QCOMPARE(ListTexts(form.List2), QStringList{"B"});
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "<", "<<", "< Back", "Next >"}));

    form.List2->setFocus();
    form.List2->setCurrentRow(0);
    QTest::keyClick(form.List2, Qt::Key_Enter);
    QCOMPARE(ListTexts(form.List1), (QStringList{"A", "C", "B"}));
    QCOMPARE(ListTexts(form.List2), QStringList{});

    form.PushButton6->setFocus();
    QTest::keyClick(form.PushButton6, Qt::Key_Return);
    QCOMPARE(ListTexts(form.List2), (QStringList{"A", "C", "B"}));
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::doubleClickWithNothingSelectedDoesNothing()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.show();
    form.List1->addItems({"A"});
    form.List2->addItems({"X"});

    form.List1_DblClick();
    form.List2_DblClick();
    // Below the last entry of a list.
    QTest::mouseDClick(form.List1->viewport(), Qt::LeftButton, {}, QPoint(10, form.List1->viewport()->height() - 4));

    QCOMPARE(ListTexts(form.List1), QStringList{"A"});
    QCOMPARE(ListTexts(form.List2), QStringList{"X"});
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::nextBuildsTheSelectedColumnList_data()
{
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("columnList");
    QTest::newRow("one") << QStringList{"Id"} << QStringLiteral("[Id]");
    QTest::newRow("two, one with a blank") << QStringList{"Id", "Last Name"} << QStringLiteral("[Id], [Last Name]");
    QTest::newRow("a bracket in a name") << QStringList{"Odd]Col", "City"} << QStringLiteral("[Odd]]Col], [City]");
}

void FieldChooserTest::nextBuildsTheSelectedColumnList()
{
    QFETCH(QStringList, chosen);
    QFETCH(QString, columnList);
    WizardHarness run;
    Wizard& wizard = run.start();
    Form3& form = wizard.form3();
    form.show();
    form.List1->addItems({"Unchosen"});
    form.List2->addItems(chosen);
    wizard.globals().selectedColumnList = QStringLiteral("[stale]");
    form.PushButton3->setEnabled(true);

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(wizard.globals().selectedColumnList, columnList);
    QCOMPARE(wizard.globals().selectedColumns, chosen);
    QVERIFY(wizard.form4().isVisible());
    QVERIFY(!form.isVisible());
    QCOMPARE(ListTexts(form.List2), chosen);
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::backShowsTheTableChooserAndKeepsEverything()
{
    WizardHarness run;
    Wizard& wizard = run.start();
    Form3& form = wizard.form3();
    form.show();
    form.List1->addItems({"A", "C"});
    form.List2->addItems({"B"});
    form.List1->setCurrentRow(1);
    wizard.globals().selectedColumnList = QStringLiteral("[B]");

    QTest::mouseClick(form.PushButton2, Qt::LeftButton);

    QVERIFY(wizard.form2().isVisible());
    QVERIFY(!form.isVisible());
    QCOMPARE(ListTexts(form.List1), (QStringList{"A", "C"}));
    QCOMPARE(ListTexts(form.List2), QStringList{"B"});
    QCOMPARE(selectedTexts(form.List1), QStringList{"C"});
    QCOMPARE(wizard.globals().selectedColumnList, QStringLiteral("[B]"));
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::loadingListsTheFieldsInTableOrder()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.List1->addItems({"left over"});

    load(run, QStringLiteral("Customers"));

    QVERIFY(form.isVisible());
    QCOMPARE(ListTexts(form.List1), (QStringList{"Id", "Name", "City"}));
    QCOMPARE(selectedTexts(form.List1), QStringList{"Id"});
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "< Back"}));
    QCOMPARE(form.focusWidget(), form.DataGrid1);

    const QAbstractItemModel* grid = form.DataGrid1->model();
    QCOMPARE(grid->columnCount(), 3);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
    QCOMPARE(grid->index(0, 1).data().toString(), QStringLiteral("Alder Ltd"));
    QCOMPARE(grid->index(1, 2).data().toString(), QString()); // NULL
    QVERIFY(!(grid->flags(grid->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::loadingPrunesTheChosenNamesCaseSensitively_data()
{
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("available");
    QTest::newRow("Name chosen") << QStringList{"Name"} << QStringList{"Id", "City"};
    QTest::newRow("another table's name stays chosen") << QStringList{"Total", "City"} << QStringList{"Id", "Name"};
    QTest::newRow("letter case differs") << QStringList{"name", "CITY"} << QStringList{"Id", "Name", "City"};
}

void FieldChooserTest::loadingPrunesTheChosenNamesCaseSensitively()
{
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, available);
    WizardHarness run;
    Form3& form = run.start().form3();
    form.List2->addItems(chosen);

    load(run, QStringLiteral("Customers"));

    QCOMPARE(ListTexts(form.List1), available);
    QCOMPARE(ListTexts(form.List2), chosen);
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "<", "<<", "< Back", "Next >"}));
}

void FieldChooserTest::everyFieldChosenKeepsTheAddButtonsUntilAMove()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    form.List2->addItems({"City", "Id", "Name"});

    load(run, QStringLiteral("Customers"));

    QCOMPARE(ListTexts(form.List1), QStringList{});
    QCOMPARE(selectedTexts(form.List1), QStringList{});
    // The rule ran before the pruning emptied the list.
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "<", "<<", "< Back", "Next >"}));

    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QCOMPARE(informTexts(run.messages), QStringList{SelectFieldFirst});
    QCOMPARE(enabledButtons(form), (QStringList{">", ">>", "<", "<<", "< Back", "Next >"}));

    QTest::mouseClick(form.PushButton6, Qt::LeftButton);
    QCOMPARE(ListTexts(form.List2), (QStringList{"City", "Id", "Name"}));
    QCOMPARE(enabledButtons(form), (QStringList{"<", "<<", "< Back", "Next >"}));
}

void FieldChooserTest::previewShowsAtMostAHundredRows()
{
    WizardHarness run;
    Form3& form = run.start().form3();

    load(run, QStringLiteral("Many"));

    QCOMPARE(form.DataGrid1->model()->rowCount(), 100);
    QCOMPARE(ListTexts(form.List1), (QStringList{"Id", "Name"}));
}

void FieldChooserTest::emptyTableStillListsItsFields()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    load(run, QStringLiteral("Customers"));

    load(run, QStringLiteral("Empty"));

    QCOMPARE(form.DataGrid1->model()->rowCount(), 0);
    QCOMPARE(form.DataGrid1->model()->columnCount(), 2);
    QCOMPARE(ListTexts(form.List1), (QStringList{"Id", "Name"}));
    QVERIFY(run.messages.boxes.isEmpty());
}

void FieldChooserTest::missingTableIsReportedAtTheQueryStep()
{
    WizardHarness run;
    Form3& form = run.start().form3();
    load(run, QStringLiteral("Customers"));
    form.List2->addItems({"X"});

    load(run, QStringLiteral("Gone"));

    QCOMPARE(run.messages.boxes.size(), 1);
    const RecordingMessageService::Box report = run.messages.boxes.first();
    QCOMPARE(report.kind, RecordingMessageService::Kind::Report);
    QCOMPARE(report.title, QStringLiteral("Application Error"));
    QCOMPARE(report.text, QStringLiteral("[FreeTDS][SQL Server]Invalid object name 'dbo.Gone'.\r\n"
                                         "in Velloxa2021/08/31.Form2.PushButton3_Click at line 128\r\r"
                                         "Please email screenshot of this message to ")
                              + ErrorTrap::SupportAddress);
    // The loading went on: the window is shown with the old preview gone and the rule applied.
    QVERIFY(form.isVisible());
    QCOMPARE(form.DataGrid1->model()->columnCount(), 0);
    QCOMPARE(ListTexts(form.List1), QStringList{});
    QCOMPARE(enabledButtons(form), (QStringList{"<", "<<", "< Back", "Next >"}));
}

void FieldChooserTest::backAndNextOnTheTableChooserKeepTheChoice()
{
    WizardHarness run;
    run.save(SettingKeys::Server, server_->server());
    run.save(SettingKeys::User, QStringLiteral("tester"));
    run.save(SettingKeys::Password, QStringLiteral("secret"));
    run.save(SettingKeys::Database, QStringLiteral("Fields"));
    run.save(SettingKeys::Port, QString());
    run.save(SettingKeys::LocalConnection, QStringLiteral("1"));
    Wizard& wizard = run.start();
    Form2& tables = wizard.form2();
    QVERIFY2(tables.isVisible(), "the saved login should have moved on to the Table chooser");

    const QList<QListWidgetItem*> customers = tables.List1->findItems(QStringLiteral("Customers"), Qt::MatchExactly);
    QCOMPARE(customers.size(), 1);
    tables.List1->setCurrentItem(customers.first());
    QTest::mouseClick(tables.PushButton3, Qt::LeftButton);
    Form3& form = wizard.form3();
    QVERIFY(form.isVisible());
    QVERIFY(!tables.isVisible());
    QCOMPARE(ListTexts(form.List1), (QStringList{"Id", "Name", "City"}));

    clickEntry(form.List1, QStringLiteral("Name"));
    QTest::mouseClick(form.PushButton5, Qt::LeftButton);
    QTest::mouseClick(form.PushButton2, Qt::LeftButton);
    QVERIFY(tables.isVisible());
    QTest::mouseClick(tables.PushButton3, Qt::LeftButton);

    QVERIFY(form.isVisible());
    QCOMPARE(ListTexts(form.List1), (QStringList{"Id", "City"}));
    QCOMPARE(ListTexts(form.List2), QStringList{"Name"});
    QCOMPARE(form.DataGrid1->model()->columnCount(), 3);
    QVERIFY(run.messages.boxes.isEmpty());
}

QTEST_MAIN(FieldChooserTest)
#include "tst_field_chooser.moc"
