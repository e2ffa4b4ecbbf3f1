// The real message box and save dialog: each opens over the window that shows it, and the
// save dialog's file types read as the Export window's filter writes them, while "All Files
// (*.*)" still lists files without an extension.
#include "errors/QtMessageService.h"
#include "shell/Appearance.h"
#include "shell/QtFileDialogService.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace velloxa;

namespace {

const QString Filter = QStringLiteral("Text Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|");

// Runs `inspect` on the modal box or dialog as soon as it shows; `inspect` closes it.
void whenModalShows(QObject* context, const std::function<void(QWidget*)>& inspect)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, inspect] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->deleteLater();
            poll->stop();
            inspect(modal);
        }
    });
    poll->start(20);
}

QStringList listedFiles(const QFileDialog* dialog)
{
    const QListView* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    if (!view)
        return names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void messageBoxOpensOverItsWindow();
    void messageOverTheSkinnedWindowSitsOnTheBoxsSurface();
    void saveDialogShowsTheFilterAsWrittenAndListsEveryFile();

private:
    std::unique_ptr<QWidget> window_;
};

void DialogsTest::init()
{
    window_ = std::make_unique<QWidget>();
    window_->resize(400, 300);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void DialogsTest::cleanup()
{
    window_.reset();
}

void DialogsTest::messageBoxOpensOverItsWindow()
{
    QWidget* parent = nullptr;
    whenModalShows(this, [&](QWidget* modal) {
        parent = modal->parentWidget();
        static_cast<QDialog*>(modal)->accept();
    });
    QtMessageService().inform(QStringLiteral("Velloxa"), QStringLiteral("Connection successful."));
    QCOMPARE(parent, window_.get());
}

// The Login window's skin reaches the boxes it opens: their text must not sit on a patch of
// another colour than the box.
void DialogsTest::messageOverTheSkinnedWindowSitsOnTheBoxsSurface()
{
    ApplySkin(window_.get());
    QColor box;
    QColor underText;
    whenModalShows(this, [&](QWidget* modal) {
        const QImage image = modal->grab().toImage();
        if (const QLabel* text = modal->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            box = image.pixelColor(2, 2);
            // The text begins with a blank: its label's first pixels hold no glyph.
            underText = image.pixelColor(text->mapTo(modal, QPoint(1, 1)) * modal->devicePixelRatio());
        }
        static_cast<QDialog*>(modal)->accept();
    });
    QtMessageService().inform(QStringLiteral("Velloxa"), QStringLiteral(" Connection successful."));
    QVERIFY(box.isValid());
    QCOMPARE(underText, box);
}

void DialogsTest::saveDialogShowsTheFilterAsWrittenAndListsEveryFile()
{
    QTemporaryDir folder;
    for (const char* name : {"notes.txt", "data.csv", "README"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QWidget* parent = nullptr;
    QStringList types;
    QStringList textFiles;
    QStringList allFiles;
    whenModalShows(this, [&](QWidget* modal) {
        parent = modal->parentWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (const QComboBox* combo = modal->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            for (int i = 0; i < combo->count(); ++i)
                types << combo->itemText(i);
        if (dialog) {
            // The folder is read in the background: wait for its files to appear.
            (void)QTest::qWaitFor([&] { return listedFiles(dialog).contains(QStringLiteral("notes.txt")); });
            textFiles = listedFiles(dialog);
            dialog->selectNameFilter(dialog->nameFilters().value(2));
            (void)QTest::qWaitFor([&] { return listedFiles(dialog).contains(QStringLiteral("README")); });
            allFiles = listedFiles(dialog);
        }
        static_cast<QDialog*>(modal)->reject();
    });

    const QString chosen = QtFileDialogService().chooseSaveFile(QStringLiteral("Choose output file"), Filter,
                                                                folder.filePath(QStringLiteral("out.txt")));

    QCOMPARE(chosen, QString());
    QCOMPARE(parent, window_.get());
    QCOMPARE(types, (QStringList{"Text Files (*.txt)", "CSV Files (*.csv)", "All Files (*.*)"}));
    QCOMPARE(textFiles, QStringList{"notes.txt"});
    QCOMPARE(allFiles, (QStringList{"README", "data.csv", "notes.txt"}));
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
