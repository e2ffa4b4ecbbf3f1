#include "export/OutputName.h"

namespace velloxa {

namespace {

QString FileNamePart(QString name)
{
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return name;
}

} // namespace

QString ExpandOutputName(const QString& pattern, const QString& schema, const QString& table, const QDateTime& start)
{
    // One pass, so that a table named "{date}" is not expanded again.
    const std::pair<QString, QString> fields[] = {
        {QStringLiteral("{date}"), start.toString(QStringLiteral("yyyy-MM-dd"))},
        {QStringLiteral("{time}"), start.toString(QStringLiteral("HHmmss"))},
        {QStringLiteral("{schema}"), FileNamePart(schema)},
        {QStringLiteral("{table}"), FileNamePart(table)},
    };
    QString name;
    for (qsizetype at = 0; at < pattern.size();) {
        bool matched = false;
        for (const auto& [field, value] : fields) {
            if (QStringView(pattern).sliced(at).startsWith(field)) {
                name += value;
                at += field.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            name += pattern[at++];
    }
    return name;
}

} // namespace velloxa
