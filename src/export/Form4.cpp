#include "export/Form4.h"

#include "app/ApplicationTitle.h"
#include "app/ArialFont.h"
#include "app/HandPointer.h"
#include "app/Twips.h"
#include "app/WindowThreadMessages.h"
#include "app/WindowWait.h"
#include "app/Wizard.h"
#include "connection/ConnectionString.h"
#include "connection/Form1.h"
#include "errors/ErrorTrap.h"
#include "export/ExportRun.h"
#include "selection/Form3.h"
#include "shell/Appearance.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace velloxa {

namespace {

const QString WindowName = QStringLiteral("Form4");
const QString FinishCaption = QStringLiteral("Finish");
const QString ExitCaption = QStringLiteral("Exit");
const QString ChooserTitle = QStringLiteral("Choose output file");
const QString ChooserFilter = QStringLiteral("Text Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|");

} // namespace

Form4::Form4(Wizard& wizard, QWidget* parent) : QWidget(parent), wizard_(wizard)
{
    buildControls();
    pointer_ = new PointerConvention(this);
    for (QWidget* area : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame2),
                          static_cast<QWidget*>(Frame3), static_cast<QWidget*>(Text1)})
        pointer_->addDefaultArea(area);
    // Text2, Check6 and the progress bar have no pointer handling of their own.
    for (QWidget* area : {static_cast<QWidget*>(Text2), static_cast<QWidget*>(Check6),
                          static_cast<QWidget*>(ProgressBar1)})
        pointer_->addNeutralArea(area);
}

Form4::~Form4() = default;

PointerConvention& Form4::pointer()
{
    return *pointer_;
}

void Form4::buildControls()
{
    setFont(ArialFont(9, true));
    setFixedSize(Twips(8040), Twips(3675));

    auto makeButton = [](const QString& caption, QWidget* container, QRect place) {
        auto* button = new QPushButton(caption, container);
        button->setFont(ArialFont(11.25, true));
        button->setGeometry(place);
        button->setAutoDefault(true); // Enter presses the focused button, as Space does
        return button;
    };

    Frame1 = new QGroupBox(QStringLiteral("Filename For Output"), this);
    Frame1->setGeometry(TwipsRect(120, 120, 7800, 795));
    Text1 = new QLineEdit(Frame1);
    Text1->setGeometry(TwipsRect(240, 300, 6615, 345));
    PushButton3 = makeButton(QStringLiteral("..."), Frame1, TwipsRect(6960, 300, 600, 345));

    Frame2 = new QGroupBox(QStringLiteral("Each field (column) will be separated by this character/s"), this);
    Frame2->setGeometry(TwipsRect(120, 990, 7800, 795));
    Text2 = new QLineEdit(Frame2);
    Text2->setGeometry(TwipsRect(240, 300, 7320, 345));

    Frame3 = new QGroupBox(QStringLiteral("Header Option"), this);
    Frame3->setGeometry(TwipsRect(120, 1860, 7800, 675));
    Check6 = new QCheckBox(QStringLiteral("Include field names in output (as first line)"), Frame3);
    QRect check = TwipsRect(240, 270, 3975, 255);
    // The caption must not be cut where the font runs a little wider than the design's.
    check.setWidth(std::max(check.width(), Check6->sizeHint().width()));
    check.setHeight(std::max(check.height(), Check6->sizeHint().height()));
    Check6->setGeometry(check);
    Check6->setChecked(true);

    PushButton2 = makeButton(QStringLiteral("< Back"), this, TwipsRect(120, 2640, 3840, 405));
    PushButton4 = makeButton(FinishCaption, this, TwipsRect(4080, 2640, 3840, 405));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(TwipsRect(120, 3150, 7800, 405));
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->reset();

    setTabOrder(PushButton2, PushButton4);
    setTabOrder(PushButton4, Text1);
    setTabOrder(Text1, PushButton3);
    setTabOrder(PushButton3, Text2);
    setTabOrder(Text2, Check6);
    PushButton2->setFocus();

    connect(PushButton3, &QPushButton::clicked, this, &Form4::PushButton3_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form4::PushButton2_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form4::PushButton4_Click);
}

