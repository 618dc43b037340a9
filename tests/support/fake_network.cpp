#include "support/fake_network.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <map>

namespace kalvora::test {

namespace {

bool readAll(int fd, char* buf, size_t n)
{
    while (n > 0) {
        const ssize_t r = ::read(fd, buf, n);
        if (r <= 0)
            return false;
        buf += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

void put32(QByteArray& out, quint32 v)
{
    const quint32 be = htonl(v);
    out.append(reinterpret_cast<const char*>(&be), 4);
}

void put16(QByteArray& out, quint16 v)
{
    const quint16 be = htons(v);
    out.append(reinterpret_cast<const char*>(&be), 2);
}

QByteArray message(char type, const QByteArray& body)
{
    QByteArray out(1, type);
    put32(out, static_cast<quint32>(body.size() + 4));
    return out + body;
}

void send(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t w = ::send(fd, p, static_cast<size_t>(left), MSG_NOSIGNAL);
        if (w <= 0)
            return;
        p += w;
        left -= w;
    }
}

} // namespace

FakeNetwork::FakeNetwork(Mode mode, const QString& address) : m_mode(mode)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.toLatin1().constData(), &addr.sin_addr);
    socklen_t len = sizeof addr;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(m_listener);
        m_listener = -1;
        return;
    }
    m_port = ntohs(addr.sin_port);
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    m_thread = std::thread([this] { run(); });
}

FakeNetwork::~FakeNetwork()
{
    if (m_thread.joinable()) {
        const char c = 0;
        (void)!::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
    for (int fd : m_held)
        ::close(fd);
}

void FakeNetwork::relayTo(const QString& host, int port)
{
    m_toHost = host.toLatin1();
    m_toPort = port;
}

void FakeNetwork::setAnswer(unsigned typeOid, const QByteArray& text)
{
    m_typeOid = typeOid;
    m_answer = text;
}

void FakeNetwork::run()
{
    std::map<int, int> peers; // both directions of each relayed pair
    for (;;) {
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const auto& [fd, other] : peers)
            fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            if (m_mode == Mode::Hostile) {
                serveHostile(client);
                ::close(client);
            } else if (m_mode == Mode::NoTls) {
                char request[8];
                if (readAll(client, request, sizeof request))
                    send(client, "N");
                m_held.push_back(client); // libpq closes its side
            } else if (m_blackHole) {
                m_held.push_back(client);
            } else {
                const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                sockaddr_in to{};
                to.sin_family = AF_INET;
                to.sin_port = htons(static_cast<quint16>(m_toPort));
                ::inet_pton(AF_INET, m_toHost.constData(), &to.sin_addr);
                if (::connect(server, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
                    ::close(server);
                    ::close(client);
                    continue;
                }
                peers[client] = server;
                peers[server] = client;
            }
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents || !peers.count(fds[i].fd))
                continue;
            char buf[16384];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            const int other = peers[fds[i].fd];
            if (n <= 0) {
                peers.erase(fds[i].fd);
                peers.erase(other);
                ::close(fds[i].fd);
                ::close(other);
                continue;
            }
            send(other, QByteArray(buf, n));
        }
    }
    for (const auto& [fd, other] : peers)
        ::close(fd);
}

void FakeNetwork::serveHostile(int fd)
{
    // The start-up packet (a TLS request first, refused), then a login without a password.
    char head[8];
    if (!readAll(fd, head, 8))
        return;
    quint32 len = 0;
    std::memcpy(&len, head, 4);
    len = ntohl(len);
    if (len == 8) {
        send(fd, "N");
        if (!readAll(fd, head, 4))
            return;
        std::memcpy(&len, head, 4);
        len = ntohl(len);
        QByteArray rest(static_cast<qsizetype>(len) - 4, '\0');
        if (!readAll(fd, rest.data(), static_cast<size_t>(rest.size())))
            return;
    } else {
        QByteArray rest(static_cast<qsizetype>(len) - 8, '\0');
        if (!readAll(fd, rest.data(), static_cast<size_t>(rest.size())))
            return;
    }
    QByteArray auth;
    put32(auth, 0);
    send(fd, message('R', auth) + message('Z', "I"));
    QByteArray pending;
    for (;;) {
        char type = 0;
        if (!readAll(fd, &type, 1) || !readAll(fd, head, 4))
            return;
        std::memcpy(&len, head, 4);
        len = ntohl(len);
        QByteArray body(static_cast<qsizetype>(len) - 4, '\0');
        if (!readAll(fd, body.data(), static_cast<size_t>(body.size())))
            return;
        QByteArray row;
        put16(row, 1);
        put32(row, static_cast<quint32>(m_answer.size()));
        row += m_answer;
        QByteArray columns;
        put16(columns, 1);
        columns += QByteArray("n") + '\0';
        put32(columns, 0);
        put16(columns, 0);
        put32(columns, m_typeOid);
        put16(columns, 8);
        put32(columns, 0xffffffffu);
        put16(columns, 0);
        switch (type) {
        case 'X':
            return;
        case 'Q':
            send(fd, message('T', columns) + message('D', row) + message('C', QByteArray("SELECT 1") + '\0') +
                         message('Z', "I"));
            break;
        case 'P':
            pending += message('1', {});
            break;
        case 'B':
            pending += message('2', {});
            break;
        case 'D':
            pending += message('T', columns);
            break;
        case 'E':
            if (m_endless) {
                // A row that announces 64 MB and never ends, sent until the client hangs up.
                send(fd, pending);
                pending.clear();
                QByteArray head(1, 'D');
                put32(head, (64u << 20) + 10);
                put16(head, 1);
                put32(head, 64u << 20);
                send(fd, head);
                const QByteArray chunk(64 * 1024, 'x');
                while (::send(fd, chunk.constData(), static_cast<size_t>(chunk.size()), MSG_NOSIGNAL) > 0) {
                }
                return;
            }
            pending += message('D', row) + message('C', QByteArray("SELECT 1") + '\0');
            break;
        case 'S':
            send(fd, pending + message('Z', "I"));
            pending.clear();
            break;
        default:
            break;
        }
    }
}

} // namespace kalvora::test
