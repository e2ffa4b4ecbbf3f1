// The Export window: layout and defaults, the output-file chooser and its memory, Finish
// writing the file through the real driver, Exit, Back, and a run that is slowed down to be
// watched (buttons held) or cut short by closing the window.
#include "WizardHarness.h"

#include "SandboxServer.h"

#include "connection/Form1.h"
#include "export/CollisionGuard.h"
#include "export/Form4.h"
#include "export/LineWriter.h"
#include "export/SeparatorEdit.h"
#include "selection/Form3.h"
#include "selection/Preview.h"
#include "shell/Appearance.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTableView>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace velloxa;
using velloxa::test::SandboxServer;
using velloxa::testing::WizardHarness;

namespace {

const QString Filter = QStringLiteral("Text Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|");

QByteArray contents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

// Mouse movement onto `widget` at `at` (its centre when not given).
void moveOnto(QWidget* widget, QPoint at = {-1, -1})
{
    const QPointF position = at == QPoint(-1, -1) ? QPointF(widget->rect().center()) : QPointF(at);
    QMouseEvent move(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class ExportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void layoutFollowsTheDesign();
    void tabOrderRunsFromBack();
    void enterPressesTheFocusedButton();
    void firstShowProposesTheDesktopFile();
    void pointerIsTheHandOverPushButtons();
    void fileFormatControlsAreWhole();
    void longWarningsAreReadableWhole();
    void separatorMenuOpensFromTheKeyboard_data();
    void separatorMenuOpensFromTheKeyboard();

    // "..."
    void cancelBeforeAnyPickKeepsTheText();
    void pickSetsTheTextAndALaterCancelRestoresIt();

    // Finish, Exit, Back.
    void finishWritesTheFile_data();
    void finishWritesTheFile();
    void finishTurnsIntoExitWhichEndsTheProgram();
    void finishIntoAMissingFolderReportsAndStillTurnsIntoExit();
    void backRestoresFinishAndReturnsToTheFieldChooser();
    void theWholeRoadFromTheFieldChooserWritesTheChosenColumns();

    // A slowed-down run.
    void fileFormatShowsTheFilesFirstLinesAndWarns();
    void buttonsAreHeldDuringARun();
    void closingMidRunEndsTheProgramAndLeavesTheFileUntouched();

private:
    // A program run whose Login window holds the sandbox login and whose Field chooser chose
    // `columns` of `table`; the Export window is created (loaded) and shown.
    Form4& exportWindow(WizardHarness& run, SandboxServer& server, const QString& table, const QStringList& columns);

    std::unique_ptr<SandboxServer> server_;
    QTemporaryDir output_;
};

void ExportWindowTest::initTestCase()
{
    server_ = std::make_unique<SandboxServer>(QStringList{
        QStringLiteral("--database"), QStringLiteral("Fields=") + velloxa::test::testDataPath(QStringLiteral("gui/fields.sql")),
        QStringLiteral("--account"), QStringLiteral("tester:secret")});
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
    QVERIFY(output_.isValid());
}

Form4& ExportWindowTest::exportWindow(WizardHarness& run, SandboxServer& server, const QString& table,
                                      const QStringList& columns)
{
    Wizard& wizard = run.start();
    Form1& login = wizard.form1();
    login.Text1->setText(QStringLiteral("127.0.0.1"));
    login.Text9->setText(QString::number(server.port()));
    login.Text2->setText(QStringLiteral("tester"));
    login.Text3->setText(QStringLiteral("secret"));
    login.Text4->setText(QStringLiteral("Fields"));
    login.Check7->setChecked(false);
    login.hide();
    wizard.globals().chosenTable = TableEntry{QStringLiteral("dbo"), table};
    wizard.globals().selectedColumns = columns;
    Form4& form = wizard.form4();
    form.show();
    return form;
}

void ExportWindowTest::layoutFollowsTheDesign()
{
    if (!qFuzzyCompare(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0))
        QSKIP("pixel positions are checked at 96 DPI");
    WizardHarness run;
    Form4& form = run.start().form4();

    QCOMPARE(form.size(), QSize(536, 460));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.windowTitle(), QStringLiteral("Velloxa"));
    QVERIFY(!form.windowIcon().isNull());
    // The load's standard colours, as on the two choosers.
    QCOMPARE(form.palette().color(QPalette::Window), StandardColour());
    QCOMPARE(form.Frame1->palette().color(QPalette::Window), StandardColour());
    QVERIFY(form.autoFillBackground());

    QCOMPARE(form.Frame1->title(), QStringLiteral("Filename For Output"));
    QCOMPARE(form.Frame2->title(), QStringLiteral("Each field (column) will be separated by this character/s"));
    QCOMPARE(form.Frame3->title(), QStringLiteral("Header Option"));
    QCOMPARE(form.Check6->text(), QStringLiteral("Include field names in output (as first line)"));
    QCOMPARE(form.PushButton3->text(), QStringLiteral("..."));
    QCOMPARE(form.PushButton2->text(), QStringLiteral("< Back"));
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Finish"));

    QCOMPARE(form.Frame1->geometry(), QRect(8, 8, 520, 53));
    QCOMPARE(form.Frame2->geometry(), QRect(8, 66, 520, 53));
    QCOMPARE(form.Frame3->geometry(), QRect(8, 124, 520, 45));
    QCOMPARE(form.Text1->parentWidget(), form.Frame1);
    QCOMPARE(form.Text1->geometry(), QRect(16, 20, 441, 23));
    QCOMPARE(form.PushButton3->parentWidget(), form.Frame1);
    QCOMPARE(form.PushButton3->geometry(), QRect(464, 20, 40, 23));
    QCOMPARE(form.Text2->parentWidget(), form.Frame2);
    QCOMPARE(form.Text2->geometry(), QRect(16, 20, 488, 23));
    QCOMPARE(form.Check6->parentWidget(), form.Frame3);
    QCOMPARE(form.Check6->pos(), QPoint(16, 18));
    QVERIFY2(form.Check6->width() >= form.Check6->sizeHint().width(), "the check box caption is cut");
    QVERIFY(form.Check6->geometry().right() < form.Frame3->width());
    // The file format frame goes below the header option; what was below moves down by it.
    QCOMPARE(form.Frame5->title(), QStringLiteral("File format"));
    QCOMPARE(form.Frame5->geometry(), QRect(8, 174, 520, 178));
    QCOMPARE(form.PushButton2->geometry(), QRect(8, 359, 256, 27));
    QCOMPARE(form.PushButton4->geometry(), QRect(272, 359, 256, 27));
    QCOMPARE(form.ProgressBar1->geometry(), QRect(8, 393, 520, 27));
    QCOMPARE(form.PushButton6->geometry(), QRect(8, 425, 160, 27)); // "Save job...", a row of its own

    QCOMPARE(form.font().family(), QStringLiteral("Arial"));
    QCOMPARE(form.font().pointSizeF(), 9.0);
    QVERIFY(form.font().bold());
    for (const QPushButton* button : {form.PushButton2, form.PushButton3, form.PushButton4}) {
        QCOMPARE(button->font().pointSizeF(), 11.25);
        QVERIFY(button->font().bold());
    }
    // The progress bar starts empty.
    QCOMPARE(form.ProgressBar1->value(), form.ProgressBar1->minimum() - 1);
}

void ExportWindowTest::tabOrderRunsFromBack()
{
    WizardHarness run;
    Form4& form = run.start().form4();
    const QList<QWidget*> expected{form.PushButton2, form.PushButton4, form.Text1, form.PushButton3, form.Text2,
                                   form.Check6, form.Combo1, form.Combo2, form.Text3};
    QWidget* widget = form.PushButton2;
    for (int i = 1; i < expected.size(); ++i) {
        widget = widget->nextInFocusChain();
        while (!expected.contains(widget))
            widget = widget->nextInFocusChain();
        QCOMPARE(widget, expected.at(i));
    }
    // The keyboard starts where the order starts.
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.PushButton2);
}

