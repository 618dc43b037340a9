#include "book_move.h"

#include "accounts/account.h"
#include "data/data_folder.h"
#include "data/database.h"
#include "data/pg/pg_connection.h"
#include "data/pg/server_schema.h"
#include "data/program_options.h"
#include "data/store.h"
#include "data/turkish_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QTextStream>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace kalvora::tasi {

namespace {

// A refusal or failure with its Turkish text; nothing of the move stays behind.
struct Refusal {
    QString text;
};

enum class Connection { Accounts, Income, Expense };

// One table of the book as both stores hold it. The key comes first among the columns.
struct BookTable {
    const char* label; // as the summary names it
    const char* file;  // the data folder's file that holds it
    const char* alias; // its schema on the store's connection of that file
    Connection connection;
    const char* schema; // its schema on the server
    const char* table;
    const char* key;      // nullptr: no key, the rows are read in the order they were written
    const char* columns;  // comma-separated, unquoted
    const char* integers; // the columns that hold integers
};

const BookTable bookTables[] = {
    {"KİŞİLER", files::customers, "main", Connection::Accounts, "cari", "MUSTERILER", "oto_kod",
     "oto_kod,adisoyadi,istel,ceptel,tc,verdai,adres,SonBakiye,SonBakiye_usd,SonBakiye_euro", "oto_kod"},
    {"HAREKETLER", files::transactions, "cari", Connection::Accounts, "cari", "CARIKART", "otokod",
     "otokod,uye_kodu,aylar,tutar,durum,tarih,para_cinsi,adisoyadi,istel,ceptel,tc,verdai,adres,para",
     "otokod"},
    {"İPTAL ARŞİVİ", files::archive, "iptal", Connection::Accounts, "iptal", "IPTALLER", "iptal_no",
     "iptal_no,islem,tarih,saat,kullanici,bilgisayar,uye_kodu,adisoyadi,istel,ceptel,tc,verdai,adres,"
     "SonBakiye,SonBakiye_usd,SonBakiye_euro",
     "iptal_no"},
    {"İPTAL ARŞİVİNİN HAREKETLERİ", files::archive, "iptal", Connection::Accounts, "iptal",
     "IPTAL_HAREKETLER", "sira",
     "sira,iptal_no,otokod,uye_kodu,aylar,tutar,durum,tarih,para_cinsi,adisoyadi,istel,ceptel,tc,verdai,"
     "adres,para",
     "sira,iptal_no,otokod"},
    {"GELİR DEFTERİ", files::income, "main", Connection::Income, "gelir", "GIDERLER", "kayit_no",
     "kayit_no,gider_ad,gider_tarihi,gider_aciklama,gider_saati,gider_yapan,gider_tutar,gider_iptal",
     "kayit_no"},
    {"GELİR KASASI", files::income, "main", Connection::Income, "gelir", "KASA_NET", nullptr,
     "Kasa_net_bakiye", ""},
    {"GİDER DEFTERİ", files::expense, "main", Connection::Expense, "gider", "GIDERLER", "kayit_no",
     "kayit_no,gider_ad,gider_tarihi,gider_aciklama,gider_saati,gider_yapan,gider_tutar,gider_iptal",
     "kayit_no"},
    {"GİDER KASASI", files::expense, "main", Connection::Expense, "gider", "KASA_NET", nullptr,
     "Kasa_net_bakiye", ""},
};

QStringList columnsOf(const BookTable& t)
{
    return QString::fromLatin1(t.columns).split(QLatin1Char(','));
}

QString sqliteName(const BookTable& t)
{
    return QString::fromLatin1(t.alias) + QLatin1Char('.') + QString::fromLatin1(t.table);
}

QString serverName(const BookTable& t)
{
    return QString::fromLatin1(t.schema) + QLatin1Char('.') + QString::fromLatin1(t.table);
}

bool isCashBox(const BookTable& t)
{
    return !t.key;
}

const QStringList& requiredFiles()
{
    static const QStringList names{QString::fromLatin1(files::customers),
                                   QString::fromLatin1(files::transactions),
                                   QString::fromLatin1(files::income), QString::fromLatin1(files::expense)};
    return names;
}

// --- Reading and writing rows ------------------------------------------------------------------------

class RowSource {
public:
    virtual ~RowSource() = default;
    // The next row's texts in the table's column order; false when there is none.
    virtual bool next(QStringList& row) = 0;
};

class NoRows final : public RowSource {
public:
    bool next(QStringList&) override { return false; }
};

class SqliteRows final : public RowSource {
public:
    SqliteRows(Database& db, const BookTable& t)
    {
        m_columns = static_cast<int>(columnsOf(t).size());
        m_st = db.prepare(QStringLiteral("SELECT ") + QString::fromLatin1(t.columns) +
                          QStringLiteral(" FROM ") + sqliteName(t) + QStringLiteral(" ORDER BY ") +
                          (t.key ? QString::fromLatin1(t.key) : QStringLiteral("rowid")));
    }
    bool next(QStringList& row) override
    {
        if (!m_st.step())
            return false;
        row.resize(m_columns);
        for (int i = 0; i < m_columns; ++i)
            row[i] = m_st.text(i);
        return true;
    }

private:
    Statement m_st;
    int m_columns = 0;
};

// Reads a server table in key order a batch at a time, so a large table never sits in memory whole.
class ServerRows final : public RowSource {
public:
    ServerRows(PgConnection& conn, const BookTable& t) : m_conn(conn), m_keyed(t.key != nullptr)
    {
        m_columns = static_cast<int>(columnsOf(t).size());
        const QString select = QStringLiteral("SELECT ") + QString::fromLatin1(t.columns) +
                               QStringLiteral(" FROM ") + serverName(t);
        m_sql = m_keyed ? select + QStringLiteral(" WHERE ") + QString::fromLatin1(t.key) +
                              QStringLiteral(" > $1 ORDER BY ") + QString::fromLatin1(t.key) +
                              QStringLiteral(" LIMIT ") + QString::number(batchSize)
                        : select + QStringLiteral(" ORDER BY ctid");
    }
    bool next(QStringList& row) override
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

private:
    static constexpr int batchSize = 5000;
    PgConnection& m_conn;
    bool m_keyed;
    QString m_sql;
    int m_columns = 0;
    std::optional<PgStatement> m_batch;
    int m_inBatch = 0;
    qint64 m_last = std::numeric_limits<qint64>::min();
    bool m_done = false;
};

class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void write(const QStringList& row) = 0;
    virtual void finish() = 0;
};

