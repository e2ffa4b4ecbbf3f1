#include "app/SelectAllOnFocus.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>

namespace velloxa {

SelectAllOnFocus::SelectAllOnFocus(QLineEdit* box) : QObject(box), box_(box)
{
    box->installEventFilter(this);
}

bool SelectAllOnFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == box_ && event->type() == QEvent::FocusIn) {
        box_->selectAll();
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, box_, &QLineEdit::selectAll);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace velloxa
