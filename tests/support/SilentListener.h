// A TCP port that takes connections and never says a word: what a firewall, a proxy or an
// HTTP or SSH port looks like to a TDS client. The kernel completes the handshake from the
// listen queue, so this works while the test's thread is blocked in the call under test.
#pragma once

#include <QString>
#include <QTcpServer>

namespace velloxa::test {

class SilentListener {
public:
    SilentListener();
    bool isListening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    QString server() const; // "127.0.0.1,<port>"

private:
    QTcpServer server_;
};

} // namespace velloxa::test