void Form4::Form_Load()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("Form_Load"));
    trap.step(100, [&] {
        ApplyStandardColours(this);
        // The check box lets its frame's panel show through rather than painting a box of its own.
        Check6->setAutoFillBackground(false);
    });
    trap.step(102, [&] { setWindowIcon(wizard_.applicationIcon()); });
    if (trap.test(106, [] { return FileExists(HandPointerFile()); }))
        trap.step(108, [&] { LoadHandPointer(*pointer_); });
    trap.step(110, [&] { setWindowTitle(ProductName); });
    trap.step(112, [&] { Text1->setText(DesktopPath() + QStringLiteral("output.txt")); });
    trap.step(114, [&] { Text2->setText(QStringLiteral(",")); });
}

void Form4::PushButton3_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton3_Click"));
    // Lines 100-104 (flags, title, filter) travel with the call below. The chooser asks no
    // overwrite question and needs no existing path or file: the export replaces the file,
    // and the folder is the export's concern.
    trap.step(106, [&] {
        const QString chosen = wizard_.services().fileDialogs.chooseSaveFile(ChooserTitle, ChooserFilter, dialogFileName_);
        // A cancel leaves the dialog's name as it was before it opened.
        if (!chosen.isEmpty())
            dialogFileName_ = chosen;
    });
    if (trap.test(108, [&] { return dialogFileName_.isEmpty(); }))
        return;
    trap.step(110, [&] { Text1->setText(dialogFileName_); });
}

void Form4::PushButton2_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton2_Click"));
    trap.step(100, [&] { PushButton4->setText(FinishCaption); });
    ProgressBar1->reset();
    wizard_.form3().ReturnToFieldChooser(trap, 102);
}

void Form4::PushButton4_Click()
{
    // The run's steps report from the helper thread it runs on; the boxes open here.
    WindowThreadMessages messages(wizard_.services().messages);
    ErrorTrap trap(messages, WindowName, QStringLiteral("PushButton4_Click"));
    if (trap.test(100, [&] { return PushButton4->text() == ExitCaption; })) {
        trap.step(102, [&] { wizard_.endProgram(); });
        return;
    }
    trap.step(104, [&] { pointer_->setHourglass(); });

    // A run must not be started twice or sent elsewhere while it yields. A held button
    // would pass the keyboard on to the next control, the file-name box: the window keeps it
    // meanwhile, and it goes back afterwards unless the user moved it.
    QWidget* const focusBefore = focusWidget();
    setFocus();
    setRunControlsEnabled(false);

    const Globals& globals = wizard_.globals();
    ExportRequest request;
    request.connectionString = BuildConnectionString(wizard_.form1().loginValues());
    request.schema = globals.chosenTable.schema;
    request.table = globals.chosenTable.name;
    request.columns = globals.selectedColumns;
    request.separator = Text2->text();
    request.header = Check6->isChecked();
    request.fileName = Text1->text();

    // The row total is unknown until the last row: the bar counts rows while the run
    // streams and fills when the file is in place.
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    showRows(0, false);
    const ExportOutcome outcome = WaitFor(wizard_, [&] {
        return RunExport(request, trap, [this](qint64 rows) {
            QMetaObject::invokeMethod(this, [this, rows] { showRows(rows, false); }, Qt::QueuedConnection);
            // Closing the window ends the program: stop here, before the file is touched.
            return !wizard_.programEnding();
        });
    });
    if (outcome.written) {
        ProgressBar1->setValue(1);
        showRows(outcome.rows, true);
    } else {
        ProgressBar1->reset();
    }

    setRunControlsEnabled(true);
    if (focusBefore && focusWidget() == this)
        focusBefore->setFocus();
    trap.step(192, [&] { PushButton4->setText(ExitCaption); });
    trap.step(194, [&] { pointer_->setDefault(); });
}

void Form4::showRows(qint64 rows, bool written)
{
    const QString count = QLocale::system().toString(rows);
    ProgressBar1->setFormat(written ? (rows == 1 ? QStringLiteral("1 row written") : count + QStringLiteral(" rows written"))
                                    : QStringLiteral("Exporting: ") + count + (rows == 1 ? QStringLiteral(" row") : QStringLiteral(" rows")));
}

void Form4::setRunControlsEnabled(bool enabled)
{
    PushButton4->setEnabled(enabled);
    PushButton2->setEnabled(enabled);
    PushButton3->setEnabled(enabled);
}

void Form4::closeEvent(QCloseEvent* event)
{
    event->accept();
    wizard_.endProgram();
}

} // namespace velloxa
