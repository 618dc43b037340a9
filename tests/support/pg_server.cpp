#include "support/pg_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>

#include <libpq-fe.h>

#include <cstdlib>
#include <exception>
#include <vector>

#include <cerrno>
#include <csignal>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvora::test {

namespace {

const char* const serverUser = "kalvora-test";
const char* const superuser = "kalvora_test";

bool ownTree(const QString& path, uid_t uid, gid_t gid)
{
    if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0)
        return false;
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        for (const QFileInfo& e :
             QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            if (!ownTree(e.filePath(), uid, gid))
                return false;
    return true;
}

std::vector<PgServer*>& runningServers()
{
    // Never destroyed: a server held in a function's static outlives any static made after it, and
    // still takes itself off this list when it stops at exit.
    static auto* servers = new std::vector<PgServer*>;
    return *servers;
}

std::terminate_handler previousTerminate = nullptr;

// QtTest rethrows an exception no test caught, which ends the process without destructors: the
// servers are stopped here so that no stray server outlives its test.
[[noreturn]] void stopServersAndTerminate()
{
    for (PgServer* s : std::vector<PgServer*>(runningServers()))
        s->~PgServer();
    if (previousTerminate)
        previousTerminate();
    std::abort();
}

} // namespace

PgServer::PgServer() = default;

PgServer::~PgServer()
{
    stop();
    if (m_dir)
        m_dir->remove();
}

QString PgServer::binFolder()
{
    return QStringLiteral("/usr/lib/postgresql/15/bin");
}

bool PgServer::run(const QString& program, const QStringList& args, QString* output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    // The server's user may not be able to enter the test's working folder.
    p.setWorkingDirectory(m_dir ? m_dir->path() : QDir::tempPath());
    if (m_runAs.isEmpty()) {
        p.start(program, args);
    } else {
        QStringList all{QStringLiteral("-u"), m_runAs, QStringLiteral("--"), program};
        all += args;
        p.start(QStringLiteral("/usr/sbin/runuser"), all);
    }
    if (!p.waitForStarted(30000)) {
        m_error = program + QStringLiteral(": ") + p.errorString();
        return false;
    }
    p.waitForFinished(120000);
    const QString out = QString::fromLocal8Bit(p.readAll());
    if (output)
        *output = out;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QFileInfo(program).fileName() + QStringLiteral(" ") + args.join(QLatin1Char(' ')) +
                  QStringLiteral(" failed (") + QString::number(p.exitCode()) + QStringLiteral("):\n") + out;
        return false;
    }
    return true;
}

bool PgServer::prepareUser()
{
    if (::geteuid() != 0)
        return true;
    m_runAs = QString::fromLatin1(serverUser);
    if (!::getpwnam(serverUser)) {
        // Several test programs may race here; the loser's useradd fails on an existing user.
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("/usr/sbin/useradd"),
                {QStringLiteral("--system"), QStringLiteral("--no-create-home"), QStringLiteral("--shell"),
                 QStringLiteral("/usr/sbin/nologin"), QString::fromLatin1(serverUser)});
        p.waitForFinished(30000);
        if (!::getpwnam(serverUser)) {
            m_error = QStringLiteral("useradd ") + QString::fromLatin1(serverUser) +
                      QStringLiteral(" failed: ") + p.errorString() + QLatin1Char(' ') +
                      QString::fromLocal8Bit(p.readAll());
            return false;
        }
    }
    const passwd* pw = ::getpwnam(serverUser);
    if (!ownTree(m_dir->path(), pw->pw_uid, pw->pw_gid)) {
        m_error = QStringLiteral("cannot hand ") + m_dir->path() + QStringLiteral(" to ") + m_runAs;
        return false;
    }
    return true;
}

