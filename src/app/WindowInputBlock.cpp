#include "app/WindowInputBlock.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

namespace velloxa {

namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// The widget an event is meant for: the receiver itself, the top-level widget of a native
// window (where the window system delivers input first), or the widget that owns a
// shortcut or an action.
QWidget* TargetWidget(QObject* receiver)
{
    for (QObject* object = receiver; object; object = object->parent()) {
        if (object->isWidgetType())
            return static_cast<QWidget*>(object);
        if (object->isWindowType()) {
            const QWidgetList topLevels = QApplication::topLevelWidgets();
            for (QWidget* topLevel : topLevels)
                if (topLevel->windowHandle() == object)
                    return topLevel;
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace

WindowInputBlock::WindowInputBlock(const QList<QWidget*>& windows)
{
    for (QWidget* window : windows)
        windows_ << window;
    qApp->installEventFilter(this);
}

WindowInputBlock::~WindowInputBlock()
{
    qApp->removeEventFilter(this);
}

bool WindowInputBlock::eventFilter(QObject* receiver, QEvent* event)
{
    return IsUserInput(event->type()) && isBlocked(receiver);
}

bool WindowInputBlock::isBlocked(QObject* receiver) const
{
    QWidget* widget = TargetWidget(receiver);
    if (!widget)
        return false;
    QWidget* window = widget->window();
    // A popup (a combo box's list, a menu) belongs to the window it opened from.
    while (window->windowType() == Qt::Popup && window->parentWidget())
        window = window->parentWidget()->window();
    return windows_.contains(window);
}

} // namespace velloxa
