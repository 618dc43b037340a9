#include "book_tables.h"

#include "data/data_folder.h"

#include <QDir>

namespace kalvora::tasi {

const BookTable bookTables[12] = {
    {"KİŞİLER", files::customers, "main", Connection::Accounts, "cari", "MUSTERILER", "oto_kod",
     "oto_kod,adisoyadi,istel,ceptel,tc,verdai,adres,SonBakiye,SonBakiye_usd,SonBakiye_euro", "oto_kod"},
    {"HAREKETLER", files::transactions, "cari", Connection::Accounts, "cari", "CARIKART", "otokod",
     "otokod,uye_kodu,aylar,tutar,durum,tarih,para_cinsi,adisoyadi,istel,ceptel,tc,verdai,adres,para,"
     "vade",
     "otokod"},
    {"İPTAL ARŞİVİ", files::archive, "iptal", Connection::Accounts, "iptal", "IPTALLER", "iptal_no",
     "iptal_no,islem,tarih,saat,kullanici,bilgisayar,uye_kodu,adisoyadi,istel,ceptel,tc,verdai,adres,"
     "SonBakiye,SonBakiye_usd,SonBakiye_euro",
     "iptal_no"},
    {"İPTAL ARŞİVİNİN HAREKETLERİ", files::archive, "iptal", Connection::Accounts, "iptal",
     "IPTAL_HAREKETLER", "sira",
     "sira,iptal_no,otokod,uye_kodu,aylar,tutar,durum,tarih,para_cinsi,adisoyadi,istel,ceptel,tc,verdai,"
     "adres,para,vade",
     "sira,iptal_no,otokod"},
    {"GELİR DEFTERİ", files::income, "main", Connection::Income, "gelir", "GIDERLER", "kayit_no",
     "kayit_no,gider_ad,gider_tarihi,gider_aciklama,gider_saati,gider_yapan,gider_tutar,gider_iptal",
     "kayit_no"},
    {"GELİR KASASI", files::income, "main", Connection::Income, "gelir", "KASA_NET", nullptr,
     "Kasa_net_bakiye", ""},
    {"GİDER DEFTERİ", files::expense, "main", Connection::Expense, "gider", "GIDERLER", "kayit_no",
     "kayit_no,gider_ad,gider_tarihi,gider_aciklama,gider_saati,gider_yapan,gider_tutar,gider_iptal",
     "kayit_no"},
    {"GİDER KASASI", files::expense, "main", Connection::Expense, "gider", "KASA_NET", nullptr,
     "Kasa_net_bakiye", ""},
    {"DEFTER AYARLARI", files::transactions, "cari", Connection::Accounts, "cari", "AYARLAR", "ad",
     "ad,deger", ""},
    {"FİRMA BİLGİLERİ", files::customers, "main", Connection::Accounts, "cari", "FIRMA_BILGILERI", "kayit_no",
     "kayit_no,unvan,adres,telefon,vergi_dairesi,vergi_no,eposta,iban,logo,konu_sablonu,metin_sablonu",
     "kayit_no"},
    {"GÖNDERİLENLER", files::customers, "main", Connection::Accounts, "cari", "GONDERILENLER", "kayit_no",
     "kayit_no,uye_kodu,adisoyadi,belge,yol,alici,tarih,saat,kullanici,donem,bakiyeler,dosya,basarili,hata",
     "kayit_no,basarili"},
    {"KİŞİLERİN E-POSTA ADRESLERİ", files::customers, "main", Connection::Accounts, "cari", "KISI_EPOSTA",
     "uye_kodu", "uye_kodu,eposta", ""},
};

QStringList columnsOf(const BookTable& t)
{
    return QString::fromLatin1(t.columns).split(QLatin1Char(','));
}

QString sqliteName(const BookTable& t)
{
    return QString::fromLatin1(t.alias) + QLatin1Char('.') + QString::fromLatin1(t.table);
}

QString serverName(const BookTable& t)
{
    return QString::fromLatin1(t.schema) + QLatin1Char('.') + QString::fromLatin1(t.table);
}

bool isCashBox(const BookTable& t)
{
    return !t.key;
}

const QStringList& requiredFiles()
{
    static const QStringList names{QString::fromLatin1(files::customers),
                                   QString::fromLatin1(files::transactions),
                                   QString::fromLatin1(files::income), QString::fromLatin1(files::expense)};
    return names;
}

QString filePath(const QString& folder, const char* name)
{
    return QDir(folder).filePath(QString::fromLatin1(name));
}

} // namespace kalvora::tasi
