#include "data/pg/pg_connection.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <libpq-fe.h>

#include <linux/tcp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace kalvora {

namespace {

QString pgText(const char* s)
{
    return s ? QString::fromUtf8(s).simplified() : QString();
}

// The passwords a connection text carries, as written and percent-decoded, so that no message built
// from libpq's answer shows one (libpq quotes the offending part of a text it cannot read).
QStringList secretsOf(const QString& uri)
{
    QStringList out;
    char* err = nullptr;
    if (PQconninfoOption* opts = PQconninfoParse(uri.toUtf8().constData(), &err)) {
        for (PQconninfoOption* o = opts; o->keyword; ++o)
            if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val)
                out << QString::fromUtf8(o->val);
        PQconninfoFree(opts);
    }
    PQfreemem(err);
    static const QRegularExpression userInfo(QStringLiteral("^[a-z]+://[^/@?:]*:([^@/?]*)@"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression param(QStringLiteral("password\\s*=\\s*('(?:[^'\\\\]|\\\\.)*'|[^&\\s]*)"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (const auto m = userInfo.match(uri); m.hasMatch())
        out << m.captured(1);
    for (auto it = param.globalMatch(uri); it.hasNext();)
        out << it.next().captured(1);
    QStringList all;
    for (const QString& s : std::as_const(out)) {
        all << s << QUrl::fromPercentEncoding(s.toUtf8());
        if (s.size() > 1 && s.startsWith(QLatin1Char('\'')) && s.endsWith(QLatin1Char('\'')))
            all << s.mid(1, s.size() - 2);
    }
    all.removeAll(QString());
    all.removeDuplicates();
    // Longest first, so a secret that holds another is hidden whole.
    std::sort(all.begin(), all.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return all;
}

QString scrubbed(QString message, const QStringList& secrets)
{
    for (const QString& s : secrets)
        message.replace(s, QStringLiteral("***"));
    return message;
}

QString serverLabel(PGconn* conn)
{
    const QString host = pgText(PQhost(conn));
    const QString port = pgText(PQport(conn));
    const QString db = pgText(PQdb(conn));
    QString label = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (!port.isEmpty())
        label += QLatin1Char(':') + port;
    if (!db.isEmpty())
        label += QStringLiteral(" (VERİTABANI: ") + db + QLatin1Char(')');
    return label;
}

// Local: a Unix socket (a folder, an abstract name) or the loopback names; anything else is a network.
bool allHostsLocal(const QByteArray& hosts, const QByteArray& addresses)
{
    const QList<QByteArray> names = (addresses.isEmpty() ? hosts : addresses).split(',');
    for (const QByteArray& raw : names) {
        const QByteArray h = raw.trimmed().toLower();
        if (h.isEmpty() || h.startsWith('/') || h.startsWith('@') || h == "localhost" || h == "127.0.0.1" ||
            h == "::1" || h == "[::1]")
            continue;
        return false;
    }
    return true;
}

// The SQLSTATE of a failed connection: a login refused, a certificate that does not prove the
// server, a server that offers no encryption, or any other failure to connect. libpq gives no code of
// its own for these, only its (English) sentence.
QString connectState(PGconn* conn, const QString& message)
{
    if (PQconnectionNeedsPassword(conn))
        return QStringLiteral("28P01");
    if (message.contains(QLatin1String("certificate verify failed")) ||
        message.contains(QLatin1String("does not match host name")) ||
        message.contains(QLatin1String("root certificate file")) ||
        message.contains(QLatin1String("certificate is not yet valid")) ||
        message.contains(QLatin1String("certificate has expired")))
        return QString::fromLatin1(PgError::certificateState);
    if (message.contains(QLatin1String("does not support SSL")))
        return QString::fromLatin1(PgError::noTlsState);
    return QStringLiteral("08001");
}

void ignoreNotice(void*, const char*) {}

// The server's sentence and, when it gives one, its detail.
QString resultMessage(const PGresult* res, PGconn* conn)
{
    if (!res)
        return pgText(PQerrorMessage(conn));
    QString primary = pgText(PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY));
    if (primary.isEmpty())
        return pgText(PQresultErrorMessage(res)).isEmpty() ? pgText(PQerrorMessage(conn))
                                                           : pgText(PQresultErrorMessage(res));
    const QString detail = pgText(PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL));
    return detail.isEmpty() ? primary : primary + QStringLiteral("; ") + detail;
}

QString resultState(const PGresult* res, const QString& fallback)
{
    const char* s = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    return s && *s ? QString::fromLatin1(s) : fallback;
}

// Prepared statements kept per session; texts beyond this many run unprepared.
constexpr int preparedLimit = 256;

} // namespace

void PgConnection::Closer::operator()(pg_conn* conn) const
{
    PQfinish(conn);
}

void PgConnection::ResultFree::operator()(pg_result* res) const
{
    PQclear(res);
}

PgConnection::PgConnection(PgConnection&&) noexcept = default;
PgConnection& PgConnection::operator=(PgConnection&&) noexcept = default;
PgConnection::~PgConnection() = default;

PgConnection::Parameters PgConnection::parameters(const QString& uri)
{
    Parameters p;
    p.text = uri.toUtf8();
    QHash<QByteArray, QByteArray> given;
    char* err = nullptr;
    if (PQconninfoOption* opts = PQconninfoParse(p.text.constData(), &err)) {
        for (PQconninfoOption* o = opts; o->keyword; ++o)
            if (o->val)
                given.insert(o->keyword, o->val);
        PQconninfoFree(opts);
    }
    PQfreemem(err);
    // Before the URI: what it may set otherwise. After it: what it may not.
    auto add = [&p](const char* key, QByteArray value) {
        p.keys.push_back(key);
        p.values.push_back(std::move(value));
    };
    // A dead network is noticed within about half a minute (keepalives while idle, tcp_user_timeout
    // while data waits for its acknowledgement), instead of the system's two hours or more.
    add("keepalives", "1");
    add("keepalives_idle", "10");
    add("keepalives_interval", "5");
    add("keepalives_count", "3");
    add("tcp_user_timeout", "30000");
    // libpq's own default verifies nothing and falls back to plain text; over a network the book
    // travels encrypted unless the URI (or PGSSLMODE) chooses otherwise.
    if (!given.contains("sslmode") && qEnvironmentVariableIsEmpty("PGSSLMODE") &&
        !allHostsLocal(given.value("host", qgetenv("PGHOST")),
                       given.value("hostaddr", qgetenv("PGHOSTADDR"))))
        add("sslmode", "require");
    add("dbname", p.text);
    add("application_name", "kalvora");
    add("client_encoding", "UTF8");
    // 0 or no value would wait for ever for a server that never answers.
    bool ok = false;
    const int asked = given.value("connect_timeout").trimmed().toInt(&ok);
    p.connectTimeout = ok && asked > 0 ? std::min(asked, maxConnectTimeout) : defaultConnectTimeout;
    add("connect_timeout", QByteArray::number(p.connectTimeout));
    for (const QByteArray& v : p.values)
        p.valuePointers.push_back(v.constData());
    for (const char* k : p.keys)
        p.keyPointers.push_back(k);
    p.keyPointers.push_back(nullptr);
    p.valuePointers.push_back(nullptr);
    return p;
}

PgConnection PgConnection::open(const QString& uri, const QString& searchPath)
{
    const Parameters params = parameters(uri);
    PgConnection c;
    c.m_secrets = secretsOf(uri);
    c.m_searchPath = searchPath;
    c.m_conn.reset(PQconnectdbParams(params.keyPointers.data(), params.valuePointers.data(), 1));
    if (!c.m_conn)
        throw PgError(PgError::Kind::Connect, QStringLiteral("08001"), QStringLiteral("out of memory"),
                      QString());
    c.m_server = scrubbed(serverLabel(c.m_conn.get()), c.m_secrets);
    if (PQstatus(c.m_conn.get()) != CONNECTION_OK)
        c.raiseConnectFailure();
    c.setupSession();
    return c;
}

PgConnection PgConnection::startConnect(const QString& uri)
{
    const Parameters params = parameters(uri);
    PgConnection c;
    c.m_secrets = secretsOf(uri);
    c.m_connectTimeout = params.connectTimeout;
    c.m_conn.reset(PQconnectStartParams(params.keyPointers.data(), params.valuePointers.data(), 1));
    if (!c.m_conn)
        throw PgError(PgError::Kind::Connect, QStringLiteral("08001"), QStringLiteral("out of memory"),
                      QString());
    c.m_server = scrubbed(serverLabel(c.m_conn.get()), c.m_secrets);
    if (PQstatus(c.m_conn.get()) == CONNECTION_BAD)
        c.raiseConnectFailure();
    PQsetNoticeProcessor(c.m_conn.get(), ignoreNotice, nullptr);
    return c;
}

PgConnection::ConnectStep PgConnection::continueConnect()
{
    switch (PQconnectPoll(m_conn.get())) {
    case PGRES_POLLING_READING:
        return ConnectStep::WaitRead;
    case PGRES_POLLING_WRITING:
        return ConnectStep::WaitWrite;
    case PGRES_POLLING_OK:
        m_server = scrubbed(serverLabel(m_conn.get()), m_secrets);
        return ConnectStep::Done;
    default:
        raiseConnectFailure();
    }
}

int PgConnection::socket() const
{
    return m_conn ? PQsocket(m_conn.get()) : -1;
}

void PgConnection::raiseConnectFailure() const
{
    const QString message = scrubbed(pgText(PQerrorMessage(m_conn.get())), m_secrets);
    throw PgError(PgError::Kind::Connect, connectState(m_conn.get(), message), message, m_server);
}

int PgConnection::backendPid() const
{
    return m_conn ? PQbackendPID(m_conn.get()) : 0;
}

void PgConnection::setupSession()
{
    PQsetNoticeProcessor(m_conn.get(), ignoreNotice, nullptr);
    m_prepared.clear();
    // A desk that waits on another's lock hears so within seconds; a statement cannot run for ever;
    // and the transaction of a desk whose network died is ended by the server, its locks with it.
    // What the URI's options (-c name=value), the role or the database set stays.
    Result limits(PQexec(m_conn.get(), "SELECT pg_catalog.set_config(s.name, d.value, false) FROM (VALUES "
                                       "('lock_timeout', '3s'), ('statement_timeout', '120s'), "
                                       "('idle_in_transaction_session_timeout', '30s')) AS d(name, value) "
                                       "JOIN pg_catalog.pg_settings s ON s.name = d.name "
                                       "WHERE s.source IN ('default', 'configuration file', 'command line', "
                                       "'environment variable')"));
    check(limits);
    if (m_searchPath.isEmpty())
        return;
    const QByteArray path = m_searchPath.toUtf8();
    const char* values[] = {path.constData()};
    Result res(PQexecParams(m_conn.get(), "SELECT pg_catalog.set_config('search_path', $1, false)", 1,
                            nullptr, values, nullptr, nullptr, 0));
    check(res);
}

void PgConnection::ensureUsable()
{
    if (!m_conn)
        throw PgError(PgError::Kind::Connect, QStringLiteral("08003"), QStringLiteral("not connected"),
                      m_server);
    if (PQstatus(m_conn.get()) == CONNECTION_OK)
        return;
    // Connecting again under an open transaction would let its remaining statements run outside it.
    if (m_openTransactions > 0)
        raiseConnectionLost(QStringLiteral("08006"),
                            QStringLiteral("the connection broke inside a transaction"));
    PQreset(m_conn.get());
    m_prepared.clear();
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        raiseConnectFailure();
    setupSession();
}

void PgConnection::raiseConnectionLost(const QString& state, const QString& message) const
{
    throw PgError(PgError::Kind::ConnectionLost, state, message, m_server);
}

void PgConnection::check(const Result& res) const
{
    if (res) {
        switch (PQresultStatus(res.get())) {
        case PGRES_COMMAND_OK:
        case PGRES_TUPLES_OK:
        case PGRES_EMPTY_QUERY:
            return;
        default:
            break;
        }
    }
    const QString message = scrubbed(resultMessage(res.get(), m_conn.get()), m_secrets);
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        raiseConnectionLost(resultState(res.get(), QStringLiteral("08006")), message);
    throw PgError(PgError::Kind::Statement, resultState(res.get(), QStringLiteral("XX000")), message,
                  m_server);
}

QByteArray PgConnection::preparedName(const QString& sql)
{
    if (const auto it = m_prepared.constFind(sql); it != m_prepared.constEnd())
        return it.value();
    if (m_prepared.size() >= preparedLimit)
        return {};
    const QByteArray name = "kalvora_" + QByteArray::number(++m_preparedCount);
    Result res(PQprepare(m_conn.get(), name.constData(), sql.toUtf8().constData(), 0, nullptr));
    check(res);
    m_prepared.insert(sql, name);
    return name;
}

PgConnection::Result PgConnection::run(const QString& sql, const Params& params, bool prepared)
{
    ensureUsable();
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params)
        values.push_back(p ? p->constData() : nullptr);
    const int n = static_cast<int>(values.size());
    const QByteArray name = prepared ? preparedName(sql) : QByteArray();
    const int sent = name.isEmpty() ? PQsendQueryParams(m_conn.get(), sql.toUtf8().constData(), n, nullptr,
                                                        values.data(), nullptr, nullptr, 0)
                                    : PQsendQueryPrepared(m_conn.get(), name.constData(), n, values.data(),
                                                          nullptr, nullptr, 0);
    Result res;
    if (sent == 1)
        res = awaitResult();
    try {
        check(res);
        checkSize(res);
    } catch (const PgError& e) {
        // A statement the session no longer knows, or whose result changed shape with the tables, is
        // prepared afresh next time.
        if (!name.isEmpty() &&
            (e.sqlState() == QLatin1String("26000") || e.sqlState() == QLatin1String("0A000")))
            m_prepared.remove(sql);
        throw;
    }
    return res;
}

PgConnection::Result PgConnection::awaitResult()
{
    PGconn* c = m_conn.get();
    const int fd = PQsocket(c);
    // Over TCP the bytes of one result are counted as they arrive, so a server that sends without end
    // is cut off at the limit instead of filling this process (a result is otherwise held whole before
    // it can be looked at). A Unix socket reaches a server on this computer.
    auto received = [fd](quint64* bytes) {
        tcp_info info{};
        socklen_t len = sizeof info;
        if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len) != 0 ||
            len < offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received)
            return false;
        *bytes = info.tcpi_bytes_received;
        return true;
    };
    quint64 start = 0;
    if (received(&start)) {
        quint64 now = 0;
        while (PQisBusy(c)) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, -1) < 0 && errno != EINTR)
                break;
            if (PQconsumeInput(c) == 0)
                break;
            if (received(&now) && now - start > quint64(m_maxBytes)) {
                // The rest is never read: the connection is given up (the server rolls back with it),
                // and the next statement outside a transaction connects again.
                ::shutdown(fd, SHUT_RDWR);
                PQconsumeInput(c);
                throw PgError(
                    PgError::Kind::Statement, QStringLiteral("54000"),
                    QStringLiteral("the server sent more than %1 bytes for one result").arg(m_maxBytes),
                    m_server);
            }
        }
    }
    Result last;
    while (PGresult* r = PQgetResult(c)) {
        // The first failure counts, as PQexec has it.
        if (!last || PQresultStatus(last.get()) != PGRES_FATAL_ERROR)
            last.reset(r);
        else
            PQclear(r);
    }
    return last;
}

