#include "selection/Form3.h"

#include "app/ApplicationTitle.h"
#include "app/ArialFont.h"
#include "app/EnterKey.h"
#include "app/HandPointer.h"
#include "app/EventYield.h"
#include "app/Twips.h"
#include "app/WindowWait.h"
#include "app/Wizard.h"
#include "errors/ErrorTrap.h"
#include "errors/Failure.h"
#include "export/Form4.h"
#include "selection/Form2.h"
#include "selection/Preview.h"
#include "selection/PreviewGridModel.h"
#include "selection/Pruning.h"
#include "selection/SelectedColumnList.h"
#include "shell/Appearance.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <functional>

namespace velloxa {

namespace {

const QString WindowName = QStringLiteral("Form3");
const QString SelectFieldFirst = QStringLiteral("Please select a field first.");

// The numbered lines of a move run through the click's trap; a double-click arms none and
// runs the very same lines straight.
class NumberedLines {
public:
    explicit NumberedLines(ErrorTrap* trap) : trap_(trap) {}

    void step(int line, const std::function<void()>& action)
    {
        if (trap_)
            trap_->step(line, action);
        else
            action();
    }
    bool test(int line, const std::function<bool()>& condition)
    {
        return trap_ ? trap_->test(line, condition) : condition();
    }
    int loopCount(int line, const std::function<int()>& head)
    {
        return trap_ ? trap_->loopCount(line, head) : head();
    }

private:
    ErrorTrap* trap_;
};

QListWidgetItem* SelectedEntry(QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty())
        throw Failure(QStringLiteral("No entry of the list is selected."));
    return selected.first();
}

QString EntryText(QListWidget* list, int row)
{
    const QListWidgetItem* item = list->item(row);
    if (!item)
        throw Failure(QStringLiteral("Invalid list index %1.").arg(row));
    return item->text();
}

void RemoveEntry(QListWidget* list, int row)
{
    QListWidgetItem* item = list->takeItem(row);
    if (!item)
        throw Failure(QStringLiteral("Invalid list index %1.").arg(row));
    delete item;
}

QStringList Entries(const QListWidget* list)
{
    QStringList texts;
    texts.reserve(list->count());
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

// Only whether each list is empty matters; "< Back" is never touched. Twelve numbered
// lines from `first` on.
void ApplyButtonStateRule(NumberedLines& lines, int first, Form3& form)
{
    if (lines.test(first, [&] { return form.List1->count() == 0; })) {
        lines.step(first + 2, [&] { form.PushButton5->setEnabled(false); });
        lines.step(first + 4, [&] { form.PushButton6->setEnabled(false); });
    } else {
        lines.step(first + 6, [&] { form.PushButton5->setEnabled(true); });
        lines.step(first + 8, [&] { form.PushButton6->setEnabled(true); });
    }
    if (lines.test(first + 10, [&] { return form.List2->count() == 0; })) {
        lines.step(first + 12, [&] { form.PushButton7->setEnabled(false); });
        lines.step(first + 14, [&] { form.PushButton8->setEnabled(false); });
        lines.step(first + 16, [&] { form.PushButton3->setEnabled(false); });
    } else {
        lines.step(first + 18, [&] { form.PushButton7->setEnabled(true); });
        lines.step(first + 20, [&] { form.PushButton8->setEnabled(true); });
        lines.step(first + 22, [&] { form.PushButton3->setEnabled(true); });
    }
}

// Lines 102..128 of ">" and "<" (and the whole of a double-click).
void MoveSelectedEntry(NumberedLines& lines, QListWidget* source, QListWidget* target, Form3& form)
{
    lines.step(102, [&] { target->addItem(SelectedEntry(source)->text()); });
    lines.step(104, [&] {
        RemoveEntry(source, source->row(SelectedEntry(source)));
        // The list view would select the next entry by itself; the source is left without one.
        source->clearSelection();
    });
    ApplyButtonStateRule(lines, 106, form);
}

// Lines 100..134 of ">>" and "<<".
void MoveAllEntries(NumberedLines& lines, QListWidget* source, QListWidget* target, Form3& form)
{
    const int count = lines.loopCount(100, [&] { return source->count(); });
    // 104 and 110 are the lines that close the loops.
    for (int row = 0; row < count; ++row)
        lines.step(102, [&] { target->addItem(EntryText(source, row)); });
    const int remaining = lines.loopCount(106, [&] { return source->count(); });
    for (int row = remaining - 1; row >= 0; --row)
        lines.step(108, [&] { RemoveEntry(source, row); });
    ApplyButtonStateRule(lines, 112, form);
}

void MoveSelectedOrAsk(ErrorTrap& trap, QListWidget* source, QListWidget* target, Form3& form,
                       MessageService& messages, const QString& title)
{
    if (trap.test(100, [&] { return !source->selectedItems().isEmpty(); })) {
        NumberedLines lines(&trap);
        MoveSelectedEntry(lines, source, target, form);
    } else {
        trap.step(130, [&] { messages.inform(title, SelectFieldFirst); });
    }
}

void DoubleClickMove(QListWidget* source, QListWidget* target, Form3& form)
{
    // A double-click that arrives with nothing selected (below the last entry) moves nothing.
    if (source->selectedItems().isEmpty())
        return;
    NumberedLines untrapped(nullptr);
    MoveSelectedEntry(untrapped, source, target, form);
}

} // namespace

Form3::Form3(Wizard& wizard, QWidget* parent) : QWidget(parent), wizard_(wizard), preview_(std::make_unique<PreviewData>())
{
    buildControls();
    pointer_ = new PointerConvention(this);
    for (QWidget* area : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                          static_cast<QWidget*>(List1), static_cast<QWidget*>(List2),
                          static_cast<QWidget*>(DataGrid1)})
        pointer_->addDefaultArea(area);
}

