#pragma once

#include "export/FileFormat.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <optional>

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QShowEvent;

namespace velloxa {

class PointerConvention;
class SeparatorEdit;
class Wizard;

// The Export window: output file, separator, header option, file format (quoting, encoding,
// a warning when values would break the file's lines, and the file's first lines as they
// will be written); "Finish" runs the export, after which the same button reads "Exit" and
// ends the program.
// The constructor builds the controls; the wizard runs Form_Load once, right after.
// Closing the window mid-run ends the program: the run sees Wizard::programEnding() at its
// next progress report and stops before the output file is touched.
class Form4 : public QWidget {
    Q_OBJECT
public:
    explicit Form4(Wizard& wizard, QWidget* parent = nullptr);
    ~Form4() override;

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr;         // output file name
    QPushButton* PushButton3 = nullptr; // "..."
    QGroupBox* Frame2 = nullptr;
    SeparatorEdit* Text2 = nullptr; // field separator
    QGroupBox* Frame3 = nullptr;
    QCheckBox* Check6 = nullptr;        // header line
    QGroupBox* Frame5 = nullptr;        // "File format"
    QComboBox* Combo1 = nullptr;        // quoting
    QComboBox* Combo2 = nullptr;        // encoding
    QComboBox* Combo3 = nullptr;        // value formats
    QLabel* Label3 = nullptr;           // values that would break the file's lines
    QPlainTextEdit* Text3 = nullptr;    // the file's first lines, read-only
    QPushButton* PushButton2 = nullptr; // "< Back"
    QPushButton* PushButton4 = nullptr; // "Finish" / "Exit"
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* PushButton6 = nullptr; // "Save job..."

    PointerConvention& pointer();

public slots:
    void Form_Load();
    void PushButton3_Click();
    void PushButton2_Click();
    void PushButton4_Click();
    void PushButton6_Click(); // Save job
    // Any change of the separator, the header box or the format shows its effect at once.
    void FileFormat_Change();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void setRunControlsEnabled(bool enabled);
    void showWarning(const QString& warning);
    void showRows(qint64 rows, bool written, const QString& summary = {});
    void showProgress(qint64 rows);
    FileFormat fileFormat() const;

    Wizard& wizard_;
    PointerConvention* pointer_ = nullptr;
    QString dialogFileName_;             // the save dialog remembers its last pick between openings
    QString jobFileName_;                // the job dialog's last pick
    std::optional<qint64> expectedRows_; // the server's count for the table, while a run streams
    QElapsedTimer runClock_;
};

} // namespace velloxa
