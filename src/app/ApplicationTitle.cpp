#include "app/ApplicationTitle.h"

namespace velloxa {

QString ApplicationTitle(const QString& fullName)
{
    constexpr int longestTitle = 40;
    QString title = fullName;
    do {
        const qsizetype lastBlank = title.lastIndexOf(u' ');
        if (lastBlank < 0)
            break;
        title.truncate(lastBlank);
    } while (title.size() > longestTitle);
    return title;
}

} // namespace velloxa