Form3::~Form3() = default;

PointerConvention& Form3::pointer()
{
    return *pointer_;
}

void Form3::buildControls()
{
    setFont(ArialFont(9, true));
    setFixedSize(Twips(5880), Twips(5085));

    Label2 = new QLabel(QStringLiteral(" Preview:"), this);
    Label2->setGeometry(TwipsRect(240, 120, 3840, 255));

    previewModel_ = new PreviewGridModel(this);
    DataGrid1 = new QTableView(this);
    DataGrid1->setGeometry(TwipsRect(120, 480, 5640, 1360));
    DataGrid1->setModel(previewModel_);
    styleGrid();
    KeepFrameEdges(DataGrid1);

    Label1 = new QLabel(QStringLiteral(" Which fields would you like to export to a text file?"), this);
    QRect label1 = TwipsRect(240, 2040, 5055, 255);
    // The caption must not be cut where the font runs a little wider than the design's.
    label1.setWidth(std::max(label1.width(), Label1->sizeHint().width()));
    Label1->setGeometry(label1);

    List1 = new QListWidget(this);
    List1->setGeometry(TwipsRect(120, 2400, 2535, 1860));
    List2 = new QListWidget(this);
    List2->setGeometry(TwipsRect(3240, 2400, 2520, 1860));
    for (QListWidget* list : {List1, List2}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSortingEnabled(false);
        list->setUniformItemSizes(true); // lists of a thousand fields stay quick to lay out
        KeepFrameEdges(list);
    }

    auto makeButton = [this](const QString& caption, int left, int top, int width, int height) {
        auto* button = new QPushButton(caption, this);
        button->setFont(ArialFont(11.25, true));
        button->setGeometry(TwipsRect(left, top, width, height));
        button->setAutoDefault(true); // Enter presses the focused button, as Space does
        return button;
    };
    PushButton5 = makeButton(QStringLiteral(">"), 2737, 2398, 420, 405);
    PushButton6 = makeButton(QStringLiteral(">>"), 2737, 2878, 420, 405);
    PushButton7 = makeButton(QStringLiteral("<"), 2737, 3355, 420, 405);
    PushButton8 = makeButton(QStringLiteral("<<"), 2737, 3838, 420, 405);

    Line1 = new QFrame(this);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    const QRect line = TwipsRect(120, 4440, 5640, 0);
    Line1->setGeometry(line.left(), line.top() - 1, line.width(), 2);

    PushButton2 = makeButton(QStringLiteral("< Back"), 120, 4560, 2775, 405);
    PushButton3 = makeButton(QStringLiteral("Next >"), 3000, 4560, 2760, 405);

    setTabOrder(List1, DataGrid1);
    setTabOrder(DataGrid1, List2);
    setTabOrder(List2, PushButton2);
    setTabOrder(PushButton2, PushButton3);
    setTabOrder(PushButton3, PushButton5);
    setTabOrder(PushButton5, PushButton6);
    setTabOrder(PushButton6, PushButton7);
    setTabOrder(PushButton7, PushButton8);

    connect(PushButton5, &QPushButton::clicked, this, &Form3::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form3::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form3::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form3::PushButton8_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form3::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form3::PushButton3_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &Form3::List1_DblClick);
    connect(List2, &QListWidget::itemDoubleClicked, this, &Form3::List2_DblClick);
    new EnterKey(List1, [this] { List1_DblClick(); });
    new EnterKey(List2, [this] { List2_DblClick(); });
}

