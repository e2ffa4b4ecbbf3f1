#include "shell/DialogFilter.h"

#include <QStringList>

namespace velloxa {

QString QtDialogFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i].trimmed();
        const QString windowsPatterns = parts[i + 1].trimmed();
        if (label.isEmpty() && windowsPatterns.isEmpty())
            continue;
        // Qt reads the patterns from the label's parentheses; drop the Windows ones first.
        const QString shownPatterns = QStringLiteral("(") + windowsPatterns + u')';
        if (label.endsWith(shownPatterns))
            label = label.chopped(shownPatterns.size()).trimmed();
        QStringList patterns;
        for (const QString& pattern : windowsPatterns.split(u';', Qt::SkipEmptyParts))
            patterns << (pattern.trimmed() == QStringLiteral("*.*") ? QStringLiteral("*") : pattern.trimmed());
        filters << label + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace velloxa
