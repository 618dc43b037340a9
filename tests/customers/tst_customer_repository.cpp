#include "customers/customer_checks.h"
#include "customers/customer_repository.h"
#include "support/test_data.h"

#include <QTest>

using namespace kalvora;

Q_DECLARE_METATYPE(kalvora::CustomerContact)

namespace {

qint64 count(Store& store, const QString& sql, const QVariantList& params = {})
{
    return store.accounts().scalar(sql, params).toLongLong();
}

} // namespace

class TestCustomerRepository : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void insertStoresUpperCasedTexts_data()
    {
        QTest::addColumn<CustomerContact>("typed");
        QTest::addColumn<CustomerContact>("stored");
        QTest::newRow("turkish letters")
            << CustomerContact{QStringLiteral("şükrü öztürk"), {}, {}, {}, {}, {}}
            << CustomerContact{QStringLiteral("ŞÜKRÜ ÖZTÜRK"), {}, {}, {}, {}, {}};
        QTest::newRow("blanks kept") << CustomerContact{QStringLiteral(" ali "), {}, {}, {}, {}, {}}
                                     << CustomerContact{QStringLiteral(" ALİ "), {}, {}, {}, {}, {}};
        QTest::newRow("telephone unchanged")
            << CustomerContact{QStringLiteral("x"), QStringLiteral("0 212 555 44 33"), {}, {}, {}, {}}
            << CustomerContact{QStringLiteral("X"), QStringLiteral("0 212 555 44 33"), {}, {}, {}, {}};
        QTest::newRow("apostrophe") << CustomerContact{QStringLiteral("ali'nin dükkanı"), {}, {}, {}, {}, {}}
                                    << CustomerContact{QStringLiteral("ALİ'NİN DÜKKANI"), {}, {}, {}, {}, {}};
        QTest::newRow("statement text is data")
            << CustomerContact{QStringLiteral("a'); DELETE FROM MUSTERILER; --"), {}, {}, {}, {}, {}}
            << CustomerContact{QStringLiteral("A'); DELETE FROM MUSTERILER; --"), {}, {}, {}, {}, {}};
        QTest::newRow("all six")
            << CustomerContact{QStringLiteral("ayşe ık"), QStringLiteral("212 1"),
                               QStringLiteral("532 2"),   QStringLiteral("123"),
                               QStringLiteral("kadıköy"), QStringLiteral("moda cd.\nno 5")}
            << CustomerContact{QStringLiteral("AYŞE IK"), QStringLiteral("212 1"),
                               QStringLiteral("532 2"),   QStringLiteral("123"),
                               QStringLiteral("KADIKÖY"), QStringLiteral("MODA CD.\nNO 5")};
    }
    void insertStoresUpperCasedTexts()
    {
        QFETCH(CustomerContact, typed);
        QFETCH(CustomerContact, stored);
        test::TestData data;
        data.addPerson(QStringLiteral("OTHER"));
        CustomerRepository repo(data.store());
        const QString key = repo.insert(typed);
        const auto c = repo.find(key);
        QVERIFY(c.has_value());
        QCOMPARE(
            (CustomerContact{c->name, c->workPhone, c->mobilePhone, c->idNumber, c->taxOffice, c->address}),
            stored);
        QCOMPARE(c->balanceTl, QStringLiteral("0"));
        QCOMPARE(c->balanceUsd, QStringLiteral("0"));
        QCOMPARE(c->balanceEuro, QStringLiteral("0"));
        QCOMPARE(count(data.store(), QStringLiteral("SELECT count(*) FROM MUSTERILER")), 2);
        // An empty field is the empty text, never null.
        QCOMPARE(count(data.store(), QStringLiteral("SELECT count(*) FROM MUSTERILER WHERE tc IS NULL")), 0);
    }

    void sameNameTwiceMakesTwoPeople()
    {
        test::TestData data;
        CustomerRepository repo(data.store());
        const CustomerContact c{QStringLiteral("ali"), {}, {}, {}, {}, {}};
        const QString first = repo.insert(c);
        const QString second = repo.insert(c);
        QVERIFY(first != second);
        QCOMPARE(repo.search(QStringLiteral("ALİ")).size(), 2);
    }

    void updateTouchesOnlyContact()
    {
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("AHMET"), QStringLiteral("1.250,50"),
                                          QStringLiteral("-300,00"), QStringLiteral("0"));
        data.addTransaction(key, QStringLiteral("1250,5"), QStringLiteral("TL"), QStringLiteral("01.02.2024"),
                            QStringLiteral("100"));
        CustomerRepository repo(data.store());
        QVERIFY(repo.update(QString::number(key),
                            {QStringLiteral("mehmet'in"), QStringLiteral("1"), QStringLiteral("2"),
                             QStringLiteral("3"), QStringLiteral("şişli"), QStringLiteral("a\nb")}));
        const auto c = repo.find(QString::number(key));
        QVERIFY(c.has_value());
        QCOMPARE(c->name, QStringLiteral("MEHMET'İN"));
        QCOMPARE(c->taxOffice, QStringLiteral("ŞİŞLİ"));
        QCOMPARE(c->address, QStringLiteral("A\nB"));
        QCOMPARE(c->balanceTl, QStringLiteral("1.250,50"));
        QCOMPARE(c->balanceUsd, QStringLiteral("-300,00"));
        QCOMPARE(count(data.store(), QStringLiteral("SELECT count(*) FROM CARIKART WHERE tutar = '1250,5'")),
                 1);
        QVERIFY(!repo.update(QStringLiteral("999"), {QStringLiteral("X"), {}, {}, {}, {}, {}}));
        QCOMPARE(count(data.store(), QStringLiteral("SELECT count(*) FROM MUSTERILER")), 1);
    }

    void removeTakesTheTransactions()
    {
        test::TestData data;
        const qint64 gone = data.addPerson(QStringLiteral("GİDEN"));
        const qint64 stays = data.addPerson(QStringLiteral("KALAN"));
        for (int i = 0; i < 3; ++i)
            data.addTransaction(gone, QStringLiteral("10"), QStringLiteral("TL"),
                                QStringLiteral("01.01.2024"), QStringLiteral("100"));
        data.addTransaction(stays, QStringLiteral("10"), QStringLiteral("TL"), QStringLiteral("01.01.2024"),
                            QStringLiteral("100"));
        QCOMPARE(CustomerRepository(data.store()).remove(QString::number(gone)), 3);
        QCOMPARE(
            count(data.store(), QStringLiteral("SELECT count(*) FROM MUSTERILER WHERE oto_kod = ?1"), {gone}),
            0);
        QCOMPARE(count(data.store(), QStringLiteral("SELECT count(*) FROM CARIKART WHERE uye_kodu = ?1"),
                       {QString::number(gone)}),
                 0);
        QCOMPARE(count(data.store(), QStringLiteral("SELECT count(*) FROM CARIKART WHERE uye_kodu = ?1"),
                       {QString::number(stays)}),
                 1);
    }

    // Either delete failing leaves both files as they were.
    void removeIsAtomic_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("table");
        QTest::newRow("transactions fail") << QStringLiteral("cari") << QStringLiteral("CARIKART");
        QTest::newRow("person fails") << QStringLiteral("main") << QStringLiteral("MUSTERILER");
    }
    void removeIsAtomic()
    {
        QFETCH(QString, schema);
        QFETCH(QString, table);
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("AHMET"));
        data.addTransaction(key, QStringLiteral("10"), QStringLiteral("TL"), QStringLiteral("01.01.2024"),
                            QStringLiteral("100"));
        data.addTransaction(key, QStringLiteral("-10"), QStringLiteral("TL"), QStringLiteral("02.01.2024"),
                            QStringLiteral("200"));
        data.refuseChanges(schema, table, QStringLiteral("DELETE"));
        QVERIFY_THROWS_EXCEPTION(DbError, CustomerRepository(data.store()).remove(QString::number(key)));
        QVERIFY(!data.store().accounts().inTransaction());
        QCOMPARE(count(data.store(), QStringLiteral("SELECT count(*) FROM MUSTERILER")), 1);
        QCOMPARE(count(data.store(), QStringLiteral("SELECT count(*) FROM CARIKART")), 2);
    }

    void nameChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("addRefused");
        QTest::addColumn<bool>("editRefused");
        QTest::newRow("empty") << QString() << true << true;
        QTest::newRow("blanks") << QStringLiteral("   ") << true << false;
        QTest::newRow("padded") << QStringLiteral(" ali ") << false << false;
    }
    void nameChecks()
    {
        QFETCH(QString, name);
        QFETCH(bool, addRefused);
        QFETCH(bool, editRefused);
        const CustomerContact c{name, {}, {}, {}, {}, {}};
        QCOMPARE(addRefusal(c).has_value(), addRefused);
        QCOMPARE(editRefusal(c).has_value(), editRefused);
        if (addRefused) {
            QCOMPARE(addRefusal(c)->text, QStringLiteral("ADI SOYADI GİRİLMEK ZORUNDADIR."));
            QVERIFY(addRefusal(c)->title.isEmpty());
        }
        if (editRefused)
            QCOMPARE(editRefusal(c)->title, QStringLiteral("UYARI"));
    }

    void deleteChecks_data()
    {
        QTest::addColumn<QString>("tl");
        QTest::addColumn<QString>("usd");
        QTest::addColumn<QString>("euro");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("all zero") << QStringLiteral("0,00") << QStringLiteral("0,00")
                                  << QStringLiteral("0,00") << QString();
        QTest::newRow("owes us") << QStringLiteral("300,00") << QStringLiteral("0,00")
                                 << QStringLiteral("0,00")
                                 << QStringLiteral("CARİNİN TL BORCU OLDUĞU İÇİN SİLEMEZSİNİZ.");
        QTest::newRow("we owe") << QStringLiteral("-300,00") << QStringLiteral("5,00")
                                << QStringLiteral("0,00")
                                << QStringLiteral("CARİNİN TL BORCU OLDUĞU İÇİN SİLEMEZSİNİZ.");
        QTest::newRow("dollar before euro")
            << QStringLiteral("0,00") << QStringLiteral("1.250,50") << QStringLiteral("-1,00")
            << QStringLiteral("CARİNİN DOLAR BORCU OLDUĞU İÇİN SİLEMEZSİNİZ.");
        QTest::newRow("euro cent") << QStringLiteral("0,00") << QStringLiteral("0,00")
                                   << QStringLiteral("0,01")
                                   << QStringLiteral("CARİNİN EURO BORCU OLDUĞU İÇİN SİLEMEZSİNİZ.");
    }
    void deleteChecks()
    {
        QFETCH(QString, tl);
        QFETCH(QString, usd);
        QFETCH(QString, euro);
        QFETCH(QString, refusal);
        Customer row;
        row.name = QStringLiteral("AHMET YILMAZ");
        row.balanceTl = tl;
        row.balanceUsd = usd;
        row.balanceEuro = euro;
        const auto r = deleteRefusal(row);
        QCOMPARE(r.has_value(), !refusal.isEmpty());
        if (r) {
            QCOMPARE(r->text, refusal);
            QCOMPARE(r->title, QStringLiteral("UYARI."));
        }
        QCOMPARE(deleteQuestion(row), QStringLiteral("AHMET YILMAZ SİLİNSİN Mİ?"));
    }
};

QTEST_GUILESS_MAIN(TestCustomerRepository)
#include "tst_customer_repository.moc"
