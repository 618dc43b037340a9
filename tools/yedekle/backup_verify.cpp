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

#include <optional>

namespace kalvora::backup {

namespace {

// The manifest of a backup folder, or the problem that keeps it from being read.
std::optional<Manifest> readManifest(const QDir& dir, QStringList& problems)
{
    QFile mf(dir.filePath(manifestName()));
    if (!mf.exists()) {
        problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) BULUNAMADI.").arg(manifestName());
        return std::nullopt;
    }
    if (!mf.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) OKUNAMADI: ").arg(manifestName()) +
                        mf.errorString();
        return std::nullopt;
    }
    std::optional<Manifest> manifest = Manifest::fromJson(mf.readAll());
    if (!manifest)
        problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) BOZUK.").arg(manifestName());
    return manifest;
}

// The files a backup of its kind must hold and does not list.
QStringList missingFiles(const Manifest& manifest)
{
    QStringList out;
    if (!manifest.server.isEmpty()) {
        if (!manifest.file(dumpName()))
            out << dumpName() + QStringLiteral(": YEDEKTE YOK.");
    } else if (manifest.kind != Kind::BeforeRestore) {
        for (const QString& name : databaseFiles())
            if (!optionalFile(name) && !manifest.file(name))
                out << name + QStringLiteral(": YEDEKTE YOK.");
    }
    return out;
}

// One file against its entry: there, of its size and hash, and a database that opens and is sound.
QString fileProblem(const QDir& dir, const FileEntry& f, const QString& key)
{
    const QString path = dir.filePath(f.name);
    const QFileInfo info(path);
    if (!info.isFile())
        return f.name + QStringLiteral(": DOSYA EKSİK.");
    if (info.size() != f.size)
        return f.name + QStringLiteral(": DOSYA BOYUTU DEĞİŞMİŞ (BOZUK).");
    if (fileHash(path) != f.sha256)
        return f.name + QStringLiteral(": DOSYA İÇERİĞİ DEĞİŞMİŞ (BOZUK).");
    if (f.database) {
        const DbCheck check = checkDatabase(path, key, countTable(f.name));
        if (!check.problem.isEmpty())
            return f.name + QStringLiteral(": ") + check.problem;
    }
    return {};
}

} // namespace

Verification Backups::verify(const QString& backupFolder, const ProgressFn& progress) const
{
    Verification v;
    const QDir dir(backupFolder);
    v.manifest = readManifest(dir, v.problems);
    if (!v.manifest)
        return v;
    const bool serverBook = !v.manifest->server.isEmpty();
    v.problems << missingFiles(*v.manifest);
    try {
        Reporter reporter(progress, static_cast<int>(v.manifest->files.size()) + (serverBook ? 1 : 0));
        for (const FileEntry& f : v.manifest->files) {
            reporter.begin(QStringLiteral("DOĞRULANIYOR: ") + f.name);
            if (const QString problem = fileProblem(dir, f, m_key); !problem.isEmpty())
                v.problems << problem;
            reporter.end();
        }
        // A dump whose bytes match is also read back whole: its table list and every table's rows.
        if (serverBook && v.problems.isEmpty()) {
            reporter.begin(QStringLiteral("DOĞRULANIYOR: ") + dumpName() + QStringLiteral(" (SATIRLAR)"));
            v.problems << server::check(dir.filePath(dumpName()), v.manifest->tables,
                                        [&] { reporter.report(0.5); });
            reporter.end();
        }
    } catch (const Cancelled&) {
        v.cancelled = true;
        v.problems << QStringLiteral("DOĞRULAMA İPTAL EDİLDİ.");
        return v;
    }
    v.ok = v.problems.isEmpty();
    return v;
}

} // namespace kalvora::backup
