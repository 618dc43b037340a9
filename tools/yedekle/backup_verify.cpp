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

namespace kalvora::backup {

Verification Backups::verify(const QString& backupFolder, const ProgressFn& progress) const
{
    Verification v;
    const QDir dir(backupFolder);
    QFile mf(dir.filePath(manifestName()));
    if (!mf.exists()) {
        v.problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) BULUNAMADI.").arg(manifestName());
        return v;
    }
    if (!mf.open(QIODevice::ReadOnly)) {
        v.problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) OKUNAMADI: ").arg(manifestName()) +
                          mf.errorString();
        return v;
    }
    v.manifest = Manifest::fromJson(mf.readAll());
    if (!v.manifest) {
        v.problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) BOZUK.").arg(manifestName());
        return v;
    }
    const bool serverBook = !v.manifest->server.isEmpty();
    if (serverBook && !v.manifest->file(dumpName()))
        v.problems << dumpName() + QStringLiteral(": YEDEKTE YOK.");
    if (!serverBook && v.manifest->kind != Kind::BeforeRestore)
        for (const QString& name : databaseFiles())
            if (!optionalFile(name) && !v.manifest->file(name))
                v.problems << name + QStringLiteral(": YEDEKTE YOK.");
    try {
        Reporter reporter(progress, static_cast<int>(v.manifest->files.size()) + (serverBook ? 1 : 0));
        for (const FileEntry& f : v.manifest->files) {
            reporter.begin(QStringLiteral("DOĞRULANIYOR: ") + f.name);
            const QString path = dir.filePath(f.name);
            const QFileInfo info(path);
            if (!info.isFile())
                v.problems << f.name + QStringLiteral(": DOSYA EKSİK.");
            else if (info.size() != f.size)
                v.problems << f.name + QStringLiteral(": DOSYA BOYUTU DEĞİŞMİŞ (BOZUK).");
            else if (fileHash(path) != f.sha256)
                v.problems << f.name + QStringLiteral(": DOSYA İÇERİĞİ DEĞİŞMİŞ (BOZUK).");
            else if (f.database) {
                const DbCheck check = checkDatabase(path, m_key, countTable(f.name));
                if (!check.problem.isEmpty())
                    v.problems << f.name + QStringLiteral(": ") + check.problem;
            }
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
