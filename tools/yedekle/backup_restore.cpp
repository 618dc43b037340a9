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
#include "data/file_replacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

#include <cstdio>

namespace kalvora::backup {

Outcome Backups::restore(const QString& backupFolder, const QString& safetyTarget,
                         const ProgressFn& progress) const
{
    Outcome out;
    const QString untouched = QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI, VERİLERİNİZE DOKUNULMADI.");
    QDir().mkpath(m_dataFolder);
    const QDir data(m_dataFolder);
    // Held to the end: the main program cannot start while its files are being replaced.
    QLockFile lock(lockFilePath(m_dataFolder));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError)
            out.text =
                QStringLiteral("KALVORA PROGRAMI ŞU AN AÇIK. GERİ YÜKLEMEDEN ÖNCE PROGRAMI \"GÜVENLİ ÇIKIŞ\" "
                               "İLE KAPATINIZ.") +
                untouched;
        else
            out.text = QStringLiteral("VERİ KLASÖRÜNE YAZILAMIYOR:\n") +
                       QDir::toNativeSeparators(m_dataFolder) + untouched;
        return out;
    }
    // What a restore or a move cut short began is finished before anything else touches the files.
    if (const FileReplacement::Recovery left = FileReplacement::recover(m_dataFolder);
        left.found && !left.finished) {
        out.text = left.text + untouched;
        return out;
    }

    const Verification v = verify(backupFolder, subRange(progress, 0, 30));
    if (v.cancelled) {
        out.cancelled = true;
        out.text = QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.") + untouched;
        return out;
    }
    if (!v.ok) {
        out.text = QStringLiteral("SEÇİLEN YEDEK BOZUK, GERİ YÜKLENEMEZ:\n") +
                   v.problems.join(QLatin1Char('\n')) + untouched;
        return out;
    }

    const bool serverBackup = !v.manifest->server.isEmpty();
    if (serverBackup != !m_options.server.isEmpty()) {
        out.text =
            (serverBackup ? QStringLiteral("BU YEDEK SUNUCUDAKİ BİR DEFTERİN; DEFTER ŞU AN VERİ KLASÖRÜNDE "
                                           "TUTULUYOR. SUNUCU SEÇİLMEDEN BU YEDEK GERİ YÜKLENEMEZ.")
                          : QStringLiteral("BU YEDEK BİR VERİ KLASÖRÜNÜN; DEFTER ŞU AN SUNUCUDA TUTULUYOR. "
                                           "KLASÖRDEKİ BİR DEFTER SUNUCUYA kalvora-tasi İLE TAŞINIR.")) +
            untouched;
        return out;
    }
    if (serverBackup)
        return restoreOnServer(backupFolder, *v.manifest, safetyTarget, subRange(progress, 30, 100));

    bool anyCurrent = !templateFiles(m_dataFolder).isEmpty() ||
                      QFileInfo(data.filePath(QString::fromLatin1(files::password))).isFile();
    for (const QString& name : databaseFiles())
        anyCurrent = anyCurrent || QFileInfo(dataFilePath(m_dataFolder, name)).isFile();
    if (anyCurrent) {
        const Outcome saved = create(safetyTarget, Kind::BeforeRestore, subRange(progress, 30, 80));
        if (!saved.ok) {
            out.cancelled = saved.cancelled;
            out.text = saved.cancelled ? QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.") + untouched
                                       : QStringLiteral("ŞU ANKİ VERİLERİNİZ YEDEKLENEMEDİ.\n") + saved.text +
                                             QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI.");
            return out;
        }
        out.folder = saved.folder;
    }
    const QString savedText = out.folder.isEmpty() ? QString()
                                                   : QStringLiteral("\n\nÖNCEKİ VERİLERİNİZ ŞU YEDEKTE:\n") +
                                                         QDir::toNativeSeparators(out.folder);

    // Leftovers of a restore that died half-way; nobody else restores while the lock is held.
    static const QRegularExpression staleStaged(QStringLiteral("^\\..+\\.[0-9]+\\.geri\\.tmp$"));
    for (const QDir& dir : {data, QDir(QFileInfo(dataFilePath(m_dataFolder, archiveName())).path())})
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            if (staleStaged.match(name).hasMatch())
                QFile::remove(dir.filePath(name));

    // Every file is copied beside its place first; only when all are there and match the manifest
    // are they renamed over the current files, one atomic rename per file.
    struct Staged {
        QString name;
        QString staged;
        QString finalPath;
    };
    QList<Staged> staged;
    auto removeStaged = [&] {
        for (const Staged& s : staged)
            QFile::remove(s.staged);
    };
    try {
        Reporter reporter(subRange(progress, 80, 100), static_cast<int>(v.manifest->files.size()));
        for (const FileEntry& f : v.manifest->files) {
            reporter.begin(QStringLiteral("GERİ YÜKLENİYOR: ") + f.name);
            const QString finalPath = f.database ? dataFilePath(m_dataFolder, f.name) : data.filePath(f.name);
            const QDir place = QFileInfo(finalPath).dir();
            if (!place.mkpath(QStringLiteral(".")))
                throw Failure{writeFailure(place.path(), QStringLiteral("KLASÖR OLUŞTURULAMADI."))};
            // Staged beside its place, so the rename stays within one folder of one file system.
            Staged s{f.name,
                     place.filePath(QLatin1Char('.') + f.name + QLatin1Char('.') +
                                    QString::number(QCoreApplication::applicationPid()) +
                                    QStringLiteral(".geri.tmp")),
                     finalPath};
            QFile::remove(s.staged);
            staged.append(s);
            if (copyFile(QDir(backupFolder).filePath(f.name), s.staged) != f.sha256)
                throw Failure{f.name + QStringLiteral(": YEDEK DOSYASI OKUNURKEN DEĞİŞTİ.")};
            if (QFileInfo::exists(s.finalPath))
                QFile::setPermissions(s.staged, QFile::permissions(s.finalPath));
            reporter.end();
        }
    } catch (const Failure& f) {
        removeStaged();
        out.text = QStringLiteral("GERİ YÜKLEME YAPILAMADI.\n") + f.text +
                   QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.") + savedText;
        return out;
    } catch (const Cancelled&) {
        removeStaged();
        out.cancelled = true;
        out.text = QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.\n\nVERİLERİNİZE DOKUNULMADI.") + savedText;
        return out;
    }

    FileReplacement replacement(m_dataFolder);
    for (const Staged& s : std::as_const(staged))
        replacement.add(s.staged, s.finalPath);
    if (const QString problem = replacement.run(); !problem.isEmpty()) {
        if (replacement.renamed() == 0) {
            removeStaged();
            out.text = QStringLiteral("GERİ YÜKLEME YAPILAMADI.\n") + problem +
                       QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.") + savedText;
        } else {
            out.text = QStringLiteral("GERİ YÜKLEME YARIDA KESİLDİ.\n") + problem + savedText;
        }
        return out;
    }
    out.ok = true;
    out.text = QStringLiteral("YEDEK GERİ YÜKLENDİ.") + savedText;
    return out;
}

