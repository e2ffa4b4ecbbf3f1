// Bad input over a raw socket and several clients at once: a misbehaving client loses its own
// connection and nothing else; the server keeps serving everybody.
#include "OdbcClient.h"
#include "SandboxTestSupport.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QTest>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace velloxa::test;

namespace {

QByteArray packet(char type, const QByteArray& payload, bool last = true, int lengthOverride = -1)
{
    const int length = lengthOverride >= 0 ? lengthOverride : int(payload.size()) + 8;
    QByteArray p;
    p += type;
    p += char(last ? 1 : 0);
    p += char(length >> 8);
    p += char(length & 0xFF);
    p += QByteArray(4, '\0');
    return p + payload;
}

class RawConnection {
public:
    explicit RawConnection(quint16 port) : fd_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawConnection() { ::close(fd_); }
    bool connected() const { return connected_; }

    void send(const QByteArray& bytes)
    {
        for (qsizetype at = 0; at < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
            if (n <= 0) return; // the server may hang up half-way, which is fine
            at += n;
        }
    }

    // True when the server closes the connection within the time (after any answer it sends).
    bool closedByServerWithin(int ms)
    {
        char buffer[4096];
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0) return false;
            if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) return true;
        }
        return false;
    }

    // Reads packets until one ends a message; false when the server closed or took too long.
    bool readReply(int ms)
    {
        QByteArray input;
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            while (input.size() >= 8) {
                const int length = (uchar(input[2]) << 8) | uchar(input[3]);
                if (length < 8 || input.size() < length) break;
                if (input[1] & 1) return true;
                input.remove(0, length);
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0) return false;
            char buffer[65536];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return false;
            input.append(buffer, n);
        }
        return false;
    }

private:
    int fd_;
    bool connected_ = false;
};

QByteArray preloginRequest()
{
    // VERSION and ENCRYPTION (off), then the terminator.
    QByteArray p = QByteArray::fromHex("00000B0006"
                                       "0100110001"
                                       "FF");
    return p + QByteArray::fromHex("0C0000000000"
                                   "00");
}

QByteArray login7WithFieldOutside()
{
    QByteArray record(94, '\0');
    record[0] = char(94);
    record[4] = 0x04;
    record[7] = 0x74;
    record[40] = char(0xE8); // user name at offset 1000 ...
    record[41] = 0x03;
    record[42] = 10; // ... of 10 characters
    return record;
}

QByteArray utf16(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QByteArray login7(const QString& user, const QString& password, const QString& database)
{
    QByteArray secret = utf16(password);
    for (char& b : secret) b = char((((uchar(b) << 4) | (uchar(b) >> 4)) & 0xFF) ^ 0xA5);
    const QByteArray data = utf16(user) + secret + utf16(database);
    QByteArray record(94, '\0');
    auto put16 = [&](int at, int value) {
        record[at] = char(value & 0xFF);
        record[at + 1] = char(value >> 8);
    };
    put16(0, 94 + int(data.size()));
    record[7] = 0x74; // TDS 7.4
    record[4] = 0x04;
    put16(8, 4096);
    put16(40, 94);
    put16(42, int(user.size()));
    put16(44, 94 + int(user.size()) * 2);
    put16(46, int(password.size()));
    put16(68, 94 + int(user.size() + password.size()) * 2);
    put16(70, int(database.size()));
    return record + data;
}

} // namespace

class SandboxRobustnessTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        server_ = std::make_unique<SandboxServer>(shopServerArguments());
        QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
    }

    void dropsClientsThatSendGarbage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("packet length below the header") << packet(0x12, QByteArray(10, 'x'), true, 4);
        QTest::newRow("request before login") << packet(0x01, QByteArray(30, 'x'));
        QTest::newRow("login record too short") << packet(0x12, preloginRequest()) + packet(0x10, QByteArray(20, '\x01'));
        QTest::newRow("login field outside the record") << packet(0x10, login7WithFieldOutside());
        QTest::newRow("packet type changes inside a message") << packet(0x10, QByteArray(100, 'a'), false) + packet(0x01, "b");
        std::mt19937 random(1433);
        QByteArray noise(8192, '\0');
        for (char& c : noise) c = char(random());
        noise[2] = 0; // a first packet header whose length is below the header size
        noise[3] = 3;
        QTest::newRow("random bytes") << noise;
    }
    void dropsClientsThatSendGarbage()
    {
        QFETCH(QByteArray, bytes);
        RawConnection raw(server_->port());
        QVERIFY(raw.connected());
        raw.send(bytes);
        QVERIFY(raw.closedByServerWithin(5000));
        verifyServerStillServes();
    }

    // Where encryption is required, a login never arrives in clear: whatever the client sends
    // instead of a TLS handshake ends its connection.
    void requiredEncryptionAdmitsNoClearLogin_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray login = packet(0x10, login7("tester", "Secret#1", "Shop"));
        QTest::newRow("LOGIN7 without PRELOGIN") << login;
        QTest::newRow("LOGIN7 in clear after the answer") << packet(0x12, preloginRequest()) + login;
        QTest::newRow("no TLS in the handshake packet") << packet(0x12, preloginRequest()) + packet(0x12, QByteArray(300, 'x'));
    }
    void requiredEncryptionAdmitsNoClearLogin()
    {
        QFETCH(QByteArray, bytes);
        SandboxServer server(shopServerArguments({"--encryption", "required"}));
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        RawConnection raw(server.port());
        QVERIFY(raw.connected());
        raw.send(bytes);
        QVERIFY(raw.closedByServerWithin(5000));
    }

    // 16 MiB once logged in; before, a few KiB do (128 KiB), so that unfinished messages of
    // clients nobody knows cost little.
    void capsTheSizeOfAMessage()
    {
        const QByteArray piece = packet(0x01, QByteArray(32000, 'z'), false);
        QByteArray stream;
        for (int i = 0; i < 64; ++i) stream += piece; // 2 MiB, never ending the message
        RawConnection stranger(server_->port());
        QVERIFY(stranger.connected());
        stranger.send(stream.left(5 * piece.size()));
        QVERIFY(stranger.closedByServerWithin(5000));

        RawConnection raw(server_->port());
        raw.send(packet(0x10, login7("tester", "Secret#1", "Shop")));
        QVERIFY(raw.readReply(5000));
        raw.send(stream);
        QVERIFY2(!raw.closedByServerWithin(300), "2 MiB are allowed after the login");
        for (int i = 0; i < 8; ++i) raw.send(stream);
        QVERIFY(raw.closedByServerWithin(5000));
        verifyServerStillServes();
    }

    void capsTheNumberOfConnections()
    {
        SandboxServer small(shopServerArguments({"--max-connections", "3"}));
        QVERIFY2(small.isRunning(), qPrintable(small.errorString()));
        std::vector<std::unique_ptr<RawConnection>> open;
        for (int i = 0; i < 3; ++i) open.push_back(std::make_unique<RawConnection>(small.port()));
        QTest::qWait(200); // the server has taken them
        RawConnection fourth(small.port());
        QVERIFY(fourth.closedByServerWithin(5000));
        open.clear(); // their sessions end, and the places are free again
        QTest::qWait(200);
        OdbcClient client;
        QVERIFY(client.connect(testerConnectionString(small)));
    }

    void stalledClientDoesNotBlockOthers()
    {
        RawConnection halfPacket(server_->port());
        halfPacket.send(packet(0x12, preloginRequest()).left(10));
        RawConnection silent(server_->port());
        verifyServerStillServes();
    }

    void idleAndNonReadingClientsLoseTheirPlace()
    {
        // One client connects and never sends a packet; the other asks for a large result
        // and stops reading. After 30 s the server closes both, and their places are free.
        SandboxServer small(shopServerArguments({"--max-connections", "2"}));
        QVERIFY2(small.isRunning(), qPrintable(small.errorString()));
        RawConnection idle(small.port());
        RawConnection nonReader(small.port());
        nonReader.send(packet(0x10, login7("tester", "Secret#1", "Shop")));
        QVERIFY(nonReader.readReply(5000));
        const QByteArray allHeaders = QByteArray::fromHex("16000000120000000200000000000000000001000000");
        nonReader.send(packet(0x01, allHeaders + utf16("SELECT a.*, b.* FROM [Numbers] a CROSS JOIN [Numbers] b")));
        QVERIFY(idle.closedByServerWithin(60000));
        // The non-reader is not read from: reading would let its blocked send through. Its
        // place is free once two new logins fit beside each other.
        OdbcClient first;
        OdbcClient second;
        QDeadlineTimer deadline(90000);
        bool connected = false;
        while (!(connected = (first.isConnected() || first.connect(testerConnectionString(small))) && second.connect(testerConnectionString(small))) && !deadline.hasExpired())
            QTest::qWait(1000);
        QVERIFY2(connected, second.connectErrors().isEmpty() ? "" : qPrintable(second.connectErrors().first().message));
        QVERIFY(nonReader.closedByServerWithin(10000));
    }

    void survivesRandomRequestsAfterLogin()
    {
        std::mt19937 random(2024);
        const char types[] = {0x01, 0x03, 0x03, 0x06, 0x0E};
        auto loggedIn = [&] {
            auto raw = std::make_unique<RawConnection>(server_->port());
            raw->send(packet(0x10, login7("tester", "Secret#1", "Shop")));
            return raw->readReply(5000) ? std::move(raw) : nullptr;
        };
        auto raw = loggedIn();
        QVERIFY2(raw, "a hand-made login is accepted");
        for (int i = 0; i < 300; ++i) {
            QByteArray payload(int(random() % 200), '\0');
            for (char& c : payload) c = char(random());
            // Mostly well-formed ALL_HEADERS, so that the parsers behind it get exercised too.
            if (i % 3 != 0 && payload.size() >= 22) payload.replace(0, 4, QByteArray::fromHex("16000000"));
            raw->send(packet(types[random() % sizeof types], payload));
            if (!raw->readReply(5000)) {
                raw = loggedIn();
                QVERIFY2(raw, "the server still accepts logins");
            }
        }
        verifyServerStillServes();
    }

    void servesSeveralClientsAtOnce()
    {
        constexpr int kClients = 6;
        std::atomic<int> good{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kClients; ++i) {
            threads.emplace_back([&, i] {
                OdbcClient client;
                if (!client.connect(testerConnectionString(*server_, i % 2 ? "Shop" : "shop"))) return;
                const Result r = client.query("SELECT * FROM [Numbers]");
                if (r.ok && r.rows.size() == 5000 && r.rows.last() == QStringList{"5000", "row 5000"}) ++good;
            });
        }
        for (std::thread& t : threads) t.join();
        QCOMPARE(good.load(), kClients);
    }

private:
    void verifyServerStillServes()
    {
        OdbcClient client;
        QVERIFY(client.connect(testerConnectionString(*server_)));
        QCOMPARE(client.query("SELECT COUNT(*) FROM [Orders]").rows, QList<QStringList>{{"3"}});
    }

    std::unique_ptr<SandboxServer> server_;
};

QTEST_GUILESS_MAIN(SandboxRobustnessTest)
#include "tst_sandbox_robustness.moc"