// COPY FROM STDIN: one round trip for a whole table. COPY writes the identity columns as given.
class ServerCopy final : public RowSink {
public:
    ServerCopy(PgConnection& conn, const BookTable& t) : m_conn(conn)
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
    ~ServerCopy() override
    {
        // Ends a copy cut short by a failure, so the rollback can run on the connection.
        if (m_open && PQputCopyEnd(m_conn.handle(), "cancelled") == 1)
            drain();
    }
    void write(const QStringList& row) override
    {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                m_buffer += '\t';
            const QString& value = row.at(i);
            if (value.contains(QChar(0)))
                throw PgError(
                    PgError::Kind::Statement, QStringLiteral("22021"),
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
    void finish() override
    {
        flush();
        m_open = false;
        if (PQputCopyEnd(m_conn.handle(), nullptr) != 1)
            fail(nullptr);
        const QString problem = drain();
        if (!problem.isEmpty())
            throw PgError(PgError::Kind::Statement, QStringLiteral("XX000"), problem, m_conn.server());
    }

private:
    QString failureText(const PGresult* res) const
    {
        const char* text = res ? PQresultErrorMessage(res) : nullptr;
        return QString::fromUtf8(text && *text ? text : PQerrorMessage(m_conn.handle())).simplified();
    }
    [[noreturn]] void fail(const PGresult* res) const
    {
        throw PgError(PgError::Kind::Statement, QStringLiteral("XX000"), failureText(res), m_conn.server());
    }
    // Reads the results of the copy; the first failure's text, empty on success.
    QString drain()
    {
        QString problem;
        while (PGresult* res = PQgetResult(m_conn.handle())) {
            if (PQresultStatus(res) != PGRES_COMMAND_OK && problem.isEmpty())
                problem = failureText(res);
            PQclear(res);
        }
        return problem;
    }
    void flush()
    {
        if (!m_buffer.isEmpty() &&
            PQputCopyData(m_conn.handle(), m_buffer.constData(), static_cast<int>(m_buffer.size())) != 1)
            fail(nullptr);
        m_buffer.clear();
    }

    PgConnection& m_conn;
    QByteArray m_buffer;
    bool m_open = false;
};

class SqliteInsert final : public RowSink {
public:
    SqliteInsert(Database& db, const BookTable& t)
    {
        const QStringList columns = columnsOf(t);
        const QStringList integers =
            QString::fromLatin1(t.integers).split(QLatin1Char(','), Qt::SkipEmptyParts);
        QStringList marks;
        for (int i = 0; i < columns.size(); ++i) {
            marks << QLatin1Char('?') + QString::number(i + 1);
            m_integer.push_back(integers.contains(columns.at(i)));
        }
        m_st = db.prepare(QStringLiteral("INSERT INTO ") + sqliteName(t) + QStringLiteral(" (") +
                          QString::fromLatin1(t.columns) + QStringLiteral(") VALUES (") +
                          marks.join(QLatin1Char(',')) + QLatin1Char(')'));
    }
    void write(const QStringList& row) override
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
    void finish() override {}

private:
    Statement m_st;
    std::vector<bool> m_integer;
};

// --- The checks --------------------------------------------------------------------------------------

struct TableResult {
    const BookTable* table = nullptr;
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
    qint64 highestKey = 0;
    QString difference;  // the first row that differs, empty when the tables are equal
    QStringList cashBox; // the cash-box texts, for a KASA_NET table
};

// The stored balances of every person and the rows they must equal, gathered from the source.
class BalanceCheck {
public:
    void person(const QStringList& row)
    {
        m_people.append({row.at(0), row.at(1), {row.at(7), row.at(8), row.at(9)}});
    }
    void transaction(const QStringList& row)
    {
        AccountRow r;
        r.key = row.at(0).toLongLong();
        r.amount = row.at(3);
        r.date = row.at(4);
        r.currency = row.at(6);
        r.kind = row.at(13);
        m_rows[row.at(1)].append(std::move(r));
    }

    qint64 people() const { return m_people.size(); }

    // One line per balance that is not the sum of its person's rows.
    QStringList mismatches() const
    {
        QStringList out;
        for (const Person& p : m_people) {
            // Summed in the card's order, oldest date first (an unreadable date before every other).
            QList<AccountRow> rows = m_rows.value(p.key);
            std::stable_sort(rows.begin(), rows.end(), [](const AccountRow& a, const AccountRow& b) {
                const QDate da = readDateText(a.date);
                const QDate db = readDateText(b.date);
                if (da != db)
                    return !da.isValid() || (db.isValid() && da < db);
                return a.key < b.key;
            });
            const AccountState state = summarize(std::move(rows));
            for (int i = 0; i < 3; ++i) {
                const Currency c = allCurrencies[static_cast<size_t>(i)];
                const QString sum = state.figures.balanceText(c);
                const std::optional<double> stored = readNumber(p.balances[i]);
                if (stored && formatAmount(*stored) == sum)
                    continue;
                out << QStringLiteral("  %1 %2: %3 KAYITLI \"%4\", HAREKETLERİN TOPLAMI %5")
                           .arg(p.key, p.name, currencyText(c), p.balances[i], sum);
            }
        }
        return out;
    }

private:
    struct Person {
        QString key;
        QString name;
        QString balances[3];
    };
    QList<Person> m_people;
    QHash<QString, QList<AccountRow>> m_rows;
};

using RowsFn = std::function<std::unique_ptr<RowSource>(const BookTable&)>;
using SinkFn = std::function<std::unique_ptr<RowSink>(const BookTable&)>;

QList<TableResult> copyTables(const RowsFn& from, const SinkFn& to, BalanceCheck& balances)
{
    QList<TableResult> results;
    for (const BookTable& t : bookTables) {
        TableResult r;
        r.table = &t;
        const auto source = from(t);
        const auto sink = to(t);
        QStringList row;
        while (source->next(row)) {
            sink->write(row);
            ++r.sourceRows;
            if (t.key)
                r.highestKey = std::max(r.highestKey, row.at(0).toLongLong());
            if (isCashBox(t))
                r.cashBox << row.at(0);
            if (qstrcmp(t.table, "MUSTERILER") == 0)
                balances.person(row);
            else if (qstrcmp(t.table, "CARIKART") == 0)
                balances.transaction(row);
        }
        sink->finish();
        results.append(r);
    }
    return results;
}

// Reads both sides again and compares them row by row; true when every table is equal.
bool compareTables(const RowsFn& source, const RowsFn& target, QList<TableResult>& results)
{
    bool equal = true;
    for (TableResult& r : results) {
        const auto a = source(*r.table);
        const auto b = target(*r.table);
        QStringList ra;
        QStringList rb;
        qint64 sourceRows = 0;
        r.targetRows = 0;
        for (;;) {
            const bool hasA = a->next(ra);
            const bool hasB = b->next(rb);
            sourceRows += hasA;
            r.targetRows += hasB;
            if (!hasA && !hasB)
                break;
            if (r.difference.isEmpty() && (hasA != hasB || ra != rb)) {
                const QString key = hasA ? ra.value(0) : rb.value(0);
                r.difference = r.table->key ? QStringLiteral("ANAHTARI %1 OLAN SATIR FARKLI").arg(key)
                                            : QStringLiteral("%1. SATIR FARKLI").arg(sourceRows);
            }
        }
        if (sourceRows != r.sourceRows && r.difference.isEmpty())
            r.difference = QStringLiteral("KAYNAK KOPYALAMA SIRASINDA DEĞİŞTİ");
        equal = equal && r.difference.isEmpty();
    }
    return equal;
}

QString countTable(const QList<TableResult>& results, const QString& sourceTitle, const QString& targetTitle)
{
    int width = 0;
    for (const TableResult& r : results)
        width = std::max(width, int(QString::fromUtf8(r.table->label).size()));
    auto line = [&](const QString& label, const QString& a, const QString& b, const QString& note) {
        return QStringLiteral("  ") + label.leftJustified(width + 2) + a.rightJustified(10) +
               b.rightJustified(10) + (note.isEmpty() ? QString() : QStringLiteral("  ") + note) +
               QLatin1Char('\n');
    };
    QString out = line(QStringLiteral("TABLO"), sourceTitle, targetTitle, QString());
    for (const TableResult& r : results)
        out += line(QString::fromUtf8(r.table->label), QString::number(r.sourceRows),
                    QString::number(r.targetRows), r.difference);
    for (const TableResult& r : results)
        if (isCashBox(*r.table))
            out +=
                QStringLiteral("  ") + QString::fromUtf8(r.table->label) + QStringLiteral(": ") +
                (r.cashBox.isEmpty() ? QStringLiteral("(SATIR YOK)") : r.cashBox.join(QStringLiteral(", "))) +
                (r.difference.isEmpty() ? QStringLiteral(" (İKİ TARAFTA AYNI)") : QString()) +
                QLatin1Char('\n');
    return out;
}

// The summary of a finished copy; a balance that is not the sum of its rows fails the check.
MoveResult summary(const QString& title, const QString& from, const QString& to,
                   const QList<TableResult>& results, const BalanceCheck& balances)
{
    const QStringList mismatches = balances.mismatches();
    MoveResult out;
    out.exitCode = mismatches.isEmpty() ? ExitOk : ExitFailed;
    out.text = title +
               (mismatches.isEmpty() ? QStringLiteral(".\n")
                                     : QStringLiteral(", ANCAK DENETİMDE UYUŞMAZLIK VAR.\n")) +
               QStringLiteral("KAYNAK: ") + from + QStringLiteral("\nHEDEF: ") + to + QStringLiteral("\n\n") +
               countTable(results, QStringLiteral("KAYNAK"), QStringLiteral("HEDEF")) + QLatin1Char('\n');
    if (mismatches.isEmpty()) {
        out.text += QStringLiteral("BAKİYELER: %1 KİŞİNİN ÜÇ BAKİYESİ İKİ TARAFTA AYNI VE HAREKETLERİNİN "
                                   "TOPLAMINA EŞİT.")
                        .arg(balances.people());
    } else {
        constexpr int shown = 50;
        out.text +=
            QStringLiteral("KAYITLI BAKİYESİ HAREKETLERİNİN TOPLAMINA EŞİT OLMAYAN KİŞİLER (KAYNAKTAKİ "
                           "GİBİ TAŞINDI, DÜZELTİLMEDİ):\n") +
            mismatches.mid(0, shown).join(QLatin1Char('\n'));
        if (mismatches.size() > shown)
            out.text += QStringLiteral("\n  ... VE %1 UYUŞMAZLIK DAHA").arg(mismatches.size() - shown);
    }
    return out;
}

QString differenceText(const QList<TableResult>& results)
{
    return QStringLiteral("KOPYA KAYNAKLA AYNI DEĞİL:\n") +
           countTable(results, QStringLiteral("KAYNAK"), QStringLiteral("HEDEF"));
}

// --- The data folder ---------------------------------------------------------------------------------

QString filePath(const QString& folder, const char* name)
{
    return QDir(folder).filePath(QString::fromLatin1(name));
}

QString lockPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("kalvora.lock"));
}