Outcome Backups::restoreOnServer(const QString& backupFolder, const Manifest& manifest,
                                 const QString& safetyTarget, const ProgressFn& progress) const
{
    Outcome out;
    const QString untouched = QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI, VERİLERİNİZE DOKUNULMADI.");
    QString savedText;
    try {
        // Asked before the safety backup, so a refusal costs nothing; asked again right before the restore.
        const int others = server::otherDesks(m_options.server);
        if (others > 0)
            throw server::ServerFailure{
                QStringLiteral("SUNUCUDAKİ DEFTERE BAĞLI %1 BAŞKA KALVORA VAR. GERİ "
                               "YÜKLEMEDEN ÖNCE DİĞER BİLGİSAYARLARDA PROGRAMI KAPATINIZ.")
                    .arg(others)};
        if (server::hasBook(m_options.server)) {
            const Outcome saved = create(safetyTarget, Kind::BeforeRestore, subRange(progress, 0, 50));
            if (!saved.ok) {
                out.cancelled = saved.cancelled;
                out.text = saved.cancelled ? QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.") + untouched
                                           : QStringLiteral("ŞU ANKİ VERİLERİNİZ YEDEKLENEMEDİ.\n") +
                                                 saved.text + QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI.");
                return out;
            }
            out.folder = saved.folder;
            savedText =
                QStringLiteral("\n\nÖNCEKİ VERİLERİNİZ ŞU YEDEKTE:\n") + QDir::toNativeSeparators(out.folder);
        }
        Reporter reporter(subRange(progress, 50, 100), 1);
        reporter.begin(QStringLiteral("SUNUCUYA GERİ YÜKLENİYOR"));
        const server::TableCounts counts = server::restore(
            m_options.server, QDir(backupFolder).filePath(dumpName()), [&] { reporter.report(0.5); });
        // Past this point the server holds the backup's book: nothing may be cancelled any more.
        // sifre.dll and the templates go back into the data folder, each renamed into place whole.
        for (const FileEntry& f : manifest.files) {
            if (f.name == dumpName())
                continue;
            const QString finalPath = QDir(m_dataFolder).filePath(f.name);
            const QString staged = QDir(m_dataFolder)
                                       .filePath(QLatin1Char('.') + f.name + QLatin1Char('.') +
                                                 QString::number(QCoreApplication::applicationPid()) +
                                                 QStringLiteral(".geri.tmp"));
            QFile::remove(staged);
            if (copyFile(QDir(backupFolder).filePath(f.name), staged) != f.sha256 ||
                ::rename(QFile::encodeName(staged).constData(), QFile::encodeName(finalPath).constData()) !=
                    0) {
                QFile::remove(staged);
                throw Failure{writeFailure(finalPath, QStringLiteral("DOSYA YERİNE KONAMADI."))};
            }
        }
        syncFolder(m_dataFolder);
        if (counts != manifest.tables) {
            out.text =
                QStringLiteral("YEDEK SUNUCUYA GERİ YÜKLENDİ, ANCAK SUNUCUDAKİ SATIR SAYILARI YEDEKTEKİLERLE "
                               "AYNI DEĞİL. DEFTERİ DENETLEYİNİZ.") +
                savedText;
            return out;
        }
        out.ok = true;
        out.text = QStringLiteral("YEDEK SUNUCUYA GERİ YÜKLENDİ.") + savedText;
    } catch (const server::ServerFailure& f) {
        // pg_restore runs in one transaction: a failure there changed nothing on the server.
        out.text = QStringLiteral("GERİ YÜKLEME YAPILAMADI.\n") + f.text + untouched + savedText;
    } catch (const Failure& f) {
        out.text =
            QStringLiteral("SUNUCUDAKİ DEFTER GERİ YÜKLENDİ, ANCAK VERİ KLASÖRÜNE BİR DOSYA YAZILAMADI.\n") +
            f.text + savedText;
    } catch (const Cancelled&) {
        out.cancelled = true;
        out.text = QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.") + untouched + savedText;
    }
    return out;
}

} // namespace kalvora::backup
