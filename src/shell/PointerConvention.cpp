#include "shell/PointerConvention.h"

#include "shell/CursorFile.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPushButton>

namespace velloxa {

PointerConvention::PointerConvention(QWidget* window) : QObject(window), window_(window) {
    watch(window);
}

void PointerConvention::watch(QWidget* widget) {
    // Movement reaches a widget only with tracking on; parts of composite widgets (viewports,
    // headers) report it too, so all descendants are watched.
    auto watchOne = [this](QWidget* w) {
        w->setMouseTracking(true);
        w->removeEventFilter(this);
        w->installEventFilter(this);
    };
    watchOne(widget);
    for (QWidget* child : widget->findChildren<QWidget*>())
        watchOne(child);
}

void PointerConvention::addDefaultArea(QWidget* widget) {
    areas_.insert(widget, Area::Default);
    watch(widget);
}

void PointerConvention::addNeutralArea(QWidget* widget) {
    areas_.insert(widget, Area::Neutral);
    watch(widget);
}

bool PointerConvention::loadCustomPointer(const QString& curFile) {
    customCursor_ = ReadCursorFile(curFile);
    if (value_ == Custom)
        show();
    return customCursor_.has_value();
}

void PointerConvention::setHourglass() {
    value_ = Hourglass;
    show();
}

void PointerConvention::setDefault() {
    value_ = Default;
    show();
}

void PointerConvention::setCustom() {
    value_ = Custom;
    show();
}

void PointerConvention::show() {
    if (!window_)
        return;
    if (value_ != Hourglass)
        uncoverOwnPointers();
    switch (value_) {
    case Hourglass:
        window_->setCursor(Qt::WaitCursor);
        coverOwnPointers();
        break;
    case Custom:
        window_->setCursor(customCursor_ ? *customCursor_ : QCursor(Qt::ArrowCursor));
        break;
    default:
        window_->unsetCursor();
        break;
    }
}

void PointerConvention::coverOwnPointers() {
    if (!covered_.empty())
        return;
    for (QWidget* widget : window_->findChildren<QWidget*>()) {
        if (!widget->testAttribute(Qt::WA_SetCursor))
            continue;
        covered_.emplace_back(widget, widget->cursor());
        widget->setCursor(Qt::WaitCursor);
    }
}

void PointerConvention::uncoverOwnPointers() {
    for (auto& [widget, own] : covered_)
        if (widget)
            widget->setCursor(own);
    covered_.clear();
}

bool PointerConvention::eventFilter(QObject* watched, QEvent* event) {
    QPointF position;
    if (event->type() == QEvent::MouseMove)
        position = static_cast<QMouseEvent*>(event)->position();
    else if (event->type() == QEvent::Enter)
        position = static_cast<QEnterEvent*>(event)->position();
    else
        return false;
    auto* receiver = qobject_cast<QWidget*>(watched);
    if (!receiver)
        return false;
    // A disabled button passes its movement on to its parent; asking which widget lies under
    // the position finds the button again.
    QWidget* under = receiver->childAt(position.toPoint());
    pointerOver(under ? under : receiver);
    return false;
}

void PointerConvention::pointerOver(QWidget* widget) {
    if (value_ == Hourglass)
        return;
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<QPushButton*>(w)) {
            setCustom();
            return;
        }
        const auto area = areas_.constFind(w);
        if (area != areas_.cend()) {
            if (*area == Area::Default)
                setDefault();
            return;
        }
        if (w == window_) {
            setDefault();
            return;
        }
    }
}

} // namespace velloxa
