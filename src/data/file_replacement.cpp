#include "data/file_replacement.h"

#include "data/file_replacement_seam.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvora {

namespace {

seam::RenameFn renameStep = nullptr;

int renameFile(const QString& from, const QString& to)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    return renameStep ? renameStep(a.constData(), b.constData()) : std::rename(a.constData(), b.constData());
}

bool syncPath(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool syncFolder(const QString& path)
{
    return syncPath(path, O_RDONLY | O_DIRECTORY);
}

bool exists(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!f.open(QIODevice::ReadOnly) || !hash.addData(&f))
        return {};
    return hash.result().toHex();
}

QString errorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A path the record may name: inside the folder, written the one way; the new files are hidden (a name
// or folder that starts with a dot), the replaced ones are not.
bool acceptable(const QString& path, bool hidden)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path ||
        path.contains(QLatin1Char('\\')) || path == QLatin1String("..") ||
        path.startsWith(QLatin1String("../")))
        return false;
    bool anyHidden = false;
    for (const QString& part : path.split(QLatin1Char('/')))
        anyHidden = anyHidden || part.startsWith(QLatin1Char('.'));
    return anyHidden == hidden && path != FileReplacement::recordName();
}

} // namespace

namespace seam {

void setReplacementRename(RenameFn fn)
{
    renameStep = fn;
}

} // namespace seam

FileReplacement::FileReplacement(const QString& folder) : m_folder(QDir(folder).absolutePath()) {}

QString FileReplacement::recordName()
{
    return QStringLiteral("kalvora-degisim.json");
}

void FileReplacement::add(const QString& staged, const QString& target)
{
    const QDir dir(m_folder);
    m_pairs.append({dir.relativeFilePath(staged), dir.relativeFilePath(target), QByteArray()});
}

QString FileReplacement::run()
{
    const QDir dir(m_folder);
    QJsonArray pairs;
    QSet<QString> folders;
    for (Pair& p : m_pairs) {
        if (!acceptable(p.staged, true) || !acceptable(p.target, false))
            return QStringLiteral("DOSYA VERİ KLASÖRÜNÜN DIŞINDA: ") + p.target;
        p.sha256 = fileHash(dir.filePath(p.staged));
        if (p.sha256.isEmpty() || !syncPath(dir.filePath(p.staged), O_RDONLY))
            return QStringLiteral("DOSYA YAZILAMADI: ") + QDir::toNativeSeparators(dir.filePath(p.staged)) +
                   QLatin1Char('\n') + errorText();
        folders << QFileInfo(dir.filePath(p.staged)).path();
        pairs.append(QJsonObject{{QStringLiteral("yeni"), p.staged},
                                 {QStringLiteral("yerine"), p.target},
                                 {QStringLiteral("sha256"), QString::fromLatin1(p.sha256)}});
    }
    for (const QString& f : std::as_const(folders))
        syncFolder(f);

    // The record goes in whole: written beside its place, synced, renamed, and the rename synced.
    const QString record = dir.filePath(recordName());
    const QString scratch = record + QStringLiteral(".tmp");
    QFile::remove(scratch);
    {
        QFile out(scratch);
        const QByteArray json =
            QJsonDocument(QJsonObject{{QStringLiteral("program"), QStringLiteral("KALVORA")},
                                      {QStringLiteral("degisim"), pairs}})
                .toJson();
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
            out.write(json) != json.size() || !out.flush() || ::fsync(out.handle()) != 0) {
            const QString why = out.errorString();
            out.close();
            QFile::remove(scratch);
            return QStringLiteral("DOSYA YAZILAMADI: ") + QDir::toNativeSeparators(scratch) +
                   QLatin1Char('\n') + why;
        }
    }
    if (std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(record).constData()) != 0) {
        const QString why = errorText();
        QFile::remove(scratch);
        return QStringLiteral("DOSYA YAZILAMADI: ") + QDir::toNativeSeparators(record) + QLatin1Char('\n') +
               why;
    }
    syncFolder(m_folder);

    m_renamed = 0;
    const QString problem = finishPairs(m_folder, m_pairs, &m_renamed);
    if (!problem.isEmpty() && m_renamed > 0)
        return problem + QStringLiteral("\nDEĞİŞİM YARIDA KALDI; PROGRAM BİR SONRAKİ AÇILIŞTA TAMAMLAYACAK.");
    QFile::remove(record);
    syncFolder(m_folder);
    return problem;
}

