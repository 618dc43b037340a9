#include "backups.h"

#include "book_files.h"
#include "database_copier.h"
#include "failure.h"
#include "file_copy.h"
#include "progress_reporter.h"
#include "scratch_folder.h"
#include "server_dump.h"

#include "data/data_folder.h"
#include "data/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <memory>

namespace kalvora::backup {

namespace {

using Checks = QMap<QString, DbCheck>; // the databases in a backup, each checked as written

QString copyText(const QString& name)
{
    return QStringLiteral("KOPYALANIYOR: ") + name;
}

// The copies of one backup of a data folder's databases into its scratch folder.
class FolderCopy {
public:
    FolderCopy(const QString& dataFolder, const QString& key, const Backups::Options& options,
               TempFolder& tmp, Reporter& reporter)
        : m_dataFolder(dataFolder), m_key(key), m_options(options), m_tmp(tmp), m_reporter(reporter),
          m_copier(options, key, reporter)
    {}

    // The people, their transactions and the archive change together: one connection, as the
    // program's own, holds all three, and they are copied from one moment.
    void accounts();
    void ledgers();
    // For the backup taken before a restore: what does not open is copied byte for byte.
    void tolerant();
    const Checks& checks() const { return m_checks; }
    void throwOnDamage() const;

private:
    using Group = QList<QPair<QString, QString>>; // file, schema
    Database openAccounts(bool withArchive) const;
    void copyGroup(Database& accounts, const Group& group, bool locked);

