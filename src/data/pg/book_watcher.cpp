#include "data/pg/book_watcher.h"

#include <libpq-fe.h>

#include <QSet>

namespace kalvora {

namespace {

const QStringList bookSchemas{QStringLiteral("cari"), QStringLiteral("iptal"), QStringLiteral("gelir"),
                              QStringLiteral("gider")};

} // namespace

BookWatcher::BookWatcher(const QString& uri, std::function<bool(int)> ownProcess, QObject* parent)
    : QObject(parent), m_uri(uri), m_ownProcess(std::move(ownProcess))
{
    m_retry.setInterval(1000);
    connect(&m_retry, &QTimer::timeout, this, &BookWatcher::listen);
    listen();
}

BookWatcher::~BookWatcher() = default;

void BookWatcher::listen()
{
    try {
        PgConnection conn = PgConnection::open(m_uri);
        conn.exec(QStringLiteral("LISTEN ") + channel());
        m_conn = std::move(conn);
    } catch (const PgError&) {
        m_retry.start(); // the desk's own actions report the server's state; this one just tries again
        return;
    }
    m_retry.stop();
    m_notifier = std::make_unique<QSocketNotifier>(PQsocket(m_conn.handle()), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &BookWatcher::poll);
    if (m_everListened) {
        ++m_outages;
        Q_EMIT changed(bookSchemas);
    }
    m_everListened = true;
}

void BookWatcher::lost()
{
    m_notifier.reset();
    m_conn = PgConnection();
    m_retry.start();
}

void BookWatcher::poll()
{
    if (!m_conn.isOpen())
        return;
    pg_conn* conn = m_conn.handle();
    if (PQconsumeInput(conn) == 0 || PQstatus(conn) != CONNECTION_OK) {
        lost();
        return;
    }
    QSet<QString> schemas;
    while (PGnotify* n = PQnotifies(conn)) {
        if (!m_ownProcess || !m_ownProcess(n->be_pid))
            schemas.insert(QString::fromUtf8(n->extra));
        PQfreemem(n);
    }
    if (schemas.isEmpty())
        return;
    QStringList list;
    for (const QString& s : bookSchemas) {
        if (schemas.contains(s)) {
            ++m_changes[s];
            list << s;
        }
    }
    if (!list.isEmpty())
        Q_EMIT changed(list);
}

qint64 BookWatcher::changesOf(const QString& schema) const
{
    return m_changes.value(schema) + m_outages;
}

} // namespace kalvora
