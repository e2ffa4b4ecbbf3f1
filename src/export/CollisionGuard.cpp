#include "export/CollisionGuard.h"

#include <QLocale>

namespace velloxa {

namespace {

QString Values(qint64 count)
{
    return QLocale::system().toString(count) + (count == 1 ? QStringLiteral(" value") : QStringLiteral(" values"));
}

// "a", "a and b", "a, b and c".
QString Listed(const QStringList& items)
{
    return items.size() == 1 ? items.first()
                             : items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
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
    return Listed(places) + (total == 1 ? QStringLiteral(" holds ") : QStringLiteral(" hold ")) + what + QStringLiteral(": ")
        + (total == 1 ? oneEffect : manyEffect) + QLatin1Char('.');
}

} // namespace

QString CollisionWarning(const LineWriter& writer, const QStringList& names, bool header, const QList<QStringList>& rows)
{
    if (writer.format().quoting != Quoting::None)
        return {};
    QStringList breakingNames;
    if (header)
        for (const QString& name : names)
            if (const StructureBreaks breaks = writer.breaks(name); breaks.separator || breaks.lineBreak)
                breakingNames << QLatin1Char('"') + name + QLatin1Char('"');
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
    if (!breakingNames.isEmpty())
        sentences << (breakingNames.size() == 1 ? QStringLiteral("The column name ") : QStringLiteral("The column names "))
                + Listed(breakingNames)
                + (breakingNames.size() == 1 ? QStringLiteral(" breaks") : QStringLiteral(" break")) + QStringLiteral(" the header line.");
    sentences << Sentence(separators, QStringLiteral("the separator"), QStringLiteral("its line gets extra columns"),
                          QStringLiteral("their lines get extra columns"))
              << Sentence(lineBreaks, QStringLiteral("a line break"), QStringLiteral("its line splits"),
                          QStringLiteral("their lines split"));
    sentences.removeAll(QString());
    if (sentences.isEmpty())
        return {};
    int breaking = int(breakingNames.size());
    for (const auto& found : {separators, lineBreaks})
        for (const auto& [column, count] : found)
            breaking += count;
    const bool one = breaking == 1;
    return sentences.join(QLatin1Char(' ')) + QStringLiteral(" Quoting \"Where needed\" keeps ")
        + (one ? QStringLiteral("it") : QStringLiteral("them")) + QStringLiteral(" intact.");
}

QString CollisionSummary(qint64 valuesWithSeparator, qint64 valuesWithLineBreak, bool headerBreaks)
{
    QString summary = headerBreaks ? QStringLiteral("; a column name breaks the header line") : QString();
    if (valuesWithSeparator)
        summary += QStringLiteral("; ") + Values(valuesWithSeparator)
            + (valuesWithSeparator == 1 ? QStringLiteral(" holds") : QStringLiteral(" hold")) + QStringLiteral(" the separator");
    if (valuesWithLineBreak)
        summary += QStringLiteral("; ") + Values(valuesWithLineBreak)
            + (valuesWithLineBreak == 1 ? QStringLiteral(" holds") : QStringLiteral(" hold")) + QStringLiteral(" a line break");
    return summary;
}

} // namespace velloxa