void ExportWindowTest::enterPressesTheFocusedButton()
{
    WizardHarness run;
    Form4& form = run.start().form4();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.PushButton3->setFocus();
    QTest::keyClick(form.PushButton3, Qt::Key_Return);
    QCOMPARE(run.fileDialogs.openings.size(), 1);
    form.PushButton2->setFocus();
    QTest::keyClick(form.PushButton2, Qt::Key_Enter);
    QVERIFY(!form.isVisible());
    QVERIFY(run.wizard->form3().isVisible());
}

void ExportWindowTest::firstShowProposesTheDesktopFile()
{
    WizardHarness run;
    Form4& form = run.start().form4();

    QCOMPARE(form.Text1->text(), DesktopPath() + QStringLiteral("output.txt"));
    QVERIFY(form.Text1->text().endsWith(QStringLiteral("/output.txt")));
    QVERIFY(!form.Text1->text().contains(QStringLiteral("//")));
    QCOMPARE(form.Text2->text(), QStringLiteral(","));
    QVERIFY(form.Check6->isChecked());
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Finish"));
    QVERIFY(run.messages.boxes.isEmpty());
}

void ExportWindowTest::pointerIsTheHandOverPushButtons()
{
    WizardHarness run;
    Form4& form = run.start().form4();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    moveOnto(form.PushButton4);
    QCOMPARE(form.pointer().value(), PointerConvention::Custom);
    moveOnto(form.Text2); // the separator box and the check box leave it as it is
    moveOnto(form.Check6);
    QCOMPARE(form.pointer().value(), PointerConvention::Custom);
    moveOnto(form.Text1);
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
    moveOnto(form.PushButton3);
    QCOMPARE(form.pointer().value(), PointerConvention::Custom);
    moveOnto(form.Frame3, QPoint(form.Frame3->width() - 8, form.Frame3->height() / 2)); // beside the check box
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
    moveOnto(form.PushButton2);
    moveOnto(&form, QPoint(2, 2));
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
}

