#pragma once

#include <QListWidget>
#include <QStringList>

namespace velloxa::testing {

// A list box's entries, top to bottom.
inline QStringList ListTexts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

} // namespace velloxa::testing
