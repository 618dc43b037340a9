#include "ledger/ledger_store.h"

#include "data/data_folder.h"
#include "data/turkish_text.h"
#include "ledger/cash_box.h"

#include <algorithm>
#include <utility>

namespace kalvora {

namespace {

const char* const selectColumns = "SELECT kayit_no, gider_ad, gider_tarihi, gider_aciklama, gider_saati, "
                                  "gider_yapan, gider_tutar, gider_iptal FROM GIDERLER";

LedgerEntry readEntry(const BookQuery& st)
{
    LedgerEntry e;
    e.key = st.int64(0);
    e.title = st.text(1);
    e.date = st.text(2);
    e.description = st.text(3);
    e.time = st.text(4);
    e.maker = st.text(5);
    e.amount = st.text(6);
    e.state = st.text(7);
    return e;
}

// The period as a range of CDATE values (yyyymmdd); empty when the period names no real date.
std::pair<qint64, qint64> dateRange(const LedgerFilter& f)
{
    switch (f.period) {
    case LedgerPeriod::Day: {
        if (!f.day.isValid())
            return {1, 0};
        const qint64 d = qint64(f.day.year()) * 10000 + f.day.month() * 100 + f.day.day();
        return {d, d};
    }
    case LedgerPeriod::Month: {
        if (f.month < 1 || f.month > 12)
            return {1, 0};
        const qint64 m = qint64(f.year) * 10000 + f.month * 100;
        return {m + 1, m + 31};
    }
    case LedgerPeriod::Year:
        return {qint64(f.year) * 10000 + 101, qint64(f.year) * 10000 + 1231};
    }
    return {1, 0};
}

bool isRealDate(const QString& text)
{
    if (text.size() == 10 && text.at(2) == QLatin1Char('.') && text.at(5) == QLatin1Char('.')) {
        const QStringView v(text);
        return QDate::isValid(v.mid(6, 4).toInt(), v.mid(3, 2).toInt(), v.mid(0, 2).toInt());
    }
    return readDateText(text).isValid();
}

// A server book has no ledger files: its messages name the ledger on the server instead.
QString serverLedgerName(Ledger which)
{
    return which == Ledger::Income ? QStringLiteral("SUNUCUDAKİ GELİR DEFTERİN")
                                   : QStringLiteral("SUNUCUDAKİ GİDER DEFTERİN");
}

} // namespace

LedgerError::LedgerError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}

LedgerStore::LedgerStore(Store& store, Ledger which) : m_store(store), m_which(which) {}

QString LedgerStore::fileName(Ledger which)
{
    return QString::fromLatin1(which == Ledger::Income ? files::income : files::expense);
}

BookConnection& LedgerStore::db()
{
    return m_store.ledger(m_which);
}

qint64 LedgerStore::record(const LedgerEntry& entry, int sign)
{
    BookConnection& d = db();
    BookTransaction tx(d);
    const qint64 key = d.insert(
        QStringLiteral("INSERT INTO GIDERLER(gider_ad,gider_tarihi,gider_aciklama,gider_saati,gider_yapan,"
                       "gider_tutar,gider_iptal) VALUES (?1,?2,?3,?4,?5,?6,'0')"),
        {entry.title, entry.date, entry.description, entry.time, entry.maker, entry.amount},
        QStringLiteral("kayit_no"));
    changeCashBox(d, entry.amount, sign);
    tx.commit();
    return key;
}

bool LedgerStore::cancel(qint64 key)
{
    BookConnection& d = db();
    BookTransaction tx(d);
    // Locked, so that two desks cancelling the same entry credit the cash box once.
    BookQuery st = d.prepare(
        QStringLiteral("SELECT gider_tutar, gider_iptal FROM GIDERLER WHERE kayit_no=?1") + d.forUpdate());
    st.bind(1, key);
    if (!st.step())
        return false;
    const QString amount = st.text(0);
    const auto state = readNumber(st.text(1));
    st = BookQuery();
    if (!state || *state != 0)
        return false;
    d.execute(QStringLiteral("UPDATE GIDERLER SET gider_iptal='1' WHERE kayit_no=?1"), {key});
    // An amount that does not read as a number was listed and totalled as zero; it credits nothing.
    changeCashBox(d, readNumber(amount) ? amount : QStringLiteral("0"), 1);
    tx.commit();
    return true;
}

