#include "file_copy.h"

#include "failure.h"

#include <QCryptographicHash>
#include <QDir>

#include <fcntl.h>
#include <unistd.h>

namespace kalvora::backup {

QString writeFailure(const QString& path, const QString& error)
{
    return QStringLiteral("DOSYA YAZILAMADI: ") + QDir::toNativeSeparators(path) + QLatin1Char('\n') + error +
           QStringLiteral("\n(DİSK DOLU YA DA KLASÖR SALT OKUNUR OLABİLİR.)");
}

bool createOwnerOnly(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
}

bool syncFile(QFile& f)
{
    return f.flush() && ::fsync(f.handle()) == 0;
}

void syncFolder(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void syncPath(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        return {};
    return hash.result().toHex();
}

QByteArray copyFile(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure{QStringLiteral("DOSYA OKUNAMADI: ") + QDir::toNativeSeparators(from) +
                      QLatin1Char('\n') + in.errorString()};
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly))
        throw Failure{writeFailure(to, out.errorString())};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            throw Failure{QStringLiteral("DOSYA OKUNAMADI: ") + QDir::toNativeSeparators(from) +
                          QLatin1Char('\n') + in.errorString()};
        if (n == 0)
            break;
        hash.addData(QByteArrayView(buffer.constData(), n));
        if (out.write(buffer.constData(), n) != n)
            throw Failure{writeFailure(to, out.errorString())};
    }
    if (!syncFile(out))
        throw Failure{writeFailure(to, out.errorString())};
    out.close();
    if (out.error() != QFileDevice::NoError)
        throw Failure{writeFailure(to, out.errorString())};
    return hash.result().toHex();
}

void writeFileSynced(const QString& path, const QByteArray& content)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly) ||
        out.write(content) != content.size() || !syncFile(out))
        throw Failure{writeFailure(path, out.errorString())};
}

} // namespace kalvora::backup