void PgConnection::checkSize(const Result& res) const
{
    if (PQntuples(res.get()) <= m_maxRows && qint64(PQresultMemorySize(res.get())) <= m_maxBytes)
        return;
    throw PgError(PgError::Kind::Statement, QStringLiteral("54000"),
                  QStringLiteral("the server sent %1 rows (%2 bytes), more than one result may hold")
                      .arg(PQntuples(res.get()))
                      .arg(qint64(PQresultMemorySize(res.get()))),
                  m_server);
}

QByteArray PgConnection::paramText(const QVariant& value) const
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return QByteArray::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QByteArray::number(value.toULongLong());
    case QMetaType::Bool:
        return value.toBool() ? QByteArrayLiteral("1") : QByteArrayLiteral("0");
    case QMetaType::Double: {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, value.toDouble());
        return QByteArray(buf, static_cast<qsizetype>(r.ptr - buf));
    }
    default:
        break;
    }
    const QString s = value.toString();
    // Texts travel as C strings and the server stores no NUL: a NUL would cut the text short unseen.
    if (s.contains(QChar(0)))
        throw PgError(PgError::Kind::Statement, QStringLiteral("22021"),
                      QStringLiteral("the text holds the character NUL, which the server cannot store"),
                      m_server);
    return s.toUtf8();
}

