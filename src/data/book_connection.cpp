#include "data/book_connection.h"

#include "data/sql_dialect.h"

namespace kalvora {

const QString& BookConnection::serverText(const QString& sql)
{
    auto it = m_serverTexts.find(sql);
    if (it == m_serverTexts.end())
        it = m_serverTexts.insert(sql, serverStatementText(sql));
    return it.value();
}

void BookConnection::exec(const QString& sql)
{
    if (m_pg)
        m_pg->exec(serverText(sql));
    else
        m_db->exec(sql);
}

int BookConnection::execute(const QString& sql, const QVariantList& params)
{
    // On the server through a prepared statement: the repositories run the same few texts again and
    // again, and the rewrite is cached with it.
    if (m_pg) {
        PgStatement st = m_pg->prepare(serverText(sql));
        st.bindAll(params);
        st.step();
        return st.changes();
    }
    return m_db->execute(sql, params);
}

BookQuery BookConnection::prepare(const QString& sql)
{
    if (m_pg)
        return BookQuery(m_pg->prepare(serverText(sql)));
    return BookQuery(m_db->prepare(sql));
}

QVariant BookConnection::scalar(const QString& sql, const QVariantList& params)
{
    if (m_pg)
        return m_pg->scalar(serverText(sql), params);
    return m_db->scalar(sql, params);
}

qint64 BookConnection::insert(const QString& sql, const QVariantList& params, const QString& keyColumn)
{
    if (m_pg) {
        PgStatement st = m_pg->prepare(serverText(sql + QStringLiteral(" RETURNING ") + keyColumn));
        st.bindAll(params);
        if (!st.step())
            return 0;
        return st.int64(0);
    }
    m_db->execute(sql, params);
    return m_db->lastInsertRowId();
}

bool BookConnection::inTransaction() const
{
    return m_pg ? m_pg->inTransaction() : m_db->inTransaction();
}

QString BookConnection::forUpdate() const
{
    return m_pg ? QStringLiteral(" FOR UPDATE") : QString();
}

QString BookConnection::rowVersion(const QString& qualifier) const
{
    if (!m_pg)
        return QStringLiteral("0");
    return qualifier.isEmpty() ? QStringLiteral("row_version") : qualifier + QStringLiteral(".row_version");
}

QString BookConnection::keepingKeys() const
{
    return m_pg ? QStringLiteral(" OVERRIDING SYSTEM VALUE") : QString();
}

BookQuery& BookQuery::bind(int index, const QString& value)
{
    std::visit([&](auto& q) { q.bind(index, value); }, m_query);
    return *this;
}

BookQuery& BookQuery::bind(int index, qint64 value)
{
    std::visit([&](auto& q) { q.bind(index, value); }, m_query);
    return *this;
}

BookQuery& BookQuery::bind(int index, double value)
{
    std::visit([&](auto& q) { q.bind(index, value); }, m_query);
    return *this;
}

BookQuery& BookQuery::bind(int index, const QVariant& value)
{
    std::visit([&](auto& q) { q.bind(index, value); }, m_query);
    return *this;
}

BookQuery& BookQuery::bindNull(int index)
{
    std::visit([&](auto& q) { q.bindNull(index); }, m_query);
    return *this;
}

BookQuery& BookQuery::bindAll(const QVariantList& values)
{
    std::visit([&](auto& q) { q.bindAll(values); }, m_query);
    return *this;
}

bool BookQuery::step()
{
    return std::visit([](auto& q) { return q.step(); }, m_query);
}

void BookQuery::reset()
{
    std::visit([](auto& q) { q.reset(); }, m_query);
}

int BookQuery::columnCount() const
{
    return std::visit([](const auto& q) { return q.columnCount(); }, m_query);
}

QString BookQuery::columnName(int col) const
{
    return std::visit([col](const auto& q) { return q.columnName(col); }, m_query);
}

int BookQuery::columnIndex(const QString& name) const
{
    return std::visit([&](const auto& q) { return q.columnIndex(name); }, m_query);
}

QString BookQuery::text(int col) const
{
    return std::visit([col](const auto& q) { return q.text(col); }, m_query);
}

QString BookQuery::text(const QString& name) const
{
    return std::visit([&](const auto& q) { return q.text(name); }, m_query);
}

QUtf8StringView BookQuery::utf8(int col) const
{
    return std::visit([col](const auto& q) { return q.utf8(col); }, m_query);
}

qint64 BookQuery::int64(int col) const
{
    return std::visit([col](const auto& q) { return q.int64(col); }, m_query);
}

qint64 BookQuery::int64(const QString& name) const
{
    return std::visit([&](const auto& q) { return q.int64(name); }, m_query);
}

double BookQuery::real(int col) const
{
    return std::visit([col](const auto& q) { return q.real(col); }, m_query);
}

bool BookQuery::isNull(int col) const
{
    return std::visit([col](const auto& q) { return q.isNull(col); }, m_query);
}

BookTransaction::BookTransaction(BookConnection& conn)
{
    if (conn.m_pg)
        m_server.emplace(*conn.m_pg);
    else
        m_file.emplace(*conn.m_db);
}

void BookTransaction::commit()
{
    if (m_server)
        m_server->commit();
    else
        m_file->commit();
}

} // namespace kalvora