// Held for the whole move: the program cannot start on the folder, and a running one is refused.
std::unique_ptr<QLockFile> lockFolder(const QString& folder)
{
    auto lock = std::make_unique<QLockFile>(lockPath(folder));
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    if (lock->error() == QLockFile::LockFailedError)
        throw Refusal{QStringLiteral("KALVORA BU VERİ KLASÖRÜNDE ŞU AN AÇIK:\n") +
                      QDir::toNativeSeparators(folder) +
                      QStringLiteral("\nTAŞIMADAN ÖNCE PROGRAMI KAPATINIZ.")};
    throw Refusal{QStringLiteral("VERİ KLASÖRÜNE YAZILAMIYOR:\n") + QDir::toNativeSeparators(folder)};
}

bool sqliteTableExists(Database& db, const QString& alias, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM ") + alias +
                         QStringLiteral(".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"),
                     {table})
               .toLongLong() > 0;
}

qint64 sqliteSequence(Database& db, const BookTable& t)
{
    const QString alias = QString::fromLatin1(t.alias);
    if (!sqliteTableExists(db, alias, QStringLiteral("sqlite_sequence")))
        return 0;
    return db
        .scalar(QStringLiteral("SELECT seq FROM ") + alias +
                    QStringLiteral(".sqlite_sequence WHERE name = ?1"),
                {QString::fromLatin1(t.table)})
        .toLongLong();
}

