#include "operations.h"

#include "app/main_window.h"
#include "app/report_list.h"
#include "app/window_openers.h"
#include "data/database.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "reports/report_lists.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>

#include <memory>

namespace kalvora::bench {

struct OperationSet::Private {
    QString folder;
    std::unique_ptr<Store> store;
    std::unique_ptr<MainWindow> main;

    Database freshConnection(const char* file) const
    {
        return Database::open(QDir(folder).filePath(QString::fromLatin1(file)), databasePassword());
    }
};

OperationSet::OperationSet(const QString& dataFolder) : d(new Private)
{
    d->folder = dataFolder;
    d->store = std::make_unique<Store>(dataFolder);
    d->store->initialize();
    d->main = std::make_unique<MainWindow>(*d->store, dataFolder, windowOpeners());
    d->main->show();
}

OperationSet::~OperationSet()
{
    d->main.reset();
    delete d;
}

namespace {

// The literal customer list: a fresh connection, the whole table, the locale's upper case per row.
void literalCustomerList(const QString& folder, const QString& filter, ReportList* list)
{
    Database db = Database::open(QDir(folder).filePath(QStringLiteral("uyeler.mdb")), databasePassword());
    Statement st = db.prepare(QStringLiteral("select * from MUSTERILER order by adisoyadi ASC"));
    const QString f = filter.toUpper();
    QList<QStringList> rows;
    while (st.step()) {
        bool match = false;
        for (const char* c : {"oto_kod", "adisoyadi", "istel", "ceptel", "tc", "verdai", "adres"})
            match = match || st.text(QString::fromLatin1(c)).toUpper().contains(f);
        if (!match)
            continue;
        rows.append({displayAmount(st.text(QStringLiteral("SonBakiye"))),
                     displayAmount(st.text(QStringLiteral("SonBakiye_usd"))),
                     displayAmount(st.text(QStringLiteral("SonBakiye_euro"))),
                     st.text(QStringLiteral("adisoyadi")), st.text(QStringLiteral("istel")),
                     st.text(QStringLiteral("ceptel")), st.text(QStringLiteral("tc")),
                     st.text(QStringLiteral("verdai")), st.text(QStringLiteral("adres")),
                     st.text(QStringLiteral("oto_kod"))});
    }
    list->setRows(rows);
    for (int c = 0; c < list->columnCount(); ++c)
        list->resizeColumnToContents(c);
}

// The literal money list: every row of the table ordered by the converted amount, filtered one by one.
QList<QStringList> literalMoneyList(const QString& folder, bool given, const QString& currency)
{
    Database db = Database::open(QDir(folder).filePath(QStringLiteral("data.mdb")), databasePassword());
    Statement st = db.prepare(given ? QStringLiteral("select * from CARIKART order by cdbl(tutar) DESC")
                                    : QStringLiteral("select * from CARIKART order by cdbl(tutar) ASC"));
    QList<QStringList> rows;
    while (st.step()) {
        if (numberValue(st.text(QStringLiteral("para"))) != (given ? 100 : 200) ||
            st.text(QStringLiteral("para_cinsi")) != currency)
            continue;
        const double amount = numberValue(st.text(QStringLiteral("tutar")));
        rows.append({st.text(QStringLiteral("adisoyadi")), st.text(QStringLiteral("istel")),
                     st.text(QStringLiteral("ceptel")), st.text(QStringLiteral("tc")),
                     st.text(QStringLiteral("verdai")),
                     st.text(QStringLiteral("durum")) + QLatin1Char(' ') + st.text(QStringLiteral("tarih")),
                     st.text(QStringLiteral("aylar")),
                     formatAmount(given ? amount : -amount, AmountPattern::NoLeadingZero)});
    }
    return rows;
}

void literalNetPosition(const QString& folder)
{
    Database db = Database::open(QDir(folder).filePath(QStringLiteral("data.mdb")), databasePassword());
    Statement st = db.prepare(QStringLiteral("select * from CARIKART order by CDATE(durum) ASC"));
    double sums[6] = {};
    while (st.step()) {
        const QString c = st.text(QStringLiteral("para_cinsi"));
        const int i = c == QLatin1String("TL")      ? 0
                      : c == QLatin1String("DOLAR") ? 1
                      : c == QLatin1String("EURO")  ? 2
                                                    : -1;
        if (i < 0)
            continue;
        const QString p = st.text(QStringLiteral("para"));
        if (p == QLatin1String("100"))
            sums[i] += numberValue(st.text(QStringLiteral("tutar")));
        else if (p == QLatin1String("200"))
            sums[3 + i] += numberValue(st.text(QStringLiteral("tutar")));
    }
}

} // namespace

QList<Operation> OperationSet::operations()
{
    QList<Operation> ops;
    Private* p = d;
    auto* scratchList = new ReportList(p->main.get());
    scratchList->setColumns(QStringList(10, QStringLiteral("X")));

    ops.append({QStringLiteral("start-up to the filled main window"),
                [p] {
                    MainWindow w(*p->store, p->folder, windowOpeners());
                    w.show();
                    QApplication::processEvents();
                },
                {},
                5});
    ops.append({QStringLiteral("DetayliAra, empty filter"),
                [p] {
                    p->main->filterBox()->clear();
                    p->main->DetayliAra();
                },
                [p, scratchList] { literalCustomerList(p->folder, QString(), scratchList); }});
    ops.append(
        {QStringLiteral("DetayliAra, filter \"YILMAZ 12\""),
         [p] {
             p->main->filterBox()->setText(QStringLiteral("YILMAZ 12"));
             p->main->DetayliAra();
         },
         [p, scratchList] { literalCustomerList(p->folder, QStringLiteral("YILMAZ 12"), scratchList); }});
    p->main->filterBox()->clear();
    p->main->DetayliAra();
    ops.append({QStringLiteral("money given list, TL (query)"),
                [p] { moneyListRows(*p->store, MoneyDirection::Given, QStringLiteral("TL")); },
                [p] { literalMoneyList(p->folder, true, QStringLiteral("TL")); }});
    ops.append({QStringLiteral("money received list, DOLAR (query)"),
                [p] { moneyListRows(*p->store, MoneyDirection::Received, QStringLiteral("DOLAR")); },
                [p] { literalMoneyList(p->folder, false, QStringLiteral("DOLAR")); }});
    ops.append({QStringLiteral("debtors list (query)"),
                [p] { balanceListRows(*p->store, BalanceSide::Debtors); },
                {}});
    ops.append({QStringLiteral("net position"), [p] { computeNetPosition(*p->store); },
                [p] { literalNetPosition(p->folder); }});
    return ops;
}

} // namespace kalvora::bench