void ExportWindowTest::cancelBeforeAnyPickKeepsTheText()
{
    WizardHarness run;
    Form4& form = run.start().form4();
    form.show();
    form.Text1->setText(QStringLiteral("/typed/by/hand.txt"));

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);

    QCOMPARE(run.fileDialogs.openings.size(), 1);
    QCOMPARE(run.fileDialogs.openings.first().title, QStringLiteral("Choose output file"));
    QCOMPARE(run.fileDialogs.openings.first().filter, Filter);
    // Nothing of Text1 is handed to the dialog.
    QCOMPARE(run.fileDialogs.openings.first().previous, QString());
    QCOMPARE(form.Text1->text(), QStringLiteral("/typed/by/hand.txt"));
    QVERIFY(run.messages.boxes.isEmpty());
}

void ExportWindowTest::pickSetsTheTextAndALaterCancelRestoresIt()
{
    WizardHarness run;
    Form4& form = run.start().form4();
    form.show();
    const QString picked = output_.filePath(QStringLiteral("picked.csv"));
    writeFile(picked, "already here");
    run.fileDialogs.answers = {picked};

    QTest::mouseClick(form.PushButton3, Qt::LeftButton);
    QCOMPARE(form.Text1->text(), picked);

    form.Text1->setText(QStringLiteral("/typed/since.txt"));
    QTest::mouseClick(form.PushButton3, Qt::LeftButton); // cancelled

    QCOMPARE(form.Text1->text(), picked);
    QCOMPARE(run.fileDialogs.openings.size(), 2);
    QCOMPARE(run.fileDialogs.openings.at(1).previous, picked);
    QCOMPARE(contents(picked), QByteArray("already here"));
    QVERIFY(run.messages.boxes.isEmpty());
}

void ExportWindowTest::finishWritesTheFile_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("header, comma") << "People" << QStringList{"Id", "Name"} << "," << true
                                   << QByteArray("Id,Name\r\n1,Anna\r\n2,\r\n\r\n");
    QTest::newRow("no header") << "People" << QStringList{"Id", "Name"} << "," << false
                               << QByteArray("1,Anna\r\n2,\r\n\r\n");
    QTest::newRow("three-character separator, chosen order") << "People" << QStringList{"Name", "Id"} << " | " << true
                                                             << QByteArray("Name | Id\r\nAnna | 1\r\n | 2\r\n\r\n");
    QTest::newRow("tab") << "People" << QStringList{"Id", "Name"} << "\t" << false
                         << QByteArray("1\tAnna\r\n2\t\r\n\r\n");
    QTest::newRow("empty separator") << "People" << QStringList{"Id", "Name"} << "" << false
                                     << QByteArray("1Anna\r\n2\r\n\r\n");
    QTest::newRow("names with a blank and a bracket") << "Staff" << QStringList{"Odd]Col", "Last Name"} << ";" << true
                                                      << QByteArray("Odd]Col;Last Name\r\n7;Lovelace\r\n\r\n");
    QTest::newRow("empty table, no header") << "Empty" << QStringList{"Id"} << "," << false << QByteArray("\r\n");
}

