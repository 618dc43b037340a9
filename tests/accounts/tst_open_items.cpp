#include "accounts/account_book.h"
#include "accounts/archive_restore.h"
#include "accounts/book_settings.h"
#include "accounts/open_item_store.h"
#include "accounts/open_items.h"
#include "archive/cancellation_archive.h"
#include "data/db_error.h"
#include "data/pg/pg_connection.h"
#include "data/pg/server_schema.h"
#include "data/turkish_text.h"
#include "reports/aging.h"
#include "support/test_data.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace kalvora;

namespace {

// A row written as "key amount currency date [due]", amounts signed as stored.
AccountRow parsed(const QString& written)
{
    const QStringList p = written.split(QLatin1Char(' '));
    AccountRow r;
    r.key = p.at(0).toLongLong();
    r.amount = p.at(1);
    r.currency = p.at(2);
    r.date = p.at(3);
    r.dueDate = p.value(4);
    r.kind = r.amount.startsWith(QLatin1Char('-')) ? repaymentKind() : loanKind();
    return r;
}

QList<AccountRow> parsedRows(const QStringList& written)
{
    QList<AccountRow> rows;
    for (const QString& s : written)
        rows.append(parsed(s));
    return rows;
}

Customer person(const QString& key)
{
    Customer c;
    c.key = key;
    c.name = QStringLiteral("AYŞE");
    return c;
}

Entry entry(const QString& amount, const QString& currency, const QDate& date, const QDate& due = {})
{
    Entry e;
    e.amount = amount;
    e.currency = currency;
    e.date = date;
    e.dueDate = due;
    e.time = QStringLiteral("10:00:00");
    return e;
}

qint64 rowCents(const QList<AccountRow>& rows, Currency c)
{
    qint64 sum = 0;
    for (const AccountRow& r : rows)
        if (r.currency == currencyText(c))
            sum += amountCents(r.amount);
    return sum;
}

// What is open of everyone, one text per open row: person, row, currency, due date and open kuruş.
QStringList openTexts(const QList<PersonOpenItems>& people)
{
    QStringList out;
    for (const PersonOpenItems& p : people)
        for (const OpenRow& o : p.items.rows())
            if (o.open != 0)
                out << QStringLiteral("%1/%2/%3/%4/%5")
                           .arg(p.personKey)
                           .arg(o.key)
                           .arg(currencyText(o.currency), o.due.toString(Qt::ISODate))
                           .arg(o.debt ? o.open : -o.open);
    out.sort();
    return out;
}

QStringList overdueTexts(const QList<OverdueEntry>& entries)
{
    QStringList out;
    for (const OverdueEntry& e : entries)
        out << QStringLiteral("%1/%2/%3/%4/%5")
                   .arg(e.personKey, currencyText(e.currency))
                   .arg(e.open)
                   .arg(e.due.toString(Qt::ISODate))
                   .arg(e.daysLate);
    return out;
}

// The kept items, as every reader gets them, against the same worked out from every row: the items,
// and on days before, among and after the rows' due dates what is overdue, who is late and the aging.
void compareKeptWithRows(Store& store)
{
    OpenBook book(store);
    QList<PersonOpenItems> rows = OpenItemStore::fromRows(store.accounts(), OpenItemStore::FromRows::Everyone,
                                                          BookSettings(store).defaultDueTerm());
    const RegisteredNames names(store.accounts());
    for (PersonOpenItems& p : rows)
        p.name = names.of(p.personKey);
    QCOMPARE(openTexts(book.everyone()), openTexts(rows));
    for (const QDate& today :
         {QDate(2024, 12, 1), QDate(2025, 3, 15), QDate(2025, 6, 1), QDate(2026, 1, 1)}) {
        const QList<OverdueEntry> expected = overdueEntries(rows, today);
        QCOMPARE(overdueTexts(book.overdue(today)), overdueTexts(expected));
        QSet<QString> late;
        for (const OverdueEntry& e : expected)
            late.insert(e.personKey);
        QCOMPARE(OpenItemStore::latePeople(store.accounts(), today), late);
        QStringList aging;
        QStringList agingFromRows;
        for (const AgingRow& r : agingReport(store, today, AgingBounds()).rows)
            aging << r.personKey + agingRowTexts(r).join(u'|');
        for (const AgingRow& r : buildAging(rows, today, AgingBounds()).rows)
            agingFromRows << r.personKey + agingRowTexts(r).join(u'|');
        QCOMPARE(aging, agingFromRows);
    }
}

} // namespace

