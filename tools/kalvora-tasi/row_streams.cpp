#include "row_streams.h"

#include <libpq-fe.h>

namespace kalvora::tasi {

SqliteRows::SqliteRows(Database& db, const BookTable& t)
{
    m_columns = static_cast<int>(columnsOf(t).size());
    m_st = db.prepare(QStringLiteral("SELECT ") + QString::fromLatin1(t.columns) + QStringLiteral(" FROM ") +
                      sqliteName(t) + QStringLiteral(" ORDER BY ") +
                      (t.key ? QString::fromLatin1(t.key) : QStringLiteral("rowid")));
}

bool SqliteRows::next(QStringList& row)
{
    if (!m_st.step())
        return false;
    row.resize(m_columns);
    for (int i = 0; i < m_columns; ++i)
        row[i] = m_st.text(i);
    return true;
}

ServerRows::ServerRows(PgConnection& conn, const BookTable& t) : m_conn(conn), m_keyed(t.key != nullptr)
{
    m_columns = static_cast<int>(columnsOf(t).size());
    const QString select =
        QStringLiteral("SELECT ") + QString::fromLatin1(t.columns) + QStringLiteral(" FROM ") + serverName(t);
    m_sql = m_keyed ? select + QStringLiteral(" WHERE ") + QString::fromLatin1(t.key) +
                          QStringLiteral(" > $1 ORDER BY ") + QString::fromLatin1(t.key) +
                          QStringLiteral(" LIMIT ") + QString::number(batchSize)
                    : select + QStringLiteral(" ORDER BY ctid");
}

bool ServerRows::next(QStringList& row)
{
    for (;;) {
        if (m_batch && m_batch->step()) {
            ++m_inBatch;
            row.resize(m_columns);
            for (int i = 0; i < m_columns; ++i)
                row[i] = m_batch->text(i);
            if (m_keyed)
                m_last = m_batch->int64(0);
            return true;
        }
        if (m_done)
            return false;
        if (m_batch && (!m_keyed || m_inBatch < batchSize)) {
            m_done = true;
            return false;
        }
        m_batch.emplace(m_conn.prepare(m_sql));
        if (m_keyed)
            m_batch->bind(1, m_last);
        m_inBatch = 0;
    }
}

ServerCopy::ServerCopy(PgConnection& conn, const BookTable& t) : m_conn(conn)
{
    const QByteArray sql = (QStringLiteral("COPY ") + serverName(t) + QStringLiteral(" (") +
                            QString::fromLatin1(t.columns) + QStringLiteral(") FROM STDIN"))
                               .toUtf8();
    PGresult* res = PQexec(conn.handle(), sql.constData());
    const bool started = PQresultStatus(res) == PGRES_COPY_IN;
    const QString problem = started ? QString() : failureText(res);
    PQclear(res);
    if (!started)
        throw PgError(PgError::Kind::Statement, QStringLiteral("XX000"), problem, conn.server());
    m_open = true;
}

ServerCopy::~ServerCopy()
{
    // Ends a copy cut short by a failure, so the rollback can run on the connection.
    if (m_open && PQputCopyEnd(m_conn.handle(), "cancelled") == 1)
        drain();
}

void ServerCopy::write(const QStringList& row)
{
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i > 0)
            m_buffer += '\t';
        const QString& value = row.at(i);
        if (value.contains(QChar(0)))
            throw PgError(PgError::Kind::Statement, QStringLiteral("22021"),
                          QStringLiteral("the text holds the character NUL, which the server cannot store"),
                          m_conn.server());
        for (const char c : value.toUtf8()) {
            switch (c) {
            case '\\':
                m_buffer += "\\\\";
                break;
            case '\t':
                m_buffer += "\\t";
                break;
            case '\n':
                m_buffer += "\\n";
                break;
            case '\r':
                m_buffer += "\\r";
                break;
            default:
                m_buffer += c;
            }
        }
    }
    m_buffer += '\n';
    if (m_buffer.size() >= (1 << 20))
        flush();
}

void ServerCopy::finish()
{
    flush();
    m_open = false;
    if (PQputCopyEnd(m_conn.handle(), nullptr) != 1)
        fail(nullptr);
    const QString problem = drain();
    if (!problem.isEmpty())
        throw PgError(PgError::Kind::Statement, QStringLiteral("XX000"), problem, m_conn.server());
}

QString ServerCopy::failureText(const PGresult* res) const
{
    const char* text = res ? PQresultErrorMessage(res) : nullptr;
    return QString::fromUtf8(text && *text ? text : PQerrorMessage(m_conn.handle())).simplified();
}

void ServerCopy::fail(const PGresult* res) const
{
    throw PgError(PgError::Kind::Statement, QStringLiteral("XX000"), failureText(res), m_conn.server());
}

QString ServerCopy::drain()
{
    QString problem;
    while (PGresult* res = PQgetResult(m_conn.handle())) {
        if (PQresultStatus(res) != PGRES_COMMAND_OK && problem.isEmpty())
            problem = failureText(res);
        PQclear(res);
    }
    return problem;
}

void ServerCopy::flush()
{
    if (!m_buffer.isEmpty() &&
        PQputCopyData(m_conn.handle(), m_buffer.constData(), static_cast<int>(m_buffer.size())) != 1)
        fail(nullptr);
    m_buffer.clear();
}

SqliteInsert::SqliteInsert(Database& db, const BookTable& t)
{
    const QStringList columns = columnsOf(t);
    const QStringList integers = QString::fromLatin1(t.integers).split(QLatin1Char(','), Qt::SkipEmptyParts);
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i) {
        marks << QLatin1Char('?') + QString::number(i + 1);
        m_integer.push_back(integers.contains(columns.at(i)));
    }
    m_st = db.prepare(QStringLiteral("INSERT INTO ") + sqliteName(t) + QStringLiteral(" (") +
                      QString::fromLatin1(t.columns) + QStringLiteral(") VALUES (") +
                      marks.join(QLatin1Char(',')) + QLatin1Char(')'));
}

void SqliteInsert::write(const QStringList& row)
{
    m_st.reset();
    for (int i = 0; i < row.size(); ++i) {
        bool ok = false;
        const qint64 n = m_integer.at(static_cast<size_t>(i)) ? row.at(i).toLongLong(&ok) : 0;
        if (ok)
            m_st.bind(i + 1, n);
        else
            m_st.bind(i + 1, row.at(i));
    }
    m_st.step();
}

} // namespace kalvora::tasi
