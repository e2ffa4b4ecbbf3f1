#include "connection/odbc/ConnectionStringGrammar.h"

namespace velloxa::odbc {

QList<ConnectionAttribute> ParseConnectionString(const QString& text)
{
    QList<ConnectionAttribute> attributes;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), at);
        if (equals < 0) {
            if (!text.mid(at).trimmed().isEmpty())
                attributes.append({text.mid(at), QString(), false});
            break;
        }
        ConnectionAttribute attribute{text.mid(at, equals - at), QString(), false};
        qsizetype end = equals + 1;
        if (end < text.size() && text[end] == QLatin1Char('{')) {
            attribute.braced = true;
            ++end;
            while (end < text.size()) {
                if (text[end] == QLatin1Char('}')) {
                    if (end + 1 < text.size() && text[end + 1] == QLatin1Char('}')) {
                        attribute.value += QLatin1Char('}');
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                attribute.value += text[end++];
            }
            end = text.indexOf(QLatin1Char(';'), end);
        } else {
            end = text.indexOf(QLatin1Char(';'), end);
            attribute.value = text.mid(equals + 1, end < 0 ? -1 : end - equals - 1);
        }
        attributes.append(attribute);
        if (end < 0)
            break;
        at = end + 1;
    }
    return attributes;
}

bool NeedsBraces(const QString& value)
{
    return value.contains(QLatin1Char(';')) || value.startsWith(QLatin1Char('{'));
}

QString BracedValue(const QString& value)
{
    QString doubled = value;
    doubled.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + doubled + QLatin1Char('}');
}

} // namespace velloxa::odbc
