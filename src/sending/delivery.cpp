#include "sending/delivery.h"

#include "data/book_connection.h"
#include "data/data_folder.h"
#include "data/store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace kalvora {

namespace {

// Letters and digits only, Turkish letters written in ASCII, so the name passes every mail program.
QString fileNamePart(const QString& text)
{
    static const QString from = QStringLiteral("ÇĞİÖŞÜçğıöşü");
    static const QString to = QStringLiteral("CGIOSUcgiosu");
    QString out;
    for (QChar c : text) {
        const qsizetype i = from.indexOf(c);
        if (i >= 0)
            c = to.at(i);
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            out.append(c);
        else if (!out.endsWith(QLatin1Char('_')))
            out.append(QLatin1Char('_'));
    }
    while (out.endsWith(QLatin1Char('_')))
        out.chop(1);
    return out.left(60);
}

bool start(const QString& program, const QStringList& arguments, QString* error)
{
    if (QProcess::startDetached(program, arguments))
        return true;
    *error = QStringLiteral("\"") + program +
             QStringLiteral("\" ÇALIŞTIRILAMADI. xdg-utils PAKETİNİN KURULU OLDUĞUNU DENETLEYİNİZ.");
    return false;
}

} // namespace

QString sentFolder(const QString& dataFolder)
{
    const QString folder = QDir(dataFolder).filePath(QStringLiteral("gonderilen"));
    return DataFolder::makePrivate(folder) ? folder : QString();
}

QString newSentFile(const QString& folder, const QString& prefix, const Customer& person, const QDate& date)
{
    const QString base = prefix + QLatin1Char('_') + fileNamePart(person.key) + QLatin1Char('_') +
                         fileNamePart(person.name) + QLatin1Char('_') +
                         date.toString(QStringLiteral("yyyy-MM-dd"));
    const QDir dir(folder);
    QString name = base + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(dir.filePath(name)) || QFileInfo(dir.filePath(name)).isSymLink(); ++n)
        name = base + QLatin1Char('-') + QString::number(n) + QStringLiteral(".pdf");
    return dir.filePath(name);
}

void makeFilePrivate(const QString& path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString rememberedEmail(Store& store, const QString& personKey)
{
    return store.accounts()
        .scalar(QStringLiteral("SELECT eposta FROM KISI_EPOSTA WHERE uye_kodu = ?1"), {personKey})
        .toString();
}

void rememberEmail(Store& store, const QString& personKey, const QString& address)
{
    BookConnection& db = store.accounts();
    BookTransaction tx(db);
    db.execute(QStringLiteral("DELETE FROM KISI_EPOSTA WHERE uye_kodu = ?1"), {personKey});
    db.execute(QStringLiteral("INSERT INTO KISI_EPOSTA (uye_kodu, eposta) VALUES (?1, ?2)"),
               {personKey, address.trimmed()});
    tx.commit();
}

bool openMailProgram(const QString& to, const QString& subject, const QString& body, const QString& file,
                     QString* error)
{
    QStringList args{QStringLiteral("--subject"), subject, QStringLiteral("--body"), body};
    if (!file.isEmpty())
        args << QStringLiteral("--attach") << file;
    args << to.trimmed();
    return start(QStringLiteral("xdg-email"), args, error);
}

QString whatsAppAddress(const MobileNumber& number, const QString& body)
{
    // Every character but the unreserved ones encoded, the text as UTF-8: what wa.me reads back exactly.
    return QStringLiteral("https://wa.me/") + number.digits + QStringLiteral("?text=") +
           QString::fromLatin1(QUrl::toPercentEncoding(body));
}

bool openWhatsApp(const MobileNumber& number, const QString& body, const QString& file, QString* error)
{
    if (!start(QStringLiteral("xdg-open"), {whatsAppAddress(number, body)}, error))
        return false;
    if (!file.isEmpty())
        return start(QStringLiteral("xdg-open"), {QFileInfo(file).absolutePath()}, error);
    return true;
}

} // namespace kalvora
