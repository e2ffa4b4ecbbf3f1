#include "export/FileFormat.h"

namespace velloxa {

QStringList QuotingNames()
{
    return {QStringLiteral("None (as written)"), QStringLiteral("Where needed (RFC 4180)"), QStringLiteral("All values")};
}

QStringList EncodingNames()
{
    return {QStringLiteral("Windows-1252 (ANSI)"), QStringLiteral("UTF-8"), QStringLiteral("UTF-8 with BOM (for Excel)"),
            QStringLiteral("UTF-16 LE with BOM")};
}

QStringList ValueFormsNames()
{
    return {QStringLiteral("Regional settings"), QStringLiteral("ISO 8601")};
}

QStringList QuotingWords()
{
    return {QStringLiteral("none"), QStringLiteral("needed"), QStringLiteral("all")};
}

QStringList EncodingWords()
{
    return {QStringLiteral("windows-1252"), QStringLiteral("utf-8"), QStringLiteral("utf-8-bom"), QStringLiteral("utf-16le")};
}

QStringList ValueFormsWords()
{
    return {QStringLiteral("regional"), QStringLiteral("iso")};
}

} // namespace velloxa
