// The faster list reloads sort in the program what SQL used to sort: each must give exactly the order of the
// statement it replaced, which serves here as the oracle. Rows that take their alignment from the header
// must look as before.
#include "customers/customer_register.h"
#include "customers/customer_repository.h"
#include "data/turkish_text.h"
#include "reports/report_lists.h"
#include "support/test_data.h"
#include "widgets/report_list.h"

#include <QTest>

using namespace kalvora;

namespace {

QStringList oracle(Database& db, const QString& sql, const QVariantList& params = {})
{
    Statement st = db.prepare(sql);
    st.bindAll(params);
    QStringList out;
    while (st.step())
        out << st.text(0);
    return out;
}

} // namespace

class TestListOrders : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void customerOrder_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("turkish letters")
            << QStringList{QStringLiteral("ÇETİN"),   QStringLiteral("CAN"),   QStringLiteral("IŞIL"),
                           QStringLiteral("İBRAHİM"), QStringLiteral("ÖMER"),  QStringLiteral("ŞEYMA"),
                           QStringLiteral("ÜMİT"),    QStringLiteral("ZEYNEP")};
        QTest::newRow("equal names keep key order") << QStringList{
            QStringLiteral("ALİ"), QStringLiteral("VELİ"), QStringLiteral("ALİ"), QStringLiteral("ALİ")};
        QTest::newRow("same key, different text") << QStringList{
            QStringLiteral("ali"), QStringLiteral("ALİ"), QStringLiteral("Ali"), QStringLiteral("ALI")};
        QTest::newRow("blanks, digits, empty")
            << QStringList{QStringLiteral("AHMET 10"), QStringLiteral("AHMET 2"), QString(),
                           QStringLiteral(" AHMET"),   QStringLiteral("AHMET"),   QStringLiteral("O'NEIL")};
    }
    void customerOrder()
    {
        QFETCH(QStringList, names);
        test::TestData data;
        for (const QString& n : names)
            data.addPerson(n);
        QStringList keys;
        for (const Customer& c : CustomerRepository(data.store()).all())
            keys << c.key;
        QCOMPARE(keys,
                 oracle(data.store().accounts().file(),
                        QStringLiteral("SELECT oto_kod FROM MUSTERILER ORDER BY adisoyadi COLLATE TURKISH "
                                       "ASC, oto_kod ASC")));
        // A filter keeps the same order among the rows it keeps.
        QStringList filtered;
        for (const Customer& c : CustomerRepository(data.store()).search(QStringLiteral("a")))
            filtered << c.key;
        QStringList expected;
        for (const QString& k : std::as_const(keys)) {
            if (CustomerRegister::matches(CustomerRegister::keyed(*CustomerRepository(data.store()).find(k)),
                                          BuyukHarf(QStringLiteral("a"))))
                expected << k;
        }
        QCOMPARE(filtered, expected);
    }

    void moneyOrder_data()
    {
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<bool>("given");
        const QStringList lent{QStringLiteral("200"),     QStringLiteral("1.500,5"), QStringLiteral(",5"),
                               QStringLiteral("200"),     QStringLiteral("ABC"),     QStringLiteral("0"),
                               QStringLiteral("1500,50"), QStringLiteral(""),        QStringLiteral("-3")};
        QTest::newRow("given, ties and unreadable texts") << lent << true;
        const QStringList back{QStringLiteral("-150"), QStringLiteral("-1.500,50"), QStringLiteral("-150"),
                               QStringLiteral("X"),    QStringLiteral("-0,01"),     QStringLiteral("7")};
        QTest::newRow("received, ties and unreadable texts") << back << false;
    }
    void moneyOrder()
    {
        QFETCH(QStringList, amounts);
        QFETCH(bool, given);
        test::TestData data;
        const QString kind = given ? QStringLiteral("100") : QStringLiteral("200");
        int i = 0;
        for (const QString& a : amounts) {
            const qint64 person = data.addPerson(QStringLiteral("KİŞİ %1").arg(i));
            data.addTransaction(person, a, QStringLiteral("TL"), QStringLiteral("01.01.2020"), kind,
                                QStringLiteral("SATIR %1").arg(i++));
        }
        QStringList shown;
        for (const QStringList& r :
             moneyListRows(data.store(), given ? MoneyDirection::Given : MoneyDirection::Received,
                           QStringLiteral("TL"))
                 .toLists())
            shown << r.at(6);
        QCOMPARE(shown, oracle(data.store().accounts().file(),
                               QStringLiteral(
                                   "SELECT aylar FROM cari.CARIKART WHERE para = ?1 AND para_cinsi = 'TL' "
                                   "ORDER BY coalesce(cdbl(tutar), 0) ") +
                                   (given ? QStringLiteral("DESC") : QStringLiteral("ASC")) +
                                   QStringLiteral(", otokod ASC"),
                               {kind}));
    }

    void rowsTakeHeaderAlignment()
    {
        ReportList list;
        list.setColumns({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        list.setColumnAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        list.setColumnAlignment(2, Qt::AlignHCenter);
        list.setRows({{QStringLiteral("x"), QStringLiteral("1"), QStringLiteral("c")},
                      {QStringLiteral("y"), QStringLiteral("2"), QStringLiteral("d")}});
        list.addRow({QStringLiteral("z"), QStringLiteral("3"), QStringLiteral("e")});
        for (int r = 0; r < list.rowCount(); ++r) {
            auto alignment = [&](int c) { return list.listModel()->index(r, c).data(Qt::TextAlignmentRole); };
            QVERIFY(!alignment(0).isValid());
            QCOMPARE(alignment(1).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
            QCOMPARE(alignment(2).toInt(), int(Qt::AlignHCenter));
        }
    }
};

QTEST_MAIN(TestListOrders)
#include "tst_list_orders.moc"
