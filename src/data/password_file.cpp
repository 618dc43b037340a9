#include "data/password_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kalvora {

std::optional<QString> PasswordFile::parse(const QByteArray& content)
{
    const QString text = QString::fromUtf8(content);
    int i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    if (i >= text.size())
        return std::nullopt;
    if (text.at(i) == QLatin1Char('"')) {
        const int close = text.indexOf(QLatin1Char('"'), i + 1);
        return close < 0 ? text.mid(i + 1) : text.mid(i + 1, close - i - 1);
    }
    int end = i;
    while (end < text.size() && text.at(end) != QLatin1Char(',') && text.at(end) != QLatin1Char('\r') &&
           text.at(end) != QLatin1Char('\n'))
        ++end;
    if (end == i && (end >= text.size() || text.at(end) != QLatin1Char(',')))
        return std::nullopt; // only a line end: no field
    return text.mid(i, end - i).trimmed();
}

std::optional<QString> PasswordFile::read(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(f.read(64 * 1024));
}

bool PasswordFile::accepts(const QString& path, const QString& typed)
{
    const auto stored = read(path);
    return stored ? *stored == typed : typed.isEmpty();
}

QByteArray PasswordFile::encode(const QString& password)
{
    return '"' + password.toUtf8() + "\"\r\n";
}

bool PasswordFile::write(const QString& path, const QString& password, QString* error)
{
    QSaveFile f(path);
    // A new file is the owner's alone; one that exists keeps its mode (QSaveFile carries it over).
    const bool existed = QFileInfo::exists(path);
    if (!f.open(QIODevice::WriteOnly) ||
        (!existed && !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) ||
        f.write(encode(password)) < 0 || !f.commit()) {
        if (error)
            *error = QStringLiteral("ŞİFRE DOSYASI YAZILAMADI: sifre.dll\n") + f.errorString();
        return false;
    }
    return true;
}

} // namespace kalvora
