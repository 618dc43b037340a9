#include "accounts/account.h"
#include "accounts/account_book.h"
#include "customers/customer_repository.h"
#include "data/amount_check.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

using namespace kalvora;

namespace {

AccountRow row(const QString& amount, const QString& currency, const QString& kind)
{
    AccountRow r;
    r.amount = amount;
    r.currency = currency;
    r.kind = kind;
    return r;
}

Entry entry(const QString& amount, const QString& currency, const QString& description = QString(),
            const QDate& date = QDate(2025, 12, 8))
{
    Entry e;
    e.description = description;
    e.amount = amount;
    e.currency = currency;
    e.date = date;
    e.time = QStringLiteral("14:05:09");
    return e;
}

Customer person(qint64 key, const QString& name)
{
    Customer c;
    c.key = QString::number(key);
    c.name = name;
    c.workPhone = QStringLiteral("0212");
    c.mobilePhone = QStringLiteral("0532");
    c.idNumber = QStringLiteral("123");
    c.taxOffice = QStringLiteral("KADIKÖY");
    c.address = QStringLiteral("MODA'DA");
    return c;
}

// What one desk does to a person or a row it listed.
enum DeskAction { EditRow, CancelRow, CancelOtherRow, EditPerson, DeletePerson, Lend, Collect, ResetAccount };

QStringList storedRow(Store& store, qint64 rowKey)
{
    BookQuery st = store.accounts().prepare(QStringLiteral(
        "SELECT uye_kodu, aylar, tutar, durum, tarih, para_cinsi, adisoyadi, istel, ceptel, tc, "
        "verdai, adres, para FROM CARIKART WHERE otokod = ?1"));
    st.bind(1, rowKey);
    QStringList out;
    if (st.step()) {
        for (int c = 0; c < 13; ++c)
            out.append(st.text(c));
    }
    return out;
}

} // namespace

class TestAccountRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void amountCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("tutarKontrol");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << QString() << false << false;
        QTest::newRow("zero") << QStringLiteral("0") << true << false;
        QTest::newRow("double zero") << QStringLiteral("00") << true << true;
        QTest::newRow("zero comma zero") << QStringLiteral("0,0") << true << true;
        QTest::newRow("lone comma") << QStringLiteral(",") << true << false;
        QTest::newRow("leading comma") << QStringLiteral(",75") << true << true;
        QTest::newRow("trailing comma") << QStringLiteral("12,") << true << true;
        QTest::newRow("two commas") << QStringLiteral("1,2,3") << false << false;
        QTest::newRow("minus") << QStringLiteral("-5") << false << true;
        QTest::newRow("point") << QStringLiteral("1.5") << false << true;
        QTest::newRow("blank") << QStringLiteral("1 5") << false << false;
        QTest::newRow("letters") << QStringLiteral("12a") << false << false;
        QTest::newRow("display form") << QStringLiteral("-1.500,50") << false << true;
        QTest::newRow("15 digits") << QStringLiteral("123456789012,345") << true << true;
        QTest::newRow("16 digits") << QStringLiteral("1234567890123,456") << true << false;
        QTest::newRow("20 nines") << QStringLiteral("99999999999999999999") << true << false;
        QTest::newRow("trailing zeros do not count") << QStringLiteral("123456789012345,000") << true << true;
    }
    void amountCheck()
    {
        QFETCH(QString, text);
        QFETCH(bool, tutarKontrol);
        QFETCH(bool, accepted);
        QCOMPARE(TutarKontrol(text), tutarKontrol);
        QCOMPARE(amountAccepted(text), accepted);
    }

    void keyRule_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::newRow("second comma dropped") << QStringLiteral("12,5,0") << QStringLiteral("12,50");
        QTest::newRow("sign point letters dropped") << QStringLiteral("-1.2a b3") << QStringLiteral("123");
        QTest::newRow("leading comma") << QStringLiteral(",75") << QStringLiteral(",75");
    }
    void keyRule()
    {
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QString box;
        for (QChar c : keys) {
            if (amountCharAccepted(c, box))
                box += c;
        }
        QCOMPARE(box, result);
    }

    // Before and after a change that is not a typed key: whether the save takes the new text, and what
    // the box keeps of it (the inserted part held to the key rule).
    void editRule_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("kept");
        QTest::newRow("digits pasted")
            << QStringLiteral("1") << QStringLiteral("1250") << true << QStringLiteral("1250");
        QTest::newRow("letters pasted")
            << QStringLiteral("1") << QStringLiteral("1a") << false << QStringLiteral("1");
        QTest::newRow("second comma pasted")
            << QStringLiteral("1,5") << QStringLiteral("1,5,5") << false << QStringLiteral("1,55");
        QTest::newRow("point pasted in the middle")
            << QStringLiteral("15") << QStringLiteral("1.5") << false << QStringLiteral("15");
        QTest::newRow("pasted over the whole text")
            << QStringLiteral("1,5") << QStringLiteral("-2.000,5") << false << QStringLiteral("2000,5");
        QTest::newRow("display form kept") << QStringLiteral("-1.500,50") << QStringLiteral("-1.500,505")
                                           << true << QStringLiteral("-1.500,505");
        QTest::newRow("sign removed") << QStringLiteral("-1.500,50") << QStringLiteral("1.500,50") << true
                                      << QStringLiteral("1.500,50");
        QTest::newRow("sign added") << QStringLiteral("1.500,50") << QStringLiteral("-1.500,50") << false
                                    << QStringLiteral("1.500,50");
    }
    void editRule()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, accepted);
        QFETCH(QString, kept);
        QCOMPARE(amountEditAccepted(before, after), accepted);
        QCOMPARE(amountEditFiltered(before, after), kept);
    }

    void storedAmounts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("edited");
        QTest::newRow("loan as typed") << QStringLiteral("1500,50") << loanKind() << QStringLiteral("1500,50")
                                       << QStringLiteral("1500,50");
        QTest::newRow("repayment negated") << QStringLiteral("1500,50") << repaymentKind()
                                           << QStringLiteral("-1500,5") << QStringLiteral("-1500,50");
        QTest::newRow("repayment whole")
            << QStringLiteral("200") << repaymentKind() << QStringLiteral("-200") << QStringLiteral("-200");
        QTest::newRow("repayment zero")
            << QStringLiteral("0,0") << repaymentKind() << QStringLiteral("0") << QStringLiteral("0,0");
        QTest::newRow("repayment shown negative") << QStringLiteral("-1.500,50") << repaymentKind()
                                                  << QStringLiteral("1500,5") << QStringLiteral("-1.500,50");
        QTest::newRow("loan shown negative stays positive")
            << QStringLiteral("-1.500,50") << loanKind() << QStringLiteral("-1.500,50")
            << QStringLiteral("1.500,50");
        QTest::newRow("leading comma")
            << QStringLiteral(",75") << repaymentKind() << QStringLiteral("-0,75") << QStringLiteral("-,75");
    }
    void storedAmounts()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kind);
        QFETCH(QString, inserted);
        QFETCH(QString, edited);
        QCOMPARE(newRowAmount(typed, kind), inserted);
        QCOMPARE(editedRowAmount(typed, kind), edited);
    }

    void figures_data()
    {
        QTest::addColumn<QList<QStringList>>("rows"); // amount, currency, kind
        QTest::addColumn<QStringList>("balances");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<QStringList>("lent");
        QTest::addColumn<QStringList>("paidBack");
        const QString z = QStringLiteral("0,00");
        const QString clean = QStringLiteral("TEMİZ");
        QTest::newRow("no rows") << QList<QStringList>{} << QStringList{z, z, z}
                                 << QStringList{clean, clean, clean} << QStringList{z, z, z}
                                 << QStringList{z, z, z};
        QTest::newRow("lend 1000 collect 1500")
            << QList<QStringList>{{QStringLiteral("1000"), QStringLiteral("TL"), QStringLiteral("100")},
                                  {QStringLiteral("-1500"), QStringLiteral("TL"), QStringLiteral("200")}}
            << QStringList{QStringLiteral("-500,00"), z, z}
            << QStringList{QStringLiteral("ALACAKLI"), clean, clean}
            << QStringList{QStringLiteral("1.000,00"), z, z}
            << QStringList{QStringLiteral("-1.500,00"), z, z};
        QTest::newRow("0,1 + 0,2 - 0,3 is clean")
            << QList<QStringList>{{QStringLiteral("0,1"), QStringLiteral("TL"), QStringLiteral("100")},
                                  {QStringLiteral("0,2"), QStringLiteral("TL"), QStringLiteral("100")},
                                  {QStringLiteral("-0,3"), QStringLiteral("TL"), QStringLiteral("200")}}
            << QStringList{z, z, z} << QStringList{clean, clean, clean}
            << QStringList{QStringLiteral("0,30"), z, z} << QStringList{QStringLiteral("-0,30"), z, z};
        QTest::newRow("edited repayment in display form")
            << QList<QStringList>{{QStringLiteral("-1.500,50"), QStringLiteral("DOLAR"),
                                   QStringLiteral("200")}}
            << QStringList{z, QStringLiteral("-1.500,50"), z}
            << QStringList{clean, QStringLiteral("ALACAKLI"), clean} << QStringList{z, z, z}
            << QStringList{z, QStringLiteral("-1.500,50"), z};
        QTest::newRow("currencies never mix")
            << QList<QStringList>{{QStringLiteral("10"), QStringLiteral("TL"), QStringLiteral("100")},
                                  {QStringLiteral("20"), QStringLiteral("DOLAR"), QStringLiteral("100")},
                                  {QStringLiteral("30"), QStringLiteral("EURO"), QStringLiteral("100")},
                                  {QStringLiteral("40"), QStringLiteral("tl"), QStringLiteral("100")},
                                  {QStringLiteral(","), QStringLiteral("EURO"), QStringLiteral("100")}}
            << QStringList{QStringLiteral("10,00"), QStringLiteral("20,00"), QStringLiteral("30,00")}
            << QStringList{QStringLiteral("BORÇLU"), QStringLiteral("BORÇLU"), QStringLiteral("BORÇLU")}
            << QStringList{QStringLiteral("10,00"), QStringLiteral("20,00"), QStringLiteral("30,00")}
            << QStringList{z, z, z};
        QTest::newRow("rounding half a cent")
            << QList<QStringList>{{QStringLiteral("0,005"), QStringLiteral("EURO"), QStringLiteral("100")}}
            << QStringList{z, z, QStringLiteral("0,01")}
            << QStringList{clean, clean, QStringLiteral("BORÇLU")}
            << QStringList{z, z, QStringLiteral("0,01")} << QStringList{z, z, z};
    }
    void figures()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, balances);
        QFETCH(QStringList, statuses);
        QFETCH(QStringList, lent);
        QFETCH(QStringList, paidBack);
        QList<AccountRow> list;
        for (const QStringList& r : rows)
            list.append(row(r.at(0), r.at(1), r.at(2)));
        const AccountState s = summarize(list);
        QCOMPARE(s.figures.count(), static_cast<int>(rows.size()));
        for (Currency c : allCurrencies) {
            const auto i = static_cast<int>(c);
            QCOMPARE(s.figures.balanceText(c), balances.at(i));
            QCOMPARE(s.figures.status(c), statuses.at(i));
            QCOMPARE(s.figures.lentText(c), lent.at(i));
            QCOMPARE(s.figures.paidBackText(c), paidBack.at(i));
        }
    }

    void rowTextsShowAmountWithoutLeadingZero_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("half") << QStringLiteral("0,5") << QStringLiteral(",50");
        QTest::newRow("repayment") << QStringLiteral("-250") << QStringLiteral("-250,00");
        QTest::newRow("grouped") << QStringLiteral("1500,5") << QStringLiteral("1.500,50");
        QTest::newRow("zero") << QStringLiteral("00") << QStringLiteral(",00");
    }
    void rowTextsShowAmountWithoutLeadingZero()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        AccountRow r = row(stored, QStringLiteral("TL"), loanKind());
        r.description = QStringLiteral("KİRA");
        r.date = QStringLiteral("08.12.2025");
        r.time = QStringLiteral("14:05:09");
        QCOMPARE(rowTexts(r), (QStringList{QStringLiteral("KİRA"), shown, QStringLiteral("TL"),
                                           QStringLiteral("08.12.2025"), QStringLiteral("14:05:09")}));
    }

    void readsOnlyThePersonsRowsInDateOrder()
    {
        test::TestData data;
        const qint64 one = data.addPerson(QStringLiteral("BİR"));
        for (int i = 2; i <= 11; ++i)
            data.addPerson(QStringLiteral("KİŞİ %1").arg(i));
        const qint64 eleven = 11;
        data.addTransaction(one, QStringLiteral("3"), QStringLiteral("TL"), QStringLiteral("05.01.2025"),
                            QStringLiteral("100"), QStringLiteral("C"));
        data.addTransaction(eleven, QStringLiteral("999"), QStringLiteral("TL"), QStringLiteral("01.01.2020"),
                            QStringLiteral("100"), QStringLiteral("ELEVEN"));
        data.addTransaction(one, QStringLiteral("1"), QStringLiteral("DOLAR"), QStringLiteral("31.12.2024"),
                            QStringLiteral("100"), QStringLiteral("A"));
        data.addTransaction(one, QStringLiteral("2"), QStringLiteral("TL"), QStringLiteral("05.01.2025"),
                            QStringLiteral("100"), QStringLiteral("D"));
        data.addTransaction(one, QStringLiteral("4"), QStringLiteral("TL"), QStringLiteral("02.01.2025"),
                            QStringLiteral("200"), QStringLiteral("B"));

        AccountBook book(data.store());
        const AccountState all = book.load(QString::number(one));
        QStringList order;
        for (const AccountRow& r : all.rows)
            order.append(r.description);
        // By date, not by text ("31.12.2024" sorts after "05.01.2025" as text); one date in writing order.
        QCOMPARE(order, (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                     QStringLiteral("D")}));
        QCOMPARE(all.figures.balanceText(Currency::Tl), QStringLiteral("9,00"));

        const AccountState dollars = book.load(QString::number(one), QStringLiteral("DOLAR"));
        QCOMPARE(dollars.rows.size(), 1);
        QCOMPARE(dollars.figures.balanceText(Currency::Tl), QStringLiteral("0,00"));
        QCOMPARE(dollars.figures.balanceText(Currency::Dolar), QStringLiteral("1,00"));
        QCOMPARE(book.load(QString::number(one), QString()).rows.size(), 0);
        QCOMPARE(book.load(QStringLiteral("01")).rows.size(), 0);
    }

    void lendAndCollectStoreRowsAndBalancesTogether()
    {
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("ALİ'NİN OĞLU"));
        const Customer p = person(key, QStringLiteral("ALİ'NİN OĞLU"));
        AccountBook book(data.store());

        AccountState s = book.lend(p, entry(QStringLiteral("1500,50"), QStringLiteral("TL"),
                                            QStringLiteral("ahmet'in kirası; DROP TABLE x")));
        QCOMPARE(s.rows.size(), 1);
        QCOMPARE(
            storedRow(data.store(), s.rows.at(0).key),
            (QStringList{QString::number(key), QStringLiteral("AHMET'İN KİRASI; DROP TABLE X"),
                         QStringLiteral("1500,50"), QStringLiteral("08.12.2025"), QStringLiteral("14:05:09"),
                         QStringLiteral("TL"), QStringLiteral("ALİ'NİN OĞLU"), QStringLiteral("0212"),
                         QStringLiteral("0532"), QStringLiteral("123"), QStringLiteral("KADIKÖY"),
                         QStringLiteral("MODA'DA"), QStringLiteral("100")}));
        QCOMPARE(test::storedBalances(data.store(), key),
                 (QStringList{QStringLiteral("1.500,50"), QStringLiteral("0,00"), QStringLiteral("0,00")}));

        s = book.collect(p, entry(QStringLiteral("1500,50"), QStringLiteral("TL")));
        QCOMPARE(s.rows.size(), 2);
        QCOMPARE(storedRow(data.store(), s.rows.at(1).key).at(2), QStringLiteral("-1500,5"));
        QCOMPARE(storedRow(data.store(), s.rows.at(1).key).at(12), QStringLiteral("200"));
        QCOMPARE(s.figures.status(Currency::Tl), QStringLiteral("TEMİZ"));
        QCOMPARE(test::storedBalances(data.store(), key),
                 (QStringList{QStringLiteral("0,00"), QStringLiteral("0,00"), QStringLiteral("0,00")}));
    }

    void editKeepsTheSignOfTheKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("balance");
        QTest::newRow("repayment untouched") << repaymentKind() << QStringLiteral("-1.500,50")
                                             << QStringLiteral("-1.500,50") << QStringLiteral("-1.500,50");
        QTest::newRow("repayment retyped") << repaymentKind() << QStringLiteral("700")
                                           << QStringLiteral("-700") << QStringLiteral("-700,00");
        QTest::newRow("loan retyped")
            << loanKind() << QStringLiteral("700") << QStringLiteral("700") << QStringLiteral("700,00");
        QTest::newRow("loan untouched") << loanKind() << QStringLiteral("1.500,50")
                                        << QStringLiteral("1.500,50") << QStringLiteral("1.500,50");
    }
    void editKeepsTheSignOfTheKind()
    {
        QFETCH(QString, kind);
        QFETCH(QString, boxText);
        QFETCH(QString, stored);
        QFETCH(QString, balance);
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("VELİ"));
        const qint64 rowKey = data.addTransaction(
            key, kind == loanKind() ? QStringLiteral("1500,50") : QStringLiteral("-1500,5"),
            QStringLiteral("TL"), QStringLiteral("01.02.2025"), kind);
        const QString longText(150, QLatin1Char('x'));
        const AccountState s = AccountBook(data.store())
                                   .edit(QString::number(key), QStringLiteral("VELİ YENİ"), rowKey,
                                         entry(boxText, QStringLiteral("EURO"), longText, QDate(2025, 3, 4)));
        const QStringList r = storedRow(data.store(), rowKey);
        QCOMPARE(r.at(1), QString(150, QLatin1Char('X')));
        QCOMPARE(r.at(2), stored);
        QCOMPARE(r.at(3), QStringLiteral("04.03.2025"));
        QCOMPARE(r.at(5), QStringLiteral("EURO"));
        QCOMPARE(r.at(6), QStringLiteral("VELİ YENİ"));
        QCOMPARE(r.at(12), kind);
        QCOMPARE(s.figures.balanceText(Currency::Tl), QStringLiteral("0,00"));
        QCOMPARE(s.figures.balanceText(Currency::Euro), balance);
        QCOMPARE(test::storedBalances(data.store(), key),
                 (QStringList{QStringLiteral("0,00"), QStringLiteral("0,00"), balance}));
    }

    void cancelAndResetAndVanishedRows()
    {
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("AYŞE"));
        const qint64 other = data.addPerson(QStringLiteral("FATMA"));
        const qint64 loan = data.addTransaction(key, QStringLiteral("500"), QStringLiteral("TL"),
                                                QStringLiteral("01.02.2025"), loanKind());
        data.addTransaction(key, QStringLiteral("10"), QStringLiteral("DOLAR"), QStringLiteral("01.02.2025"),
                            loanKind());
        data.addTransaction(other, QStringLiteral("7"), QStringLiteral("TL"), QStringLiteral("01.02.2025"),
                            loanKind());
        AccountBook book(data.store());
        const QString k = QString::number(key);

        AccountBook::ResetOutcome refused = book.reset(k);
        QCOMPARE(refused.outstanding, std::optional<Currency>(Currency::Tl));
        QCOMPARE(book.load(k).rows.size(), 2);

        AccountState s = book.cancel(k, loan);
        QCOMPARE(s.rows.size(), 1);
        QCOMPARE(test::storedBalances(data.store(), key),
                 (QStringList{QStringLiteral("0,00"), QStringLiteral("10,00"), QStringLiteral("0,00")}));
        QCOMPARE(book.reset(k).outstanding, std::optional<Currency>(Currency::Dolar));

        // A row that no longer exists: nothing changes, no failure.
        s = book.cancel(k, loan);
        QCOMPARE(s.rows.size(), 1);
        s = book.edit(k, QStringLiteral("AYŞE"), loan, entry(QStringLiteral("5"), QStringLiteral("TL")));
        QCOMPARE(s.figures.balanceText(Currency::Tl), QStringLiteral("0,00"));

        s = book.collect(person(key, QStringLiteral("AYŞE")),
                         entry(QStringLiteral("10"), QStringLiteral("DOLAR")));
        QCOMPARE(s.figures.firstOutstanding(), std::nullopt);
        AccountBook::ResetOutcome done = book.reset(k);
        QVERIFY(!done.outstanding);
        QVERIFY(!done.balancesChanged);
        QCOMPARE(done.state.rows.size(), 0);
        QCOMPARE(book.load(k).rows.size(), 0);
        QCOMPARE(book.load(QString::number(other)).rows.size(), 1);
    }

    void resetRepairsADriftedStoredCopy()
    {
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("AYŞE"), QStringLiteral("12"));
        const AccountBook::ResetOutcome done = AccountBook(data.store()).reset(QString::number(key));
        QVERIFY(done.balancesChanged);
        QCOMPARE(test::storedBalances(data.store(), key),
                 (QStringList{QStringLiteral("0,00"), QStringLiteral("0,00"), QStringLiteral("0,00")}));
    }

    // Two desks lending to and collecting from one person at the same moment: every save counts and the
    // stored balances are the sums of the rows.
    void twoDesksSaveForOnePersonAtOnce()
    {
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("AYŞE"));
        const Customer p = person(key, QStringLiteral("AYŞE"));
        std::unique_ptr<Store> desks[2] = {data.otherDesk(), data.otherDesk()};
        // Connected before the threads start, so that their saves overlap from the first one.
        for (auto& desk : desks)
            desk->accounts();
        constexpr int saves = 40;
        std::atomic<int> failures = 0;
        std::vector<std::thread> threads;
        for (auto& desk : desks) {
            threads.emplace_back([&, store = desk.get()] {
                AccountBook book(*store);
                for (int i = 0; i < saves; ++i) {
                    try {
                        if (i % 2 == 0)
                            book.lend(p, entry(QStringLiteral("10,25"), QStringLiteral("TL")));
                        else
                            book.collect(p, entry(QStringLiteral("1"), QStringLiteral("DOLAR")));
                    } catch (const DbError&) {
                        ++failures;
                    }
                }
            });
        }
        for (std::thread& t : threads)
            t.join();
        QCOMPARE(failures.load(), 0);
        const AccountState state = AccountBook(data.store()).load(p.key);
        QCOMPARE(state.rows.size(), 2 * saves);
        QCOMPARE(state.figures.balanceText(Currency::Tl), QStringLiteral("410,00"));
        QCOMPARE(test::storedBalances(data.store(), key),
                 (QStringList{QStringLiteral("410,00"), QStringLiteral("-40,00"), QStringLiteral("0,00")}));
    }

    // Another desk holds the person locked with a row written and the balance summed, not yet committed:
    // a change here waits for that desk and counts both rows. A change that summed the rows without
    // waiting would write back a balance without the other desk's row.
    void changeWaitsForTheDeskHoldingThePerson_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("balance");
        QTest::newRow("lend") << int(Lend) << QStringLiteral("112,00");
        QTest::newRow("collect") << int(Collect) << QStringLiteral("102,00");
        QTest::newRow("edit of another row") << int(EditRow) << QStringLiteral("57,00");
        QTest::newRow("cancel of another row") << int(CancelRow) << QStringLiteral("7,00");
    }
    void changeWaitsForTheDeskHoldingThePerson()
    {
        QFETCH(int, action);
        QFETCH(QString, balance);
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("AYŞE"));
        const Customer p = person(key, QStringLiteral("AYŞE"));
        const qint64 rowKey = AccountBook(data.store())
                                  .lend(p, entry(QStringLiteral("100"), QStringLiteral("TL")))
                                  .rows.at(0)
                                  .key;
        std::unique_ptr<Store> holder = data.otherDesk();
        std::unique_ptr<Store> desk = data.otherDesk();
        desk->accounts();
        BookConnection& db = holder->accounts();
        auto held = std::make_unique<BookTransaction>(db);
        db.scalar(QStringLiteral("SELECT oto_kod FROM main.MUSTERILER WHERE oto_kod = ?1") + db.forUpdate(),
                  {p.key});
        db.execute(
            QStringLiteral("INSERT INTO cari.CARIKART(uye_kodu, aylar, tutar, durum, tarih, para_cinsi, "
                           "adisoyadi, para) VALUES (?1, '', '7', '09.12.2025', '10:00:00', 'TL', ?2, ?3)"),
            {p.key, p.name, loanKind()});
        AccountBook::BakiyeGuncelle(db, p.key, AccountBook::readRows(db, p.key).figures);

        std::atomic<bool> done = false;
        std::atomic<bool> failed = false;
        std::thread change([&] {
            AccountBook book(*desk);
            try {
                if (action == Lend)
                    book.lend(p, entry(QStringLiteral("5"), QStringLiteral("TL")));
                else if (action == Collect)
                    book.collect(p, entry(QStringLiteral("5"), QStringLiteral("TL")));
                else if (action == EditRow)
                    book.edit(p.key, p.name, rowKey, entry(QStringLiteral("50"), QStringLiteral("TL")));
                else
                    book.cancel(p.key, rowKey);
            } catch (const DbError&) {
                failed = true;
            }
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const bool waited = !done;
        held->commit();
        held.reset();
        change.join();
        QVERIFY(waited);
        QVERIFY(!failed);
        QCOMPARE(test::storedBalances(data.store(), key),
                 (QStringList{balance, QStringLiteral("0,00"), QStringLiteral("0,00")}));
        QCOMPARE(AccountBook(data.store()).load(p.key).figures.balanceText(Currency::Tl), balance);
    }

    // What another desk did after this desk listed the row, and whether this desk's change is refused.
    void changeOfARowAnotherDeskChanged_data()
    {
        if (!test::TestData::onServer())
            QSKIP("the data folder keeps no row versions: one desk at a time uses it");
        QTest::addColumn<int>("otherDesk");
        QTest::addColumn<int>("thisDesk");
        QTest::addColumn<bool>("refused");
        QTest::newRow("transaction edited, then edited here") << int(EditRow) << int(EditRow) << true;
        QTest::newRow("transaction edited, then cancelled here") << int(EditRow) << int(CancelRow) << true;
        QTest::newRow("transaction cancelled, then edited here") << int(CancelRow) << int(EditRow) << true;
        QTest::newRow("person edited, then edited here") << int(EditPerson) << int(EditPerson) << true;
        QTest::newRow("person edited, then deleted here") << int(EditPerson) << int(DeletePerson) << true;
        QTest::newRow("lent to, then deleted here: balance now") << int(Lend) << int(DeletePerson) << true;
        QTest::newRow("lent to, then person edited here") << int(Lend) << int(EditPerson) << false;
        QTest::newRow("other row cancelled, then edited here")
            << int(CancelOtherRow) << int(EditRow) << false;
    }

    void changeOfARowAnotherDeskChanged()
    {
        QFETCH(int, otherDesk);
        QFETCH(int, thisDesk);
        QFETCH(bool, refused);
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("ALİ"));
        const Customer p = person(key, QStringLiteral("ALİ"));
        AccountBook(data.store()).lend(p, entry(QStringLiteral("5"), QStringLiteral("TL")));
        AccountBook(data.store()).collect(p, entry(QStringLiteral("5"), QStringLiteral("TL")));
        // Listed here: the person and the first row with their versions.
        const Customer listed = *CustomerRepository(data.store()).find(p.key);
        const AccountState shown = AccountBook(data.store()).load(p.key);
        const AccountRow row = shown.rows.at(0);
        QVERIFY(listed.version > 0 && row.version > 0);

        std::unique_ptr<Store> other = data.otherDesk();
        const CustomerContact renamed{QStringLiteral("ALİ VELİ"), {}, {}, {}, {}, {}};
        switch (otherDesk) {
        case EditRow:
            AccountBook(*other).edit(p.key, p.name, row.key,
                                     entry(QStringLiteral("7"), QStringLiteral("TL")));
            break;
        case CancelRow:
            AccountBook(*other).cancel(p.key, row.key);
            break;
        case CancelOtherRow:
            AccountBook(*other).cancel(p.key, shown.rows.at(1).key);
            break;
        case EditPerson:
            CustomerRepository(*other).update(p.key, renamed);
            break;
        case Lend:
            AccountBook(*other).lend(p, entry(QStringLiteral("3"), QStringLiteral("TL")));
            break;
        }
        const AccountState before = AccountBook(data.store()).load(p.key);
        const std::optional<Customer> personBefore = CustomerRepository(data.store()).find(p.key);
        try {
            switch (thisDesk) {
            case EditRow:
                AccountBook(data.store())
                    .edit(p.key, p.name, row.key, entry(QStringLiteral("9"), QStringLiteral("TL")),
                          row.version);
                break;
            case CancelRow:
                AccountBook(data.store()).cancel(p.key, row.key, row.version);
                break;
            case EditPerson:
                CustomerRepository(data.store())
                    .update(p.key, {QStringLiteral("VELİ"), {}, {}, {}, {}, {}}, listed.version);
                break;
            case DeletePerson:
                CustomerRepository(data.store()).remove(p.key, listed.version);
                break;
            }
            QVERIFY(!refused);
        } catch (const RowChangedError& e) {
            QVERIFY(refused);
            QCOMPARE(e.turkishText(), QStringLiteral("BU KAYIT BAŞKA BİR BİLGİSAYARDA DEĞİŞTİRİLDİ."));
            QCOMPARE(AccountBook(data.store()).load(p.key).rows.size(), before.rows.size());
            QCOMPARE(AccountBook(data.store()).load(p.key).figures.balanceText(Currency::Tl),
                     before.figures.balanceText(Currency::Tl));
            QCOMPARE(CustomerRepository(data.store()).find(p.key)->name, personBefore->name);
        }
        QVERIFY(!data.store().accounts().inTransaction());
    }

    // Another desk removed the person after this desk listed them: every change is refused with the
    // row-changed message and nothing is written, so no transaction ever stands without its person.
    void changeForARemovedPerson_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("lend") << int(Lend);
        QTest::newRow("collect") << int(Collect);
        QTest::newRow("edit") << int(EditRow);
        QTest::newRow("cancel") << int(CancelRow);
        QTest::newRow("reset") << int(ResetAccount);
    }
    void changeForARemovedPerson()
    {
        QFETCH(int, action);
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("ALİ"));
        const Customer p = person(key, QStringLiteral("ALİ"));
        AccountBook(data.store()).lend(p, entry(QStringLiteral("5"), QStringLiteral("TL")));
        CustomerRepository(*data.otherDesk()).remove(p.key);
        // A row left without its person (as saves for nobody once were), for the edit and the cancel.
        const qint64 left = data.addTransaction(key, QStringLiteral("9"), QStringLiteral("TL"),
                                                QStringLiteral("01.02.2025"), loanKind());
        BookConnection& db = data.store().accounts();
        auto written = [&] {
            QStringList out = storedRow(data.store(), left);
            for (const char* sql :
                 {"SELECT count(*) FROM cari.CARIKART", "SELECT count(*) FROM iptal.IPTALLER",
                  "SELECT count(*) FROM main.MUSTERILER",
                  "SELECT count(*) FROM cari.CARIKART c WHERE NOT EXISTS (SELECT 1 FROM main.MUSTERILER m "
                  "WHERE CAST(m.oto_kod AS TEXT) = c.uye_kodu)"})
                out << db.scalar(QString::fromLatin1(sql)).toString();
            return out;
        };
        const QStringList before = written();
        QCOMPARE(before.last(), QStringLiteral("1"));
        AccountBook book(data.store());
        try {
            switch (action) {
            case Lend:
                book.lend(p, entry(QStringLiteral("3"), QStringLiteral("TL")));
                break;
            case Collect:
                book.collect(p, entry(QStringLiteral("3"), QStringLiteral("TL")));
                break;
            case EditRow:
                book.edit(p.key, p.name, left, entry(QStringLiteral("3"), QStringLiteral("TL")));
                break;
            case CancelRow:
                book.cancel(p.key, left);
                break;
            case ResetAccount:
                book.reset(p.key);
                break;
            }
            QFAIL("a change for a removed person was taken");
        } catch (const RowChangedError& e) {
            QCOMPARE(e.turkishText(), QStringLiteral("BU KAYIT BAŞKA BİR BİLGİSAYARDA DEĞİŞTİRİLDİ."));
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(written(), before);
    }

    void failedWriteBackStoresNothing()
    {
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("ALİ"));
        const qint64 rowKey = data.addTransaction(key, QStringLiteral("100"), QStringLiteral("TL"),
                                                  QStringLiteral("01.02.2025"), loanKind());
        AccountBook::BakiyeGuncelle(data.store().accounts(), QString::number(key), QStringLiteral("100,00"),
                                    QStringLiteral("0,00"), QStringLiteral("0,00"));
        data.refuseChanges(QStringLiteral("main"), QStringLiteral("MUSTERILER"), QStringLiteral("UPDATE"));
        AccountBook book(data.store());
        const Customer p = person(key, QStringLiteral("ALİ"));
        QVERIFY_THROWS_EXCEPTION(DbError, book.lend(p, entry(QStringLiteral("5"), QStringLiteral("TL"))));
        QVERIFY_THROWS_EXCEPTION(DbError, book.collect(p, entry(QStringLiteral("5"), QStringLiteral("TL"))));
        QVERIFY_THROWS_EXCEPTION(
            DbError, book.edit(p.key, p.name, rowKey, entry(QStringLiteral("5"), QStringLiteral("TL"))));
        QVERIFY_THROWS_EXCEPTION(DbError, book.cancel(p.key, rowKey));
        const AccountState s = book.load(p.key);
        QCOMPARE(s.rows.size(), 1);
        QCOMPARE(s.rows.at(0).amount, QStringLiteral("100"));
        QCOMPARE(test::storedBalances(data.store(), key),
                 (QStringList{QStringLiteral("100,00"), QStringLiteral("0,00"), QStringLiteral("0,00")}));
        QVERIFY(!data.store().accounts().inTransaction());
    }
};

QTEST_GUILESS_MAIN(TestAccountRules)
#include "tst_account_rules.moc"
