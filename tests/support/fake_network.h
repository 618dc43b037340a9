#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>
#include <vector>

namespace kalvora::test {

// A listening TCP socket on a loopback address served by a thread of its own, for the network's
// failures a real server cannot show:
//  - Relay: every connection is passed on to a server (host, port); with blackHole() set, new
//    connections are taken and never answered, as behind a network that drops packets, while those
//    already relayed go on.
//  - NoTls: answers a request for TLS with "no", as a server without TLS does.
//  - Hostile: speaks just enough of the server's protocol to log in and answer every query with one
//    row of one column of the given type holding the given text.
class FakeNetwork {
public:
    enum class Mode { Relay, NoTls, Hostile };
    // address: "127.0.0.1", "127.0.0.2" (Linux answers the whole 127/8 on the loopback device).
    FakeNetwork(Mode mode, const QString& address);
    ~FakeNetwork();
    FakeNetwork(const FakeNetwork&) = delete;
    FakeNetwork& operator=(const FakeNetwork&) = delete;

    int port() const { return m_port; }
    bool listening() const { return m_listener >= 0; }
    void relayTo(const QString& host, int port);
    void setBlackHole(bool on) { m_blackHole = on; }
    // The column a Hostile server sends: its type (an oid: 20 int8, 701 float8, 25 text) and text.
    void setAnswer(unsigned typeOid, const QByteArray& text);
    // The answer to a prepared statement's run is a row that never ends.
    void setEndless(bool on) { m_endless = on; }

private:
    void run();
    void serveHostile(int fd);

    Mode m_mode;
    int m_listener = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    QByteArray m_toHost;
    int m_toPort = 0;
    std::atomic<bool> m_blackHole = false;
    unsigned m_typeOid = 20;
    QByteArray m_answer;
    bool m_endless = false;
    std::vector<int> m_held;
    std::thread m_thread;
};

} // namespace kalvora::test
