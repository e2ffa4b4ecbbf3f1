#include "errors/QtMessageService.h"
#include "shell/Appearance.h"
#include "shell/CursorFile.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace velloxa;

namespace {

const QColor ButtonFace(0xd4, 0xd0, 0xc8);
const QColor DesignWhite(Qt::white);

// A window laid out like the wizard's: buttons, a frame holding a label and a text box,
// a check box and a grid.
struct SampleWindow {
    QWidget window;
    QPushButton* next = new QPushButton("Next >");
    QPushButton* back = new QPushButton("< Back");
    QGroupBox* frame = new QGroupBox("Login");
    QLabel* label = new QLabel("Server:");
    QLineEdit* text = new QLineEdit;
    QCheckBox* check = new QCheckBox("Local Connection");
    QTableWidget* grid = new QTableWidget(3, 3);

    SampleWindow() {
        auto* frameLayout = new QVBoxLayout(frame);
        frameLayout->addWidget(label);
        frameLayout->addWidget(text);
        frameLayout->addWidget(check);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(30, 30, 30, 30);
        layout->addWidget(frame);
        layout->addWidget(grid);
        layout->addWidget(back);
        layout->addWidget(next);
        back->setEnabled(false);
        QPalette white = window.palette();
        white.setColor(QPalette::Window, DesignWhite);
        window.setPalette(white);
        window.resize(400, 500);
    }
};

QPoint middle(QWidget* w) {
    return w->rect().center();
}

} // namespace

class ShellWidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pointerFollowsTheConventionUnlessHourglass();
    void customPointerShowsTheHandOrTheArrow();
    void shippedHandPointerHasItsHotSpotAtTheFingerTip();
    void unreadableCursorFilesGiveNoImage();
    void standardColoursReachFramesAndLabelsOnly();
    void skinIsTheShippedStyleSheet();
    void reportBreaksAreShownAsLineBreaks();
};

void ShellWidgetsTest::initTestCase() {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, ButtonFace); // distinct from the window colour
    QApplication::setPalette(palette);
}

void ShellWidgetsTest::pointerFollowsTheConventionUnlessHourglass() {
    SampleWindow w;
    PointerConvention pointer(&w.window);
    pointer.addDefaultArea(w.frame);
    pointer.addDefaultArea(w.text);
    pointer.addDefaultArea(w.grid);
    pointer.addNeutralArea(w.label);
    pointer.addNeutralArea(w.check);
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));

    auto moveTo = [](QWidget* target, QPoint at) {
        QTest::mouseMove(target, at);
        QCoreApplication::processEvents();
    };
    QCOMPARE(pointer.value(), PointerConvention::Default);
    moveTo(w.next, middle(w.next));
    QCOMPARE(pointer.value(), PointerConvention::Custom);
    moveTo(w.label, middle(w.label));
    QCOMPARE(pointer.value(), PointerConvention::Custom); // labels leave it as it is
    moveTo(w.check, middle(w.check));
    QCOMPARE(pointer.value(), PointerConvention::Custom);
    moveTo(w.frame, QPoint(5, w.frame->height() - 4));
    QCOMPARE(pointer.value(), PointerConvention::Default);
    moveTo(w.back, middle(w.back)); // disabled buttons count too
    QCOMPARE(pointer.value(), PointerConvention::Custom);
    moveTo(w.text, middle(w.text));
    QCOMPARE(pointer.value(), PointerConvention::Default);
    moveTo(w.next, middle(w.next));
    moveTo(w.grid->viewport(), middle(w.grid->viewport())); // a part of the grid is the grid
    QCOMPARE(pointer.value(), PointerConvention::Default);
    moveTo(w.next, middle(w.next));
    moveTo(&w.window, QPoint(10, 10)); // bare window
    QCOMPARE(pointer.value(), PointerConvention::Default);

    {
        HourglassScope busy(pointer);
        QCOMPARE(pointer.value(), PointerConvention::Hourglass);
        QCOMPARE(w.window.cursor().shape(), Qt::WaitCursor);
        moveTo(w.next, middle(w.next));
        QCOMPARE(pointer.value(), PointerConvention::Hourglass);
        moveTo(w.text, middle(w.text));
        QCOMPARE(pointer.value(), PointerConvention::Hourglass);
        moveTo(w.next, middle(w.next));
    }
    QCOMPARE(pointer.value(), PointerConvention::Default);
    QCOMPARE(w.window.cursor().shape(), Qt::ArrowCursor);
}

