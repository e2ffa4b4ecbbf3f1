#include "app/HandPointer.h"

#include "errors/Failure.h"
#include "shell/PointerConvention.h"
#include "shell/ShellServices.h"

namespace velloxa {

QString HandPointerFile()
{
    return ApplicationFolder() + QStringLiteral("/HAND-M.CUR");
}

void LoadHandPointer(PointerConvention& pointer, const QString& file)
{
    if (!pointer.loadCustomPointer(file))
        throw Failure(QStringLiteral("Invalid picture: ") + file);
}

} // namespace velloxa