LedgerListing LedgerStore::list(const LedgerFilter& filter)
{
    const auto [from, to] = dateRange(filter);
    LedgerListing out;
    out.total = QStringLiteral("0");
    if (from > to)
        return out;
    // Date texts in the dd.MM.yyyy form are found through the period index (the substr terms match its
    // expressions); any other form is read as a date, as every reader of the entries does. The state is
    // compared as a number, with the two texts the program writes taken without converting them.
    const QString state = QStringLiteral(
        " AND CASE gider_iptal WHEN '0' THEN 0 WHEN '1' THEN 1 ELSE cdbl(gider_iptal) END = ?3");
    const QString canonical = QStringLiteral("'[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]'");
    const QString columns = QString::fromLatin1(selectColumns);
    // The parts of the date are numbered 4 to 6, only as many as the period needs: the server has to
    // know every parameter it is given.
    QString sql = columns + QStringLiteral(" WHERE substr(gider_tarihi,7,4)=?4");
    if (filter.period != LedgerPeriod::Year)
        sql += QStringLiteral(" AND substr(gider_tarihi,4,2)=?5");
    if (filter.period == LedgerPeriod::Day)
        sql += QStringLiteral(" AND substr(gider_tarihi,1,2)=?6");
    sql += QStringLiteral(" AND gider_tarihi GLOB ") + canonical + state + QStringLiteral(" UNION ALL ") +
           columns + QStringLiteral(" WHERE gider_tarihi NOT GLOB ") + canonical +
           QStringLiteral(" AND CDATE(gider_tarihi) BETWEEN ?1 AND ?2") + state;
    BookQuery st = db().prepare(sql);
    const auto twoDigits = [](qint64 v) {
        return QStringLiteral("%1").arg(v % 100, 2, 10, QLatin1Char('0'));
    };
    st.bind(1, from).bind(2, to).bind(3, qint64(filter.cancelled ? 1 : 0));
    st.bind(4, QStringLiteral("%1").arg(from / 10000, 4, 10, QLatin1Char('0')));
    if (filter.period != LedgerPeriod::Year)
        st.bind(5, twoDigits(from / 100));
    if (filter.period == LedgerPeriod::Day)
        st.bind(6, twoDigits(from));
    AmountSum total;
    while (st.step()) {
        LedgerEntry e = readEntry(st);
        if (!isRealDate(e.date)) // 31.02.2008 has the form of a date but is none
            continue;
        total.add(e.amount);
        out.entries.append(std::move(e));
    }
    // Sorted here rather than by the statement: an ORDER BY on the key makes the engine walk the whole
    // table in key order instead of using the indexes.
    std::sort(out.entries.begin(), out.entries.end(),
              [](const LedgerEntry& a, const LedgerEntry& b) { return a.key < b.key; });
    out.total = total.plainText();
    return out;
}

QList<LedgerEntry> LedgerStore::allEntries()
{
    QList<LedgerEntry> out;
    BookQuery st = db().prepare(QString::fromLatin1(selectColumns) + QStringLiteral(" ORDER BY kayit_no"));
    while (st.step())
        out.append(readEntry(st));
    return out;
}

QString LedgerStore::cashBox()
{
    return storedCashBox(db());
}

QString LedgerStore::storedCashBox(BookConnection& d, bool forChange)
{
    BookQuery st = d.prepare(QStringLiteral("SELECT Kasa_net_bakiye FROM KASA_NET ORDER BY rowid LIMIT 1") +
                             (forChange ? d.forUpdate() : QString()));
    if (!st.step())
        throw LedgerError((d.onServer() ? serverLedgerName(m_which) + QStringLiteral("DE")
                                        : fileName(m_which) + QStringLiteral(" DOSYASINDA")) +
                          QStringLiteral(" KASA BİLGİSİ YOK.\nHİÇBİR DEĞİŞİKLİK YAPILMADI."));
    return st.text(0);
}

void LedgerStore::changeCashBox(BookConnection& d, const QString& amount, int sign)
{
    if (!readNumber(amount))
        throw LedgerError(QStringLiteral(" GEÇERLİ BİR TUTAR GİRİN"));
    const QString stored = storedCashBox(d, true);
    const auto next = cashBoxAfter(stored, amount, sign);
    if (!next)
        throw LedgerError((d.onServer() ? serverLedgerName(m_which) + QStringLiteral("DEKİ")
                                        : fileName(m_which) + QStringLiteral(" DOSYASINDAKİ")) +
                          QStringLiteral(" KASA DEĞERİ (\"") + stored +
                          QStringLiteral("\") BİR SAYI DEĞİL.\nHİÇBİR DEĞİŞİKLİK YAPILMADI."));
    d.execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye=?1"), {*next});
}

} // namespace kalvora