void ExportWindowTest::finishWritesTheFile()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(QString, separator);
    QFETCH(bool, header);
    QFETCH(QByteArray, bytes);
    WizardHarness run;
    Form4& form = exportWindow(run, *server_, table, columns);
    const QString target = output_.filePath(QStringLiteral("finish-%1.txt").arg(QTest::currentDataTag()).replace(' ', '-'));
    writeFile(target, "an older export that is replaced without a question");
    form.Text1->setText(target);
    form.Text2->setText(separator);
    form.Check6->setChecked(header);

    QTest::mouseClick(form.PushButton4, Qt::LeftButton);

    QCOMPARE(contents(target), bytes);
    QCOMPARE(run.messages.boxes.size(), 0);
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Exit"));
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
    QVERIFY(form.PushButton2->isEnabled() && form.PushButton3->isEnabled() && form.PushButton4->isEnabled());
    // The progress bar is full once the file is in place, and says how many rows it holds.
    QCOMPARE(form.ProgressBar1->value(), form.ProgressBar1->maximum());
    QVERIFY2(form.ProgressBar1->text().endsWith(QStringLiteral(" written")), qPrintable(form.ProgressBar1->text()));
    QVERIFY(form.isVisible());
}

void ExportWindowTest::finishTurnsIntoExitWhichEndsTheProgram()
{
    WizardHarness run;
    Form4& form = exportWindow(run, *server_, QStringLiteral("People"), {"Id"});
    const QString target = output_.filePath(QStringLiteral("exit.txt"));
    form.Text1->setText(target);
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Exit"));
    QCOMPARE(run.endProgramCalls, 0);
    QFile::remove(target);

    QTest::mouseClick(form.PushButton4, Qt::LeftButton);

    QCOMPARE(run.endProgramCalls, 1);
    QVERIFY(!QFile::exists(target)); // Exit runs no second export
    QVERIFY(run.messages.boxes.isEmpty());
}

void ExportWindowTest::finishIntoAMissingFolderReportsAndStillTurnsIntoExit()
{
    WizardHarness run;
    Form4& form = exportWindow(run, *server_, QStringLiteral("People"), {"Id"});
    form.Text1->setText(output_.filePath(QStringLiteral("no-such-folder/out.txt")));

    QTest::mouseClick(form.PushButton4, Qt::LeftButton);

    const auto reports = run.messages.reports();
    QVERIFY(!reports.isEmpty());
    for (const auto& report : reports)
        QVERIFY2(report.text.contains(QStringLiteral("\r\nin Velloxa2021/08/31.Form4.PushButton4_Click at line ")), qPrintable(report.text));
    QVERIFY(reports.first().text.contains(QStringLiteral("at line 168\r\r")));
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Exit"));
    QCOMPARE(form.pointer().value(), PointerConvention::Default);
    QVERIFY(!QDir(output_.filePath(QStringLiteral("no-such-folder"))).exists());
}

void ExportWindowTest::backRestoresFinishAndReturnsToTheFieldChooser()
{
    WizardHarness run;
    Form4& form = exportWindow(run, *server_, QStringLiteral("People"), {"Id"});
    Form3& fields = run.wizard->form3();
    fields.List1->addItems({"Id", "Name", "City"});
    fields.List2->addItems({"Id"});
    form.Text1->setText(output_.filePath(QStringLiteral("back.txt")));
    form.Text2->setText(QStringLiteral(";"));
    form.Check6->setChecked(false);
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Exit"));

    QTest::mouseClick(form.PushButton2, Qt::LeftButton);

    QCOMPARE(form.PushButton4->text(), QStringLiteral("Finish"));
    QVERIFY(!form.isVisible());
    QVERIFY(fields.isVisible());
    // The first entry was selected, then pruned: the list is left without a selection.
    QCOMPARE(fields.List1->count(), 2);
    QCOMPARE(fields.List1->item(0)->text(), QStringLiteral("Name"));
    QCOMPARE(fields.List1->item(1)->text(), QStringLiteral("City"));
    QVERIFY(fields.List1->selectedItems().isEmpty());
    QCOMPARE(fields.focusWidget(), fields.DataGrid1);
    QVERIFY(fields.PushButton5->isEnabled() && fields.PushButton7->isEnabled() && fields.PushButton3->isEnabled());

    // Forward again: the window comes back as it was left.
    QTest::mouseClick(fields.PushButton3, Qt::LeftButton);
    QVERIFY(form.isVisible());
    QCOMPARE(form.Text1->text(), output_.filePath(QStringLiteral("back.txt")));
    QCOMPARE(form.Text2->text(), QStringLiteral(";"));
    QVERIFY(!form.Check6->isChecked());
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Finish"));
    QVERIFY(run.messages.boxes.isEmpty());
}

