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
#include "export/CollisionGuard.h"
#include "export/Compression.h"
#include "export/ExportRun.h"
#include "export/LineWriter.h"
#include "export/OutputName.h"
#include "app/OpenedJob.h"
#include "jobs/JobFile.h"
#include "export/SeparatorEdit.h"
#include "selection/Form3.h"
#include "selection/Preview.h"
#include "shell/Appearance.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <array>

namespace velloxa {

namespace {

const QString WindowName = QStringLiteral("Form4");
const QString FinishCaption = QStringLiteral("Finish");
const QString ExitCaption = QStringLiteral("Exit");
const QString ChooserTitle = QStringLiteral("Choose output file");
const QString ChooserFilter = QStringLiteral("Text Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|");
// The "File format" frame sits below "Header Option"; what lies below it moves down by this.
constexpr int FileFormatHeight = 2670;
constexpr int FileFormatShift = FileFormatHeight + 75;
// Inside the "File format" frame: the warning's top, and the bottom of the first lines below it.
constexpr int WarningTop = 945;
constexpr int FirstLinesBottom = 2550;
// The warning takes up to this many lines; the first lines keep the rest.
constexpr int WarningLines = 4;
const QString Ellipsis(QChar(0x2026));
// "Save job..." has a row of its own below the progress bar.
constexpr int SaveJobRow = 480;
const QString JobChooserTitle = QStringLiteral("Save job");
const QString JobChooserFilter = QStringLiteral("Velloxa Jobs (*.velloxa)|*.velloxa|All Files (*.*)|*.*|");

// Above the first lines of a file that the name has compressed.
QString CompressedFileNote(Compression compression)
{
    switch (compression) {
    case Compression::Gzip: return QStringLiteral("[compressed file (gzip); uncompressed it begins:]\n");
    case Compression::Zstd: return QStringLiteral("[compressed file (zstd); uncompressed it begins:]\n");
    case Compression::None: break;
    }
    return {};
}

// The first lines shown: the header and this many rows of the preview.
constexpr int FirstRows = 8;

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
                          static_cast<QWidget*>(ProgressBar1), static_cast<QWidget*>(Frame5),
                          static_cast<QWidget*>(Combo1), static_cast<QWidget*>(Combo2), static_cast<QWidget*>(Combo3),
                          static_cast<QWidget*>(Text3)})
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
    setFixedSize(Twips(8040), Twips(3675 + FileFormatShift + SaveJobRow));

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
    Text2 = new SeparatorEdit(Frame2);
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

    Frame5 = new QGroupBox(QStringLiteral("File format"), this);
    Frame5->setGeometry(TwipsRect(120, 2610, 7800, FileFormatHeight));
    // Three choices side by side, each a caption over its box. Each box is as wide as its
    // longest entry needs and the row's spare room is shared out by those needs, so that no
    // entry is cut; a point smaller than the window's font lets the three fit the frame.
    struct Choice {
        QLabel* caption;
        QComboBox* box;
    };
    const auto makeChoice = [this](const QString& caption, const QStringList& items) {
        const Choice choice{new QLabel(caption, Frame5), new QComboBox(Frame5)};
        choice.box->setFont(ArialFont(8.25, true));
        choice.box->addItems(items);
        choice.caption->setBuddy(choice.box);
        return choice;
    };
    const std::array choices{makeChoice(QStringLiteral("Quoting"), QuotingNames()),
                             makeChoice(QStringLiteral("Encoding"), EncodingNames()),
                             makeChoice(QStringLiteral("Value formats"), ValueFormsNames())};
    const int gap = Twips(120);
    const int room = Twips(7560) - Twips(240) - gap * int(choices.size() - 1);
    int needed = 0;
    for (const Choice& choice : choices)
        needed += choice.box->sizeHint().width();
    int left = Twips(240);
    for (const Choice& choice : choices) {
        const int width = &choice == &choices.back() ? Twips(7560) - left
                                                     : choice.box->sizeHint().width() * room / needed;
        // Below the frame's top line, as the other frames' controls are.
        choice.caption->setGeometry(left, Twips(300), width, Twips(225));
        choice.box->setGeometry(left, Twips(525), width, Twips(345));
        left += width + gap;
    }
    Combo1 = choices[0].box;
    Combo2 = choices[1].box;
    Combo3 = choices[2].box;
    Label3 = new QLabel(Frame5);
    Label3->setGeometry(TwipsRect(240, WarningTop, 7320, 420));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Text3 = new QPlainTextEdit(Frame5);
    Text3->setGeometry(TwipsRect(240, WarningTop + 450, 7320, FirstLinesBottom - WarningTop - 450));
    Text3->setReadOnly(true);
    Text3->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A monospaced face that has the marks for CR, LF and Tab.
    Text3->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 8));
    Text3->setToolTip(QStringLiteral("The file's first lines as they will be written: ← CR, ↓ LF, ⇥ Tab, "
                                     "\uFFFD a character the encoding writes as \"?\""));

    PushButton2 = makeButton(QStringLiteral("< Back"), this, TwipsRect(120, 2640 + FileFormatShift, 3840, 405));
    PushButton4 = makeButton(FinishCaption, this, TwipsRect(4080, 2640 + FileFormatShift, 3840, 405));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(TwipsRect(120, 3150 + FileFormatShift, 7800, 405));
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->reset();
    PushButton6 = makeButton(QStringLiteral("Save job..."), this, TwipsRect(120, 3630 + FileFormatShift, 2400, 405));
    PushButton6->setToolTip(QStringLiteral("Save this export as a job file: velloxa-export --job FILE repeats it"));

    setTabOrder(PushButton2, PushButton4);
    setTabOrder(PushButton4, Text1);
    setTabOrder(Text1, PushButton3);
    setTabOrder(PushButton3, Text2);
    setTabOrder(Text2, Check6);
    setTabOrder(Check6, Combo1);
    setTabOrder(Combo1, Combo2);
    setTabOrder(Combo2, Combo3);
    setTabOrder(Combo3, Text3);
    setTabOrder(Text3, PushButton6);
    PushButton2->setFocus();

    connect(Text2, &QLineEdit::textChanged, this, &Form4::FileFormat_Change);
    // The name decides the compression, which the first lines tell.
    connect(Text1, &QLineEdit::textChanged, this, [this] {
        if (isVisible())
            FileFormat_Change();
    });
    connect(Check6, &QCheckBox::toggled, this, &Form4::FileFormat_Change);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form4::FileFormat_Change);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &Form4::FileFormat_Change);
    connect(Combo3, &QComboBox::currentIndexChanged, this, &Form4::FileFormat_Change);

    connect(PushButton3, &QPushButton::clicked, this, &Form4::PushButton3_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form4::PushButton2_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form4::PushButton4_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form4::PushButton6_Click);
}