void Form3::styleGrid()
{
    const QFont cellFont = ArialFont(9, false);
    DataGrid1->setFont(cellFont);
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid for the next control; the arrow keys walk its cells.
    DataGrid1->setTabKeyNavigation(false);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setAlternatingRowColors(true);
    DataGrid1->setWordWrap(false);
    DataGrid1->setTextElideMode(Qt::ElideRight);
    DataGrid1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* rows = DataGrid1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(QFontMetrics(cellFont).height() + 6);
    rows->setMinimumSectionSize(QFontMetrics(cellFont).height() + 2);
    rows->setDefaultAlignment(Qt::AlignCenter);
    rows->setMinimumWidth(Twips(390)); // room for "100" with a margin

    QHeaderView* columns = DataGrid1->horizontalHeader();
    QFont headerFont = cellFont;
    headerFont.setBold(true);
    columns->setFont(headerFont);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setHighlightSections(false);
    // Widths from the header and the first rows only: a table of a thousand columns fills
    // the grid without measuring every cell.
    columns->setResizeContentsPrecision(20);
    columns->setMaximumSectionSize(Twips(3600));
    columns->setMinimumSectionSize(Twips(600));
}

const PreviewData& Form3::preview() const
{
    return *preview_;
}

void Form3::showPreview(const PreviewData& preview)
{
    *preview_ = preview;
    previewModel_->setPreview(preview);
    DataGrid1->resizeColumnsToContents();
    // A gap behind the widest value, so that neighbouring values do not run together.
    const int gap = Twips(120);
    QHeaderView* columns = DataGrid1->horizontalHeader();
    for (int column = 0; column < columns->count(); ++column)
        columns->resizeSection(column, std::min(columns->sectionSize(column) + gap, columns->maximumSectionSize()));
}

void Form3::Form_Load()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("Form_Load"));
    trap.step(100, [&] { ApplyStandardColours(this); });
    trap.step(102, [&] { setWindowIcon(wizard_.applicationIcon()); });
    if (trap.test(106, [] { return FileExists(HandPointerFile()); }))
        trap.step(108, [&] { LoadHandPointer(*pointer_); });
    trap.step(110, [&] { setWindowTitle(ProductName); });
}

