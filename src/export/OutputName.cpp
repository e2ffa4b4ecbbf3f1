#include "export/OutputName.h"

namespace velloxa {

namespace {

QString PathSafe(QString name)
{
    return name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
}

} // namespace

QString ExpandOutputName(const QString& pattern, const QString& schema, const QString& table, const QDateTime& start)
{
    // One pass, so that a name holding "{table}" is not expanded again.
    const std::pair<QLatin1String, QString> fields[] = {
        {QLatin1String("{schema}"), PathSafe(schema)},
        {QLatin1String("{table}"), PathSafe(table)},
        {QLatin1String("{date}"), start.toString(QStringLiteral("yyyy-MM-dd"))},
        {QLatin1String("{time}"), start.toString(QStringLiteral("HHmmss"))},
    };
    QString name;
    for (qsizetype at = 0; at < pattern.size();) {
        bool expanded = false;
        for (const auto& [field, value] : fields) {
            if (QStringView(pattern).sliced(at).startsWith(field)) {
                name += value;
                at += field.size();
                expanded = true;
                break;
            }
        }
        if (!expanded)
            name += pattern[at++];
    }
    return name;
}

} // namespace velloxa
