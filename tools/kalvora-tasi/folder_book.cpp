#include "folder_book.h"

#include "refusal.h"

#include "data/data_folder.h"
#include "data/file_replacement.h"

#include <QDir>
#include <QFileInfo>

namespace kalvora::tasi {

namespace {

QString lockPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("kalvora.lock"));
}

} // namespace

std::unique_ptr<QLockFile> lockFolder(const QString& folder)
{
    auto lock = std::make_unique<QLockFile>(lockPath(folder));
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        // A restore or an earlier move cut short is finished before the folder's files are read.
        if (const FileReplacement::Recovery left = FileReplacement::recover(folder);
            left.found && !left.finished)
            throw Refusal{left.text};
        return lock;
    }
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

FolderBook::FolderBook(const QString& folder)
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

Database& FolderBook::db(Connection c)
{
    return c == Connection::Accounts ? m_accounts : c == Connection::Income ? m_income : m_expense;
}

bool FolderBook::has(const BookTable& t)
{
    if (qstrcmp(t.alias, "iptal") == 0 && !m_archive)
        return false;
    return sqliteTableExists(db(t.connection), QString::fromLatin1(t.alias), QString::fromLatin1(t.table));
}

std::unique_ptr<RowSource> FolderBook::rows(const BookTable& t)
{
    if (!has(t))
        return std::make_unique<NoRows>();
    return std::make_unique<SqliteRows>(db(t.connection), t);
}

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

} // namespace kalvora::tasi
