#include "jobs/JobFile.h"

#include "errors/Failure.h"
#include "export/ReplacingFile.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>

#include <functional>
#include <limits>

namespace velloxa {

namespace {

QString YesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

bool ReadYesNo(const QString& text)
{
    const QString word = text.toLower();
    if (word == QLatin1String("yes") || word == QLatin1String("true") || word == QLatin1String("1"))
        return true;
    if (word == QLatin1String("no") || word == QLatin1String("false") || word == QLatin1String("0"))
        return false;
    throw Failure(QStringLiteral("\"%1\" is neither yes nor no").arg(text));
}

int ReadWord(const QString& text, const QStringList& words)
{
    const qsizetype at = words.indexOf(text.toLower());
    if (at < 0)
        throw Failure(QStringLiteral("\"%1\" is not one of %2").arg(text, words.join(QStringLiteral(", "))));
    return int(at);
}

qint64 ReadWholeNumber(const QString& text, qint64 lowest, qint64 highest)
{
    bool number = false;
    const qint64 value = text.toLongLong(&number);
    if (number && value >= lowest && value <= highest)
        return value;
    if (highest == std::numeric_limits<qint64>::max())
        throw Failure(QStringLiteral("\"%1\" is not a whole number from %2").arg(text).arg(lowest));
    throw Failure(QStringLiteral("\"%1\" is not a whole number from %2 to %3").arg(text).arg(lowest).arg(highest));
}

Compression ReadCompression(const QString& text)
{
    const std::optional<Compression> compression = CompressionNamed(text);
    if (!compression)
        throw Failure(QStringLiteral("\"%1\" is not one of none, gzip, zstd").arg(text));
    return *compression;
}

QString NonEmpty(const QString& text)
{
    if (text.isEmpty())
        throw Failure(QStringLiteral("the value is empty"));
    return text;
}

// One key of the file: what it writes for a job (no values: left out) and how a value read
// for it changes the job. `repeatable` keys may appear more than once (each value is added).
struct Key {
    const char* section;
    const char* name;
    std::function<QStringList(const Job&)> write;
    std::function<void(Job&, const QString&)> read;
    bool repeatable = false;
};

// Texts that are left out when empty, so that a hand-written job needs only what it uses.
QStringList Given(const QString& text)
{
    return text.isEmpty() ? QStringList{} : QStringList{text};
}

// Every key, in the order they are written. A new key is one line here. A compression level
// is read within the widest codec's range; the run checks it against the codec it writes.
const std::vector<Key>& Keys()
{
    static const std::vector<Key> keys{
        {"login", "server", [](const Job& j) { return Given(j.login.server); }, [](Job& j, const QString& v) { j.login.server = v; }},
        {"login", "port", [](const Job& j) { return Given(j.login.port); }, [](Job& j, const QString& v) { j.login.port = v; }},
        {"login", "local", [](const Job& j) { return QStringList{YesNo(j.login.localConnection)}; }, [](Job& j, const QString& v) { j.login.localConnection = ReadYesNo(v); }},
        {"login", "database", [](const Job& j) { return Given(j.login.database); }, [](Job& j, const QString& v) { j.login.database = v; }},
        {"login", "user", [](const Job& j) { return Given(j.login.user); }, [](Job& j, const QString& v) { j.login.user = v; }},
        {"export", "schema", [](const Job& j) { return Given(j.schema); }, [](Job& j, const QString& v) { j.schema = v; }},
        {"export", "table", [](const Job& j) { return Given(j.table); }, [](Job& j, const QString& v) { j.table = v; }},
        {"export", "tables", [](const Job& j) { return j.tables; }, [](Job& j, const QString& v) { j.tables << NonEmpty(v); }, true},
        {"export", "column", [](const Job& j) { return j.columns; }, [](Job& j, const QString& v) { j.columns << NonEmpty(v); }, true},
        {"export", "output", [](const Job& j) { return QStringList{j.output}; }, [](Job& j, const QString& v) { j.output = v; }},
        {"export", "compress", [](const Job& j) { return j.compression ? QStringList{CompressionWord(*j.compression)} : QStringList{}; }, [](Job& j, const QString& v) { j.compression = ReadCompression(v); }},
        {"export", "compress-level", [](const Job& j) { return j.compressionLevel ? QStringList{QString::number(*j.compressionLevel)} : QStringList{}; }, [](Job& j, const QString& v) { j.compressionLevel = int(ReadWholeNumber(v, LowestCompressionLevel(Compression::Zstd), HighestCompressionLevel(Compression::Zstd))); }},
        {"export", "split-rows", [](const Job& j) { return j.splitRows > 0 ? QStringList{QString::number(j.splitRows)} : QStringList{}; }, [](Job& j, const QString& v) { j.splitRows = ReadWholeNumber(v, 1, std::numeric_limits<qint64>::max()); }},
        {"export", "separator", [](const Job& j) { return QStringList{j.separator}; }, [](Job& j, const QString& v) { j.separator = v; }},
        {"export", "header", [](const Job& j) { return QStringList{YesNo(j.header)}; }, [](Job& j, const QString& v) { j.header = ReadYesNo(v); }},
        {"export", "quoting", [](const Job& j) { return QStringList{QuotingWords()[int(j.format.quoting)]}; }, [](Job& j, const QString& v) { j.format.quoting = Quoting(ReadWord(v, QuotingWords())); }},
        {"export", "encoding", [](const Job& j) { return QStringList{EncodingWords()[int(j.format.encoding)]}; }, [](Job& j, const QString& v) { j.format.encoding = FileEncoding(ReadWord(v, EncodingWords())); }},
        {"export", "formats", [](const Job& j) { return QStringList{ValueFormsWords()[int(j.format.values)]}; }, [](Job& j, const QString& v) { j.format.values = ValueForms(ReadWord(v, ValueFormsWords())); }},
        {"rows", "after-column", [](const Job& j) { return Given(j.afterColumn); }, [](Job& j, const QString& v) { j.afterColumn = v; }},
        {"rows", "last-value", [](const Job& j) { return Given(j.lastValue); }, [](Job& j, const QString& v) { j.lastValue = v; }},
    };
    return keys;
}

bool NeedsQuotes(const QString& value)
{
    if (value.isEmpty() || value.front().isSpace() || value.back().isSpace() || value.front() == QLatin1Char('"'))
        return true;
    return std::any_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

QString Quoted(const QString& value)
{
    QString text = QStringLiteral("\"");
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '"': text += QLatin1String("\\\""); break;
        case '\\': text += QLatin1String("\\\\"); break;
        case '\t': text += QLatin1String("\\t"); break;
        case '\r': text += QLatin1String("\\r"); break;
        case '\n': text += QLatin1String("\\n"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                text += c;
        }
    }
    return text + QLatin1Char('"');
}

// The value of a quoted text; throws Failure for a broken one.
QString Unquoted(QStringView text)
{
    QString value;
    qsizetype at = 1;
    for (; at < text.size() && text[at] != QLatin1Char('"'); ++at) {
        if (text[at] != QLatin1Char('\\')) {
            value += text[at];
            continue;
        }
        if (++at == text.size())
            break;
        switch (text[at].unicode()) {
        case '"': value += QLatin1Char('"'); break;
        case '\\': value += QLatin1Char('\\'); break;
        case 't': value += QLatin1Char('\t'); break;
        case 'r': value += QLatin1Char('\r'); break;
        case 'n': value += QLatin1Char('\n'); break;
        case 'x': {
            bool number = false;
            const uint code = text.mid(at + 1, 2).toUInt(&number, 16);
            if (!number || at + 2 >= text.size())
                throw Failure(QStringLiteral("\\x needs two hexadecimal digits"));
            value += QChar(char16_t(code));
            at += 2;
            break;
        }
        default: throw Failure(QStringLiteral("unknown escape \\%1").arg(text[at]));
        }
    }
    if (at >= text.size())
        throw Failure(QStringLiteral("the quoted value has no closing quote"));
    if (!text.sliced(at + 1).trimmed().isEmpty())
        throw Failure(QStringLiteral("text after the closing quote"));
    return value;
}

} // namespace

Job ReadJobFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    // A job file is a few hundred bytes; anything this large is something else.
    constexpr qint64 Largest = 1 << 20;
    QByteArray bytes = file.read(Largest + 1);
    if (bytes.size() > Largest)
        throw Failure(QStringLiteral("%1: not a job file (larger than 1 MiB)").arg(fileName));
    if (bytes.startsWith("\xEF\xBB\xBF")) // an editor's byte-order mark
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        throw Failure(QStringLiteral("%1: not a job file (the text is not UTF-8)").arg(fileName));

