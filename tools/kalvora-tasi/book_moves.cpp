#include "book_moves.h"

#include "book_tables.h"
#include "folder_book.h"
#include "move_checks.h"
#include "refusal.h"
#include "row_streams.h"
#include "server_book.h"

#include "data/data_folder.h"
#include "data/file_replacement.h"
#include "data/pg/server_schema.h"
#include "data/scratch_cleanup.h"
#include "data/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace kalvora::tasi {

namespace {

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

QString stagingPrefix()
{
    return QStringLiteral(".kalvora-tasi.");
}

// What a move writes into its staging folder: the folders and files a first start makes, the databases
// and SQLite's journals beside them.
bool stagedName(const QString& path)
{
    QString base = path;
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        if (base.endsWith(QLatin1String(suffix)))
            base.chop(static_cast<int>(qstrlen(suffix)));
    static const QStringList names{QString::fromLatin1(files::customers),
                                   QString::fromLatin1(files::transactions),
                                   QString::fromLatin1(files::income),
                                   QString::fromLatin1(files::expense),
                                   QString::fromLatin1(files::scratch),
                                   QString::fromLatin1(files::archive),
                                   QStringLiteral("data"),
                                   QStringLiteral("image"),
                                   QStringLiteral("iptaller")};
    return names.contains(base);
}

// Staging folders of moves that died (their process on this computer is gone; a reused process id is
// this one's) are emptied of what they wrote and removed; another computer's are left to it.
void removeAbandonedStagings(const QString& target)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.kalvora-tasi\\.([A-Za-z0-9-]+)\\.([0-9]+)$"));
    const QDir dir(target);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = pattern.match(name);
        const qint64 pid = m.captured(2).toLongLong();
        if (m.hasMatch() && m.captured(1) == scratchHostTag() &&
            (pid == QCoreApplication::applicationPid() || !processAlive(pid)))
            removeOwnFiles(dir.filePath(name), stagedName);
    }
}

// The server book copied into a new book in the staging folder and compared with it, row by row.
QList<TableResult> fillStaging(PgConnection& conn, const QString& staging, BalanceCheck& balances)
{
    QList<TableResult> results;
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
        fromServer, [&](const BookTable& t) { return std::make_unique<SqliteInsert>(db(t.connection), t); },
        balances);
    for (const TableResult& r : std::as_const(results)) {
        if (!r.table->key)
            continue;
        // Only a key the server numbers itself has a sequence to carry on (the file's AUTOINCREMENT).
        const QVariant serial = conn.scalar(QStringLiteral("SELECT pg_get_serial_sequence($1, $2)"),
                                            {serverName(*r.table), QString::fromLatin1(r.table->key)});
        if (serial.isNull())
            continue;
        const qint64 last =
            conn.scalar(QStringLiteral("SELECT pg_sequence_last_value($1::regclass)"), {serial}).toLongLong();
        const qint64 next = std::max(last, r.highestKey);
        Database& d = db(r.table->connection);
        const QString sequence = QString::fromLatin1(r.table->alias) + QStringLiteral(".sqlite_sequence");
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
    return results;
}

// The finished files take the place of the empty ones together (a stop half-way is finished by the next
// start); should a rename fail, the ones already moved are taken out again, so the folder never holds
// half a book.
void placeStaged(const QString& staging, const QString& target)
{
    const char* const moved[] = {files::archive, files::income, files::expense, files::transactions,
                                 files::customers};
    FileReplacement replacement(target);
    for (const char* file : moved)
        replacement.add(filePath(staging, file), filePath(target, file));
    if (const QString problem = replacement.run(); !problem.isEmpty()) {
        for (int i = 0; i < replacement.renamed(); ++i)
            QFile::remove(filePath(target, moved[i]));
        QFile::remove(QDir(target).filePath(FileReplacement::recordName()));
        Store(target).initialize();
        throw Refusal{problem};
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
    const QString staging = QDir(target).filePath(stagingPrefix() + scratchHostTag() + QLatin1Char('.') +
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
        removeAbandonedStagings(target);
        struct StagingCleanup {
            QString path;
            ~StagingCleanup() { removeOwnFiles(path, stagedName); }
        } cleanup{staging};
        BalanceCheck balances;
        const QList<TableResult> results = fillStaging(conn, staging, balances);

        placeStaged(staging, target);
        // The folders and the scratch file the first start would make.
        Store(target).initialize();
        return summary(QStringLiteral("KALVORA DEFTERİ VERİ KLASÖRÜNE TAŞINDI"), conn.server(), folderText,
                       results, balances);
    });
}

} // namespace kalvora::tasi