void Form3::RunLoading(ErrorTrap& trap, odbc::Connection& connection)
{
    PreviewData preview;
    trap.step(120, [&] { show(); });
    trap.step(122, [&] { List1->clear(); });
    trap.step(124, [&] { previewModel_->clear(); });
    // No cursor to set at 126: ReadPreview reads the rows into memory at once and frees the
    // connection's statement.
    trap.step(128, [&] {
        const TableEntry table = wizard_.globals().chosenTable;
        preview = WaitFor(wizard_, [&] { return ReadPreview(connection, table); });
    });
    trap.step(130, [&] { showPreview(preview); });

    EventYield yield;
    const int fieldCount = trap.loopCount(132, [&] { return static_cast<int>(preview.columns.size()); });
    for (int field = 0; field < fieldCount; ++field) { // 142 closes the loop
        trap.step(134, [&] { yield(); });
        trap.step(136, [&] { List1->addItem(preview.columns.value(field)); });
    }

    NumberedLines lines(&trap);
    ApplyButtonStateRule(lines, 146, *this);
    trap.step(170, [&] {
        if (List1->count() > 0)
            List1->setCurrentRow(0);
    });
    trap.step(172, [&] { DataGrid1->setFocus(); });
    // The button states stay as set above even when the pruning empties List1.
    trap.step(174, [&] { pruneAvailable(); });
}

void Form3::ReturnToFieldChooser(ErrorTrap& trap, int firstLine)
{
    trap.step(firstLine, [&] { show(); });
    NumberedLines lines(&trap);
    ApplyButtonStateRule(lines, firstLine + 2, *this);
    trap.step(firstLine + 26, [&] {
        if (List1->count() > 0)
            List1->setCurrentRow(0);
    });
    trap.step(firstLine + 28, [&] { DataGrid1->setFocus(); });
    trap.step(firstLine + 30, [&] { wizard_.form4().hide(); });
    trap.step(firstLine + 32, [&] { pruneAvailable(); });
}

void Form3::pruneAvailable()
{
    const QList<int> positions = PrunedPositions(Entries(List1), Entries(List2));
    const bool selectedGoes = std::any_of(positions.cbegin(), positions.cend(),
                                          [this](int row) { return List1->item(row)->isSelected(); });
    for (auto row = positions.crbegin(); row != positions.crend(); ++row)
        RemoveEntry(List1, *row);
    if (selectedGoes)
        List1->clearSelection();
}

void Form3::PushButton5_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton5_Click"));
    MoveSelectedOrAsk(trap, List1, List2, *this, wizard_.services().messages, wizard_.applicationTitle());
}

void Form3::PushButton7_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton7_Click"));
    MoveSelectedOrAsk(trap, List2, List1, *this, wizard_.services().messages, wizard_.applicationTitle());
}

void Form3::PushButton6_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton6_Click"));
    NumberedLines lines(&trap);
    MoveAllEntries(lines, List1, List2, *this);
}

void Form3::PushButton8_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton8_Click"));
    NumberedLines lines(&trap);
    MoveAllEntries(lines, List2, List1, *this);
}

void Form3::List1_DblClick()
{
    DoubleClickMove(List1, List2, *this);
}

void Form3::List2_DblClick()
{
    DoubleClickMove(List2, List1, *this);
}

void Form3::PushButton3_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton3_Click"));
    Globals& globals = wizard_.globals();
    trap.step(106, [&] {
        globals.selectedColumnList.clear();
        globals.selectedColumns.clear();
    });
    const int count = trap.loopCount(108, [&] { return List2->count(); });
    for (int row = 0; row < count; ++row) // 112 closes the loop
        trap.step(110, [&] { globals.selectedColumns.append(EntryText(List2, row)); });
    trap.step(114, [&] { globals.selectedColumnList = BuildSelectedColumnList(globals.selectedColumns); });
    trap.step(116, [&] { wizard_.form4().show(); });
    trap.step(118, [&] { hide(); });
}

void Form3::PushButton2_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton2_Click"));
    trap.step(100, [&] { wizard_.form2().show(); });
    trap.step(102, [&] { hide(); });
}

void Form3::closeEvent(QCloseEvent* event)
{
    event->accept();
    wizard_.endProgram();
}

} // namespace velloxa
