#include "accounts/open_item_store.h"

#include "accounts/book_settings.h"
#include "data/db_error.h"
#include "data/turkish_text.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace kalvora {

namespace {

// yyyy-MM-dd, put together by hand as every kept item is written through here; empty when unreadable.
QString dueText(const QDate& due)
{
    if (!due.isValid())
        return QString();
    if (due.year() < 1 || due.year() > 9999)
        return due.toString(Qt::ISODate);
    QChar out[10];
    int y = due.year();
    for (int i = 3; i >= 0; --i, y /= 10)
        out[i] = QChar(u'0' + y % 10);
    out[4] = out[7] = QChar(u'-');
    out[5] = QChar(u'0' + due.month() / 10);
    out[6] = QChar(u'0' + due.month() % 10);
    out[8] = QChar(u'0' + due.day() / 10);
    out[9] = QChar(u'0' + due.day() % 10);
    return QString(out, 10);
}

// yyyy-MM-dd as written by dueText; anything else is unreadable, as an unreadable date was written.
QDate dueOf(QUtf8StringView text)
{
    const char* s = text.data();
    if (text.size() != 10 || s[4] != '-' || s[7] != '-')
        return {};
    int v[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
        for (int i = starts[p]; i < starts[p] + lengths[p]; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return {};
            v[p] = v[p] * 10 + (s[i] - '0');
        }
    return QDate(v[0], v[1], v[2]);
}

// The currency of a stored code, compared without making a text of it.
std::optional<Currency> currencyOfCode(QUtf8StringView code)
{
    static const QByteArray codes[3] = {currencyText(Currency::Tl).toUtf8(),
                                        currencyText(Currency::Dolar).toUtf8(),
                                        currencyText(Currency::Euro).toUtf8()};
    for (size_t i = 0; i < std::size(codes); ++i)
        if (code == QUtf8StringView(codes[i]))
            return allCurrencies[i];
    return std::nullopt;
}

// The waiting people with anything open, worked out from their rows, without names.
QList<PersonOpenItems> waitingPeople(BookConnection& db)
{
    return OpenItemStore::fromRows(db, OpenItemStore::FromRows::Waiting, BookSettings::defaultDueTerm(db));
}

// The statements that write people's items, prepared once for any number of people. `single`: one
// person, whose earlier items and mark this removes; otherwise the caller has cleared them for all.
class ItemWriter final {
public:
    ItemWriter(BookConnection& db, bool single)
        : m_db(db),
          m_insert(db.prepare(QStringLiteral("INSERT INTO cari.ACIK_KALEMLER (otokod, uye_kodu, para_cinsi, "
                                             "vade, acik) VALUES (?1, ?2, ?3, ?4, ?5)"))),
          m_summary(
              db.prepare(QStringLiteral("INSERT INTO cari.ACIK_OZET (uye_kodu, para_cinsi, borc, avans, "
                                        "ilk_vade, son_vade) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"))),
          m_single(single)
    {
        if (!single)
            return;
        // A row that moved from another person leaves that person's items too; they wait to be written
        // again as well.
        m_clear = db.prepare(
            QStringLiteral("DELETE FROM cari.ACIK_KALEMLER WHERE uye_kodu = ?1 OR otokod IN (SELECT otokod "
                           "FROM cari.CARIKART WHERE uye_kodu = ?1)"));
        m_clearSummary = db.prepare(QStringLiteral("DELETE FROM cari.ACIK_OZET WHERE uye_kodu = ?1"));
        m_done = db.prepare(QStringLiteral("DELETE FROM cari.ACIK_DEGISEN WHERE uye_kodu = ?1"));
    }

    void write(const QString& personKey, const OpenItems& items)
    {
        if (m_single) {
            run(m_clear.bind(1, personKey));
            run(m_clearSummary.bind(1, personKey));
        }
        std::array<QDate, 3> first;
        std::array<QDate, 3> last;
        std::array<bool, 3> any{};
        QVariantList batch;
        for (const OpenRow& o : items.rows()) {
            if (o.open == 0)
                continue;
            const QVariantList item{o.key, personKey, currencyText(o.currency), dueText(o.due),
                                    o.debt ? o.open : -o.open};
            if (m_db.onServer()) {
                batch << item;
                if (batch.size() == serverBatchItems * 5)
                    insertBatch(batch);
            } else {
                m_insert.bindAll(item);
                run(m_insert);
            }
            // Open debts come in due order: the first is the oldest, the last the latest.
            const auto c = static_cast<size_t>(o.currency);
            if (o.debt) {
                if (!any[c])
                    first[c] = o.due;
                last[c] = o.due;
                any[c] = true;
            }
        }
        insertBatch(batch);
        for (Currency c : allCurrencies) {
            const auto i = static_cast<size_t>(c);
            if (items.openDebts(c) == 0 && items.advance(c) == 0)
                continue;
            run(m_summary.bind(1, personKey)
                    .bind(2, currencyText(c))
                    .bind(3, items.openDebts(c))
                    .bind(4, items.advance(c))
                    .bind(5, dueText(first[i]))
                    .bind(6, dueText(last[i])));
        }
        if (m_single)
            run(m_done.bind(1, personKey));
    }

private:
    // Each statement to the server is a round trip: a person's items go in a few statements of many rows.
    static constexpr int serverBatchItems = 200;

    static void run(BookQuery& q)
    {
        q.step();
        q.reset();
    }

    void insertBatch(QVariantList& params)
    {
        if (params.isEmpty())
            return;
        QString sql = QStringLiteral(
            "INSERT INTO cari.ACIK_KALEMLER (otokod, uye_kodu, para_cinsi, vade, acik) VALUES ");
        for (qsizetype i = 0; i < params.size(); i += 5)
            sql += (i ? QStringLiteral(",(?") : QStringLiteral("(?")) + QString::number(i + 1) +
                   QStringLiteral(",?") + QString::number(i + 2) + QStringLiteral(",?") +
                   QString::number(i + 3) + QStringLiteral(",?") + QString::number(i + 4) +
                   QStringLiteral(",?") + QString::number(i + 5) + QLatin1Char(')');
        m_db.execute(sql, params);
        params.clear();
    }

    BookConnection& m_db;
    BookQuery m_insert;
    BookQuery m_summary;
    BookQuery m_clear;
    BookQuery m_clearSummary;
    BookQuery m_done;
    bool m_single = true;
};

} // namespace

namespace OpenItemStore {

QList<PersonOpenItems> fromRows(BookConnection& db, FromRows whose, int defaultTerm, bool byTransactionDate)
{
    // Everyone, or many people (a book just upgraded), are read in one pass over the table in its own
    // order, which reads each page once instead of once for each of its rows; a few through the person
    // index. Only what the matching needs is kept of each row.
    QString sql =
        QStringLiteral("SELECT uye_kodu, otokod, tutar, durum, para_cinsi, vade FROM cari.CARIKART");
    QHash<QString, QList<OpenRow>> rows;
    bool onlyListed = false;
    if (whose == FromRows::Waiting) {
        const qint64 count = db.scalar(QStringLiteral("SELECT count(*) FROM cari.ACIK_DEGISEN")).toLongLong();
        if (count == 0)
            return {};
        if (count > 500) {
            BookQuery marks = db.prepare(QStringLiteral("SELECT uye_kodu FROM cari.ACIK_DEGISEN"));
            while (marks.step())
                rows.insert(marks.text(0), {});
            onlyListed = true;
        } else {
            sql += QStringLiteral(" WHERE uye_kodu IN (SELECT uye_kodu FROM cari.ACIK_DEGISEN)");
        }
    }
    BookQuery st = db.prepare(sql);
    AccountRow r;
    while (st.step()) {
        const QString person = st.text(0);
        auto it = rows.find(person);
        if (it == rows.end()) {
            if (onlyListed)
                continue;
            it = rows.insert(person, {});
        }
        r.key = st.int64(1);
        r.amount = st.text(2);
        r.date = st.text(3);
        r.currency = st.text(4);
        if (!byTransactionDate)
            r.dueDate = st.text(5);
        if (const std::optional<OpenRow> o = openRowOf(r, byTransactionDate ? 0 : defaultTerm))
            it->append(*o);
    }
    st = BookQuery();
    QList<PersonOpenItems> out;
    out.reserve(rows.size());
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        OpenItems items = OpenItems::matched(std::move(it.value()));
        if (items.anythingOpen())
            out.append({it.key(), QString(), std::move(items)});
    }
    return out;
}

void write(BookConnection& db, const QString& personKey, const QList<AccountRow>& rows)
{
    ItemWriter(db, true).write(personKey, OpenItems::compute(rows, BookSettings::defaultDueTerm(db)));
}

int settleWaiting(BookConnection& db)
{
    QSet<QString> waiting;
    BookQuery marks = db.prepare(QStringLiteral("SELECT uye_kodu FROM cari.ACIK_DEGISEN"));
    while (marks.step())
        waiting.insert(marks.text(0));
    marks = BookQuery();
    if (waiting.isEmpty())
        return 0;
    // Every registered one is locked before their rows are read, in key order as every desk locks.
    if (db.onServer()) {
        BookQuery lock = db.prepare(
            QStringLiteral(
                "SELECT oto_kod FROM main.MUSTERILER WHERE CAST(oto_kod AS TEXT) IN (SELECT uye_kodu "
                "FROM cari.ACIK_DEGISEN) ORDER BY oto_kod") +
            db.forUpdate());
        while (lock.step()) {
        }
    }
    const QList<PersonOpenItems> items = waitingPeople(db);
    // Whoever waits has their items taken away first. Someone marked since keeps waiting and is read
    // from the rows until written by whoever marked them.
    db.execute(QStringLiteral(
        "DELETE FROM cari.ACIK_KALEMLER WHERE uye_kodu IN (SELECT uye_kodu FROM cari.ACIK_DEGISEN)"));
    db.execute(QStringLiteral(
        "DELETE FROM cari.ACIK_OZET WHERE uye_kodu IN (SELECT uye_kodu FROM cari.ACIK_DEGISEN)"));
    // Those with nothing open are done once their items are gone.
    ItemWriter writer(db, false);
    for (const PersonOpenItems& p : items)
        writer.write(p.personKey, p.items);
    if (db.onServer()) {
        BookQuery done = db.prepare(QStringLiteral("DELETE FROM cari.ACIK_DEGISEN WHERE uye_kodu = ?1"));
        for (const QString& key : std::as_const(waiting)) {
            done.bind(1, key).step();
            done.reset();
        }
    } else {
        // The file's writer holds the only write transaction: nobody marked anyone since.
        db.execute(QStringLiteral("DELETE FROM cari.ACIK_DEGISEN"));
    }
    return static_cast<int>(waiting.size());
}

int settleWaitingAtStart(Store& store)
{
    try {
        BookConnection& db = store.accounts();
        if (db.scalar(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM cari.ACIK_DEGISEN LIMIT 1) t"))
                .toInt() == 0)
            return 0;
        BookTransaction tx(db);
        const int written = settleWaiting(db);
        tx.commit();
        return written;
    } catch (const DbError&) {
        return 0;
    }
}

QList<PersonOpenItems>
forEachKept(BookConnection& db,
            const std::function<void(const QString& personKey, const OpenRow& item)>& visit)
{
    // Read from the index in person order, without the table.
    BookQuery st = db.prepare(
        QStringLiteral("SELECT uye_kodu, otokod, para_cinsi, vade, acik FROM cari.ACIK_KALEMLER WHERE "
                       "uye_kodu NOT IN (SELECT uye_kodu FROM cari.ACIK_DEGISEN) ORDER BY uye_kodu"));
    QString person;
    QByteArray personBytes;
    while (st.step()) {
        const QUtf8StringView key = st.utf8(0);
        if (key != QUtf8StringView(personBytes)) {
            personBytes = QByteArray(key.data(), key.size());
            person = QString::fromUtf8(personBytes);
        }
        const std::optional<Currency> c = currencyOfCode(st.utf8(2));
        const qint64 open = st.int64(4);
        if (!c || open == 0)
            continue;
        OpenRow o;
        o.key = st.int64(1);
        o.currency = *c;
        o.debt = open > 0;
        o.due = dueOf(st.utf8(3));
        o.amount = o.open = o.debt ? open : -open;
        visit(person, o);
    }
    st = BookQuery();
    return waitingPeople(db);
}

QList<PersonOpenItems> readAll(BookConnection& db)
{
    QList<PersonOpenItems> out;
    QList<OpenRow> items;
    QString person;
    auto flush = [&] {
        if (items.isEmpty())
            return;
        PersonOpenItems p;
        p.personKey = person;
        p.items = OpenItems::fromOpenRows(std::move(items));
        out.append(std::move(p));
        items = {};
    };
    QList<PersonOpenItems> waiting = forEachKept(db, [&](const QString& key, const OpenRow& o) {
        if (key != person) {
            flush();
            person = key;
        }
        items.append(o);
    });
    flush();
    out.append(std::move(waiting));
    return out;
}

QList<OverdueEntry> overdue(BookConnection& db, const QDate& today)
{
    const QString todayText = dueText(today);
    const std::string todayUtf8 = todayText.toStdString();
    QList<OverdueEntry> out;
    // Whoever owes and is late: wholly late when even the latest open debt fell due before today;
    // otherwise the late part is summed from the items.
    QList<qsizetype> partial;
    BookQuery st = db.prepare(QStringLiteral(
        "SELECT uye_kodu, para_cinsi, borc, ilk_vade, son_vade FROM cari.ACIK_OZET WHERE borc > 0 AND "
        "ilk_vade < ?1 AND uye_kodu NOT IN (SELECT uye_kodu FROM cari.ACIK_DEGISEN)"));
    st.bind(1, todayText);
    while (st.step()) {
        const std::optional<Currency> c = currencyOfCode(st.utf8(1));
        if (!c)
            continue;
        OverdueEntry e;
        e.personKey = st.text(0);
        e.currency = *c;
        e.open = st.int64(2);
        e.due = dueOf(st.utf8(3));
        e.daysLate = OpenItems::daysLate(e.due, today);
        const QUtf8StringView latest = st.utf8(4);
        if (!latest.empty() && std::string_view(latest.data(), size_t(latest.size())) >= todayUtf8)
            partial.append(out.size());
        out.append(std::move(e));
    }
    st = BookQuery();
    if (!partial.isEmpty()) {
        BookQuery late = db.prepare(
            QStringLiteral("SELECT coalesce(sum(acik), 0) FROM cari.ACIK_KALEMLER WHERE uye_kodu = ?1 AND "
                           "para_cinsi = ?2 AND acik > 0 AND vade < ?3"));
        for (qsizetype i : std::as_const(partial)) {
            OverdueEntry& e = out[i];
            late.bind(1, e.personKey).bind(2, currencyText(e.currency)).bind(3, todayText);
            if (late.step())
                e.open = late.int64(0);
            late.reset();
        }
    }

    // The people waiting, from their rows.
    out.append(overdueEntries(waitingPeople(db), today));
    return out;
}

QSet<QString> latePeople(BookConnection& db, const QDate& today)
{
    QSet<QString> out;
    BookQuery st = db.prepare(QStringLiteral(
        "SELECT DISTINCT uye_kodu FROM cari.ACIK_OZET WHERE borc > 0 AND ilk_vade < ?1 AND uye_kodu NOT IN "
        "(SELECT uye_kodu FROM cari.ACIK_DEGISEN)"));
    st.bind(1, dueText(today));
    while (st.step())
        out.insert(st.text(0));
    st = BookQuery();
    for (const OverdueEntry& e : overdueEntries(waitingPeople(db), today))
        out.insert(e.personKey);
    return out;
}

} // namespace OpenItemStore

} // namespace kalvora
