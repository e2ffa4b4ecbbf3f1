#pragma once

#include <QWidget>

#include "connection/LoginValues.h"

class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velloxa {

class PointerConvention;
class Wizard;

// The Login window. Its boxes are the login values every connection is built from, and
// every change is written to the settings store at once. Its load is the start-up sequence.
// The constructor builds the controls; the wizard runs Form_Load once, right after.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(Wizard& wizard, QWidget* parent = nullptr);
    ~Form1() override;

    // The six values as the boxes hold them now.
    LoginValues loginValues() const;

    PointerConvention& pointer();

    QGroupBox* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;   // server
    QLabel* Label9 = nullptr;
    QLineEdit* Text9 = nullptr;   // port
    QLabel* Label1 = nullptr;
    QLineEdit* Text2 = nullptr;   // user name
    QLabel* Label4 = nullptr;
    QLineEdit* Text3 = nullptr;   // password
    QLabel* Label3 = nullptr;
    QLineEdit* Text4 = nullptr;   // database
    QCheckBox* Check7 = nullptr;  // local connection
    QPushButton* PushButton5 = nullptr; // "Test Connection"
    QPushButton* PushButton4 = nullptr; // "Help"
    QPushButton* PushButton3 = nullptr; // "Next >"

    // The connection help, pieces joined by bare carriage returns.
    static const QString HelpText;
    static const QString HelpImageQuestion;
    static const QString DownloadPage;

public slots:
    void Form_Load();
    void Text1_Change();
    void Text9_Change();
    void Text2_Change();
    void Text3_Change();
    void Text4_Change();
    void Check7_Click();
    void PushButton5_Click(); // Test Connection
    void PushButton4_Click(); // Help
    void PushButton3_Click(); // Next

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void connectHandlers();

    Wizard& wizard_;
    PointerConvention* pointer_ = nullptr;
};

} // namespace velloxa
