#include "reports/letterhead.h"

#include "data/book_connection.h"
#include "data/store.h"
#include "reports/report_definition.h"

namespace kalvora {

bool CompanyInfo::isEmpty() const
{
    return name.trimmed().isEmpty() && address.trimmed().isEmpty() && phones.trimmed().isEmpty() &&
           taxOffice.trimmed().isEmpty() && taxNumber.trimmed().isEmpty() && email.trimmed().isEmpty() &&
           iban.trimmed().isEmpty() && logoPng.isEmpty();
}

QStringList letterheadLines(const CompanyInfo& info)
{
    QStringList lines;
    auto add = [&](const QString& text) {
        if (!text.trimmed().isEmpty())
            lines.append(text.trimmed());
    };
    add(info.name);
    add(QString(info.address).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    QStringList second;
    auto part = [&](const char* caption, const QString& value) {
        if (!value.trimmed().isEmpty())
            second.append(QString::fromUtf8(caption) + value.trimmed());
    };
    part("TEL: ", info.phones);
    part("VERGİ DAİRESİ: ", info.taxOffice);
    part("VERGİ NO: ", info.taxNumber);
    add(second.join(QStringLiteral("   ")));
    // An IBAN is long: on a line of its own it is never broken.
    if (!info.email.trimmed().isEmpty())
        add(QStringLiteral("E-POSTA: ") + info.email.trimmed());
    if (!info.iban.trimmed().isEmpty())
        add(QStringLiteral("IBAN: ") + info.iban.trimmed());
    return lines;
}

CompanyInfo loadCompanyInfo(Store& store)
{
    BookConnection& db = store.accounts();
    BookQuery q = db.prepare(QStringLiteral(
        "SELECT unvan, adres, telefon, vergi_dairesi, vergi_no, eposta, iban, logo, konu_sablonu, "
        "metin_sablonu FROM FIRMA_BILGILERI WHERE kayit_no = 1"));
    CompanyInfo info;
    if (!q.step())
        return info;
    info.name = q.text(0);
    info.address = q.text(1);
    info.phones = q.text(2);
    info.taxOffice = q.text(3);
    info.taxNumber = q.text(4);
    info.email = q.text(5);
    info.iban = q.text(6);
    info.logoPng = QByteArray::fromBase64(q.text(7).toLatin1());
    info.subjectTemplate = q.text(8);
    info.bodyTemplate = q.text(9);
    return info;
}

void saveCompanyInfo(Store& store, const CompanyInfo& info)
{
    BookConnection& db = store.accounts();
    BookTransaction tx(db);
    db.execute(QStringLiteral("DELETE FROM FIRMA_BILGILERI"));
    db.execute(QStringLiteral("INSERT INTO FIRMA_BILGILERI (kayit_no, unvan, adres, telefon, vergi_dairesi, "
                              "vergi_no, eposta, iban, logo, konu_sablonu, metin_sablonu) "
                              "VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"),
               {info.name, info.address, info.phones, info.taxOffice, info.taxNumber, info.email, info.iban,
                QString::fromLatin1(info.logoPng.toBase64()), info.subjectTemplate, info.bodyTemplate});
    tx.commit();
}

void applyLetterhead(ReportDefinition& definition, const QStringList& lines, const QByteArray& logoPng)
{
    if (ReportObject* picture = definition.findObject(QString::fromLatin1(letterheadPicture)))
        picture->setProperty(QStringLiteral("Picture.Data"), QString::fromLatin1(logoPng.toBase64()));
    ReportObject* memo = definition.findObject(QString::fromLatin1(letterheadMemo));
    if (!memo)
        return;
    if (!lines.isEmpty() || !logoPng.isEmpty()) {
        memo->setProperty(QStringLiteral("Text"), lines.join(QLatin1Char('\n')));
        return;
    }
    memo->setProperty(QStringLiteral("Text"), QString());
    ReportObject* band = memo->parent();
    if (!band)
        return;
    const double top = memo->number(QStringLiteral("Top"));
    const double height = memo->number(QStringLiteral("Height"));
    const double below = top + height;
    memo->setProperty(QStringLiteral("Height"), QStringLiteral("0"));
    memo->setProperty(QStringLiteral("Visible"), QStringLiteral("False"));
    for (const auto& child : band->children()) {
        if (child.get() == memo)
            continue;
        const double t = child->number(QStringLiteral("Top"));
        if (t >= below - 0.001)
            child->setProperty(QStringLiteral("Top"), QString::number(t - height, 'f', 2));
    }
    const double bandHeight = band->number(QStringLiteral("Height"));
    band->setProperty(QStringLiteral("Height"), QString::number(std::max(0.0, bandHeight - height), 'f', 2));
}

} // namespace kalvora