QString FileReplacement::finishPairs(const QString& folder, const QList<Pair>& pairs, int* renamed)
{
    const QDir dir(folder);
    QSet<QString> folders;
    for (const Pair& p : pairs) {
        const QString staged = dir.filePath(p.staged);
        const QString target = dir.filePath(p.target);
        folders << QFileInfo(target).path();
        if (!exists(staged)) {
            // Renamed before the stop when its new file stands in its place.
            if (exists(target) && fileHash(target) == p.sha256)
                continue;
            return QStringLiteral("YENİ DOSYA BULUNAMADI: ") + QDir::toNativeSeparators(staged);
        }
        QDir().mkpath(QFileInfo(target).path());
        // A journal left beside the old file would be played into the new one on its next open.
        for (const char* suffix : {"-journal", "-wal", "-shm"})
            QFile::remove(target + QString::fromLatin1(suffix));
        if (renameFile(staged, target) != 0)
            return QStringLiteral("DOSYA YERİNE KONAMADI: ") + QDir::toNativeSeparators(target) +
                   QLatin1Char('\n') + errorText();
        ++*renamed;
    }
    for (const QString& f : std::as_const(folders))
        syncFolder(f);
    return {};
}

FileReplacement::Recovery FileReplacement::recover(const QString& folder)
{
    Recovery out;
    const QDir dir(folder);
    const QString record = dir.filePath(recordName());
    // A record cut short while it was written never counted; nothing was renamed after it.
    if (exists(record + QStringLiteral(".tmp")))
        QFile::remove(record + QStringLiteral(".tmp"));
    if (!exists(record))
        return out;
    out.found = true;
    const QString untouched = QStringLiteral("DEĞİŞİM KAYDI OKUNAMADI, HİÇBİR DOSYAYA DOKUNULMADI:\n") +
                              QDir::toNativeSeparators(record);
    QFile in(record);
    if (QFileInfo(record).isSymLink() || !in.open(QIODevice::ReadOnly) || in.size() > 1024 * 1024) {
        out.text = untouched;
        return out;
    }
    const QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
    QList<Pair> pairs;
    QStringList targets;
    for (const QJsonValue& v : root.value(QStringLiteral("degisim")).toArray()) {
        const QJsonObject o = v.toObject();
        const Pair p{o.value(QStringLiteral("yeni")).toString(), o.value(QStringLiteral("yerine")).toString(),
                     o.value(QStringLiteral("sha256")).toString().toLatin1()};
        if (!acceptable(p.staged, true) || !acceptable(p.target, false)) {
            out.text = untouched;
            return out;
        }
        pairs.append(p);
        targets << QDir::toNativeSeparators(p.target);
    }
    if (root.value(QStringLiteral("program")).toString() != QLatin1String("KALVORA") || pairs.isEmpty()) {
        out.text = untouched;
        return out;
    }
    int renamed = 0;
    const QString problem = finishPairs(folder, pairs, &renamed);
    if (!problem.isEmpty()) {
        out.text =
            QStringLiteral("YARIDA KALMIŞ BİR DOSYA DEĞİŞİMİ (GERİ YÜKLEME YA DA TAŞIMA) TAMAMLANAMADI:\n") +
            problem + QStringLiteral("\nDEĞİŞİM KAYDI: ") + QDir::toNativeSeparators(record);
        return out;
    }
    in.close();
    QFile::remove(record);
    syncFolder(folder);
    out.finished = true;
    out.text = QStringLiteral("YARIDA KALMIŞ BİR DOSYA DEĞİŞİMİ (GERİ YÜKLEME YA DA TAŞIMA) TAMAMLANDI:\n") +
               targets.join(QStringLiteral(", "));
    return out;
}

} // namespace kalvora