class TestOpenItems : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // expected: "key=open" for each row that counts, in key order; advance per TL.
    void matching_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<qint64>("tlAdvance");
        QTest::newRow("partial payment leaves the rest open")
            << QStringList{u"1 1000 TL 01.01.2025"_qs, u"2 -250,50 TL 05.01.2025"_qs} << u"1=74950 2=0"_qs
            << qint64(0);
        QTest::newRow("oldest due date closes first, whatever the order written")
            << QStringList{u"1 100 TL 01.01.2025 01.03.2025"_qs, u"2 100 TL 02.01.2025 01.02.2025"_qs,
                           u"3 -150 TL 03.01.2025"_qs}
            << u"1=5000 2=0 3=0"_qs << qint64(0);
        QTest::newRow("equal due dates close by key")
            << QStringList{u"7 100 TL 01.01.2025 01.02.2025"_qs, u"3 100 TL 01.01.2025 01.02.2025"_qs,
                           u"9 -100 TL 03.01.2025"_qs}
            << u"3=0 7=10000 9=0"_qs << qint64(0);
        QTest::newRow("an overpayment is an advance that closes the next debt")
            << QStringList{u"1 100 TL 01.01.2025"_qs, u"2 -300 TL 02.01.2025"_qs, u"3 150 TL 03.01.2025"_qs}
            << u"1=0 2=5000 3=0"_qs << qint64(5000);
        QTest::newRow("the advance stays with the latest payment")
            << QStringList{u"1 100 TL 01.01.2025"_qs, u"2 -80 TL 02.01.2025"_qs, u"3 -70 TL 04.01.2025"_qs}
            << u"1=0 2=0 3=5000"_qs << qint64(5000);
        QTest::newRow("currencies never pay each other")
            << QStringList{u"1 100 TL 01.01.2025"_qs, u"2 -100 DOLAR 02.01.2025"_qs,
                           u"3 40 EURO 03.01.2025"_qs}
            << u"1=10000 2=10000 3=4000"_qs << qint64(0);
        QTest::newRow("a row without its own due date is due on its date")
            << QStringList{u"1 100 TL 10.01.2025 01.01.2025"_qs, u"2 100 TL 05.01.2025"_qs,
                           u"3 -100 TL 20.01.2025"_qs}
            << u"1=0 2=10000 3=0"_qs << qint64(0);
        QTest::newRow("edited amounts in display form")
            << QStringList{u"1 1.500,50 TL 01.01.2025"_qs, u"2 -1.000,25 TL 02.01.2025"_qs}
            << u"1=50025 2=0"_qs << qint64(0);
    }
    void matching()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, expected);
        QFETCH(qint64, tlAdvance);
        const QList<AccountRow> list = parsedRows(rows);
        const OpenItems items = OpenItems::compute(list);
        QStringList got;
        QList<qint64> keys;
        for (const AccountRow& r : list)
            keys.append(r.key);
        std::sort(keys.begin(), keys.end());
        for (qint64 k : keys)
            got << QStringLiteral("%1=%2").arg(k).arg(items.row(k)->open);
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
        QCOMPARE(items.advance(Currency::Tl), tlAdvance);
        for (Currency c : allCurrencies)
            QCOMPARE(items.balance(c), rowCents(list, c));
    }

    void cardTexts_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<qint64>("open");
        QTest::addColumn<QString>("text");
        QTest::newRow("open, due today")
            << u"1 250 TL 01.01.2025 10.01.2025"_qs << qint64(25000) << u"AÇIK 250,00"_qs;
        QTest::newRow("open, late") << u"1 1250 TL 01.01.2025 05.01.2025"_qs << qint64(125000)
                                    << u"AÇIK 1.250,00 GECİKME: 5 GÜN"_qs;
        QTest::newRow("closed, late") << u"1 250 TL 01.01.2025 05.01.2025"_qs << qint64(0) << u"KAPANDI"_qs;
        QTest::newRow("advance") << u"1 -40 TL 01.01.2025"_qs << qint64(4000) << u"AVANS 40,00"_qs;
        QTest::newRow("payment used") << u"1 -40 TL 01.01.2025"_qs << qint64(0) << QString();
    }
    void cardTexts()
    {
        QFETCH(QString, row);
        QFETCH(qint64, open);
        QFETCH(QString, text);
        OpenRow r = OpenItems::compute({parsed(row)}).rows().constFirst();
        r.open = open;
        QCOMPARE(openRowText(r, QDate(2025, 1, 10)), text);
    }

    void defaultTermMovesRowsWithoutTheirOwnDate()
    {
        const QList<AccountRow> rows =
            parsedRows({u"1 100 TL 01.01.2025"_qs, u"2 100 TL 01.01.2025 20.01.2025"_qs});
        const QDate today(2025, 1, 25);
        QCOMPARE(OpenItems::compute(rows, 0).overdue(Currency::Tl, today), 20000);
        QCOMPARE(OpenItems::compute(rows, 30).overdue(Currency::Tl, today), 10000);
        QCOMPARE(*OpenItems::compute(rows, 30).oldestOverdue(Currency::Tl, today), QDate(2025, 1, 20));
    }

    // Through the book, on either store: moving a due date by an edit, and cancelling the payment that
    // closed a debt (the debt opens again; bringing the payment back closes it again).
    void changesRecomputeTheOpenAmounts()
    {
        test::TestData data;
        const QString key = QString::number(data.addPerson(QStringLiteral("AYŞE")));
        AccountBook book(data.store());
        const QDate d(2025, 1, 1);
        book.lend(person(key), entry(u"100"_qs, u"TL"_qs, d, QDate(2025, 3, 1)));
        AccountState s = book.lend(person(key), entry(u"100"_qs, u"TL"_qs, d, QDate(2025, 2, 1)));
        const qint64 first = s.rows.at(0).key;
        const qint64 second = s.rows.at(1).key;
        s = book.collect(person(key), entry(u"100"_qs, u"TL"_qs, QDate(2025, 1, 5)));
        const qint64 payment = s.rows.at(2).key;
        QCOMPARE(s.rows.at(1).dueDate, u"01.02.2025"_qs);
        QCOMPARE(s.rows.at(2).dueDate, QString()); // a repayment never has one
        OpenItems items = OpenItems::compute(s.rows);
        QCOMPARE(items.row(first)->open, 10000);
        QCOMPARE(items.row(second)->open, 0);

        // The edit moves the second debt's due date past the first one's: the payment now closes the first.
        s = book.edit(key, u"AYŞE"_qs, second, entry(u"100"_qs, u"TL"_qs, d, QDate(2025, 4, 1)));
        items = OpenItems::compute(s.rows);
        QCOMPARE(items.row(first)->open, 0);
        QCOMPARE(items.row(second)->open, 10000);

        s = book.cancel(key, payment);
        items = OpenItems::compute(s.rows);
        QCOMPARE(items.row(first)->open, 10000);
        QCOMPARE(items.openDebts(Currency::Tl), 20000);

        const QList<ArchiveItem> archived = CancellationArchive(data.store()).items();
        QVERIFY(!archived.isEmpty());
        QCOMPARE(ArchiveRestore(data.store()).restore(archived.constFirst().key).result,
                 CancellationArchive::RestoreResult::Restored);
        items = OpenItems::compute(book.load(key).rows);
        QCOMPARE(items.row(first)->open, 0);
        // The edit's archived version carries its due date back as well.
        const QList<ArchiveItem> edits = CancellationArchive(data.store()).items();
        QCOMPARE(ArchiveRestore(data.store()).restore(edits.constFirst().key).result,
                 CancellationArchive::RestoreResult::Restored);
        s = book.load(key);
        QCOMPARE(s.rows.at(1).dueDate, u"01.02.2025"_qs);
    }

    // Any sequence of lending, collecting, editing, cancelling, resetting and restoring leaves open
    // debts - advance equal to the balance the card shows, in every currency; and the items every
    // reader gets are those of the rows, also after a new default term and for a person whose rows
    // something other than the program writes.
    void openAmountsAlwaysAddUpToTheBalance()
    {
        test::TestData data;
        const QString key = QString::number(data.addPerson(QStringLiteral("AYŞE")));
        const QString other = QString::number(data.addPerson(QStringLiteral("ALİ")));
        AccountBook book(data.store());
        QRandomGenerator rng(20251210);
        const QStringList currencies{u"TL"_qs, u"DOLAR"_qs, u"EURO"_qs};
        const int steps = 150;
        for (int i = 0; i < steps; ++i) {
            const QString amount =
                QString::number(rng.bounded(1, 5000)) + u","_qs + QString::number(rng.bounded(10, 100));
            const QString currency = currencies.at(rng.bounded(3));
            const QDate date = QDate(2025, 1, 1).addDays(rng.bounded(200));
            const QDate due = rng.bounded(2) ? date.addDays(rng.bounded(0, 120)) : QDate();
            AccountState s = book.load(key);
            const int action = rng.bounded(100);
            if (action < 35 || s.rows.isEmpty()) {
                book.lend(person(key), entry(amount, currency, date, due));
            } else if (action < 70) {
                book.collect(person(key), entry(amount, currency, date));
            } else if (action < 82) {
                const AccountRow& r = s.rows.at(rng.bounded(static_cast<int>(s.rows.size())));
                book.edit(key, u"AYŞE"_qs, r.key, entry(amount, currency, date, due));
            } else if (action < 92) {
                book.cancel(key, s.rows.at(rng.bounded(static_cast<int>(s.rows.size()))).key);
            } else if (action < 96) {
                // Settle every currency first, so the reset is allowed.
                for (Currency c : allCurrencies) {
                    const double b = numberValue(s.figures.balanceText(c));
                    const Entry e = entry(formatAmount(std::abs(b)), currencyText(c), date);
                    if (b > 0)
                        book.collect(person(key), e);
                    else if (b < 0)
                        book.lend(person(key), e);
                }
                QVERIFY(!book.reset(key).outstanding);
            } else {
                const QList<ArchiveItem> items = CancellationArchive(data.store()).items();
                if (!items.isEmpty())
                    ArchiveRestore(data.store())
                        .restore(items.at(rng.bounded(static_cast<int>(items.size()))).key);
            }
            // The other person's rows come from outside the program, one in four with a date that does
            // not read; now and then the start writes their items.
            if (i % 5 == 0) {
                data.store().accounts().execute(
                    u"INSERT INTO cari.CARIKART (uye_kodu, tutar, durum, para_cinsi, para) "
                    "VALUES (?1, ?2, ?3, 'TL', '100')"_qs,
                    {other, rng.bounded(3) ? amount : u"-"_qs + amount,
                     rng.bounded(4) ? dateText(date.addDays(rng.bounded(400))) : u"?"_qs});
                if (rng.bounded(2))
                    OpenItemStore::settleWaitingAtStart(data.store());
            }
            if (i % 25 == 24)
                BookSettings(data.store()).setDefaultDueTerm(rng.bounded(0, 60));
            compareKeptWithRows(data.store());
            s = book.load(key);
            const OpenItems items = OpenItems::compute(s.rows, rng.bounded(0, 60));
            for (Currency c : allCurrencies) {
                QVERIFY(items.openDebts(c) >= 0 && items.advance(c) >= 0);
                QVERIFY2(items.openDebts(c) == 0 || items.advance(c) == 0, qPrintable(QString::number(i)));
                QCOMPARE(formatAmount(static_cast<double>(items.balance(c)) / 100.0),
                         s.figures.balanceText(c));
            }
        }
    }

    // Hundreds of people waiting at once (a book just upgraded, a large import) are read in one pass
    // over the rows, and written so by the start; the first has more open rows than one statement to a
    // server holds.
    void manyWaitingPeople()
    {
        test::TestData data;
        BookConnection& db = data.store().accounts();
        const int people = 600;
        {
            BookTransaction tx(db);
            for (int p = 1; p <= people; ++p)
                for (int r = 0; r < (p == 1 ? 450 : 3); ++r)
                    db.execute(
                        u"INSERT INTO cari.CARIKART (uye_kodu, tutar, durum, para_cinsi, vade, para) VALUES "
                        "(?1, ?2, ?3, ?4, ?5, '100')"_qs,
                        {QString::number(p), r == 2 ? u"-150"_qs : QString::number(100 + p),
                         dateText(QDate(2025, 1, 1).addDays(p + 40 * r)), r == 1 ? u"DOLAR"_qs : u"TL"_qs,
                         r == 0 && p % 2 ? u"01.03.2025"_qs : QString()});
            tx.commit();
        }
        compareKeptWithRows(data.store());
        QCOMPARE(OpenItemStore::settleWaitingAtStart(data.store()), people);
        compareKeptWithRows(data.store());
        QCOMPARE(OpenBook(data.store()).everyone().size(), people);
    }

    // A book written before rows had due dates is given the column by its next start, on either store,
    // and keeps every row and archived row as it was.
    void olderBookGainsDueDatesAndKeepsItsRows()
    {
        test::TestData data;
        const qint64 p = data.addPerson(QStringLiteral("AYŞE"));
        const QString key = QString::number(p);
        AccountBook book(data.store());
        for (int i = 0; i < 5; ++i)
            book.lend(person(key), entry(QString::number(100 + i), u"TL"_qs, QDate(2025, 1, 1 + i)));
        AccountState before = book.load(key);
        book.cancel(key, before.rows.at(4).key);
        before = book.load(key);
        const int archived = CancellationArchive(data.store()).items().size();
        if (test::TestData::onServer()) {
            PgConnection conn = PgConnection::open(data.serverUri());
            conn.exec(
                u"DROP TRIGGER acik_isaretle ON cari.CARIKART; DROP FUNCTION kalvora.acik_isaretle(); DROP "
                u"TABLE "
                "cari.ACIK_KALEMLER, cari.ACIK_OZET, cari.ACIK_DEGISEN; "
                "ALTER TABLE cari.CARIKART DROP COLUMN vade; ALTER TABLE iptal.IPTAL_HAREKETLER DROP "
                "COLUMN vade; DROP TABLE cari.AYARLAR; UPDATE kalvora.schema_version SET version = 3"_qs);
            QCOMPARE(inspectServerSchema(conn).version, 3);
        } else {
            // The tables as the files held them before, rows and keys included (this SQLite has no
            // DROP COLUMN).
            const QString columns =
                u"uye_kodu TEXT NOT NULL DEFAULT '', aylar TEXT NOT NULL DEFAULT '', "
                "tutar TEXT NOT NULL DEFAULT '', durum TEXT NOT NULL DEFAULT '', tarih TEXT "
                "NOT NULL DEFAULT '', para_cinsi TEXT NOT NULL DEFAULT '', adisoyadi TEXT NOT "
                "NULL DEFAULT '', istel TEXT NOT NULL DEFAULT '', ceptel TEXT NOT NULL "
                "DEFAULT '', tc TEXT NOT NULL DEFAULT '', verdai TEXT NOT NULL DEFAULT '', "
                "adres TEXT NOT NULL DEFAULT '', para TEXT NOT NULL DEFAULT ''"_qs;
            const QString names =
                u"uye_kodu, aylar, tutar, durum, tarih, para_cinsi, adisoyadi, istel, ceptel, tc, verdai, adres, para"_qs;
            Database& db = data.store().accounts().file();
            db.exec(
                u"DROP TABLE cari.ACIK_KALEMLER; DROP TABLE cari.ACIK_OZET; DROP TABLE cari.ACIK_DEGISEN; "
                "CREATE TABLE cari.eski (otokod INTEGER PRIMARY KEY AUTOINCREMENT, "_qs +
                columns + u"); INSERT INTO cari.eski SELECT otokod, "_qs + names +
                u" FROM cari.CARIKART; DROP TABLE cari.CARIKART; ALTER TABLE cari.eski RENAME TO CARIKART; "
                "CREATE TABLE iptal.eski (sira INTEGER PRIMARY KEY AUTOINCREMENT, iptal_no INTEGER NOT NULL, "
                "otokod INTEGER NOT NULL, "_qs +
                columns + u"); INSERT INTO iptal.eski SELECT sira, iptal_no, otokod, "_qs + names +
                u" FROM iptal.IPTAL_HAREKETLER; DROP TABLE iptal.IPTAL_HAREKETLER; ALTER TABLE iptal.eski "
                "RENAME TO IPTAL_HAREKETLER"_qs);
            QVERIFY_THROWS_EXCEPTION(DbError, book.load(key));
        }
        data.store().closeAll();
        QVERIFY(data.store().initialize().isEmpty());
        const AccountState after = book.load(key);
        QCOMPARE(after.rows.size(), before.rows.size());
        for (qsizetype i = 0; i < after.rows.size(); ++i) {
            QCOMPARE(after.rows.at(i).key, before.rows.at(i).key);
            QCOMPARE(after.rows.at(i).amount, before.rows.at(i).amount);
            QCOMPARE(after.rows.at(i).date, before.rows.at(i).date);
            QCOMPARE(after.rows.at(i).dueDate, QString());
        }
        QCOMPARE(CancellationArchive(data.store()).items().size(), archived);
        // The open items come with the upgrade: the person waits, read from the rows until the start
        // writes theirs.
        compareKeptWithRows(data.store());
        QCOMPARE(OpenItemStore::settleWaitingAtStart(data.store()), 1);
        QCOMPARE(OpenItemStore::settleWaitingAtStart(data.store()), 0);
        compareKeptWithRows(data.store());
        QCOMPARE(OpenBook(data.store()).everyone().size(), 1);
        QCOMPARE(ArchiveRestore(data.store())
                     .restore(CancellationArchive(data.store()).items().constFirst().key)
                     .result,
                 CancellationArchive::RestoreResult::Restored);
        QCOMPARE(book.load(key).rows.size(), before.rows.size() + 1);
        QVERIFY(data.store().initialize().isEmpty()); // a second start finds nothing to do
    }
};

QTEST_GUILESS_MAIN(TestOpenItems)
#include "tst_open_items.moc"
