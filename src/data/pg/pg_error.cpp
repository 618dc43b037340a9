#include "data/pg/pg_error.h"

#include <sqlite3.h>

namespace kalvora {

namespace {

int nearestSqliteCode(PgError::Kind kind, const QString& state)
{
    switch (kind) {
    case PgError::Kind::Connect:
    case PgError::Kind::ConnectionLost:
    case PgError::Kind::CommitUncertain:
        return SQLITE_CANTOPEN;
    case PgError::Kind::ForeignDatabase:
        return SQLITE_NOTADB;
    case PgError::Kind::Statement:
        break;
    }
    if (state == QLatin1String("55P03") || state == QLatin1String("40001") || state == QLatin1String("40P01"))
        return SQLITE_BUSY;
    if (state.startsWith(QLatin1String("23")))
        return SQLITE_CONSTRAINT;
    if (state == QLatin1String("42501"))
        return SQLITE_PERM;
    if (state == QLatin1String("53100"))
        return SQLITE_FULL;
    return SQLITE_ERROR;
}

} // namespace

PgError::PgError(Kind kind, const QString& sqlState, const QString& message, const QString& server)
    : DbError(nearestSqliteCode(kind, sqlState), message, server,
              (message + QStringLiteral(" [") + sqlState + QStringLiteral("] (") + server + QLatin1Char(')'))
                  .toStdString()),
      m_kind(kind), m_sqlState(sqlState), m_server(server)
{}

namespace {

QString statementText(const QString& state)
{
    const QString cls = state.left(2);
    if (state == QLatin1String("23505"))
        return QStringLiteral("BU ANAHTARLA BİR KAYIT ZATEN VAR. DEĞİŞİKLİK KAYDEDİLEMEDİ.");
    if (cls == QLatin1String("23"))
        return QStringLiteral("KAYIT VERİTABANININ KURALLARINA UYMUYOR. DEĞİŞİKLİK KAYDEDİLEMEDİ.");
    if (state == QLatin1String("40001") || state == QLatin1String("40P01"))
        return QStringLiteral("İŞLEM BAŞKA BİR BİLGİSAYARIN İŞLEMİYLE ÇAKIŞTI. LÜTFEN TEKRAR DENEYİNİZ.");
    if (state == QLatin1String("55P03"))
        return QStringLiteral(
            "KAYIT BAŞKA BİR BİLGİSAYARDA KULLANILIYOR (KİLİTLİ). LÜTFEN BİRAZ SONRA TEKRAR "
            "DENEYİNİZ.");
    if (state == QLatin1String("57014"))
        return QStringLiteral("SUNUCU ZAMANINDA YANIT VERMEDİ. LÜTFEN BİRAZ SONRA TEKRAR DENEYİNİZ.");
    if (state == QLatin1String("42501") || cls == QLatin1String("28"))
        return QStringLiteral("SUNUCUDA BU İŞLEM İÇİN YETKİ YOK.");
    if (state == QLatin1String("53100"))
        return QStringLiteral("SUNUCUNUN DİSKİ DOLU. DEĞİŞİKLİK KAYDEDİLEMEDİ.");
    if (cls == QLatin1String("53"))
        return QStringLiteral("SUNUCUNUN KAYNAKLARI YETERSİZ. LÜTFEN BİRAZ SONRA TEKRAR DENEYİNİZ.");
    if (state == QLatin1String("25P02"))
        return QStringLiteral("İŞLEM YARIDA KALDI. HİÇBİR DEĞİŞİKLİK KAYDEDİLMEDİ.");
    if (state == QLatin1String("54000") || state == QLatin1String("22P02"))
        return QStringLiteral("SUNUCUNUN YANITI OKUNAMADI (BEKLENMEYEN YA DA AŞIRI BÜYÜK BİR YANIT).");
    if (state == QLatin1String("22021"))
        return QStringLiteral("METİN SUNUCUYA YAZILAMAYAN BİR KARAKTER İÇERİYOR. DEĞİŞİKLİK KAYDEDİLEMEDİ.");
    return QStringLiteral("SUNUCU HATASI.");
}

} // namespace

QString PgError::turkishText() const
{
    QString what;
    switch (m_kind) {
    case Kind::Connect:
        if (m_sqlState.startsWith(QLatin1String("28")))
            what = QStringLiteral("SUNUCUYA BAĞLANILAMADI: KULLANICI ADI YA DA ŞİFRE KABUL EDİLMEDİ.");
        else if (m_sqlState == QLatin1String(certificateState))
            what = QStringLiteral("SUNUCUYA BAĞLANILAMADI: SUNUCUNUN SERTİFİKASI DOĞRULANAMADI (GÜVENİLEN "
                                  "SERTİFİKA YETKİLİSİNCE BU SUNUCU İÇİN İMZALANMAMIŞ). BAĞLANTI GÜVENLİ "
                                  "OLMADIĞI İÇİN KURULMADI.");
        else if (m_sqlState == QLatin1String(noTlsState))
            what =
                QStringLiteral("SUNUCUYA BAĞLANILAMADI: SUNUCU ŞİFRELİ BAĞLANTI (TLS) SUNMUYOR. AĞ ÜZERİNDEN "
                               "ŞİFRESİZ BAĞLANILMAZ.");
        else
            what = QStringLiteral("SUNUCUYA BAĞLANILAMADI.");
        break;
    case Kind::ConnectionLost:
        what =
            QStringLiteral("SUNUCUYLA BAĞLANTI KOPTU. YARIM KALAN DEĞİŞİKLİK KAYDEDİLMEDİ; SONRAKİ İŞLEMDE "
                           "YENİDEN BAĞLANILACAK.");
        break;
    case Kind::CommitUncertain:
        what = QStringLiteral("KAYDEDERKEN SUNUCUYLA BAĞLANTI KOPTU: DEĞİŞİKLİĞİN KAYDEDİLİP KAYDEDİLMEDİĞİ "
                              "BİLİNMİYOR. LÜTFEN KAYDI KONTROL EDİNİZ.");
        break;
    case Kind::ForeignDatabase:
        what =
            QStringLiteral("VERİTABANI BOŞ DEĞİL VE BİR KALVORA DEFTERİ DEĞİL. HİÇBİR ŞEY DEĞİŞTİRİLMEDİ.");
        break;
    case Kind::Statement:
        what = statementText(m_sqlState);
        break;
    }
    QString text;
    if (!m_server.isEmpty())
        text = QStringLiteral("SUNUCU: ") + m_server + QLatin1Char('\n');
    text += what;
    if (!message().isEmpty())
        text += QStringLiteral("\n(") + message() + QLatin1Char(')');
    return text;
}

} // namespace kalvora