void PgConnection::exec(const QString& sql)
{
    ensureUsable();
    Result res(PQexec(m_conn.get(), sql.toUtf8().constData()));
    check(res);
    checkSize(res);
}

int PgConnection::execute(const QString& sql, const QVariantList& params)
{
    Params p;
    p.reserve(static_cast<size_t>(params.size()));
    for (const QVariant& v : params)
        p.push_back(v.isNull() ? std::nullopt : std::optional<QByteArray>(paramText(v)));
    const Result res = run(sql, p, false);
    return std::atoi(PQcmdTuples(res.get()));
}

PgStatement PgConnection::prepare(const QString& sql)
{
    return PgStatement(this, sql);
}

QVariant PgConnection::scalar(const QString& sql, const QVariantList& params)
{
    PgStatement st = prepare(sql);
    st.bindAll(params);
    if (!st.step() || st.isNull(0))
        return {};
    switch (PQftype(st.m_result.get(), 0)) {
    case 20: // int8
    case 21: // int2
    case 23: // int4
    case 26: // oid
        return st.int64(0);
    case 700: // float4
    case 701: // float8
        return st.real(0);
    case 16: // bool
        return st.text(0) == QLatin1String("t");
    default:
        return st.text(0);
    }
}

bool PgConnection::inTransaction() const
{
    if (!m_conn)
        return false;
    const PGTransactionStatusType s = PQtransactionStatus(m_conn.get());
    return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
}

