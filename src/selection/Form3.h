#pragma once

#include <QWidget>

#include <memory>

class QCloseEvent;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace velloxa {

class ErrorTrap;
class PointerConvention;
class PreviewGridModel;
struct PreviewData;
class Wizard;
namespace odbc { class Connection; }

// The Field chooser: a preview of the chosen table and two lists (available, selected)
// from which the user builds the ordered column list of the export.
// The constructor builds the controls; the wizard runs Form_Load once, right after.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Wizard& wizard, QWidget* parent = nullptr);
    ~Form3() override;

    // The loading run by the Table chooser's "Next >" (its steps 120..174 in that trap):
    // preview of the chosen table into the grid, its field names into List1, button
    // states, then the names already in List2 pruned from List1.
    void RunLoading(ErrorTrap& trap, odbc::Connection& connection);

    // The return from the Export window's "< Back": show, button states, select the first
    // available field, focus the grid, hide the Export window, prune. Numbered from
    // firstLine upwards in steps of 2 (firstLine .. firstLine + 32).
    void ReturnToFieldChooser(ErrorTrap& trap, int firstLine);

    // The rows into the grid, columns as wide as their widest heading or value.
    void showPreview(const PreviewData& preview);
    // The rows the grid shows (the Export window builds the file's first lines from them).
    const PreviewData& preview() const;

    QLabel* Label2 = nullptr;
    QTableView* DataGrid1 = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* List1 = nullptr;   // available fields
    QPushButton* PushButton5 = nullptr; // ">"
    QPushButton* PushButton6 = nullptr; // ">>"
    QPushButton* PushButton7 = nullptr; // "<"
    QPushButton* PushButton8 = nullptr; // "<<"
    QListWidget* List2 = nullptr;   // selected fields, in export order
    QFrame* Line1 = nullptr;
    QPushButton* PushButton2 = nullptr; // "< Back"
    QPushButton* PushButton3 = nullptr; // "Next >"

    PointerConvention& pointer();

public slots:
    void Form_Load();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void List1_DblClick();
    void List2_DblClick();
    void PushButton3_Click();
    void PushButton2_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void pruneAvailable();
    void styleGrid();

    Wizard& wizard_;
    std::unique_ptr<PreviewData> preview_;
    PreviewGridModel* previewModel_ = nullptr;
    PointerConvention* pointer_ = nullptr;
};

} // namespace velloxa