void ShellWidgetsTest::customPointerShowsTheHandOrTheArrow() {
    SampleWindow w;
    PointerConvention pointer(&w.window);
    QVERIFY(!pointer.loadCustomPointer(ApplicationFolder() + "/no-such-HAND-M.CUR"));
    pointer.setCustom();
    QCOMPARE(pointer.value(), PointerConvention::Custom);
    QCOMPARE(w.window.cursor().shape(), Qt::ArrowCursor);

    QVERIFY(pointer.loadCustomPointer(ApplicationFolder() + "/HAND-M.CUR"));
    QCOMPARE(w.window.cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(w.window.cursor().hotSpot(), QPoint(5, 0));
    pointer.setDefault();
    QCOMPARE(w.window.cursor().shape(), Qt::ArrowCursor);
}

void ShellWidgetsTest::shippedHandPointerHasItsHotSpotAtTheFingerTip() {
    const auto cursor = ReadCursorFile(ApplicationFolder() + "/HAND-M.CUR");
    QVERIFY(cursor.has_value());
    const QImage image = cursor->pixmap().toImage();
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(cursor->hotSpot(), QPoint(5, 0));
    // The hot spot is on the outline of the finger tip, and nothing lies above or beside it.
    QCOMPARE(qAlpha(image.pixel(5, 0)), 255);
    for (int x = 0; x < 32; ++x)
        if (x != 5 && x != 6)
            QCOMPARE(qAlpha(image.pixel(x, 0)), 0);
}

void ShellWidgetsTest::unreadableCursorFilesGiveNoImage() {
    QTemporaryDir dir;
    QVERIFY(!ReadCursorFile(dir.filePath("missing.cur")));
    QVERIFY(!ReadCursorFile(dir.path()));
    QFile garbage(dir.filePath("garbage.cur"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray("\0\0\2\0\1\0", 6) + QByteArray(40, 'x'));
    garbage.close();
    QVERIFY(!ReadCursorFile(garbage.fileName()));
    QFile icon(ApplicationFolder() + "/velloxa.ico"); // an icon is not a cursor
    QVERIFY(icon.exists());
    QVERIFY(!ReadCursorFile(icon.fileName()));
}

void ShellWidgetsTest::standardColoursReachFramesAndLabelsOnly() {
    SampleWindow w;
    const QColor textBase = w.text->palette().color(QPalette::Base);
    ApplyStandardColours(&w.window);
    for (QWidget* painted : std::initializer_list<QWidget*>{&w.window, w.frame, w.label, w.check}) {
        QCOMPARE(painted->palette().color(QPalette::Window), ButtonFace);
        QVERIFY(painted->autoFillBackground());
    }
    for (QWidget* kept : std::initializer_list<QWidget*>{w.text, w.grid, w.next})
        QVERIFY(!kept->autoFillBackground());
    QCOMPARE(w.text->palette().color(QPalette::Base), textBase);
}

void ShellWidgetsTest::skinIsTheShippedStyleSheet() {
    QFile sheet(SkinFilePath());
    QVERIFY2(sheet.open(QIODevice::ReadOnly), qPrintable(SkinFilePath()));
    SampleWindow w;
    ApplySkin(&w.window);
    QCOMPARE(w.window.styleSheet().toUtf8(), sheet.readAll());
    QCOMPARE(w.label->palette().color(QPalette::Window), ButtonFace);
    QCOMPARE(w.window.property("velloxaSkin").toString(), QString("login"));
    // Qt only parses the sheet when it polishes the widgets; a broken sheet warns then.
    QTest::failOnWarning(QRegularExpression("style ?sheet", QRegularExpression::CaseInsensitiveOption));
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    QVERIFY(!w.window.grab().isNull());
}

void ShellWidgetsTest::reportBreaksAreShownAsLineBreaks() {
    QCOMPARE(QtMessageService::displayText("Bad\r\nin Velloxa2021/08/31.Form1.Form_Load at line 100\r\rPlease"),
             QString("Bad\nin Velloxa2021/08/31.Form1.Form_Load at line 100\n\nPlease"));
}

QTEST_MAIN(ShellWidgetsTest)
#include "tst_shell_widgets.moc"
