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

namespace {

// A file of the backup copied beside its place in the data folder, waiting for its rename.
struct Staged {
    QString name;
    QString staged;
    QString finalPath;
};

void removeStaged(const QList<Staged>& staged)
{
    for (const Staged& s : staged)
        QFile::remove(s.staged);
}

// Why the data folder's lock was refused: the main program runs, or the folder takes no file.
QString lockProblem(const QLockFile& lock, const QString& dataFolder)
{
    if (lock.error() == QLockFile::LockFailedError)
        return QStringLiteral("KALVORA PROGRAMI ŞU AN AÇIK. GERİ YÜKLEMEDEN ÖNCE PROGRAMI \"GÜVENLİ ÇIKIŞ\" "
                              "İLE KAPATINIZ.");
    return QStringLiteral("VERİ KLASÖRÜNE YAZILAMIYOR:\n") + QDir::toNativeSeparators(dataFolder);
}

// Whether the data folder holds anything a restore would replace.
bool anyCurrentData(const QString& dataFolder)
{
    bool any = !templateFiles(dataFolder).isEmpty() ||
               QFileInfo(QDir(dataFolder).filePath(QString::fromLatin1(files::password))).isFile();
    for (const QString& name : databaseFiles())
        any = any || QFileInfo(dataFilePath(dataFolder, name)).isFile();
    return any;
}

// Leftovers of a restore that died before its renames; nobody else restores while the lock is held.
void removeStaleStaged(const QString& dataFolder)
{
    static const QRegularExpression staleStaged(QStringLiteral("^\\..+\\.[0-9]+\\.geri\\.tmp$"));
    for (const QDir& dir :
         {QDir(dataFolder), QDir(QFileInfo(dataFilePath(dataFolder, archiveName())).path())})
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            if (staleStaged.match(name).hasMatch())
                QFile::remove(dir.filePath(name));
}

// Every file of the backup copied beside its place (so each rename stays within one folder of one
// file system) and checked against the manifest. On a failure nothing staged is left.
QList<Staged> stageFiles(const QString& backupFolder, const QString& dataFolder, const Manifest& manifest,
                         Reporter& reporter)
{
    QList<Staged> staged;
    try {
        for (const FileEntry& f : manifest.files) {
            reporter.begin(QStringLiteral("GERİ YÜKLENİYOR: ") + f.name);
            const QString finalPath =
                f.database ? dataFilePath(dataFolder, f.name) : QDir(dataFolder).filePath(f.name);
            const QDir place = QFileInfo(finalPath).dir();
            if (!place.mkpath(QStringLiteral(".")))
                throw Failure{writeFailure(place.path(), QStringLiteral("KLASÖR OLUŞTURULAMADI."))};
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
    } catch (...) {
        removeStaged(staged);
        throw;
    }
    return staged;
}

} // namespace

Outcome Backups::restore(const QString& backupFolder, const QString& safetyTarget,
                         const ProgressFn& progress) const
{
    Outcome out;
    const QString untouched = QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI, VERİLERİNİZE DOKUNULMADI.");
    QDir().mkpath(m_dataFolder);
    // Held to the end: the main program cannot start while its files are being replaced.
    QLockFile lock(lockFilePath(m_dataFolder));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        out.text = lockProblem(lock, m_dataFolder) + untouched;
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

    if (anyCurrentData(m_dataFolder)) {
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

    removeStaleStaged(m_dataFolder);
    // Only when every file is there and matches the manifest are they renamed over the current ones.
    QList<Staged> staged;
    try {
        Reporter reporter(subRange(progress, 80, 100), static_cast<int>(v.manifest->files.size()));
        staged = stageFiles(backupFolder, m_dataFolder, *v.manifest, reporter);
    } catch (const Failure& f) {
        out.text = QStringLiteral("GERİ YÜKLEME YAPILAMADI.\n") + f.text +
                   QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.") + savedText;
        return out;
    } catch (const Cancelled&) {
        out.cancelled = true;
        out.text = QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.\n\nVERİLERİNİZE DOKUNULMADI.") + savedText;
        return out;
    }

    FileReplacement replacement(m_dataFolder);
    for (const Staged& s : std::as_const(staged))
        replacement.add(s.staged, s.finalPath);
    if (const QString problem = replacement.run(); !problem.isEmpty()) {
        if (replacement.renamed() == 0) {
            removeStaged(staged);
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
