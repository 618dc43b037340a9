#include "data/db_error.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace kalvora {

DbError::DbError(int code, const QString& message, const QString& file)
    : std::runtime_error((message + QStringLiteral(" (") + file + QLatin1Char(')')).toStdString()),
      m_code(code), m_message(message), m_file(file)
{}

DbError::DbError(int code, const QString& message, const QString& file, const std::string& what)
    : std::runtime_error(what), m_code(code), m_message(message), m_file(file)
{}

QString DbError::fileName() const
{
    return m_file.isEmpty() ? QString() : QFileInfo(m_file).fileName();
}

QString DbError::turkishText() const
{
    QString what;
    switch (m_code & 0xff) {
    case SQLITE_NOTADB:
        what = QStringLiteral("DOSYA AÇILAMADI: ŞİFRE YANLIŞ YA DA DOSYA BİR VERİTABANI DEĞİL.");
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        what = QStringLiteral("DOSYA BAŞKA BİR PROGRAM TARAFINDAN KULLANILIYOR (KİLİTLİ). LÜTFEN BİRAZ SONRA "
                              "TEKRAR DENEYİNİZ.");
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        what = QStringLiteral("DOSYAYA YAZILAMIYOR (SALT OKUNUR YA DA İZİN YOK).");
        break;
    case SQLITE_FULL:
        what = QStringLiteral("DİSK DOLU. DEĞİŞİKLİK KAYDEDİLEMEDİ.");
        break;
    case SQLITE_CANTOPEN:
        what = QStringLiteral("DOSYA AÇILAMADI (BULUNAMADI YA DA ERİŞİLEMİYOR).");
        break;
    case SQLITE_IOERR:
        what = QStringLiteral("DİSK OKUMA/YAZMA HATASI. DEĞİŞİKLİK KAYDEDİLEMEDİ.");
        break;
    case SQLITE_CORRUPT:
        what = QStringLiteral("DOSYA BOZUK.");
        break;
    case SQLITE_NOMEM:
        what = QStringLiteral("BELLEK YETERSİZ.");
        break;
    default:
        what = QStringLiteral("VERİTABANI HATASI.");
        break;
    }
    QString text;
    if (!m_file.isEmpty())
        text = QStringLiteral("DOSYA: ") + fileName() + QLatin1Char('\n');
    text += what;
    if (!m_message.isEmpty())
        text += QStringLiteral("\n(") + m_message + QLatin1Char(')');
    return text;
}

RowChangedError::RowChangedError()
    : DbError(SQLITE_BUSY, QString(), QString(), "the row was changed by another desk after it was listed")
{}

QString RowChangedError::turkishText() const
{
    return QStringLiteral("BU KAYIT BAŞKA BİR BİLGİSAYARDA DEĞİŞTİRİLDİ.");
}

} // namespace kalvora
