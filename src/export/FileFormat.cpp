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

} // namespace velloxa