// The source folder's databases, opened read-only, each kept in one read transaction so that the copy
// and its check see one state of the files.
class FolderBook {
public:
    explicit FolderBook(const QString& folder)
    {
        for (const QString& name : requiredFiles())
            if (!QFileInfo(QDir(folder).filePath(name)).isFile())
                throw Refusal{QStringLiteral("VERİ KLASÖRÜNDE ") + name + QStringLiteral(" YOK:\n") +
                              QDir::toNativeSeparators(folder)};
        const QString key = databasePassword();
        m_accounts = Database::open(filePath(folder, files::customers), key, Database::Mode::ReadOnly);
        m_accounts.attach(filePath(folder, files::transactions), QStringLiteral("cari"), key);
        // A folder from before the archive has none: its tables are copied as empty.
        m_archive = QFileInfo(filePath(folder, files::archive)).isFile();
        if (m_archive)
            m_accounts.attach(filePath(folder, files::archive), QStringLiteral("iptal"), key);
        m_income = Database::open(filePath(folder, files::income), key, Database::Mode::ReadOnly);
        m_expense = Database::open(filePath(folder, files::expense), key, Database::Mode::ReadOnly);
        for (Database* db : {&m_accounts, &m_income, &m_expense}) {
            db->exec(QStringLiteral("BEGIN"));
            db->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        }
        if (m_archive)
            m_accounts.scalar(QStringLiteral("SELECT count(*) FROM iptal.sqlite_master"));
    }

