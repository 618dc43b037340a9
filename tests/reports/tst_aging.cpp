#include "data/turkish_text.h"
#include "reports/aging.h"

#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

class TestAging : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A debt due on its day is not yet due; each bound is the last day of its bucket.
    void bucketsOnTheirBounds_data()
    {
        QTest::addColumn<int>("daysLate");
        QTest::addColumn<int>("bucket");
        const int days[] = {0, 1, 30, 31, 60, 61, 90, 91, -1};
        const int buckets[] = {0, 1, 1, 2, 2, 3, 3, 4, 4};
        for (size_t i = 0; i < std::size(days); ++i)
            QTest::addRow("%d days", days[i]) << days[i] << buckets[i];
    }
    void bucketsOnTheirBounds()
    {
        QFETCH(int, daysLate);
        QFETCH(int, bucket);
        QCOMPARE(agingBucket(daysLate, AgingBounds()), bucket);

        // The same through the rows with a fixed today: one debt due daysLate days before it.
        const QDate today(2025, 6, 30);
        AccountRow r;
        r.key = 1;
        r.amount = u"100"_s;
        r.currency = u"TL"_s;
        r.kind = loanKind();
        r.date = daysLate < 0 ? u"?"_s : dateText(today.addDays(-daysLate));
        PersonOpenItems p;
        p.personKey = u"1"_s;
        p.items = OpenItems::compute({r});
        const AgingReport report = buildAging({p}, today, AgingBounds());
        QCOMPARE(report.rows.size(), 1);
        for (int b = 0; b < agingBucketCount; ++b)
            QCOMPARE(report.rows.at(0).buckets[static_cast<size_t>(b)], b == bucket ? 10000 : 0);
        QCOMPARE(report.totals[0][agingBucketCount], 10000);
    }

    // The oldest overdue first (an unreadable due date before all), rows as late as each other by name
    // in Turkish order, the rows with nothing late last, by name as well.
    void rowsByOldestOverdueThenName()
    {
        const QDate today(2025, 6, 30);
        // name, days late of the person's one debt (-1: unreadable, 0: not yet due)
        const std::pair<const char*, int> people[] = {{"DENİZ", 10}, {"ÇAĞLA", 10}, {"CAN", 10},
                                                      {"ÖMER", 0},   {"ALİ", 0},    {"ZEKİ", 40},
                                                      {"İLKER", -1}, {"IŞIK", 10}};
        QList<PersonOpenItems> book;
        qint64 key = 0;
        for (const auto& [name, late] : people) {
            AccountRow r;
            r.key = ++key;
            r.amount = u"100"_s;
            r.currency = u"TL"_s;
            r.date = late < 0 ? u"?"_s : dateText(today.addDays(-late));
            book.append({QString::number(key), QString::fromUtf8(name), OpenItems::compute({r})});
        }
        QStringList order;
        for (const AgingRow& r : buildAging(book, today, AgingBounds()).rows)
            order << r.name;
        QCOMPARE(order, (QStringList{u"İLKER"_s, u"ZEKİ"_s, u"CAN"_s, u"ÇAĞLA"_s, u"DENİZ"_s, u"IŞIK"_s,
                                     u"ALİ"_s, u"ÖMER"_s}));
    }

    void titlesFollowTheBounds()
    {
        QCOMPARE(agingBucketTitles({7, 14, 28}),
                 (QStringList{u"VADESİ GELMEMİŞ"_s, u"1-7 GÜN"_s, u"8-14 GÜN"_s, u"15-28 GÜN"_s,
                              u"28 GÜNDEN FAZLA"_s}));
    }
};

QTEST_GUILESS_MAIN(TestAging)
#include "tst_aging.moc"