void ExportWindowTest::theWholeRoadFromTheFieldChooserWritesTheChosenColumns()
{
    WizardHarness run;
    Form4& form = exportWindow(run, *server_, QStringLiteral("Staff"), {});
    form.hide();
    Form3& fields = run.wizard->form3();
    fields.show();
    fields.List1->addItems({"Id", "Last Name", "Odd]Col"});
    fields.List1->setCurrentRow(2);
    QTest::mouseClick(fields.PushButton5, Qt::LeftButton);
    fields.List1->setCurrentRow(0);
    QTest::mouseClick(fields.PushButton5, Qt::LeftButton);
    QTest::mouseClick(fields.PushButton3, Qt::LeftButton);
    QVERIFY(form.isVisible());
    const QString target = output_.filePath(QStringLiteral("road.txt"));
    form.Text1->setText(target);

    QTest::mouseClick(form.PushButton4, Qt::LeftButton);

    QCOMPARE(contents(target), QByteArray("Odd]Col,Id\r\n7,1\r\n\r\n"));
    QVERIFY(run.messages.boxes.isEmpty());
}

// Each choice shows its longest entry uncut, and no control of a frame starts above the
// frame's top line.
void ExportWindowTest::fileFormatControlsAreWhole()
{
    WizardHarness run;
    Form4& form = run.start().form4();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QComboBox* box : {form.Combo1, form.Combo2, form.Combo3}) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        const int room = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box).width();
        for (int i = 0; i < box->count(); ++i)
            QVERIFY2(box->fontMetrics().horizontalAdvance(box->itemText(i)) + 4 <= room, qPrintable(box->itemText(i)));
        QVERIFY(box->geometry().right() < form.Frame5->width());
    }
    // The frame's top line runs just below its title.
    for (QGroupBox* frame : {form.Frame1, form.Frame2, form.Frame3, form.Frame5}) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        const int line = frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame).bottom() + 1;
        for (const QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(control->geometry().top() > line, qPrintable(control->metaObject()->className()));
    }
}

// A warning too long for its two lines takes up to four, the first lines below giving way;
// a longer one ends in an ellipsis and is whole in its tooltip.
void ExportWindowTest::longWarningsAreReadableWhole()
{
    WizardHarness run;
    Form4& form = exportWindow(run, *server_, "Notes", {"Notes", "Id"});
    const auto warnWith = [&](int columns) {
        PreviewData preview;
        QStringList names;
        for (int column = 0; column < columns; ++column)
            preview.columns << (names << QStringLiteral("Column number %1").arg(column)).last();
        preview.rows = {QStringList(columns, QStringLiteral("a,b"))};
        preview.isoRows = preview.windows1252Rows = preview.rows;
        run.wizard->globals().selectedColumns = names;
        run.wizard->form3().showPreview(preview);
        form.FileFormat_Change();
        return CollisionWarning(LineWriter(FileFormat{}, QStringLiteral(",")), names, true, preview.rows);
    };
    const int bottom = form.Text3->geometry().bottom();
    const int lineHeight = form.Label3->fontMetrics().lineSpacing();

    const auto shownWhole = [&](const QString& warning) {
        QVERIFY2(form.Label3->heightForWidth(form.Label3->width()) <= form.Label3->height(), "the warning is cut");
        QVERIFY(form.Text3->y() > form.Label3->geometry().bottom());
        QCOMPARE(form.Text3->geometry().bottom(), bottom);
        QVERIFY(form.Text3->height() >= 3 * form.Text3->fontMetrics().lineSpacing());
        QCOMPARE(form.Label3->text() == warning ? QString() : warning, form.Label3->toolTip());
    };

    const QString threeLines = warnWith(4);
    shownWhole(threeLines);
    QCOMPARE(form.Label3->text(), threeLines);
    QVERIFY(form.Label3->height() > 2 * lineHeight);

    shownWhole(warnWith(40));
    QVERIFY(form.Label3->text().endsWith(QChar(0x2026)));
}

