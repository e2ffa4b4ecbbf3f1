#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace velloxa {

// While it lives, the user's input to the given windows (mouse, keys, wheel, touch, drops,
// shortcuts), and to the menus and lists they opened, is dropped, not held back: nothing
// clicked or typed during a wait acts after it. Everything else passes: repaint, move,
// resize, and the window manager's close request, which the window then takes at once.
// Dialogs opened meanwhile (an error report) take input as usual.
class WindowInputBlock : public QObject {
public:
    explicit WindowInputBlock(const QList<QWidget*>& windows);
    ~WindowInputBlock() override;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    bool isBlocked(QObject* receiver) const;

    QList<QPointer<QWidget>> windows_;
};

} // namespace velloxa