void Form4::Form_Load()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("Form_Load"));
    trap.step(100, [&] {
        ApplyStandardColours(this);
        // The check box, the file format's captions and its warning let their frame's panel
        // show through rather than painting a box of their own.
        Check6->setAutoFillBackground(false);
        for (QLabel* label : Frame5->findChildren<QLabel*>())
            label->setAutoFillBackground(false);
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
    request.separator = Text2->separator();
    request.header = Check6->isChecked();
    request.fileName = ExpandOutputName(Text1->text(), request.schema, request.table, QDateTime::currentDateTime());
    request.format = fileFormat();
    expectedRows_.reset();
    runClock_.start();
    request.rowEstimate = [this](std::optional<qint64> rows) {
        QMetaObject::invokeMethod(
            this, [this, rows] {
                expectedRows_ = rows;
                if (rows && *rows > 0)
                    ProgressBar1->setRange(0, 100);
            },
            Qt::QueuedConnection);
    };

    // The bar shows the share of the server's row count while the run streams, or counts the
    // rows where the server keeps no count (a view); it fills when the file is in place.
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    showRows(0, false);
    ExportOutcome outcome;
    // The run reports its own steps; the wait fails only when the program is ending.
    trap.step(106, [&] {
        outcome = WaitFor(wizard_, [&] {
            return RunExport(request, trap, [this](qint64 rows) {
                QMetaObject::invokeMethod(
                    this, [this, rows] { showProgress(rows); }, Qt::QueuedConnection);
                // Closing the window ends the program: stop here, before the file is touched.
                return !wizard_.programEnding();
            });
        });
    });
    if (outcome.written) {
        ProgressBar1->setRange(0, 1);
        ProgressBar1->setValue(1);
        showRows(outcome.rows, true, CollisionSummary(outcome.valuesWithSeparator, outcome.valuesWithLineBreak, outcome.headerBreaks));
    } else {
        ProgressBar1->reset();
    }

    setRunControlsEnabled(true);
    if (focusBefore && focusWidget() == this)
        focusBefore->setFocus();
    trap.step(192, [&] { PushButton4->setText(ExitCaption); });
    trap.step(194, [&] { pointer_->setDefault(); });
}

void Form4::PushButton6_Click()
{
    ErrorTrap trap(wizard_.services().messages, WindowName, QStringLiteral("PushButton6_Click"));
    QString fileName;
    trap.step(100, [&] { fileName = wizard_.services().fileDialogs.chooseSaveFile(JobChooserTitle, JobChooserFilter, jobFileName_); });
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".velloxa");
    jobFileName_ = fileName;
    trap.step(102, [&] { WriteJobFile(fileName, ShownJob(wizard_)); });
}

