#pragma once

#include <QLineEdit>
#include <QString>

namespace velloxa {

// The separator box: free text, where a Tab (pasted, or put there by the separator menu)
// shows as the same mark the file's first lines use for it, since a Tab drawn as a blank
// cannot be told from spaces or from nothing. separator() reads the marks back as Tabs.
class SeparatorEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit SeparatorEdit(QWidget* parent = nullptr);

    QString separator() const;

private:
    void markTabs(const QString& text);
};

} // namespace velloxa
