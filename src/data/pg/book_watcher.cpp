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
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &BookWatcher::startConnect);
    m_giveUp.setSingleShot(true);
    connect(&m_giveUp, &QTimer::timeout, this, &BookWatcher::lost);
    listenNow();
}

BookWatcher::~BookWatcher() = default;

void BookWatcher::listenNow()
{
    try {
        PgConnection conn = PgConnection::open(m_uri);
        conn.exec(QStringLiteral("LISTEN ") + channel());
        m_conn = std::move(conn);
    } catch (const PgError&) {
        m_retry.start(); // the desk's own actions report the server's state; this one just tries again
        return;
    }
    watchSocket(QSocketNotifier::Read);
    listenConfirmed();
}

void BookWatcher::watchSocket(QSocketNotifier::Type type)
{
    if (m_notifier && m_notifier->type() == type && m_notifier->socket() == m_conn.socket())
        return;
    dropNotifier();
    m_notifier = std::make_unique<QSocketNotifier>(m_conn.socket(), type);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        if (m_state == State::Connecting)
            continueConnect();
        else
            poll();
    });
}

void BookWatcher::dropNotifier()
{
    // Often called from the notifier's own signal: it goes once that has returned.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
    }
}

void BookWatcher::startConnect()
{
    try {
        m_conn = PgConnection::startConnect(m_uri);
    } catch (const PgError&) {
        lost();
        return;
    }
    m_state = State::Connecting;
    m_giveUp.start(m_conn.connectTimeout() * 1000);
    // libpq asks to be called first once the socket can be written.
    watchSocket(QSocketNotifier::Write);
}

void BookWatcher::continueConnect()
{
    PgConnection::ConnectStep step = PgConnection::ConnectStep::WaitRead;
    try {
        step = m_conn.continueConnect();
    } catch (const PgError&) {
        lost();
        return;
    }
    switch (step) {
    case PgConnection::ConnectStep::WaitRead:
        watchSocket(QSocketNotifier::Read);
        break;
    case PgConnection::ConnectStep::WaitWrite:
        watchSocket(QSocketNotifier::Write);
        break;
    case PgConnection::ConnectStep::Done:
        sendListen();
        break;
    }
}

void BookWatcher::sendListen()
{
    const QByteArray sql = (QStringLiteral("LISTEN ") + channel()).toUtf8();
    if (PQsendQuery(m_conn.handle(), sql.constData()) != 1) {
        lost();
        return;
    }
    m_state = State::AwaitingListen;
    watchSocket(QSocketNotifier::Read);
    poll(); // the answer may be here already
}

void BookWatcher::listenConfirmed()
{
    m_giveUp.stop();
    m_state = State::Listening;
    if (m_everListened) {
        ++m_outages;
        Q_EMIT changed(bookSchemas);
    }
    m_everListened = true;
}

void BookWatcher::lost()
{
    m_giveUp.stop();
    dropNotifier();
    m_conn = PgConnection();
    m_state = State::Idle;
    m_retry.start();
}

void BookWatcher::poll()
{
    if (m_state != State::Listening && m_state != State::AwaitingListen)
        return;
    pg_conn* conn = m_conn.handle();
    if (PQconsumeInput(conn) == 0 || PQstatus(conn) != CONNECTION_OK) {
        lost();
        return;
    }
    if (m_state == State::AwaitingListen) {
        if (PQisBusy(conn))
            return;
        bool ok = false;
        while (PGresult* res = PQgetResult(conn)) {
            ok = ok || PQresultStatus(res) == PGRES_COMMAND_OK;
            PQclear(res);
        }
        if (!ok) {
            lost();
            return;
        }
        listenConfirmed();
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
