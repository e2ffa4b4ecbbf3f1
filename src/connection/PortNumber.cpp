#include "connection/PortNumber.h"

#include <algorithm>

namespace velloxa {

bool IsPortNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 18
        || !std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return false;
    const qint64 port = text.toLongLong();
    return port >= 1 && port <= 65535;
}

bool PortIsUsable(const LoginValues& values)
{
    return values.localConnection || values.port.isEmpty() || IsPortNumber(values.port);
}

} // namespace velloxa
