#pragma once

#include "data/pg/pg_connection.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

namespace kalvora {

// Hears the server say that another desk committed a change of the book. Every change of a book table
// notifies its schema (cari, iptal, gelir, gider) at commit, by a trigger, whoever wrote it; this desk's
// own commits are told apart by the server process that sent them. A connection of its own waits on the
// server without blocking the event loop; a lost connection is tried again every second, and the time
// it was away counts as a change of everything, since nobody can tell what was missed. The first
// connection is made at once (the store has just reached the server); every later one is made without
// blocking the event loop, so a server that does not answer never freezes a window.
class BookWatcher final : public QObject {
    Q_OBJECT
public:
    // ownProcess(pid): true for the server process of one of this desk's own connections.
    BookWatcher(const QString& uri, std::function<bool(int)> ownProcess, QObject* parent = nullptr);
    ~BookWatcher() override;

    static QString channel() { return QStringLiteral("kalvora_degisti"); }

    // Takes in what has already arrived, without waiting (a list about to decide whether to read
    // everybody again asks first).
    void poll();
    // How many times other desks changed the schema since the watch began; it only grows.
    qint64 changesOf(const QString& schema) const;
    // The server has confirmed the watch.
    bool listening() const { return m_state == State::Listening; }

Q_SIGNALS:
    // Other desks committed changes in these schemas.
    void changed(const QStringList& schemas);

private:
    enum class State { Idle, Connecting, AwaitingListen, Listening };
    void listenNow();
    void startConnect();
    void continueConnect();
    void watchSocket(QSocketNotifier::Type type);
    void dropNotifier();
    void sendListen();
    void listenConfirmed();
    void lost();

    QString m_uri;
    std::function<bool(int)> m_ownProcess;
    PgConnection m_conn;
    State m_state = State::Idle;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_retry;
    QTimer m_giveUp; // a connection attempt that takes longer than its connect_timeout
    QHash<QString, qint64> m_changes;
    qint64 m_outages = 0;
    bool m_everListened = false;
};

} // namespace kalvora