    Database& db(Connection c)
    {
        return c == Connection::Accounts ? m_accounts : c == Connection::Income ? m_income : m_expense;
    }
    bool has(const BookTable& t)
    {
        if (qstrcmp(t.alias, "iptal") == 0 && !m_archive)
            return false;
        return sqliteTableExists(db(t.connection), QString::fromLatin1(t.alias),
                                 QString::fromLatin1(t.table));
    }
    std::unique_ptr<RowSource> rows(const BookTable& t)
    {
        if (!has(t))
            return std::make_unique<NoRows>();
        return std::make_unique<SqliteRows>(db(t.connection), t);
    }

private:
    Database m_accounts;
    Database m_income;
    Database m_expense;
    bool m_archive = false;
};

// The first table of a data folder's databases that holds book rows (a cash box other than the one
// "0" row the first start writes counts too); empty when there is none.
QString folderData(const QString& folder)
{
    const QString key = databasePassword();
    for (const char* file :
         {files::customers, files::transactions, files::archive, files::income, files::expense}) {
        const QString path = filePath(folder, file);
        if (!QFileInfo::exists(path))
            continue;
        try {
            Database db = Database::open(path, key, Database::Mode::ReadOnly);
            for (const BookTable& t : bookTables) {
                if (qstrcmp(t.file, file) != 0 ||
                    !sqliteTableExists(db, QStringLiteral("main"), QString::fromLatin1(t.table)))
                    continue;
                const QString table = QStringLiteral("main.") + QString::fromLatin1(t.table);
                if (isCashBox(t)) {
                    const qint64 other = db.scalar(QStringLiteral("SELECT count(*) FROM ") + table +
                                                   QStringLiteral(" WHERE Kasa_net_bakiye IS NOT '0'"))
                                             .toLongLong();
                    if (other > 0 ||
                        db.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong() > 1)
                        return QString::fromLatin1(file) + QStringLiteral(" (KASA)");
                } else if (db.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong() > 0) {
                    return QString::fromLatin1(file) + QStringLiteral(" (") + QString::fromLatin1(t.table) +
                           QLatin1Char(')');
                }
            }
        } catch (const DbError& e) {
            throw Refusal{QStringLiteral("HEDEF KLASÖRDEKİ BİR VERİ DOSYASI AÇILAMIYOR, DOKUNULMADI:\n") +
                          QDir::toNativeSeparators(path) + QLatin1Char('\n') + e.turkishText()};
        }
    }
    return {};
}