PgStatement::PgStatement(PgConnection* conn, const QString& sql) : m_conn(conn), m_sql(sql) {}

void PgStatement::setParam(int index, std::optional<QByteArray> value)
{
    const auto i = static_cast<size_t>(index - 1);
    if (index < 1)
        throw PgError(PgError::Kind::Statement, QStringLiteral("08P01"),
                      QStringLiteral("parameters are numbered from 1"), m_conn->server());
    if (m_params.size() <= i)
        m_params.resize(i + 1);
    m_params[i] = std::move(value);
}

PgStatement& PgStatement::bind(int index, const QString& value)
{
    setParam(index, m_conn->paramText(value));
    return *this;
}

PgStatement& PgStatement::bind(int index, qint64 value)
{
    setParam(index, QByteArray::number(value));
    return *this;
}

PgStatement& PgStatement::bind(int index, double value)
{
    setParam(index, m_conn->paramText(value));
    return *this;
}

PgStatement& PgStatement::bind(int index, const QVariant& value)
{
    setParam(index, value.isNull() ? std::nullopt : std::optional<QByteArray>(m_conn->paramText(value)));
    return *this;
}

PgStatement& PgStatement::bindNull(int index)
{
    setParam(index, std::nullopt);
    return *this;
}

PgStatement& PgStatement::bindAll(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
    return *this;
}

