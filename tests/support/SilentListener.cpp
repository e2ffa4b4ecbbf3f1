#include "SilentListener.h"

namespace velloxa::test {

SilentListener::SilentListener()
{
    // Accepted connections stay queued and unread: nothing is ever sent back.
    server_.setMaxPendingConnections(1024);
    server_.listen(QHostAddress::LocalHost, 0);
}

QString SilentListener::server() const
{
    return QStringLiteral("127.0.0.1,%1").arg(port());
}

} // namespace velloxa::test
