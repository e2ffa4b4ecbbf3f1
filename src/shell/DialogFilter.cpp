#include "shell/DialogFilter.h"

#include <QStringList>

namespace velloxa {

QString QtDialogFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts[i].trimmed();
        const QString windowsPatterns = parts[i + 1].trimmed();
        if (label.isEmpty() && windowsPatterns.isEmpty())
            continue;
        QStringList patterns;
        for (const QString& pattern : windowsPatterns.split(u';', Qt::SkipEmptyParts))
            patterns << (pattern.trimmed() == QStringLiteral("*.*") ? QStringLiteral("*") : pattern.trimmed());
        // Qt takes the patterns from the last parentheses and, with the details hidden,
        // shows what stands before them.
        filters << label + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace velloxa
