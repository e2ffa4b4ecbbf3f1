#include "selection/Form2.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <optional>

#include "app/ApplicationTitle.h"
#include "app/ArialFont.h"
#include "app/EnterKey.h"
#include "app/HandPointer.h"
#include "app/Twips.h"
#include "app/WindowWait.h"
#include "app/Wizard.h"
#include "connection/ConnectionString.h"
#include "connection/Form1.h"
#include "connection/odbc/Connection.h"
#include "errors/ErrorTrap.h"
#include "selection/Form3.h"
#include "shell/Appearance.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

namespace velloxa {

class Form2::ListTarget : public TableList {
public:
    explicit ListTarget(QListWidget* list) : list_(list) {}
    void clear(const QString& defaultSchema) override
    {
        list_->clear();
        defaultSchema_ = defaultSchema;
    }
    void append(const TableEntry& entry) override
    {
        const QString shown = entry.schema == defaultSchema_
            ? entry.name
            : entry.name + QStringLiteral("  (") + entry.schema + QLatin1Char(')');
        auto* item = new QListWidgetItem(shown, list_);
        item->setData(SchemaRole, entry.schema);
        item->setData(NameRole, entry.name);
    }

private:
    QListWidget* list_;
    QString defaultSchema_;
};

namespace {

template <typename Control>
Control* placed(Control* control, int left, int top, int width, int height)
{
    control->setGeometry(TwipsRect(left, top, width, height));
    return control;
}

} // namespace

Form2::Form2(Wizard& wizard, QWidget* parent) : QWidget(parent), wizard_(wizard)
{
    buildControls();
    listTarget_ = std::make_unique<ListTarget>(List1);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    // Picking a table with the keyboard or a double-click goes straight on.
    new EnterKey(List1, [this] { PushButton3->click(); });
    connect(List1, &QListWidget::itemDoubleClicked, PushButton3, &QPushButton::click);
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    // The client area ends 120 twips beyond the outermost controls.
    setFixedSize(Twips(5760 + 120), Twips(2160 + 405 + 120));
    setFont(ArialFont(9, false));
    const QFont bold = ArialFont(9, true);
    const QFont buttonFont = ArialFont(11.25, true);

    Label1 = placed(new QLabel(QStringLiteral(" Which table do you want to export as a text file?"), this),
                    240, 120, 4215, 255);
    Label1->setFont(bold);
    // The caption is longer than its designed width in this font: let it run on to the
    // right margin rather than clip it.
    Label1->resize(qMax(Label1->width(), Label1->sizeHint().width()), Label1->height());

    List1 = placed(new QListWidget(this), 120, 480, 5640, 1410);
    List1->setFont(bold);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);
    KeepFrameEdges(List1);

    Line1 = placed(new QFrame(this), 120, 2040 - 15, 5640, 30);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    PushButton2 = placed(new QPushButton(QStringLiteral("< Back"), this), 120, 2160, 2775, 405);
    PushButton3 = placed(new QPushButton(QStringLiteral("Next >"), this), 3000, 2160, 2760, 405);
    for (QPushButton* button : {PushButton2, PushButton3}) {
        button->setFont(buttonFont);
        button->setAutoDefault(true); // Enter presses the focused button, as Space does
    }

    setTabOrder(List1, PushButton2);
    setTabOrder(PushButton2, PushButton3);
    List1->setFocus();

    pointer_ = new PointerConvention(this);
    pointer_->addDefaultArea(Label1);
    pointer_->addDefaultArea(List1);
}

TableList& Form2::tables() { return *listTarget_; }

TableEntry Form2::tableAt(int row) const
{
    const QListWidgetItem* item = List1->item(row);
    return item ? TableEntry{item->data(SchemaRole).toString(), item->data(NameRole).toString()} : TableEntry{};
}

void Form2::selectFirstTable()
{
    if (List1->count() > 0)
        List1->setCurrentRow(0);
}

PointerConvention& Form2::pointer() { return *pointer_; }

void Form2::Form_Load()
{
    ErrorTrap trap(wizard_.services().messages, QStringLiteral("Form2"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { ApplyStandardColours(this); });
    trap.step(102, [&] { setWindowIcon(wizard_.applicationIcon()); });
    if (trap.test(106, [] { return FileExists(HandPointerFile()); }))
        trap.step(108, [&] { LoadHandPointer(*pointer_); });
    trap.step(110, [&] { setWindowTitle(ProductName); });
}

void Form2::PushButton2_Click()
{
    ErrorTrap trap(wizard_.services().messages, QStringLiteral("Form2"), QStringLiteral("PushButton2_Click"));
    trap.step(100, [&] { wizard_.form1().show(); });
    trap.step(102, [&] { hide(); });
}

void Form2::PushButton3_Click()
{
    Services& services = wizard_.services();
    ErrorTrap trap(services.messages, QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"));

    std::optional<odbc::Connection> connection;
    trap.step(100, [&] { connection.emplace(); });
    // [102] created the preview's record set; the Field chooser loading now reads its rows itself.
    // Without a connection object the later steps have nothing to work on: stay here.
    if (!connection)
        return;

    if (trap.test(106, [&] { return List1->selectedItems().isEmpty(); })) {
        trap.step(180, [&] { services.messages.inform(wizard_.applicationTitle(), QStringLiteral("Please select a table")); });
        return;
    }
    trap.step(108, [&] { pointer_->setHourglass(); });
    trap.step(110, [&] { connection->setReadWrite(); });
    // The string is built from the Login window's values as they stand now; the local form
    // leaves the port out.
    const LoginValues values = wizard_.form1().loginValues();
    const auto open = [&] {
        const QString connectionString = BuildConnectionString(values);
        WaitFor(wizard_, [&] { connection->open(connectionString); });
    };
    if (trap.test(112, [&] { return values.localConnection; }))
        trap.step(114, open);
    else
        trap.step(116, open);
    trap.step(118, [&] { wizard_.globals().chosenTable = tableAt(List1->row(List1->selectedItems().value(0))); });
    wizard_.form3().RunLoading(trap, *connection);
    trap.step(176, [&] { hide(); });
    trap.step(178, [&] { pointer_->setDefault(); });
}

void Form2::closeEvent(QCloseEvent* event)
{
    event->accept();
    wizard_.endProgram();
}

} // namespace velloxa