// --- The server --------------------------------------------------------------------------------------

// The first table of the server book that holds rows (cash boxes as in folderData); empty when none.
QString serverData(PgConnection& conn)
{
    for (const BookTable& t : bookTables) {
        const QString table = serverName(t);
        const bool rows =
            isCashBox(t) ? conn.scalar(QStringLiteral("SELECT count(*) FROM ") + table +
                                       QStringLiteral(" WHERE Kasa_net_bakiye IS DISTINCT FROM '0'"))
                                       .toLongLong() > 0 ||
                               conn.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong() > 1
                         : conn.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong() > 0;
        if (rows)
            return table;
    }
    return {};
}

void dropBook(PgConnection& conn)
{
    PgTransaction tx(conn);
    conn.exec(QStringLiteral("DROP SCHEMA IF EXISTS cari, iptal, gelir, gider, kalvora CASCADE"));
    tx.commit();
}

QString failureText(const PgError& e)
{
    return e.turkishText();
}

// A move's failures as the tool reports them: nothing was moved, and why.
MoveResult reportingFailures(const std::function<MoveResult()>& move)
{
    try {
        return move();
    } catch (const Refusal& r) {
        return {ExitFailed, QStringLiteral("TAŞIMA YAPILMADI.\n") + r.text};
    } catch (const PgError& e) {
        return {ExitFailed, QStringLiteral("TAŞIMA YAPILMADI.\n") + failureText(e)};
    } catch (const DbError& e) {
        return {ExitFailed, QStringLiteral("TAŞIMA YAPILMADI.\n") + e.turkishText()};
    }
}

} // namespace

MoveResult folderToServer(const QString& dataFolder, const QString& uri)
{
    const QString folderText = QDir::toNativeSeparators(QDir(dataFolder).absolutePath());
    return reportingFailures([&]() -> MoveResult {
        if (!QFileInfo(dataFolder).isDir())
            throw Refusal{QStringLiteral("VERİ KLASÖRÜ BULUNAMADI:\n") + folderText};
        const auto lock = lockFolder(dataFolder);
        FolderBook source(dataFolder);
        PgConnection conn = PgConnection::open(uri);
        const ServerSchemaState state = inspectServerSchema(conn);
        if (state.kind == ServerSchemaState::Kind::Foreign)
            throw Refusal{QStringLiteral("SUNUCUDAKİ VERİTABANI BAŞKA TABLOLAR TUTUYOR (") + state.object +
                          QStringLiteral("). KALVORA DEFTERİ YALNIZCA BOŞ BİR VERİTABANINA TAŞINIR.")};
        // A book the first start of a desk made and nobody has used yet is as good as an empty database.
        const bool created = createServerSchema(conn);
        try {
            PgTransaction tx(conn);
            // No desk writes into the book while it is filled and checked.
            for (const BookTable& t : bookTables)
                conn.exec(QStringLiteral("LOCK TABLE ") + serverName(t) +
                          QStringLiteral(" IN EXCLUSIVE MODE"));
            const QString inTheWay = serverData(conn);
            if (!inTheWay.isEmpty())
                throw Refusal{QStringLiteral("SUNUCUDA ZATEN KAYITLAR OLAN BİR KALVORA DEFTERİ VAR (") +
                              inTheWay + QStringLiteral("). DEFTER YALNIZCA BOŞ BİR VERİTABANINA TAŞINIR.")};
            for (const char* schema : {"gelir", "gider"})
                conn.exec(QStringLiteral("DELETE FROM ") + QString::fromLatin1(schema) +
                          QStringLiteral(".KASA_NET"));

            BalanceCheck balances;
            const RowsFn fromFolder = [&](const BookTable& t) { return source.rows(t); };
            const RowsFn fromServer = [&](const BookTable& t) -> std::unique_ptr<RowSource> {
                return std::make_unique<ServerRows>(conn, t);
            };
            QList<TableResult> results = copyTables(
                fromFolder, [&](const BookTable& t) { return std::make_unique<ServerCopy>(conn, t); },
                balances);
            // The keys go on where the folder's went on, past keys that were deleted at the end too.
            for (const TableResult& r : std::as_const(results)) {
                if (!r.table->key)
                    continue;
                const qint64 next = std::max(
                    r.highestKey,
                    source.has(*r.table) ? sqliteSequence(source.db(r.table->connection), *r.table) : 0);
                conn.execute(
                    QStringLiteral("SELECT setval(pg_get_serial_sequence($1, $2), greatest($3::bigint, 1), "
                                   "$3::bigint > 0)"),
                    {serverName(*r.table), QString::fromLatin1(r.table->key), next});
            }
            if (!compareTables(fromFolder, fromServer, results))
                throw Refusal{differenceText(results)};
            tx.commit();
            return summary(QStringLiteral("KALVORA DEFTERİ SUNUCUYA TAŞINDI"), folderText, conn.server(),
                           results, balances);
        } catch (...) {
            if (created) {
                try {
                    dropBook(conn); // the database is left as empty as it was found
                } catch (const PgError&) {
                }
            }
            throw;
        }
    });
}

