#include "export/SeparatorEdit.h"

#include "export/LineWriter.h"

namespace velloxa {

SeparatorEdit::SeparatorEdit(QWidget* parent)
    : QLineEdit(parent)
{
    // Every way in (typing, pasting, setText) passes through textChanged.
    connect(this, &QLineEdit::textChanged, this, &SeparatorEdit::markTabs);
}

QString SeparatorEdit::separator() const
{
    QString separator = text();
    separator.replace(TabMark, u'\t');
    return separator;
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