// Alt+Down and F4 open the separator's menu, as in any drop-down box; the arrows start at the
// separator in the box, so two steps down from the comma choose a Tab.
void ExportWindowTest::separatorMenuOpensFromTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier);
    QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier);
}

void ExportWindowTest::separatorMenuOpensFromTheKeyboard()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    WizardHarness run;
    Form4& form = run.start().form4();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.Text2->setFocus();
    QTest::keyClick(form.Text2, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu, form.Text2->choices());
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    QVERIFY(!menu->isVisible());
    QCOMPARE(form.Text2->separator(), QStringLiteral("\t"));
    QCOMPARE(form.Text2->text(), QStringLiteral("⇥"));
}

// The frame follows every change before Finish; the run's own count follows the rows after it.
void ExportWindowTest::fileFormatShowsTheFilesFirstLinesAndWarns()
{
    WizardHarness run;
    Form4& form = exportWindow(run, *server_, "Notes", {"Notes", "Id"});
    PreviewData preview;
    preview.columns = {"Id", "Notes"};
    preview.rows = {{"1", "a,b"}, {"2", "x\ty"}, {"3", QString()}};
    preview.isoRows = preview.windows1252Rows = preview.rows;
    run.wizard->form3().showPreview(preview);
    form.FileFormat_Change();
    QCOMPARE(form.Text3->toPlainText(), QStringLiteral("Notes,Id←↓\na,b,1←↓\nx⇥y,2←↓\n,3←↓\n"));
    QCOMPARE(form.Label3->text(), QStringLiteral("1 value in Notes holds the separator: its line gets extra columns. "
                                                 "Quoting \"Where needed\" keeps it intact."));
    form.Text2->setText("\t");
    QCOMPARE(form.Text2->text(), QStringLiteral("⇥")); // a Tab is seen, not a blank
    QCOMPARE(form.Label3->text(), QStringLiteral("1 value in Notes holds the separator: its line gets extra columns. "
                                                 "Quoting \"Where needed\" keeps it intact."));
    form.Combo1->setCurrentIndex(int(Quoting::All));
    form.Check6->setChecked(false);
    QCOMPARE(form.Text3->toPlainText(), QStringLiteral("\"a,b\"⇥\"1\"←↓\n\"x⇥y\"⇥\"2\"←↓\n⇥\"3\"←↓\n"));
    QCOMPARE(form.Label3->text(), QString());
    // A compressed file's name: the lines are what it holds, said so above them.
    form.Text1->setText(output_.filePath("notes.csv.ZST"));
    QCOMPARE(form.Text3->toPlainText(), QStringLiteral("[compressed file (zstd); uncompressed it begins:]\n\"a,b\"⇥\"1\"←↓\n\"x⇥y\"⇥\"2\"←↓\n⇥\"3\"←↓\n"));

    form.Combo1->setCurrentIndex(int(Quoting::None));
    form.Text2->setText(",");
    const QString target = output_.filePath("notes.txt");
    form.Text1->setText(target);
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    QCOMPARE(form.ProgressBar1->text(), QStringLiteral("2 rows written; 1 value holds the separator; 1 value holds a line break"));
}