    const QString& m_dataFolder;
    const QString& m_key;
    const Backups::Options& m_options;
    TempFolder& m_tmp;
    Reporter& m_reporter;
    Copier m_copier;
    Checks m_checks;
};

Database FolderCopy::openAccounts(bool withArchive) const
{
    const QDir data(m_dataFolder);
    return whileBusy(m_reporter, m_options.busyLimitMs, [&] {
        Database db = Database::open(data.filePath(QString::fromLatin1(files::customers)), m_key,
                                     Database::Mode::ReadWrite, QString(), busyAttemptMs);
        db.attach(data.filePath(QString::fromLatin1(files::transactions)), QStringLiteral("cari"), m_key);
        if (withArchive)
            db.attach(dataFilePath(m_dataFolder, archiveName()), QStringLiteral("iptal"), m_key);
        db.setBusyTimeout(Database::defaultBusyTimeoutMs);
        return db;
    });
}

void FolderCopy::copyGroup(Database& accounts, const Group& group, bool locked)
{
    for (const auto& [name, schema] : group) {
        m_reporter.begin(copyText(name));
        m_checks[name] = m_copier.copy(accounts, schema, dataFilePath(m_dataFolder, name),
                                       m_tmp.filePath(name), locked, countTable(name));
        m_reporter.end();
    }
}

void FolderCopy::accounts()
{
    Group group{{QString::fromLatin1(files::customers), QStringLiteral("main")},
                {QString::fromLatin1(files::transactions), QStringLiteral("cari")}};
    const bool withArchive = QFileInfo(dataFilePath(m_dataFolder, archiveName())).isFile();
    Database accounts = openAccounts(withArchive);
    if (withArchive)
        group.append({archiveName(), QStringLiteral("iptal")});
    else
        m_reporter.end(); // nothing to copy
    QStringList schemas;
    for (const auto& member : group)
        schemas << member.second;
    auto versions = [&] {
        QList<qint64> out;
        for (const QString& schema : schemas)
            out << accounts.scalar(QStringLiteral("PRAGMA ") + schema + QStringLiteral(".data_version"))
                       .toLongLong();
        return out;
    };
    const auto before = versions();
    copyGroup(accounts, group, false);
    if (versions() == before)
        return;
    // A change was committed between the copies: copy them again while the files stay still.
    m_reporter.back(static_cast<int>(group.size()));
    const auto lock = whileBusy(m_reporter, m_options.busyLimitMs,
                                [&] { return std::make_shared<ReadLock>(accounts, schemas); });
    copyGroup(accounts, group, true);
}

void FolderCopy::ledgers()
{
    const QDir data(m_dataFolder);
    for (const char* ledger : {files::income, files::expense}) {
        const QString name = QString::fromLatin1(ledger);
        m_reporter.begin(copyText(name));
        Database source = whileBusy(m_reporter, m_options.busyLimitMs,
                                    [&] { return openSource(data.filePath(name), m_key); });
        m_checks[name] = m_copier.copy(source, QStringLiteral("main"), data.filePath(name),
                                       m_tmp.filePath(name), false, countTable(name));
        m_reporter.end();
    }
}

void FolderCopy::tolerant()
{
    for (const QString& name : databaseFiles()) {
        m_reporter.begin(copyText(name));
        const QString path = dataFilePath(m_dataFolder, name);
        if (QFileInfo(path).isFile()) {
            try {
                Database source =
                    whileBusy(m_reporter, m_options.busyLimitMs, [&] { return openSource(path, m_key); });
                m_checks[name] = m_copier.copy(source, QStringLiteral("main"), path, m_tmp.filePath(name),
                                               true, countTable(name));
            } catch (const DbError& e) {
                // Only a file that does not open is copied byte for byte; one in use is not.
                if (e.file() != path || isBusy(e))
                    throw;
                QFile::remove(m_tmp.filePath(name));
                copyFile(path, m_tmp.filePath(name));
                m_checks[name] = DbCheck{reasonText(e), -1};
            }
        }
        m_reporter.end();
    }
}

void FolderCopy::throwOnDamage() const
{
    for (auto it = m_checks.cbegin(); it != m_checks.cend(); ++it)
        if (!it->problem.isEmpty())
            throw Failure{QStringLiteral("VERİ DOSYASI BOZUK: ") + it.key() + QLatin1Char('\n') +
                          it->problem};
}

void requireDataFiles(const QString& dataFolder)
{
    for (const QString& name : databaseFiles())
        if (!optionalFile(name) && !QFileInfo(dataFilePath(dataFolder, name)).isFile())
            throw Failure{QStringLiteral("VERİ DOSYASI BULUNAMADI: ") + name + QLatin1Char('\n') +
                          QDir::toNativeSeparators(dataFolder)};
}

// The manifest of the copied files, each hashed as it lies in the scratch folder.
Manifest folderManifest(const BackupName& name, Kind kind, const QString& dataFolder, const TempFolder& tmp,
                        const Checks& checks, const QStringList& others)
{
    Manifest manifest;
    manifest.created = name.created;
    manifest.kind = kind;
    manifest.sourceFolder = QDir::toNativeSeparators(dataFolder);
    manifest.counts.people = checks.value(QString::fromLatin1(files::customers)).count;
    manifest.counts.transactions = checks.value(QString::fromLatin1(files::transactions)).count;
    manifest.counts.incomeEntries = checks.value(QString::fromLatin1(files::income)).count;
    manifest.counts.expenseEntries = checks.value(QString::fromLatin1(files::expense)).count;
    for (const QString& file : databaseFiles()) {
        if (!checks.contains(file))
            continue;
        syncPath(tmp.filePath(file));
        manifest.files.append(
            {file, QFileInfo(tmp.filePath(file)).size(), fileHash(tmp.filePath(file)), true});
    }
    for (const QString& file : others)
        manifest.files.append(
            {file, QFileInfo(tmp.filePath(file)).size(), fileHash(tmp.filePath(file)), false});
    for (const FileEntry& f : manifest.files)
        if (f.sha256.isEmpty())
            throw Failure{QStringLiteral("YEDEK DOSYASI OKUNAMADI: ") + f.name};
    return manifest;
}

QString createdText(const QString& folder, const Counts& counts)
{
    QString text = QStringLiteral("YEDEK ALINDI:\n") + QDir::toNativeSeparators(folder);
    if (counts.people >= 0 && counts.transactions >= 0)
        text += QStringLiteral("\n\nKİŞİ SAYISI: %1\nHAREKET SAYISI: %2")
                    .arg(counts.people)
                    .arg(counts.transactions);
    return text;
}

} // namespace

Outcome Backups::create(const QString& target, Kind kind, const ProgressFn& progress) const
{
    if (!m_options.server.isEmpty())
        return createOnServer(target, kind, progress);
    // The backup taken before a restore must succeed even when the current data is missing or
    // damaged (that is why one restores).
    const bool tolerant = kind == Kind::BeforeRestore;
    const QString untouched = QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
    Outcome out;
    try {
        if (m_key.isEmpty())
            throw Failure{QStringLiteral("VERİTABANI ŞİFRESİ VERİLMEDİ.")};
        if (!tolerant)
            requireDataFiles(m_dataFolder);
        const BackupName name = prepareTarget(target);
        TempFolder tmp(name.scratch);
        const QStringList others = otherFiles(m_dataFolder);
        Reporter reporter(progress, static_cast<int>(databaseFiles().size()) + 2);
        FolderCopy copy(m_dataFolder, m_key, m_options, tmp, reporter);
        if (tolerant) {
            copy.tolerant();
        } else {
            copy.accounts();
            copy.ledgers();
            copy.throwOnDamage();
        }
        reporter.begin(copyText(others.join(QStringLiteral(", "))));
        for (const QString& file : others)
            copyFile(QDir(m_dataFolder).filePath(file), tmp.filePath(file));
        reporter.end();

        reporter.begin(QStringLiteral("TAMAMLANIYOR"));
        const Manifest manifest = folderManifest(name, kind, m_dataFolder, tmp, copy.checks(), others);
        out.folder = QDir(placeBackup(tmp, target, name.stamp, manifest)).absolutePath();
        reporter.end();
        out.ok = true;
        out.text = createdText(out.folder, manifest.counts);
    } catch (const Failure& f) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + f.text + untouched;
    } catch (const DbError& e) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + e.turkishText() + untouched;
    } catch (const Cancelled&) {
        out.cancelled = true;
        out.text = QStringLiteral("YEDEKLEME İPTAL EDİLDİ. YARIM KALAN YEDEK SİLİNDİ.");
    } catch (const std::exception& e) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + QString::fromLocal8Bit(e.what()) + untouched;
    }
    return out;
}

