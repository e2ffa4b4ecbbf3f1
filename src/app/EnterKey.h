#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace velloxa {

// Enter (or Return) in a widget runs `action` in place of the widget's own handling: a list
// box takes it as the double-click of its selected entry.
class EnterKey : public QObject {
    Q_OBJECT
public:
    EnterKey(QWidget* widget, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> action_;
};

} // namespace velloxa
