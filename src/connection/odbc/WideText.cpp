#include "connection/odbc/WideText.h"

namespace velloxa::odbc {

std::vector<SQLWCHAR> ToWide(const QString& text)
{
    std::vector<SQLWCHAR> wide(size_t(text.size()) + 1, 0);
    std::copy(text.utf16(), text.utf16() + text.size(), wide.begin());
    return wide;
}

QString FromWide(const SQLWCHAR* text, qsizetype length)
{
    return QString(reinterpret_cast<const QChar*>(text), length);
}

} // namespace velloxa::odbc
