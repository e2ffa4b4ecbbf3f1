// What the sandbox tests share: the standard server arguments for the test databases.
#pragma once

#include "SandboxServer.h"

#include <QStringList>

namespace velloxa::test {

inline QStringList shopServerArguments(const QStringList& extra = {})
{
    return QStringList{"--database", "Shop=" + testDataPath("sandbox/shop.sql"),
                       "--database", "Types=" + testDataPath("sandbox/types.sql"),
                       "--account", "tester:Secret#1", "--account", "other:pw"}
           + extra;
}

} // namespace velloxa::test