    Job job;
    QString section;
    QSet<QString> seen;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype number = 1; number <= lines.size(); ++number) {
        QString line = lines[number - 1];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        try {
            if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')) || trimmed.startsWith(QLatin1Char(';')))
                continue;
            if (trimmed.startsWith(QLatin1Char('['))) {
                if (!trimmed.endsWith(QLatin1Char(']')))
                    throw Failure(QStringLiteral("a section line ends with ']'"));
                section = trimmed.mid(1, trimmed.size() - 2).trimmed();
                const auto& keys = Keys();
                if (std::none_of(keys.begin(), keys.end(), [&](const Key& k) { return section == QLatin1String(k.section); }))
                    throw Failure(QStringLiteral("unknown section [%1]").arg(section));
                continue;
            }
            const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
            if (equals < 0)
                throw Failure(QStringLiteral("expected \"key = value\", a [section] or a # comment"));
            const QString name = trimmed.left(equals).trimmed();
            const auto& keys = Keys();
            const auto key = std::find_if(keys.begin(), keys.end(), [&](const Key& k) {
                return section == QLatin1String(k.section) && name == QLatin1String(k.name);
            });
            if (key == keys.end())
                throw Failure(section.isEmpty() ? QStringLiteral("unknown key \"%1\" (before any [section])").arg(name)
                                                : QStringLiteral("unknown key \"%1\" in [%2]").arg(name, section));
            const QString id = section + QLatin1Char('/') + name;
            if (!key->repeatable && seen.contains(id))
                throw Failure(QStringLiteral("the key \"%1\" is given twice").arg(name));
            seen.insert(id);
            const QStringView raw = QStringView(trimmed).sliced(equals + 1).trimmed();
            const QString value = raw.startsWith(QLatin1Char('"')) ? Unquoted(raw) : raw.toString();
            key->read(job, value);
        } catch (const Failure& failure) {
            throw Failure(QStringLiteral("%1, line %2: %3").arg(fileName).arg(number).arg(failure.description()));
        }
    }
    return job;
}

QByteArray JobFileText(const Job& job)
{
    QString text = QStringLiteral("# Velloxa export job. Run it with: velloxa-export --job FILE\n"
                                  "# Every key is described in velloxa-job(5). It never holds a password.\n");
    QString section;
    for (const Key& key : Keys()) {
        const QStringList values = key.write(job);
        if (values.isEmpty())
            continue;
        if (section != QLatin1String(key.section)) {
            section = QLatin1String(key.section);
            text += QStringLiteral("\n[%1]\n").arg(section);
        }
        for (const QString& value : values)
            text += QStringLiteral("%1 = %2\n").arg(QLatin1String(key.name), NeedsQuotes(value) ? Quoted(value) : value);
    }
    return text.toUtf8();
}

void WriteJobFile(const QString& fileName, const Job& job)
{
    ReplacingFile file(fileName);
    file.write(JobFileText(job));
    file.commit();
}

} // namespace velloxa
