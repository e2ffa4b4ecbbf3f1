#include "export/CollisionGuard.h"

#include <QLocale>

namespace velloxa {

namespace {

QString Values(qint64 count)
{
    return QLocale::system().toString(count) + (count == 1 ? QStringLiteral(" value") : QStringLiteral(" values"));
}

// "2 values in Notes and 1 in City hold the separator: their lines get extra columns."
QString Sentence(const QList<QPair<QString, int>>& found, const QString& what, const QString& oneEffect,
                 const QString& manyEffect)
{
    if (found.isEmpty())
        return {};
    int total = 0;
    QStringList places;
    for (const auto& [column, count] : found) {
        places << (places.isEmpty() ? Values(count) : QLocale::system().toString(count)) + QStringLiteral(" in ") + column;
        total += count;
    }
    const QString joined = places.size() == 1 ? places.first()
                                              : places.mid(0, places.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + places.last();
    return joined + (total == 1 ? QStringLiteral(" holds ") : QStringLiteral(" hold ")) + what + QStringLiteral(": ")
        + (total == 1 ? oneEffect : manyEffect) + QLatin1Char('.');
}

} // namespace

QString CollisionWarning(const LineWriter& writer, const QStringList& names, const QList<QStringList>& rows)
{
    if (writer.format().quoting != Quoting::None)
        return {};
    QList<QPair<QString, int>> separators, lineBreaks;
    for (int column = 0; column < names.size(); ++column) {
        int withSeparator = 0, withLineBreak = 0;
        for (const QStringList& row : rows) {
            const StructureBreaks breaks = writer.breaks(row.value(column));
            withSeparator += breaks.separator;
            withLineBreak += breaks.lineBreak;
        }
        if (withSeparator)
            separators.append({names[column], withSeparator});
        if (withLineBreak)
            lineBreaks.append({names[column], withLineBreak});
    }
    QStringList sentences;
    sentences << Sentence(separators, QStringLiteral("the separator"), QStringLiteral("its line gets extra columns"),
                          QStringLiteral("their lines get extra columns"))
              << Sentence(lineBreaks, QStringLiteral("a line break"), QStringLiteral("its line splits"),
                          QStringLiteral("their lines split"));
    sentences.removeAll(QString());
    if (sentences.isEmpty())
        return {};
    const bool one = separators.size() + lineBreaks.size() == 1
        && (separators.isEmpty() ? lineBreaks.first().second : separators.first().second) == 1;
    return sentences.join(QLatin1Char(' ')) + QStringLiteral(" Quoting \"Where needed\" keeps ")
        + (one ? QStringLiteral("it") : QStringLiteral("them")) + QStringLiteral(" intact.");
}

QString CollisionSummary(qint64 valuesWithSeparator, qint64 valuesWithLineBreak)
{
    QString summary;
    if (valuesWithSeparator)
        summary += QStringLiteral("; ") + Values(valuesWithSeparator)
            + (valuesWithSeparator == 1 ? QStringLiteral(" holds") : QStringLiteral(" hold")) + QStringLiteral(" the separator");
    if (valuesWithLineBreak)
        summary += QStringLiteral("; ") + Values(valuesWithLineBreak)
            + (valuesWithLineBreak == 1 ? QStringLiteral(" holds") : QStringLiteral(" hold")) + QStringLiteral(" a line break");
    return summary;
}

} // namespace velloxa