void ExportWindowTest::buttonsAreHeldDuringARun()
{
    SandboxServer slow({QStringLiteral("--database"), QStringLiteral("Fields=") + velloxa::test::testDataPath(QStringLiteral("gui/fields.sql")),
                        QStringLiteral("--account"), QStringLiteral("tester:secret"), QStringLiteral("--row-delay-us"), QStringLiteral("500")});
    QVERIFY2(slow.isRunning(), qPrintable(slow.errorString()));
    WizardHarness run;
    Form4& form = exportWindow(run, slow, QStringLiteral("Many"), {"Id", "Name"});
    const QString target = output_.filePath(QStringLiteral("held.txt"));
    form.Text1->setText(target);
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QStringList seenDuringTheRun;
    int pointerDuringTheRun = -1;
    QString progressDuringTheRun = QStringLiteral("<not seen>");
    QWidget* focusDuringTheRun = nullptr;
    Qt::CursorShape overTheFileNameDuringTheRun = Qt::ArrowCursor;
    QTimer::singleShot(300, &form, [&] {
        for (const QPushButton* button : {form.PushButton2, form.PushButton3, form.PushButton4})
            if (!button->isEnabled())
                seenDuringTheRun.append(button->text());
        progressDuringTheRun = form.ProgressBar1->text();
        focusDuringTheRun = QApplication::focusWidget();
        overTheFileNameDuringTheRun = form.Text1->cursor().shape();
        moveOnto(form.PushButton2); // the hourglass stays over a button
        pointerDuringTheRun = form.pointer().value();
        // A click on a held button does nothing.
        QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    });
    // The server's count for the table gives a share and the time left.
    QStringList progressTexts;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &form, [&] { progressTexts << form.ProgressBar1->text(); });
    watch.start(10);
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    watch.stop();
    const QRegularExpression share(QStringLiteral("^Exporting: \\d+% \\([\\d,.]+ of %1 rows\\), about \\d+ (s|min) left$")
                                       .arg(QLocale::system().toString(3000)));
    QVERIFY2(!progressTexts.filter(share).isEmpty(), qPrintable(progressTexts.join(" | ")));

    QCOMPARE(seenDuringTheRun, (QStringList{"< Back", "...", "Finish"}));
    QCOMPARE(pointerDuringTheRun, PointerConvention::Hourglass);
    // Typing during the run goes into no box, and the text box shows the hourglass too.
    QCOMPARE(focusDuringTheRun, &form);
    QCOMPARE(overTheFileNameDuringTheRun, Qt::WaitCursor);
    QCOMPARE(form.Text1->cursor().shape(), Qt::IBeamCursor);
    // While the run streams, the bar counts the rows so far.
    QVERIFY2(progressDuringTheRun.startsWith(QStringLiteral("Exporting: ")), qPrintable(progressDuringTheRun));
    QCOMPARE(form.ProgressBar1->text(), QLocale::system().toString(3000) + QStringLiteral(" rows written"));
    QVERIFY(form.PushButton2->isEnabled() && form.PushButton3->isEnabled() && form.PushButton4->isEnabled());
    // The keyboard is back on the clicked button, now "Exit".
    QCOMPARE(QApplication::focusWidget(), form.PushButton4);
    QCOMPARE(form.PushButton4->text(), QStringLiteral("Exit"));
    QCOMPARE(run.endProgramCalls, 0);
    QCOMPARE(contents(target).count("\r\n"), 3000 + 2);
}

void ExportWindowTest::closingMidRunEndsTheProgramAndLeavesTheFileUntouched()
{
    SandboxServer slow({QStringLiteral("--database"), QStringLiteral("Fields=") + velloxa::test::testDataPath(QStringLiteral("gui/fields.sql")),
                        QStringLiteral("--account"), QStringLiteral("tester:secret"), QStringLiteral("--row-delay-us"), QStringLiteral("100")});
    QVERIFY2(slow.isRunning(), qPrintable(slow.errorString()));
    WizardHarness run;
    Form4& form = exportWindow(run, slow, QStringLiteral("Many"), {"Id", "Name"});
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("kept.txt"));
    writeFile(target, "yesterday's export");
    form.Text1->setText(target);

    // Closed once the rows flow: the run stops at its next progress check, well within the
    // time a closing window gives it (a run that does not come back ends the process).
    QTimer watch;
    connect(&watch, &QTimer::timeout, &form, [&] {
        if (form.ProgressBar1->text().startsWith(QStringLiteral("Exporting: ")) && !form.ProgressBar1->text().endsWith(" 0 rows"))
            form.close();
    });
    watch.start(5);
    QTest::mouseClick(form.PushButton4, Qt::LeftButton);

    // A run that went on after the close would have replaced the file.
    QCOMPARE(run.endProgramCalls, 1);
    QCOMPARE(run.endProcessNowCalls, 1);
    QVERIFY(!form.isVisible());
    QCOMPARE(contents(target), QByteArray("yesterday's export"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.txt"});
    // The run reported nothing. The one report is the cut-short wait's, which the program
    // never shows: its process has ended by then.
    QCOMPARE(run.messages.boxes.size(), 1);
    QVERIFY(run.messages.boxes.first().text.startsWith(QStringLiteral("The program ended")));
}

QTEST_MAIN(ExportWindowTest)
#include "tst_export_window.moc"