MoveResult serverToFolder(const QString& uri, const QString& dataFolder)
{
    const QString target = QDir(dataFolder).absolutePath();
    const QString folderText = QDir::toNativeSeparators(target);
    const QString staging = QDir(target).filePath(QStringLiteral(".kalvora-tasi-") +
                                                  QString::number(QCoreApplication::applicationPid()));
    return reportingFailures([&]() -> MoveResult {
        if (QFileInfo::exists(target) && !QFileInfo(target).isDir())
            throw Refusal{QStringLiteral("HEDEF BİR KLASÖR DEĞİL:\n") + folderText};
        PgConnection conn = PgConnection::open(uri);
        const ServerSchemaState state = inspectServerSchema(conn);
        if (state.kind == ServerSchemaState::Kind::Empty)
            throw Refusal{QStringLiteral("SUNUCUDA KALVORA DEFTERİ YOK.")};
        if (state.kind == ServerSchemaState::Kind::Foreign)
            throw Refusal{QStringLiteral("SUNUCUDAKİ VERİTABANI BİR KALVORA DEFTERİ DEĞİL (") + state.object +
                          QStringLiteral(").")};
        if (QFileInfo(target).isDir()) {
            const QString inTheWay = folderData(target);
            if (!inTheWay.isEmpty())
                throw Refusal{QStringLiteral("HEDEF KLASÖRDE KAYITLAR VAR: ") + inTheWay +
                              QStringLiteral("\nDEFTER YALNIZCA BOŞ YA DA YENİ BİR VERİ KLASÖRÜNE TAŞINIR.")};
        }
        if (!QDir().mkpath(target))
            throw Refusal{QStringLiteral("VERİ KLASÖRÜ OLUŞTURULAMADI:\n") + folderText};
        const auto lock = lockFolder(target);

        // Every table is read from one snapshot, the copy's check included.
        PgTransaction tx(conn);
        conn.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
        QDir(staging).removeRecursively();
        struct StagingCleanup {
            QString path;
            ~StagingCleanup() { QDir(path).removeRecursively(); }
        } cleanup{staging};
        QList<TableResult> results;
        BalanceCheck balances;
        {
            Store store(staging);
            const QList<StoreProblem> problems = store.initialize();
            if (!problems.isEmpty())
                throw Refusal{problems.first().text};
            const auto db = [&](Connection c) -> Database& {
                return (c == Connection::Accounts
                            ? store.accounts()
                            : store.ledger(c == Connection::Income ? Ledger::Income : Ledger::Expense))
                    .file();
            };
            // One transaction per file; all are still open when the rows are compared.
            Transaction accounts(db(Connection::Accounts));
            Transaction income(db(Connection::Income));
            Transaction expense(db(Connection::Expense));
            for (Connection c : {Connection::Income, Connection::Expense})
                db(c).exec(QStringLiteral("DELETE FROM KASA_NET"));
            const RowsFn fromServer = [&](const BookTable& t) -> std::unique_ptr<RowSource> {
                return std::make_unique<ServerRows>(conn, t);
            };
            const RowsFn fromFolder = [&](const BookTable& t) -> std::unique_ptr<RowSource> {
                return std::make_unique<SqliteRows>(db(t.connection), t);
            };
            results = copyTables(
                fromServer,
                [&](const BookTable& t) { return std::make_unique<SqliteInsert>(db(t.connection), t); },
                balances);
            for (const TableResult& r : std::as_const(results)) {
                if (!r.table->key)
                    continue;
                const qint64 last = conn.scalar(QStringLiteral("SELECT pg_sequence_last_value("
                                                               "pg_get_serial_sequence($1, $2)::regclass)"),
                                                {serverName(*r.table), QString::fromLatin1(r.table->key)})
                                        .toLongLong();
                const qint64 next = std::max(last, r.highestKey);
                Database& d = db(r.table->connection);
                const QString sequence =
                    QString::fromLatin1(r.table->alias) + QStringLiteral(".sqlite_sequence");
                if (next > 0 && d.execute(QStringLiteral("UPDATE ") + sequence +
                                              QStringLiteral(" SET seq = max(seq, ?1) WHERE name = ?2"),
                                          {next, QString::fromLatin1(r.table->table)}) == 0)
                    d.execute(QStringLiteral("INSERT INTO ") + sequence +
                                  QStringLiteral(" (name, seq) VALUES (?2, ?1)"),
                              {next, QString::fromLatin1(r.table->table)});
            }
            if (!compareTables(fromServer, fromFolder, results))
                throw Refusal{differenceText(results)};
            accounts.commit();
            income.commit();
            expense.commit();
            store.closeAll();
        }

        // The finished files take the place of the empty ones; should a rename fail, the ones already
        // moved are taken out again, so the folder never holds half a book.
        QStringList moved;
        for (const char* file :
             {files::archive, files::income, files::expense, files::transactions, files::customers}) {
            const QString from = filePath(staging, file);
            const QString to = filePath(target, file);
            QDir().mkpath(QFileInfo(to).path());
            for (const char* suffix : {"-journal", "-wal", "-shm"})
                QFile::remove(to + QString::fromLatin1(suffix));
            if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
                for (const QString& m : std::as_const(moved))
                    QFile::remove(m);
                Store(target).initialize();
                throw Refusal{QStringLiteral("DOSYA YERİNE KONAMADI: ") + QDir::toNativeSeparators(to)};
            }
            moved << to;
        }
        // The folders and the scratch file the first start would make.
        Store(target).initialize();
        return summary(QStringLiteral("KALVORA DEFTERİ VERİ KLASÖRÜNE TAŞINDI"), conn.server(), folderText,
                       results, balances);
    });
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    ProgramOptions options(
        QStringLiteral("kalvora-tasi"),
        QStringLiteral("--data-dir KLASÖR --server ADRES | --server ADRES --to-folder KLASÖR"),
        QStringLiteral(
            "BİR VERİ KLASÖRÜNÜN DEFTERİNİ BOŞ BİR SUNUCU VERİTABANINA, YA DA BİR SUNUCU DEFTERİNİ\n"
            "BOŞ BİR VERİ KLASÖRÜNE TAŞIR; SONRA HER TABLOYU VE HER BAKİYEYİ DENETLER.\n"
            "ÇIKIŞ KODU: 0 BAŞARILI, 1 REDDEDİLDİ YA DA DENETİM TUTMADI, 2 HATALI KOMUT SATIRI"));
    options.add(QCommandLineOption(QStringLiteral("data-dir"), QStringLiteral("TAŞINACAK VERİ KLASÖRÜ."),
                                   QStringLiteral("KLASÖR")));
    options.add(QCommandLineOption(
        QStringLiteral("server"), QStringLiteral("SUNUCU ADRESİ (postgresql://KULLANICI@SUNUCU/VERİTABANI)."),
        QStringLiteral("ADRES")));
    options.add(QCommandLineOption(QStringLiteral("to-folder"),
                                   QStringLiteral("SUNUCUDAKİ DEFTERİ BU VERİ KLASÖRÜNE TAŞIR."),
                                   QStringLiteral("KLASÖR")));
    auto usage = [&](const QString& problem) {
        err << problem << QStringLiteral("\n\n") << options.helpText() << Qt::flush;
        return int(ExitUsage);
    };
    if (!options.parse(arguments))
        return usage(options.error());
    if (options.helpRequested()) {
        out << options.helpText() << Qt::flush;
        return ExitOk;
    }
    if (options.versionRequested()) {
        out << options.versionText() << Qt::flush;
        return ExitOk;
    }
    if (!options.positionalArguments().isEmpty())
        return usage(QStringLiteral("FAZLA ARGÜMAN: ") + options.positionalArguments().first());
    const QString server = options.value(QStringLiteral("server"));
    const QString folder = options.value(QStringLiteral("data-dir"));
    const QString toFolder = options.value(QStringLiteral("to-folder"));
    if (server.isEmpty())
        return usage(QStringLiteral("SUNUCU ADRESİ VERİLMEDİ (--server)."));
    if (options.isSet(QStringLiteral("to-folder")) && options.isSet(QStringLiteral("data-dir")))
        return usage(QStringLiteral("--data-dir İLE --to-folder BİRLİKTE VERİLMEZ."));
    if (folder.isEmpty() && toFolder.isEmpty())
        return usage(QStringLiteral("VERİ KLASÖRÜ VERİLMEDİ (--data-dir YA DA --to-folder)."));
    const MoveResult result =
        toFolder.isEmpty() ? folderToServer(folder, server) : serverToFolder(server, toFolder);
    (result.exitCode == ExitOk ? out : err) << result.text << Qt::endl;
    return result.exitCode;
}

} // namespace kalvora::tasi
