#include "archive/cancellation_archive.h"

#include "data/turkish_text.h"

namespace kalvora {

QStringList ArchiveItem::columnTexts() const
{
    const bool single =
        archiveActionOf(action) == ArchiveAction::Cancel || archiveActionOf(action) == ArchiveAction::Edit;
    QString who = user;
    if (!computer.isEmpty())
        who += QLatin1Char('@') + computer;
    return {(date + QLatin1Char(' ') + time).trimmed(),
            action,
            personName,
            single ? description : QString::number(rowCount) + QStringLiteral(" İŞLEM"),
            single ? formatAmount(numberValue(amount), AmountPattern::NoLeadingZero) : QString(),
            single ? currency : QString(),
            who};
}

QList<ArchiveItem> CancellationArchive::items()
{
    BookQuery st = m_store.accounts().prepare(QStringLiteral(
        "SELECT i.iptal_no, i.islem, i.tarih, i.saat, i.kullanici, i.bilgisayar, i.uye_kodu, i.adisoyadi, "
        "(SELECT count(*) FROM iptal.IPTAL_HAREKETLER h WHERE h.iptal_no = i.iptal_no), "
        "h.aylar, h.tutar, h.para_cinsi FROM iptal.IPTALLER i LEFT JOIN iptal.IPTAL_HAREKETLER h ON h.sira = "
        "(SELECT min(sira) FROM iptal.IPTAL_HAREKETLER WHERE iptal_no = i.iptal_no) ORDER BY i.iptal_no "
        "DESC"));
    QList<ArchiveItem> out;
    while (st.step()) {
        ArchiveItem item;
        item.key = st.int64(0);
        item.action = st.text(1);
        item.date = st.text(2);
        item.time = st.text(3);
        item.user = st.text(4);
        item.computer = st.text(5);
        item.personKey = st.text(6);
        item.personName = st.text(7);
        item.rowCount = static_cast<int>(st.int64(8));
        item.description = st.text(9);
        item.amount = st.text(10);
        item.currency = st.text(11);
        out.append(std::move(item));
    }
    return out;
}

bool CancellationArchive::matches(const ArchiveItem& item, const QString& filter)
{
    const QString upper = BuyukHarf(filter);
    if (upper.isEmpty())
        return true;
    for (const QString& text : item.columnTexts())
        if (BuyukHarf(text).contains(upper))
            return true;
    return false;
}

} // namespace kalvora