Outcome Backups::createOnServer(const QString& target, Kind kind, const ProgressFn& progress) const
{
    Outcome out;
    const QString untouched = QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
    try {
        const BackupName name = prepareTarget(target);
        const QDateTime& now = name.created;
        const QString& stamp = name.stamp;
        TempFolder tmp(name.scratch);
        const QStringList others = otherFiles(m_dataFolder);
        Reporter reporter(progress, 3);
        reporter.begin(QStringLiteral("SUNUCUDAKİ DEFTER YEDEKLENİYOR"));
        const server::DumpResult dumped =
            server::dump(m_options.server, tmp.filePath(dumpName()), [&] { reporter.report(0.5); });
        reporter.end();
        reporter.begin(QStringLiteral("KOPYALANIYOR: ") + others.join(QStringLiteral(", ")));
        for (const QString& name : others)
            copyFile(QDir(m_dataFolder).filePath(name), tmp.filePath(name));
        reporter.end();

        reporter.begin(QStringLiteral("TAMAMLANIYOR"));
        Manifest manifest;
        manifest.created = now;
        manifest.kind = kind;
        manifest.sourceFolder = QDir::toNativeSeparators(m_dataFolder);
        manifest.server = dumped.server;
        manifest.tables = dumped.counts;
        manifest.counts = {dumped.counts.value(QStringLiteral("cari.musteriler"), -1),
                           dumped.counts.value(QStringLiteral("cari.carikart"), -1),
                           dumped.counts.value(QStringLiteral("gelir.giderler"), -1),
                           dumped.counts.value(QStringLiteral("gider.giderler"), -1)};
        syncPath(tmp.filePath(dumpName()));
        for (const QString& name : QStringList{dumpName()} + others)
            manifest.files.append(
                {name, QFileInfo(tmp.filePath(name)).size(), fileHash(tmp.filePath(name)), false});
        for (const FileEntry& f : manifest.files)
            if (f.sha256.isEmpty())
                throw Failure{QStringLiteral("YEDEK DOSYASI OKUNAMADI: ") + f.name};
        out.folder = QDir(placeBackup(tmp, target, stamp, manifest)).absolutePath();
        reporter.end();
        out.ok = true;
        out.text = QStringLiteral("YEDEK ALINDI:\n") + QDir::toNativeSeparators(out.folder) +
                   QStringLiteral("\nSUNUCU: ") + dumped.server +
                   QStringLiteral("\n\nKİŞİ SAYISI: %1\nHAREKET SAYISI: %2")
                       .arg(manifest.counts.people)
                       .arg(manifest.counts.transactions);
    } catch (const Failure& f) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + f.text + untouched;
    } catch (const server::ServerFailure& f) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + f.text + untouched;
    } catch (const Cancelled&) {
        out.cancelled = true;
        out.text = QStringLiteral("YEDEKLEME İPTAL EDİLDİ. YARIM KALAN YEDEK SİLİNDİ.");
    }
    return out;
}

} // namespace kalvora::backup