FileFormat Form4::fileFormat() const
{
    return {Quoting(std::max(Combo1->currentIndex(), 0)), FileEncoding(std::max(Combo2->currentIndex(), 0)),
            ValueForms(std::max(Combo3->currentIndex(), 0))};
}

void Form4::FileFormat_Change()
{
    // The preview's columns in the selected order: the export's columns.
    const PreviewData& preview = wizard_.form3().preview();
    const QStringList& names = wizard_.globals().selectedColumns;
    QList<qsizetype> positions;
    for (const QString& name : names)
        positions << preview.columns.indexOf(name);
    const FileFormat format = fileFormat();
    QList<QStringList> rows;
    const QList<QStringList>& previewRows = format.values == ValueForms::Iso ? preview.isoRows
        : format.encoding == FileEncoding::Windows1252                       ? preview.windows1252Rows
                                                                             : preview.rows;
    for (const QStringList& previewRow : previewRows) {
        QStringList row;
        for (const qsizetype position : positions)
            row << (position >= 0 ? previewRow.value(position) : QString());
        rows << row;
    }
    const LineWriter writer(format, Text2->separator());
    showWarning(CollisionWarning(writer, names, Check6->isChecked(), rows));
    const QString lines = WriteFirstLines(writer, names, Check6->isChecked(), rows.mid(0, FirstRows)).visible;
    Text3->setPlainText(CompressedFileNote(CompressionForName(Text1->text())) + lines);
}

void Form4::showWarning(const QString& warning)
{
    // The warning takes the lines it needs, up to WarningLines, and the first lines below it
    // keep the rest of the frame. A longer one ends in an ellipsis, whole in its tooltip.
    const int width = Label3->width();
    const int most = QFontMetrics(Label3->font()).lineSpacing() * WarningLines;
    QString shown = warning;
    Label3->setText(shown);
    if (Label3->heightForWidth(width) > most) {
        qsizetype fits = 0;
        qsizetype tooLong = warning.size();
        while (tooLong - fits > 1) {
            const qsizetype middle = (fits + tooLong) / 2;
            Label3->setText(warning.left(middle) + Ellipsis);
            (Label3->heightForWidth(width) <= most ? fits : tooLong) = middle;
        }
        const qsizetype wordEnd = warning.lastIndexOf(u' ', fits);
        shown = warning.left(wordEnd > 0 ? wordEnd : fits) + Ellipsis;
        Label3->setText(shown);
    }
    Label3->setToolTip(shown == warning ? QString() : warning);
    const int top = Twips(WarningTop);
    const int height = std::max(Label3->heightForWidth(width), Twips(420));
    Label3->setGeometry(Label3->x(), top, width, height);
    const int firstLinesTop = top + height + Twips(30);
    Text3->setGeometry(Text3->x(), firstLinesTop, Text3->width(), Twips(FirstLinesBottom) - firstLinesTop);
}

void Form4::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FileFormat_Change();
}

void Form4::showProgress(qint64 rows)
{
    // A stale count may be passed: then the bar only counts.
    if (!expectedRows_ || *expectedRows_ <= 0 || rows >= *expectedRows_ || rows == 0) {
        showRows(rows, false);
        return;
    }
    const QLocale locale = QLocale::system();
    const int percent = int(rows * 100 / *expectedRows_);
    const qint64 secondsLeft = runClock_.elapsed() * (*expectedRows_ - rows) / rows / 1000;
    ProgressBar1->setValue(percent);
    ProgressBar1->setFormat(QStringLiteral("Exporting: %1% (%2 of %3 rows), %4 left")
                                .arg(percent)
                                .arg(locale.toString(rows), locale.toString(*expectedRows_),
                                     secondsLeft >= 60 ? QStringLiteral("about %1 min").arg(locale.toString((secondsLeft + 30) / 60))
                                                       : QStringLiteral("about %1 s").arg(std::max<qint64>(secondsLeft, 1))));
}

void Form4::showRows(qint64 rows, bool written, const QString& summary)
{
    const QString count = QLocale::system().toString(rows);
    ProgressBar1->setFormat(written ? (rows == 1 ? QStringLiteral("1 row written") : count + QStringLiteral(" rows written")) + summary
                                    : QStringLiteral("Exporting: ") + count + (rows == 1 ? QStringLiteral(" row") : QStringLiteral(" rows")));
}

void Form4::setRunControlsEnabled(bool enabled)
{
    PushButton4->setEnabled(enabled);
    PushButton2->setEnabled(enabled);
    PushButton3->setEnabled(enabled);
    PushButton6->setEnabled(enabled);
}

void Form4::closeEvent(QCloseEvent* event)
{
    event->accept();
    wizard_.endProgram();
}

} // namespace velloxa
