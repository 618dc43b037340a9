#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace kalvora::test {

// A throwaway PostgreSQL 15 server (the tests' own, or the bench's): a fresh cluster from Debian's
// initdb, reached only through a Unix socket in a temporary folder (no TCP), stopped by the destructor.
// The server refuses to run as root, so under root its programs run as the system user kalvora-test
// (created when missing).
class PgServer {
public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // Creates the cluster and starts the server; false, with error(), when a program is missing or
    // fails. The tests fail on false: a missing server is never a reason to skip.
    bool start();
    // Before start(): keep the server's default durability (every commit flushed), as a real server
    // does; the tests leave it off, durability is not what they are about.
    void setDurable(bool durable) { m_durable = durable; }
    // Before start(): also listen on 127.0.0.1 at a free port, with TLS on, under a certificate for
    // 127.0.0.1 and localhost signed by a certificate authority made for this server (caFile());
    // otherCaFile() is an authority that signed nothing of it.
    void setTls(bool tls) { m_tls = tls; }
    QString caFile() const;
    QString otherCaFile() const;
    int port() const { return m_port; }
    const QString& error() const { return m_error; }

    // Creates a database ([a-z_][a-z0-9_]*) and returns its URI; empty, with error(), on failure.
    QString createDatabase(const QString& name);
    // postgresql:///name?host=<socket folder>&port=...&user=...
    QString uri(const QString& database) const;
    QString socketFolder() const;

    static QString binFolder();

private:
    bool run(const QString& program, const QStringList& args, QString* output = nullptr);
    bool prepareUser();
    bool makeCertificates(const QString& folder);
    void stop();
    void stopOrphans();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_runAs; // empty when the test does not run as root
    QString m_error;
    bool m_running = false;
    bool m_durable = false;
    bool m_tls = false;
    int m_port = 5432;
};

} // namespace kalvora::test
