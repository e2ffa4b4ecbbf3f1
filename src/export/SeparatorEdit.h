#pragma once

#include <QLineEdit>
#include <QString>

class QKeyEvent;
class QMenu;

namespace velloxa {

// The separator box: free text, where a Tab (pasted, or put there by the separator menu)
// shows as the same mark the file's first lines use for it, since a Tab drawn as a blank
// cannot be told from spaces or from nothing. separator() reads the marks back as Tabs.
// An arrow at its end opens a menu of the usual separators; Alt+Down and F4 open it too, as
// in any drop-down box, so the keyboard alone can choose a Tab.
class SeparatorEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit SeparatorEdit(QWidget* parent = nullptr);

    QString separator() const;
    void showChoices();
    QMenu* choices() const { return choices_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void markTabs(const QString& text);

    QMenu* choices_ = nullptr;
};

} // namespace velloxa
