#include "export/SeparatorEdit.h"

#include "export/LineWriter.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

namespace velloxa {

namespace {

// A small grey triangle pointing down: the box's menu.
QIcon DropDownIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x55, 0x55, 0x55));
    painter.drawPolygon(QPolygonF({QPointF(4, 6), QPointF(12, 6), QPointF(8, 11)}));
    return QIcon(pixmap);
}

} // namespace

SeparatorEdit::SeparatorEdit(QWidget* parent) : QLineEdit(parent), choices_(new QMenu(this))
{
    // Every way in (typing, pasting, setText) passes through textChanged.
    connect(this, &QLineEdit::textChanged, this, &SeparatorEdit::markTabs);

    // The usual choices put the real character into the box, a Tab too.
    for (const auto& [name, separator] : {std::pair{QStringLiteral("Comma"), QStringLiteral(",")},
                                          std::pair{QStringLiteral("Semicolon"), QStringLiteral(";")},
                                          std::pair{QStringLiteral("Tab"), QStringLiteral("\t")},
                                          std::pair{QStringLiteral("Vertical bar"), QStringLiteral("|")}}) {
        QAction* choice = choices_->addAction(name, this, [this, separator] { setText(separator); });
        choice->setData(separator);
    }
    QAction* open = addAction(DropDownIcon(), QLineEdit::TrailingPosition);
    open->setToolTip(QStringLiteral("Choose a separator (Alt+Down)"));
    connect(open, &QAction::triggered, this, &SeparatorEdit::showChoices);
}

QString SeparatorEdit::separator() const
{
    QString separator = text();
    separator.replace(TabMark, u'\t');
    return separator;
}

void SeparatorEdit::showChoices()
{
    choices_->popup(mapToGlobal(rect().bottomRight()) - QPoint(choices_->sizeHint().width(), 0));
    // The arrow keys start from the separator in the box, or from the first choice.
    QAction* current = choices_->actions().value(0);
    for (QAction* choice : choices_->actions())
        if (choice->data().toString() == separator())
            current = choice;
    choices_->setActiveAction(current);
}

void SeparatorEdit::keyPressEvent(QKeyEvent* event)
{
    const bool altDown = event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier;
    if (altDown || (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        showChoices();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void SeparatorEdit::markTabs(const QString& text)
{
    if (!text.contains(u'\t'))
        return;
    // One mark per Tab keeps every other character where it was, and so the cursor.
    const int cursor = cursorPosition();
    QString marked = text;
    marked.replace(u'\t', TabMark);
    setText(marked);
    setCursorPosition(cursor);
}

} // namespace velloxa