bool PgServer::start()
{
    for (const char* tool : {"initdb", "pg_ctl", "postgres"}) {
        const QString path = binFolder() + QLatin1Char('/') + QString::fromLatin1(tool);
        if (!QFileInfo(path).isExecutable()) {
            m_error = path + QStringLiteral(" is missing: install postgresql-15 (scripts/install-deps.sh)");
            return false;
        }
    }
    // A short path: a socket's path holds at most 107 bytes.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/kalvora-pg-XXXXXX"));
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder: ") + m_dir->errorString();
        return false;
    }
    ::chmod(QFile::encodeName(m_dir->path()).constData(), 0700);
    QFile owner(m_dir->filePath(QStringLiteral("owner")));
    if (owner.open(QIODevice::WriteOnly))
        owner.write(QByteArray::number(::getpid()));
    owner.close();
    if (m_tls) {
        if (!makeCertificates(m_dir->filePath(QStringLiteral("tls"))))
            return false;
        // A free port now; the socket's name takes the same number.
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost)) {
            m_error = QStringLiteral("no free port: ") + probe.errorString();
            return false;
        }
        m_port = probe.serverPort();
    }
    if (!prepareUser())
        return false;
    stopOrphans();
    const QString data = m_dir->filePath(QStringLiteral("data"));
    if (!run(binFolder() + QStringLiteral("/initdb"),
             {QStringLiteral("-D"), data, QStringLiteral("-U"), QString::fromLatin1(superuser),
              QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync"),
              QStringLiteral("--no-instructions")}))
        return false;
    // No TCP at all.
    QFile conf(data + QStringLiteral("/postgresql.conf"));
    if (!conf.open(QIODevice::Append | QIODevice::Text)) {
        m_error = conf.fileName() + QStringLiteral(": ") + conf.errorString();
        return false;
    }
    conf.write(
        QStringLiteral("\nlisten_addresses = '%3'\n"
                       "unix_socket_directories = '%1'\n"
                       "port = %2\n"
                       "max_connections = 40\n")
            .arg(m_dir->path(), QString::number(m_port), m_tls ? QStringLiteral("127.0.0.1") : QString())
            .toUtf8());
    if (m_tls)
        conf.write(
            QStringLiteral("ssl = on\nssl_cert_file = '%1/server.crt'\nssl_key_file = '%1/server.key'\n")
                .arg(m_dir->filePath(QStringLiteral("tls")))
                .toUtf8());
    if (!m_durable)
        conf.write("fsync = off\nsynchronous_commit = off\nfull_page_writes = off\nshared_buffers = 16MB\n");
    conf.close();
    if (!run(binFolder() + QStringLiteral("/pg_ctl"),
             {QStringLiteral("-D"), data, QStringLiteral("-l"), m_dir->filePath(QStringLiteral("server.log")),
              QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")})) {
        QFile log(m_dir->filePath(QStringLiteral("server.log")));
        if (log.open(QIODevice::ReadOnly))
            m_error += QStringLiteral("\n") + QString::fromUtf8(log.readAll());
        return false;
    }
    m_running = true;
    if (runningServers().empty() && !previousTerminate)
        previousTerminate = std::set_terminate(stopServersAndTerminate);
    runningServers().push_back(this);
    return true;
}

void PgServer::stopOrphans()
{
    // A test killed outright (a timeout, a closed pipe) leaves its server running; the next start
    // stops every server whose test process is gone.
    const QDir tmp(QStringLiteral("/tmp"));
    for (const QString& name : tmp.entryList({QStringLiteral("kalvora-pg-*")}, QDir::Dirs)) {
        const QString folder = tmp.filePath(name);
        QFile owner(folder + QStringLiteral("/owner"));
        if (folder == m_dir->path() || !owner.open(QIODevice::ReadOnly))
            continue;
        const pid_t pid = owner.readAll().trimmed().toInt();
        if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        if (QFileInfo::exists(folder + QStringLiteral("/data/postmaster.pid")))
            run(binFolder() + QStringLiteral("/pg_ctl"),
                {QStringLiteral("-D"), folder + QStringLiteral("/data"), QStringLiteral("-m"),
                 QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
        QDir(folder).removeRecursively();
    }
    m_error.clear();
}

void PgServer::stop()
{
    if (!m_running)
        return;
    m_running = false;
    std::erase(runningServers(), this);
    run(binFolder() + QStringLiteral("/pg_ctl"),
        {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")), QStringLiteral("-m"),
         QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
         QStringLiteral("stop")});
}

QString PgServer::socketFolder() const
{
    return m_dir ? m_dir->path() : QString();
}

QString PgServer::uri(const QString& database) const
{
    return QStringLiteral("postgresql:///%1?host=%2&port=%3&user=%4")
        .arg(database, socketFolder(), QString::number(m_port), QString::fromLatin1(superuser));
}

QString PgServer::caFile() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("tls/ca.crt")) : QString();
}

QString PgServer::otherCaFile() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("tls/other-ca.crt")) : QString();
}

bool PgServer::makeCertificates(const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("cannot create ") + folder;
        return false;
    }
    QFile ext(folder + QStringLiteral("/server.ext"));
    if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName = DNS:localhost, IP:127.0.0.1\n") < 0)
        return false;
    ext.close();
    const QString openssl = QStringLiteral("/usr/bin/openssl");
    auto file = [&](const char* name) { return folder + QLatin1Char('/') + QString::fromLatin1(name); };
    const QStringList key{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                          QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    for (const char* ca : {"ca", "other-ca"}) {
        const QString name = QString::fromLatin1(ca);
        if (!run(openssl,
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + key +
                     QStringList{
                         QStringLiteral("-keyout"), folder + QLatin1Char('/') + name + QStringLiteral(".key"),
                         QStringLiteral("-out"), folder + QLatin1Char('/') + name + QStringLiteral(".crt"),
                         QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                         QStringLiteral("/CN=KALVORA test ") + name}))
            return false;
    }
    if (!run(openssl,
             QStringList{QStringLiteral("req")} + key +
                 QStringList{QStringLiteral("-keyout"), file("server.key"), QStringLiteral("-out"),
                             file("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost")}) ||
        !run(openssl,
             {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), file("server.csr"),
              QStringLiteral("-CA"), file("ca.crt"), QStringLiteral("-CAkey"), file("ca.key"),
              QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), file("server.crt"),
              QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), file("server.ext")}))
        return false;
    // The server refuses a key others may read.
    ::chmod(QFile::encodeName(file("server.key")).constData(), 0600);
    return true;
}

QString PgServer::createDatabase(const QString& name)
{
    static const QRegularExpression valid(QStringLiteral("^[a-z_][a-z0-9_]*$"));
    if (!valid.match(name).hasMatch()) {
        m_error = QStringLiteral("not a database name: ") + name;
        return {};
    }
    PGconn* conn = PQconnectdb(uri(QStringLiteral("postgres")).toUtf8().constData());
    QString uriText;
    if (PQstatus(conn) != CONNECTION_OK) {
        m_error = QString::fromUtf8(PQerrorMessage(conn));
    } else {
        PGresult* res = PQexec(conn, ("CREATE DATABASE " + name.toLatin1()).constData());
        if (PQresultStatus(res) == PGRES_COMMAND_OK)
            uriText = uri(name);
        else
            m_error = QString::fromUtf8(PQresultErrorMessage(res));
        PQclear(res);
    }
    PQfinish(conn);
    return uriText;
}

} // namespace kalvora::test
