#include "export/RegionalSettings.h"

#include <QString>

namespace velloxa {

QLocale RegionalSettings()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // The order in which Qt's system locale picks the category, an unset one meaning C.
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return QLocale(name).language() == QLocale::C ? QLocale::c() : QLocale::system();
    }
    return QLocale::c();
#else
    return QLocale::system();
#endif
}

} // namespace velloxa