bool PgStatement::step()
{
    if (!m_result) {
        m_result = m_conn->run(m_sql, m_params, true);
        m_row = -1;
    }
    if (m_row < PQntuples(m_result.get()))
        ++m_row;
    return m_row < PQntuples(m_result.get());
}

void PgStatement::reset()
{
    m_result.reset();
    m_params.clear();
    m_row = -1;
}

int PgStatement::changes() const
{
    return m_result ? std::atoi(PQcmdTuples(m_result.get())) : 0;
}

int PgStatement::columnCount() const
{
    return m_result ? PQnfields(m_result.get()) : 0;
}

QString PgStatement::columnName(int col) const
{
    return m_result ? QString::fromUtf8(PQfname(m_result.get(), col)) : QString();
}

int PgStatement::columnIndex(const QString& name) const
{
    for (int i = 0; i < columnCount(); ++i)
        if (columnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int PgStatement::requireColumn(const QString& name) const
{
    const int idx = columnIndex(name);
    if (idx < 0)
        throw PgError(PgError::Kind::Statement, QStringLiteral("42703"),
                      QStringLiteral("no such column: ") + name, m_conn ? m_conn->server() : QString());
    return idx;
}

const char* PgStatement::raw(int col) const
{
    if (!m_result || m_row < 0 || m_row >= PQntuples(m_result.get()) || col < 0 ||
        col >= PQnfields(m_result.get()) || PQgetisnull(m_result.get(), m_row, col))
        return nullptr;
    return PQgetvalue(m_result.get(), m_row, col);
}

QString PgStatement::text(int col) const
{
    const char* p = raw(col);
    return p ? QString::fromUtf8(p, PQgetlength(m_result.get(), m_row, col)) : QString();
}

QUtf8StringView PgStatement::utf8(int col) const
{
    const char* p = raw(col);
    return p ? QUtf8StringView(p, PQgetlength(m_result.get(), m_row, col)) : QUtf8StringView();
}

QString PgStatement::text(const QString& name) const
{
    return text(requireColumn(name));
}

bool PgStatement::numericColumn(int col) const
{
    switch (PQftype(m_result.get(), col)) {
    case 20:  // int8
    case 21:  // int2
    case 23:  // int4
    case 26:  // oid
    case 700: // float4
    case 701: // float8
        return true;
    default:
        return false;
    }
}

void PgStatement::refuseNumber(int col) const
{
    const QString sent = QString::fromUtf8(raw(col), std::min(PQgetlength(m_result.get(), m_row, col), 40));
    throw PgError(PgError::Kind::Statement, QStringLiteral("22P02"),
                  QStringLiteral("the server sent \"%1\" in the number column %2").arg(sent, columnName(col)),
                  m_conn ? m_conn->server() : QString());
}

qint64 PgStatement::int64(int col) const
{
    const char* p = raw(col);
    qint64 v = 0;
    if (!p)
        return v;
    const char* end = p + PQgetlength(m_result.get(), m_row, col);
    const auto r = std::from_chars(p, end, v);
    if (numericColumn(col) && (r.ec != std::errc() || r.ptr != end)) {
        // A floating-point column read as an integer keeps its whole part, as the embedded store does.
        double d = 0;
        const auto f = std::from_chars(p, end, d);
        if (f.ec != std::errc() || f.ptr != end || !std::isfinite(d) || std::abs(d) >= 9.2e18)
            refuseNumber(col);
        v = static_cast<qint64>(d);
    }
    return v;
}

qint64 PgStatement::int64(const QString& name) const
{
    return int64(requireColumn(name));
}

double PgStatement::real(int col) const
{
    const char* p = raw(col);
    double v = 0;
    if (!p)
        return v;
    const char* end = p + PQgetlength(m_result.get(), m_row, col);
    const auto r = std::from_chars(p, end, v);
    if (numericColumn(col) && (r.ec != std::errc() || r.ptr != end))
        refuseNumber(col);
    return v;
}

bool PgStatement::isNull(int col) const
{
    return raw(col) == nullptr;
}

PgTransaction::PgTransaction(PgConnection& conn) : m_conn(conn)
{
    if (conn.inTransaction())
        throw PgError(PgError::Kind::Statement, QStringLiteral("25001"),
                      QStringLiteral("a transaction is already open on this connection"), conn.server());
    conn.exec(QStringLiteral("BEGIN"));
    ++conn.m_openTransactions;
}

PgTransaction::~PgTransaction()
{
    --m_conn.m_openTransactions;
    PGconn* c = m_conn.m_conn.get();
    // A broken connection has nothing to roll back: the server did so when it lost the client.
    if (!m_done && c && PQstatus(c) == CONNECTION_OK && m_conn.inTransaction())
        PQclear(PQexec(c, "ROLLBACK"));
}

void PgTransaction::commit()
{
    PGconn* c = m_conn.m_conn.get();
    if (!c || PQstatus(c) != CONNECTION_OK)
        m_conn.raiseConnectionLost(QStringLiteral("08006"),
                                   QStringLiteral("the connection broke before COMMIT"));
    if (PQtransactionStatus(c) == PQTRANS_INERROR)
        throw PgError(PgError::Kind::Statement, QStringLiteral("25P02"),
                      QStringLiteral("a statement of the transaction failed, so nothing of it is stored"),
                      m_conn.server());
    PgConnection::Result res(PQexec(c, "COMMIT"));
    if (PQstatus(c) != CONNECTION_OK)
        throw PgError(PgError::Kind::CommitUncertain, resultState(res.get(), QStringLiteral("08006")),
                      scrubbed(resultMessage(res.get(), c), m_conn.m_secrets), m_conn.server());
    m_conn.check(res);
    // The server answers COMMIT of a transaction it has already given up with ROLLBACK, not an error.
    if (qstrcmp(PQcmdStatus(res.get()), "COMMIT") != 0)
        throw PgError(PgError::Kind::Statement, QStringLiteral("25P02"),
                      QStringLiteral("the server rolled the transaction back"), m_conn.server());
    m_done = true;
}

} // namespace kalvora
