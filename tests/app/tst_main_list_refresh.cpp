#include "accounts/account_book.h"
#include "app/main_window.h"
#include "customers/customer_repository.h"
#include "data/database.h"
#include "support/test_data.h"
#include "widgets/report_list.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

using namespace kalvora;

namespace {

QList<QStringList> shownRows(const MainWindow& w)
{
    QList<QStringList> rows;
    for (int r = 0; r < w.list()->rowCount(); ++r)
        rows.append(w.list()->rowTexts(r));
    return rows;
}

QString countText(const MainWindow& w)
{
    return w.findChild<QLabel*>(QStringLiteral("Label2"))->text();
}

} // namespace

// The main list refreshed row by row after each change must be the list a full reload gives.
class TestMainListRefresh : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneRowRefreshEqualsAFullReload_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 7u, 2024u, 15032008u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void oneRowRefreshEqualsAFullReload()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        test::TestData data;
        test::MessageBoxCapture boxes;
        const QStringList names{QStringLiteral("ALİ"),   QStringLiteral("ali"),   QStringLiteral("IŞIK"),
                                QStringLiteral("İLKER"), QStringLiteral("ÇAĞLA"), QStringLiteral("ZEKİ 5"),
                                QStringLiteral("ÖMER"),  QStringLiteral("şükrü"), QStringLiteral("AHMET")};
        const QStringList filters{QString(), QStringLiteral("A"), QStringLiteral("i"), QStringLiteral("5"),
                                  QStringLiteral("KADIKÖY")};
        CustomerRepository people(data.store());
        auto contact = [&] {
            return CustomerContact{names.at(random.bounded(names.size())),
                                   QStringLiteral("0212 %1").arg(random.bounded(100)),
                                   QString(),
                                   QString(),
                                   random.bounded(2) ? QStringLiteral("KADIKÖY") : QStringLiteral("ŞİŞLİ"),
                                   QString()};
        };
        for (int i = 0; i < 12; ++i)
            people.insert(contact());

        MainWindow w(data.store(), data.folder());
        for (int step = 0; step < 120; ++step) {
            const QList<Customer> all = people.all();
            const QString key = all.isEmpty() ? QString() : all.at(random.bounded(all.size())).key;
            QString changed;
            switch (all.isEmpty() ? 0 : random.bounded(8)) {
            case 0:
                changed = people.insert(contact());
                break;
            case 1:
                people.update(key, contact());
                changed = key;
                break;
            case 2:
                people.remove(key);
                changed = key;
                break;
            case 3:
            case 4: {
                Entry e;
                e.amount = QString::number(1 + random.bounded(900));
                e.currency = QStringLiteral("TL");
                e.date = QDate(2025, 1, 1);
                const Customer c = *people.find(key);
                random.bounded(2) ? AccountBook(data.store()).lend(c, e)
                                  : AccountBook(data.store()).collect(c, e);
                changed = key;
                break;
            }
            case 5:
                Q_EMIT w.list()->headerClicked(random.bounded(6));
                break;
            case 6: {
                // Another program changes a balance: the reload reads everybody and must see it.
                Database other =
                    Database::open(data.store().path(QStringLiteral("uyeler.mdb")), databasePassword());
                other.execute(QStringLiteral("UPDATE MUSTERILER SET SonBakiye = ?1 WHERE oto_kod = ?2"),
                              {QString::number(random.bounded(2000) - 1000), key});
                changed = all.at(random.bounded(all.size())).key;
                break;
            }
            default:
                w.filterBox()->setText(filters.at(random.bounded(filters.size())));
                changed = key;
                break;
            }
            if (changed.isEmpty())
                continue;
            w.DetayliAra(changed);

            MainWindow fresh(data.store(), data.folder());
            fresh.filterBox()->setText(w.filterBox()->text());
            fresh.DetayliAra();
            QCOMPARE(shownRows(w), shownRows(fresh));
            QCOMPARE(countText(w), countText(fresh));
            QCOMPARE(w.list()->currentRow(), fresh.list()->currentRow());
            Customer current;
            Customer expected;
            QCOMPARE(w.currentCustomer(&current), fresh.currentCustomer(&expected));
            QCOMPARE(current.key, expected.key);
            QCOMPARE(current.balanceTl, expected.balanceTl);
        }
    }
};

QTEST_MAIN(TestMainListRefresh)
#include "tst_main_list_refresh.moc"
