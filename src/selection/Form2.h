#pragma once

#include <QWidget>

#include <memory>

#include "connection/MSSQL.h"

class QCloseEvent;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

namespace velloxa {

class PointerConvention;
class Wizard;

// The Table chooser: the tables and views the Login window's "Next >" listed; the user
// picks one for the Field chooser.
// The constructor builds the controls; the wizard runs Form_Load once, right after.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(Wizard& wizard, QWidget* parent = nullptr);
    ~Form2() override;

    // List1 as the list ListTables fills. An item shows the bare name when the table is in
    // the login's default schema, and "name  (schema)" otherwise, so that tables of one name
    // stay apart; it keeps the schema and the bare name under SchemaRole and NameRole.
    TableList& tables();
    static constexpr int SchemaRole = Qt::UserRole;
    static constexpr int NameRole = Qt::UserRole + 1;
    TableEntry tableAt(int row) const;
    // Selects the first table, when there is one.
    void selectFirstTable();

    PointerConvention& pointer();

    QLabel* Label1 = nullptr;
    QListWidget* List1 = nullptr;
    QFrame* Line1 = nullptr;
    QPushButton* PushButton2 = nullptr; // "< Back"
    QPushButton* PushButton3 = nullptr; // "Next >"

public slots:
    void Form_Load();
    void PushButton2_Click(); // Back
    void PushButton3_Click(); // Next

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class ListTarget;
    void buildControls();

    Wizard& wizard_;
    PointerConvention* pointer_ = nullptr;
    std::unique_ptr<ListTarget> listTarget_;
};

} // namespace velloxa
