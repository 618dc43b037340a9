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

Outcome Backups::create(const QString& target, Kind kind, const ProgressFn& progress) const
{
    if (!m_options.server.isEmpty())
        return createOnServer(target, kind, progress);
    // The backup taken before a restore must succeed even when the current data is missing or
    // damaged (that is why one restores): what does not open is copied byte for byte.
    const bool tolerant = kind == Kind::BeforeRestore;
    const QDir data(m_dataFolder);
    Outcome out;
    try {
        if (m_key.isEmpty())
            throw Failure{QStringLiteral("VERİTABANI ŞİFRESİ VERİLMEDİ.")};
        if (!tolerant) {
            for (const QString& name : databaseFiles())
                if (!optionalFile(name) && !QFileInfo(dataFilePath(m_dataFolder, name)).isFile())
                    throw Failure{QStringLiteral("VERİ DOSYASI BULUNAMADI: ") + name + QLatin1Char('\n') +
                                  QDir::toNativeSeparators(m_dataFolder)};
        }
        const BackupName name = prepareTarget(target);
        const QDateTime& now = name.created;
        const QString& stamp = name.stamp;
        TempFolder tmp(name.scratch);

        const QStringList others = otherFiles(m_dataFolder);
        Reporter reporter(progress, static_cast<int>(databaseFiles().size()) + 2);
        Copier copier(m_options, m_key, reporter);
        QMap<QString, DbCheck> checks; // the databases in the backup, each checked as written

        auto copyText = [](const QString& name) { return QStringLiteral("KOPYALANIYOR: ") + name; };
        if (!tolerant) {
            // The people, their transactions and the archive change together: one connection, as the
            // program's own, holds all three.
            QList<QPair<QString, QString>> group{
                {QString::fromLatin1(files::customers), QStringLiteral("main")},
                {QString::fromLatin1(files::transactions), QStringLiteral("cari")}};
            const bool withArchive = QFileInfo(dataFilePath(m_dataFolder, archiveName())).isFile();
            Database accounts = whileBusy(reporter, m_options.busyLimitMs, [&] {
                Database db = Database::open(data.filePath(group.first().first), m_key,
                                             Database::Mode::ReadWrite, QString(), busyAttemptMs);
                db.attach(data.filePath(group.last().first), group.last().second, m_key);
                if (withArchive)
                    db.attach(dataFilePath(m_dataFolder, archiveName()), QStringLiteral("iptal"), m_key);
                db.setBusyTimeout(Database::defaultBusyTimeoutMs);
                return db;
            });
            if (withArchive)
                group.append({archiveName(), QStringLiteral("iptal")});
            else
                reporter.end(); // nothing to copy
            QStringList schemas;
            for (const auto& member : group)
                schemas << member.second;
            auto versions = [&] {
                QList<qint64> out;
                for (const QString& schema : schemas)
                    out << accounts
                               .scalar(QStringLiteral("PRAGMA ") + schema + QStringLiteral(".data_version"))
                               .toLongLong();
                return out;
            };
            auto copyGroup = [&](bool locked) {
                for (const auto& [name, schema] : group) {
                    reporter.begin(copyText(name));
                    checks[name] = copier.copy(accounts, schema, dataFilePath(m_dataFolder, name),
                                               tmp.filePath(name), locked, countTable(name));
                    reporter.end();
                }
            };
            const auto before = versions();
            copyGroup(false);
            if (versions() != before) {
                // A change was committed between the copies: the people, their transactions and the
                // archive must come from one moment, so copy them again while the files stay still.
                reporter.back(static_cast<int>(group.size()));
                const auto lock = whileBusy(reporter, m_options.busyLimitMs,
                                            [&] { return std::make_shared<ReadLock>(accounts, schemas); });
                copyGroup(true);
            }
            for (const char* ledger : {files::income, files::expense}) {
                const QString name = QString::fromLatin1(ledger);
                reporter.begin(copyText(name));
                Database source = whileBusy(reporter, m_options.busyLimitMs,
                                            [&] { return openSource(data.filePath(name), m_key); });
                checks[name] = copier.copy(source, QStringLiteral("main"), data.filePath(name),
                                           tmp.filePath(name), false, countTable(name));
                reporter.end();
            }
            for (auto it = checks.cbegin(); it != checks.cend(); ++it)
                if (!it->problem.isEmpty())
                    throw Failure{QStringLiteral("VERİ DOSYASI BOZUK: ") + it.key() + QLatin1Char('\n') +
                                  it->problem};
        } else {
            for (const QString& name : databaseFiles()) {
                reporter.begin(copyText(name));
                const QString path = dataFilePath(m_dataFolder, name);
                if (QFileInfo(path).isFile()) {
                    try {
                        Database source = whileBusy(reporter, m_options.busyLimitMs,
                                                    [&] { return openSource(path, m_key); });
                        checks[name] = copier.copy(source, QStringLiteral("main"), path, tmp.filePath(name),
                                                   true, countTable(name));
                    } catch (const DbError& e) {
                        // Only a file that does not open is copied byte for byte; one in use is not.
                        if (e.file() != path || isBusy(e))
                            throw;
                        QFile::remove(tmp.filePath(name));
                        copyFile(path, tmp.filePath(name));
                        checks[name] = DbCheck{reasonText(e), -1};
                    }
                }
                reporter.end();
            }
        }

        reporter.begin(copyText(others.join(QStringLiteral(", "))));
        for (const QString& name : others)
            copyFile(data.filePath(name), tmp.filePath(name));
        reporter.end();

        reporter.begin(QStringLiteral("TAMAMLANIYOR"));
        Manifest manifest;
        manifest.created = now;
        manifest.kind = kind;
        manifest.sourceFolder = QDir::toNativeSeparators(m_dataFolder);
        manifest.counts.people = checks.value(QString::fromLatin1(files::customers)).count;
        manifest.counts.transactions = checks.value(QString::fromLatin1(files::transactions)).count;
        manifest.counts.incomeEntries = checks.value(QString::fromLatin1(files::income)).count;
        manifest.counts.expenseEntries = checks.value(QString::fromLatin1(files::expense)).count;
        for (const QString& name : databaseFiles()) {
            if (!checks.contains(name))
                continue;
            syncPath(tmp.filePath(name));
            manifest.files.append(
                {name, QFileInfo(tmp.filePath(name)).size(), fileHash(tmp.filePath(name)), true});
        }
        for (const QString& name : others)
            manifest.files.append(
                {name, QFileInfo(tmp.filePath(name)).size(), fileHash(tmp.filePath(name)), false});
        for (const FileEntry& f : manifest.files)
            if (f.sha256.isEmpty())
                throw Failure{QStringLiteral("YEDEK DOSYASI OKUNAMADI: ") + f.name};

        const QString finalPath = placeBackup(tmp, target, stamp, manifest);
        reporter.end();

        out.ok = true;
        out.folder = QDir(finalPath).absolutePath();
        out.text = QStringLiteral("YEDEK ALINDI:\n") + QDir::toNativeSeparators(out.folder);
        if (manifest.counts.people >= 0 && manifest.counts.transactions >= 0)
            out.text += QStringLiteral("\n\nKİŞİ SAYISI: %1\nHAREKET SAYISI: %2")
                            .arg(manifest.counts.people)
                            .arg(manifest.counts.transactions);
    } catch (const Failure& f) {
        out.text =
            QStringLiteral("YEDEK ALINAMADI.\n") + f.text + QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
    } catch (const DbError& e) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + e.turkishText() +
                   QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
    } catch (const Cancelled&) {
        out.cancelled = true;
        out.text = QStringLiteral("YEDEKLEME İPTAL EDİLDİ. YARIM KALAN YEDEK SİLİNDİ.");
    } catch (const std::exception& e) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + QString::fromLocal8Bit(e.what()) +
                   QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
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
