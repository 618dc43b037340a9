#include "operations.h"

#include "accounts/account_book.h"
#include "accounts/open_item_store.h"
#include "accounts/ui/account_card.h"
#include "accounts/ui/entry_window.h"
#include "accounts/ui/overdue_window.h"
#include "app/main_window.h"
#include "app/window_openers.h"
#include "data/clock.h"
#include "data/database.h"
#include "data/pg/pg_connection.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "import/book_import.h"
#include "ledger/ui/ledger_history_window.h"
#include "reports/aging.h"
#include "reports/report_lists.h"
#include "reports/report_templates.h"
#include "reports/ui/balance_list_window.h"
#include "reports/ui/charts_window.h"
#include "reports/ui/list_printing.h"
#include "reports/ui/money_list_window.h"
#include "reports/ui/net_position_window.h"
#include "reports/ui/report_print.h"
#include "sending/confirmation_letter.h"
#include "sending/document_sender.h"
#include "widgets/list_export_action.h"
#include "widgets/message_box.h"
#include "widgets/report_list.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <numeric>
#include <stdexcept>

namespace kalvora::bench {

namespace {

Database openFile(const QString& folder, const char* file)
{
    return Database::open(QDir(folder).filePath(QString::fromLatin1(file)), databasePassword());
}

QString upper(const QString& s)
{
    return s.toUpper();
}

// The literal customer list: a fresh connection, the whole table, upper case and substring test per row,
// every column sized by the list control.
void literalCustomerList(const QString& folder, const QString& filter, ReportList* list)
{
    Database db = openFile(folder, "uyeler.mdb");
    Statement st = db.prepare(QStringLiteral("select * from MUSTERILER order by adisoyadi ASC"));
    const QString f = upper(filter);
    QList<QStringList> rows;
    while (st.step()) {
        bool match = false;
        for (const char* c : {"oto_kod", "adisoyadi", "istel", "ceptel", "tc", "verdai", "adres"})
            match = match || upper(st.text(QString::fromLatin1(c))).contains(f);
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

// The literal card load: every row of CARIKART ordered by the converted date, the person's kept by text
// equality, listed, and the three balances summed.
void literalCard(const QString& folder, const QString& key, ReportList* list)
{
    Database db = openFile(folder, "data.mdb");
    Statement st = db.prepare(QStringLiteral("select * from CARIKART order by CDATE(tarih) ASC"));
    QList<QStringList> rows;
    double sums[3] = {};
    while (st.step()) {
        if (st.text(QStringLiteral("uye_kodu")) != key)
            continue;
        const QString currency = st.text(QStringLiteral("para_cinsi"));
        const double amount = numberValue(st.text(QStringLiteral("tutar")));
        sums[currency == QLatin1String("TL") ? 0 : currency == QLatin1String("DOLAR") ? 1 : 2] += amount;
        rows.append({st.text(QStringLiteral("aylar")), formatAmount(amount), currency,
                     st.text(QStringLiteral("tarih")), st.text(QStringLiteral("durum"))});
    }
    list->setRows(rows);
    for (int c = 0; c < list->columnCount(); ++c)
        list->resizeColumnToContents(c);
    Database people = openFile(folder, "uyeler.mdb");
    people.execute(
        QStringLiteral(
            "UPDATE MUSTERILER SET SonBakiye=?2, SonBakiye_usd=?3, SonBakiye_euro=?4 WHERE oto_kod=?1"),
        {key, formatAmount(sums[0]), formatAmount(sums[1]), formatAmount(sums[2])});
}

// The literal money list: every row ordered by the converted amount, filtered one by one.
void literalMoneyList(const QString& folder, bool given, const QString& currency, ReportList* list)
{
    Database db = openFile(folder, "data.mdb");
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
    list->setRows(rows);
    for (int c = 0; c < list->columnCount(); ++c)
        list->resizeColumnToContents(c);
}

// The literal balance list: every person ordered by the converted lira balance, filtered one by one.
void literalBalanceList(const QString& folder, bool debtors, ReportList* list)
{
    Database db = openFile(folder, "uyeler.mdb");
    Statement st =
        db.prepare(debtors ? QStringLiteral("select * from MUSTERILER order by cdbl(SonBakiye) DESC")
                           : QStringLiteral("select * from MUSTERILER order by cdbl(SonBakiye) ASC"));
    QList<QStringList> rows;
    while (st.step()) {
        const double b[3] = {numberValue(st.text(QStringLiteral("SonBakiye"))),
                             numberValue(st.text(QStringLiteral("SonBakiye_usd"))),
                             numberValue(st.text(QStringLiteral("SonBakiye_euro")))};
        const bool keep = debtors ? (b[0] > 0 || b[1] > 0 || b[2] > 0) : (b[0] < 0 || b[1] < 0 || b[2] < 0);
        if (!keep)
            continue;
        rows.append({st.text(QStringLiteral("adisoyadi")), st.text(QStringLiteral("istel")),
                     st.text(QStringLiteral("ceptel")), st.text(QStringLiteral("tc")),
                     st.text(QStringLiteral("verdai")), st.text(QStringLiteral("adres")), formatAmount(b[0]),
                     formatAmount(b[1]), formatAmount(b[2])});
    }
    list->setRows(rows);
    for (int c = 0; c < list->columnCount(); ++c)
        list->resizeColumnToContents(c);
}

void literalNetPosition(const QString& folder)
{
    Database db = openFile(folder, "data.mdb");
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

// The literal ledger history: the whole table ordered by the converted date, the period tested per row.
void literalLedger(const QString& folder, const char* file, int year, int month, const QDate& day,
                   ReportList* list)
{
    Database db = openFile(folder, file);
    Statement st = db.prepare(QStringLiteral("select * from GIDERLER order by CDATE(gider_tarihi) ASC"));
    QList<QStringList> rows;
    double total = 0;
    while (st.step()) {
        if (st.text(QStringLiteral("gider_iptal")) != QLatin1String("0"))
            continue;
        const QDate d = readDateText(st.text(QStringLiteral("gider_tarihi")));
        const bool keep = day.isValid() ? d == day : (d.year() == year && (month == 0 || d.month() == month));
        if (!keep)
            continue;
        total += numberValue(st.text(QStringLiteral("gider_tutar")));
        rows.append({st.text(QStringLiteral("gider_yapan")), st.text(QStringLiteral("gider_tutar")),
                     st.text(QStringLiteral("gider_ad")), st.text(QStringLiteral("gider_aciklama")),
                     st.text(QStringLiteral("gider_tarihi")), st.text(QStringLiteral("gider_saati"))});
    }
    list->setRows(rows);
}

// The literal sort: the list control's own sort on the column's text.
void literalSort(ReportList* list, int column)
{
    static bool ascending = true;
    const QStringList texts = list->listModel()->columnTexts(column);
    std::vector<int> order(size_t(texts.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return ascending ? texts.at(x) < texts.at(y) : texts.at(y) < texts.at(x);
    });
    list->listModel()->reorder(order);
    ascending = !ascending;
}

} // namespace

struct OperationSet::Private {
    QString folder;
    std::unique_ptr<Store> store;
    std::unique_ptr<MainWindow> main;
    QTemporaryDir temp;
    Customer person; // a person with about 50 transactions
    int personRows = 0;
    // The card as the main window opens it (its reloads include the main list) and one without the main
    // list reload, for the per-person part of each change.
    std::unique_ptr<AccountCard> card;
    std::unique_ptr<AccountCard> bareCard;
    std::unique_ptr<LendWindow> lend;
    std::unique_ptr<LendWindow> bareLend;
    std::unique_ptr<MoneyListWindow> given;
    std::unique_ptr<MoneyListWindow> received;
    std::unique_ptr<BalanceListWindow> debtors;
    std::unique_ptr<BalanceListWindow> creditors;
    std::unique_ptr<NetPositionWindow> net;
    std::unique_ptr<ChartsWindow> charts;
    std::unique_ptr<LedgerHistoryWindow> ledger;
    QString definitionPath; // the last definition a print handed to the viewer
    ReportList* scratch = nullptr;
    ReportList* scratchCard = nullptr;
    ReportList* scratchMoney = nullptr;
    ReportList* scratchBalance = nullptr;
    ReportList* scratchLedger = nullptr;

    ReportOptions printOptions()
    {
        ReportOptions o;
        o.installationFolder = QCoreApplication::applicationDirPath();
        o.startViewer = [this](const QString&, const QStringList& arguments, const QString&) {
            definitionPath = arguments.value(0);
            return true;
        };
        return o;
    }

    // Opens the card the way "HESAP &KARTI" does: the person's row copied in, maximised, shown.
    std::unique_ptr<AccountCard> openCard(bool withMainList)
    {
        auto c = std::make_unique<AccountCard>(*store, main.get());
        if (withMainList)
            QObject::connect(c.get(), &AccountCard::accountChanged, main.get(),
                             qOverload<const QString&>(&MainWindow::DetayliAra));
        c->setPerson(person);
        c->setWindowState(c->windowState() | Qt::WindowMaximized);
        c->show();
        QApplication::processEvents();
        return c;
    }

    void lendOnce(LendWindow& w)
    {
        w.amountBox()->setText(QStringLiteral("1234,56"));
        w.currencyBox()->setCurrentIndex(w.currencyBox()->findText(QStringLiteral("DOLAR")));
        w.save();
    }

    // Cancels the newest row of the card (the one the last lending wrote).
    void cancelNewest(AccountCard& c)
    {
        ReportList* list = c.list();
        int newest = -1;
        qint64 key = 0;
        for (int r = 0; r < list->rowCount(); ++r) {
            if (list->hiddenValue(r).toLongLong() > key) {
                key = list->hiddenValue(r).toLongLong();
                newest = r;
            }
        }
        list->setCurrentRow(newest);
        c.iSlem_Sil();
    }

    // Rows an interrupted run left behind (the amounts the lending and edit runs write, no description),
    // removed the way the card cancels a row, so the stored balances follow.
    void removeBenchRows()
    {
        BookQuery st = store->accounts().prepare(QStringLiteral(
            "SELECT uye_kodu, otokod FROM cari.CARIKART WHERE para = '100' AND para_cinsi = 'DOLAR' AND "
            "aylar = '' AND tutar IN ('1234,56', '4321,5')"));
        QList<QPair<QString, qint64>> rows;
        while (st.step())
            rows.append({st.text(0), st.int64(1)});
        st = BookQuery();
        for (const auto& r : rows)
            AccountBook(*store).cancel(r.first, r.second);
    }

    void editNewest(AccountCard& c)
    {
        ReportList* list = c.list();
        int newest = 0;
        qint64 key = 0;
        for (int r = 0; r < list->rowCount(); ++r) {
            if (list->hiddenValue(r).toLongLong() > key) {
                key = list->hiddenValue(r).toLongLong();
                newest = r;
            }
        }
        EditWindow w(*store, c.person(), *c.rowAt(newest), &c);
        QObject::connect(&w, &EntryWindow::saved, &c, &AccountCard::applyChange);
        w.amountBox()->setText(QStringLiteral("4321,5"));
        w.save();
    }
};

OperationSet::OperationSet(const QString& dataFolder, const QString& serverUri) : d(new Private)
{
    MessageBox::setTestMode(true);
    d->folder = dataFolder;
    installTemplates(QStringLiteral(KALVORA_SOURCE_DIR), dataFolder);
    d->store =
        serverUri.isEmpty() ? std::make_unique<Store>(dataFolder) : Store::onServer(dataFolder, serverUri);
    const QList<StoreProblem> problems = d->store->initialize();
    if (!problems.isEmpty())
        throw std::runtime_error(problems.first().text.toStdString());
    // As the program's start does: a folder generated or made by an older build gets its open items.
    {
        QElapsedTimer settle;
        settle.start();
        if (const int people = OpenItemStore::settleWaitingAtStart(*d->store); people > 0)
            std::printf("open items written at the start for %d people: %.0f ms\n", people,
                        double(settle.nsecsElapsed()) / 1e6);
    }
    d->removeBenchRows();
    // The timed windows must not wait behind the overdue window a shown main window opens.
    OverdueWindow::setHiddenToday(dataFolder, true);
    d->main = std::make_unique<MainWindow>(*d->store, dataFolder);
    connectWindowOpeners(*d->main);
    d->main->show();
    QApplication::processEvents();

    // The person whose number of rows is nearest to 50 (the smallest key among equals).
    BookQuery st = d->store->accounts().prepare(
        QStringLiteral("SELECT uye_kodu, count(*) AS n FROM cari.CARIKART GROUP BY uye_kodu "
                       "ORDER BY abs(count(*) - 50), CAST(uye_kodu AS INTEGER) LIMIT 1"));
    if (!st.step())
        throw std::runtime_error("no transactions in the data folder");
    const QString key = st.text(0);
    d->personRows = static_cast<int>(st.int64(1));
    ReportList* list = d->main->list();
    for (int r = 0; r < list->rowCount(); ++r) {
        if (d->main->customerAt(r).key == key) {
            d->person = d->main->customerAt(r);
            break;
        }
    }
    if (d->person.key.isEmpty())
        throw std::runtime_error("the chosen person is not in the main list");

    d->scratch = new ReportList(d->main.get());
    d->scratch->setColumns(QStringList(10, QStringLiteral("X")));
    d->scratchCard = new ReportList(d->main.get());
    d->scratchCard->setColumns(QStringList(5, QStringLiteral("X")));
    d->scratchMoney = new ReportList(d->main.get());
    d->scratchMoney->setColumns(QStringList(8, QStringLiteral("X")));
    d->scratchBalance = new ReportList(d->main.get());
    d->scratchBalance->setColumns(QStringList(9, QStringLiteral("X")));
    d->scratchLedger = new ReportList(d->main.get());
    d->scratchLedger->setColumns(QStringList(6, QStringLiteral("X")));
}

OperationSet::~OperationSet()
{
    try {
        d->removeBenchRows();
    } catch (const DbError&) {
    }
    d->lend.reset();
    d->bareLend.reset();
    d->card.reset();
    d->bareCard.reset();
    d->given.reset();
    d->received.reset();
    d->debtors.reset();
    d->creditors.reset();
    d->net.reset();
    d->charts.reset();
    d->ledger.reset();
    d->main.reset();
    delete d;
}

QString OperationSet::personDescription() const
{
    return QStringLiteral("person %1 with %2 transactions").arg(d->person.key).arg(d->personRows);
}

QStringList OperationSet::errorsShown()
{
    QStringList out;
    for (const MessageBox::Shown& s : MessageBox::shown()) {
        if (s.icon == MessageBox::Icon::Error)
            out.append(s.text);
    }
    MessageBox::clearShown();
    return out;
}

QList<Operation> OperationSet::operations()
{
    QList<Operation> ops = allOperations();
    if (d->store->onServer()) {
        for (Operation& op : ops) {
            op.baseline = {};
            op.baselineSetup = {};
        }
    }
    return ops;
}

QList<Operation> OperationSet::allOperations()
{
    QList<Operation> ops;
    Private* p = d;

    ops.append({QStringLiteral("start-up to the filled main window"),
                [p] {
                    MainWindow w(*p->store, p->folder);
                    connectWindowOpeners(w);
                    w.show();
                    QApplication::processEvents();
                },
                [p] { literalCustomerList(p->folder, QString(), p->scratch); },
                {},
                5});
    ops.append({QStringLiteral("DetayliAra, empty filter"),
                [p] {
                    p->main->filterBox()->clear();
                    p->main->DetayliAra();
                },
                [p] { literalCustomerList(p->folder, QString(), p->scratch); },
                {}});
    ops.append({QStringLiteral("DetayliAra, filter \"YILMAZ 12\""),
                [p] {
                    p->main->filterBox()->setText(QStringLiteral("YILMAZ 12"));
                    p->main->DetayliAra();
                },
                [p] { literalCustomerList(p->folder, QStringLiteral("YILMAZ 12"), p->scratch); },
                {}});
    ops.append({QStringLiteral("click on \"ADI SOYADI\" (sort, 10 columns)"),
                [p] {
                    // The list as DetayliAra leaves it, then one click.
                    Q_EMIT p->main->list()->headerClicked(3);
                },
                [p] { literalSort(p->scratch, 3); },
                [p] {
                    p->main->filterBox()->clear();
                    p->main->DetayliAra();
                },
                7, [p] { literalCustomerList(p->folder, QString(), p->scratch); }});
    ops.append({QStringLiteral("card open (KartiYukle2)"),
                [p] { p->openCard(true); },
                [p] { literalCard(p->folder, p->person.key, p->scratchCard); },
                {}});

    auto prepareCards = [p] {
        p->main->filterBox()->clear();
        p->main->DetayliAra();
        if (!p->card) {
            p->card = p->openCard(true);
            p->bareCard = p->openCard(false);
            p->lend = std::make_unique<LendWindow>(*p->store, p->person, p->card.get());
            p->bareLend = std::make_unique<LendWindow>(*p->store, p->person, p->bareCard.get());
            QObject::connect(p->lend.get(), &EntryWindow::saved, p->card.get(), &AccountCard::applyChange);
            QObject::connect(p->bareLend.get(), &EntryWindow::saved, p->bareCard.get(),
                             &AccountCard::applyChange);
        }
    };
    // The other card changed the same person's rows: reload both before the edits and cancels, so each
    // picks the real newest row.
    auto reloadCards = [p, prepareCards] {
        prepareCards();
        p->card->KartiYukle2();
        p->bareCard->KartiYukle2();
    };
    // The baseline of a change: its statement on a fresh connection, the literal card load with its
    // balance write-back, and the literal main list.
    auto literalChange = [p](const QString& sql, const QStringList& params) {
        {
            Database db = openFile(p->folder, "data.mdb");
            db.execute(sql, QVariantList(params.begin(), params.end()));
        }
        literalCard(p->folder, p->person.key, p->scratchCard);
        literalCustomerList(p->folder, QString(), p->scratch);
    };
    const QString insertSql =
        QStringLiteral("INSERT INTO CARIKART(uye_kodu,aylar,tutar,durum,tarih,para_cinsi,adisoyadi,para) "
                       "VALUES (?1,'',?2,?3,?4,'DOLAR',?5,'100')");
    ops.append({QStringLiteral("lending save (with main list reload)"), [p] { p->lendOnce(*p->lend); },
                [p, literalChange, insertSql] {
                    literalChange(insertSql,
                                  {p->person.key, QStringLiteral("1234,56"), dateText(QDate::currentDate()),
                                   timeText(QTime::currentTime()), p->person.name});
                },
                prepareCards});
    ops.append({QStringLiteral("  per-person part (without the main list)"),
                [p] { p->lendOnce(*p->bareLend); },
                {},
                prepareCards});
    ops.append({QStringLiteral("edit (with main list reload)"), [p] { p->editNewest(*p->card); },
                [p, literalChange] {
                    literalChange(QStringLiteral("UPDATE CARIKART SET tutar=?2 WHERE otokod=(SELECT "
                                                 "max(otokod) FROM CARIKART WHERE uye_kodu=?1)"),
                                  {p->person.key, QStringLiteral("4321,5")});
                },
                reloadCards});
    ops.append({QStringLiteral("  per-person part (without the main list)"),
                [p] { p->editNewest(*p->bareCard); },
                {},
                reloadCards});
    // Each cancel removes one of the rows the lending saves wrote, so the data stays as generated.
    ops.append({QStringLiteral("cancel (with main list reload)"), [p] { p->cancelNewest(*p->card); },
                [p, literalChange] {
                    literalChange(QStringLiteral("DELETE FROM CARIKART WHERE otokod=(SELECT max(otokod) FROM "
                                                 "CARIKART WHERE uye_kodu=?1 AND aylar='' AND para='100')"),
                                  {p->person.key});
                },
                reloadCards});
    ops.append({QStringLiteral("  per-person part (without the main list)"),
                [p] { p->cancelNewest(*p->bareCard); },
                {},
                reloadCards});

    ops.append(
        {QStringLiteral("statement print up to the viewer start"),
         [p] {
             AccountCard& c = *p->card;
             if (!printAccountStatement(&c, *p->store, p->folder, c.statementData(), p->printOptions()))
                 throw std::runtime_error("the statement print failed");
         },
         {},
         prepareCards});

    // The reports menu opens one report window at a time.
    auto closeReports = [p] {
        p->given.reset();
        p->received.reset();
        p->debtors.reset();
        p->creditors.reset();
        p->net.reset();
        for (ReportList* l :
             {p->scratch, p->scratchCard, p->scratchMoney, p->scratchBalance, p->scratchLedger})
            l->clear();
    };
    auto showReport = [](QDialog* w) {
        w->setWindowState(w->windowState() | Qt::WindowMaximized);
        w->show();
        QApplication::processEvents();
    };
    auto openGiven = [p, closeReports, showReport] {
        closeReports();
        p->given =
            std::make_unique<MoneyListWindow>(*p->store, p->folder, MoneyDirection::Given, p->main.get());
        showReport(p->given.get());
    };
    auto openReceived = [p, closeReports, showReport] {
        closeReports();
        p->received =
            std::make_unique<MoneyListWindow>(*p->store, p->folder, MoneyDirection::Received, p->main.get());
        showReport(p->received.get());
    };
    auto openDebtors = [p, closeReports, showReport] {
        closeReports();
        p->debtors =
            std::make_unique<BalanceListWindow>(*p->store, p->folder, BalanceSide::Debtors, p->main.get());
        showReport(p->debtors.get());
    };
    auto openCreditors = [p, closeReports, showReport] {
        closeReports();
        p->creditors =
            std::make_unique<BalanceListWindow>(*p->store, p->folder, BalanceSide::Creditors, p->main.get());
        showReport(p->creditors.get());
    };
    auto chooseCurrency = [](MoneyListWindow* w, const char* currency) {
        w->currencyBox()->setCurrentIndex(w->currencyBox()->findText(QString::fromLatin1(currency)));
    };
    ops.append({QStringLiteral("money given fill, TL"),
                [p, chooseCurrency] {
                    chooseCurrency(p->given.get(), "TL");
                    p->given->fill();
                },
                [p] { literalMoneyList(p->folder, true, QStringLiteral("TL"), p->scratchMoney); },
                openGiven});
    // What the list shows, to .xlsx: the shown texts read from the view and written as numbers and dates.
    ops.append({QStringLiteral("money given export to xlsx"),
                [p] {
                    const QString path = QDir::temp().filePath(QStringLiteral("kalvora_bench_export.xlsx"));
                    exportTable(
                        path, tableOf(p->given->list(), {ExportKind::Text, ExportKind::Text, ExportKind::Text,
                                                         ExportKind::Text, ExportKind::Text, ExportKind::Date,
                                                         ExportKind::Text, ExportKind::Number}));
                    QFile::remove(path);
                },
                {},
                {}});
    ops.append({QStringLiteral("  its query (moneyListRows)"),
                [p] { moneyListRows(*p->store, MoneyDirection::Given, QStringLiteral("TL")); },
                {},
                closeReports});
    ops.append({QStringLiteral("money received fill, DOLAR"),
                [p, chooseCurrency] {
                    chooseCurrency(p->received.get(), "DOLAR");
                    p->received->fill();
                },
                [p] { literalMoneyList(p->folder, false, QStringLiteral("DOLAR"), p->scratchMoney); },
                openReceived});
    ops.append({QStringLiteral("debtors fill"), [p] { p->debtors->fill(); },
                [p] { literalBalanceList(p->folder, true, p->scratchBalance); }, openDebtors});
    ops.append({QStringLiteral("creditors fill"), [p] { p->creditors->fill(); },
                [p] { literalBalanceList(p->folder, false, p->scratchBalance); }, openCreditors});
    ops.append({QStringLiteral("aging report (agingReport)"),
                [p] { agingReport(*p->store, Clock::today(), AgingBounds()); },
                {},
                {}});
    ops.append({QStringLiteral("overdue window at start-up (VADESİ GEÇENLER)"),
                [p] { OverdueWindow w(*p->store, p->folder); },
                {},
                {}});
    ops.append({QStringLiteral("net position (NETDURUM)"),
                [p] {
                    if (!p->net)
                        p->net = std::make_unique<NetPositionWindow>(*p->store, p->main.get());
                    p->net->NETDURUM();
                },
                [p] { literalNetPosition(p->folder); },
                {}});

    // The charts window, each chart read and shown (lira; the year 2020 where a year is chosen).
    const std::pair<const char*, ChartKind> charts[] = {
        {"chart: net position by month, TL", ChartKind::NetPosition},
        {"chart: top 10 debtors, TL", ChartKind::TopDebtors},
        {"chart: top 10 creditors, TL", ChartKind::TopCreditors},
        {"chart: lent and collected, 2020, TL", ChartKind::LentCollected},
        {"chart: income, expense, cash box, 2020", ChartKind::Ledger},
    };
    for (const auto& [name, kind] : charts) {
        const ChartKind k = kind;
        ops.append({QString::fromLatin1(name),
                    [p, k] { p->charts->loadChart(k); },
                    {},
                    [p] {
                        if (p->charts)
                            return;
                        p->charts = std::make_unique<ChartsWindow>(*p->store, p->main.get());
                        p->charts->findChild<QSpinBox*>(QStringLiteral("Text1"))->setValue(2020);
                    }});
    }

    // The expense ledger, one day, one month and one year of entries.
    auto openLedger = [p](const char* option) {
        return [p, option] {
            for (ReportList* l :
                 {p->scratch, p->scratchCard, p->scratchMoney, p->scratchBalance, p->scratchLedger})
                l->clear();
            if (!p->ledger) {
                p->ledger = std::make_unique<LedgerHistoryWindow>(*p->store, Ledger::Expense, p->main.get());
                p->ledger->show();
                p->ledger->findChild<QDateEdit*>(QStringLiteral("Tarihbox1"))->setDate(QDate(2020, 6, 15));
                p->ledger->findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(5);
                p->ledger->findChild<QComboBox*>(QStringLiteral("Combo2"))
                    ->setCurrentText(QStringLiteral("2020"));
                p->ledger->findChild<QComboBox*>(QStringLiteral("Combo3"))
                    ->setCurrentText(QStringLiteral("2020"));
            }
            p->ledger->findChild<QRadioButton*>(QString::fromLatin1(option))->click();
            QApplication::processEvents();
        };
    };
    ops.append({QStringLiteral("ledger load, day"), [p] { p->ledger->GECMISI_YUKLE(); },
                [p] { literalLedger(p->folder, "gider.mdb", 2020, 6, QDate(2020, 6, 15), p->scratchLedger); },
                openLedger("Option1")});
    ops.append({QStringLiteral("ledger load, month"), [p] { p->ledger->GECMISI_YUKLE(); },
                [p] { literalLedger(p->folder, "gider.mdb", 2020, 6, QDate(), p->scratchLedger); },
                openLedger("Option2")});
    ops.append({QStringLiteral("ledger load, year"), [p] { p->ledger->GECMISI_YUKLE(); },
                [p] { literalLedger(p->folder, "gider.mdb", 2020, 0, QDate(), p->scratchLedger); },
                openLedger("Option5")});

    // A 1,000-row money list printed through the bridge, then written by the viewer as PDF.
    ops.append({QStringLiteral("raporla --pdf, 1,000-row list"),
                [p] {
                    QProcess viewer;
                    viewer.setProgram(
                        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("raporla")));
                    viewer.setArguments({QStringLiteral("--pdf"),
                                         QDir(p->temp.path()).filePath(QStringLiteral("list.pdf")),
                                         p->definitionPath});
                    viewer.start();
                    if (!viewer.waitForFinished(120000) || viewer.exitCode() != 0)
                        throw std::runtime_error("raporla --pdf failed: " +
                                                 viewer.readAllStandardError().toStdString());
                },
                {},
                [p] {
                    const TextTable all =
                        moneyListRows(*p->store, MoneyDirection::Given, QStringLiteral("TL"));
                    QList<QStringList> rows;
                    for (qsizetype r = 0; r < std::min<qsizetype>(1000, all.rowCount()); ++r)
                        rows.append(all.rowTexts(r));
                    ListPrintJob job;
                    job.columns = QStringLiteral("S1#/S2#/S3#/S4#/S5#/");
                    for (const QStringList& r : rows) {
                        job.rows.append({{QStringLiteral("S1"), r.at(0)},
                                         {QStringLiteral("S2"), r.at(1) + QLatin1Char('-') + r.at(2)},
                                         {QStringLiteral("S3"), r.at(5)},
                                         {QStringLiteral("S4"), r.at(6)},
                                         {QStringLiteral("S5"), r.at(7)}});
                    }
                    job.templateName = QStringLiteral("paralar.fr3");
                    job.memoFields = {{QStringLiteral("Memo1"), QStringLiteral("s1")},
                                      {QStringLiteral("Memo11"), QStringLiteral("s4")},
                                      {QStringLiteral("Memo17"), QStringLiteral("s2")},
                                      {QStringLiteral("Memo2"), QStringLiteral("s5")},
                                      {QStringLiteral("Memo3"), QStringLiteral("s3")}};
                    job.memoTexts = {{QStringLiteral("Memo9"), QStringLiteral("VERDİĞİM PARALAR")}};
                    if (!printList(p->main.get(), *p->store, p->folder, job, p->printOptions()))
                        throw std::runtime_error("the list print failed");
                },
                3});

    // The old program's large Access folder into a new book each time: a data folder beside the bench's,
    // or a new database on the bench's server (made before the timing).
    auto targets = std::make_shared<QStringList>();
    ops.append({QStringLiteral("import of the large Access folder (kalvora-al)"),
                [p, targets] {
                    QTemporaryDir dir;
                    std::unique_ptr<Store> store;
                    if (p->store->onServer()) {
                        if (targets->isEmpty())
                            throw std::runtime_error("no empty server database left");
                        store = Store::onServer(dir.path(), targets->takeFirst());
                    } else {
                        store = std::make_unique<Store>(dir.path());
                    }
                    const ImportReport report =
                        importBook(*store, readAccessFolder(QStringLiteral(KALVORA_FIXTURES "/large")), {});
                    if (report.outcome != ImportReport::Outcome::Imported)
                        throw std::runtime_error(report.text().toStdString());
                },
                {},
                [p, targets] {
                    if (!p->store->onServer())
                        return;
                    PgConnection conn = PgConnection::open(p->store->serverUri());
                    for (int i = 0; i < 4; ++i) {
                        const QString name = QStringLiteral("kalvora_bench_al_%1").arg(i);
                        conn.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + name);
                        conn.exec(QStringLiteral("CREATE DATABASE ") + name);
                        QUrl url(p->store->serverUri());
                        url.setPath(QLatin1Char('/') + name);
                        targets->append(url.toString());
                    }
                },
                3});
    // Balance confirmation letters of 1,000 people written as PDFs, one person per turn of the event loop as
    // TOPLU GÖNDER does, so the window keeps answering: the longest turn is checked too.
    ops.append({QStringLiteral("letters for 1,000 people as PDF"),
                [p] {
                    const QString folder = QDir(p->temp.path()).filePath(QStringLiteral("mektuplar"));
                    QDir().mkpath(folder);
                    const CompanyInfo sender = loadCompanyInfo(*p->store);
                    ReportList* list = p->main->list();
                    const int n = std::min(1000, list->rowCount());
                    qint64 longest = 0;
                    QElapsedTimer turn;
                    for (int r = 0; r < n; ++r) {
                        turn.start();
                        const Customer person = p->main->customerAt(r);
                        const ConfirmationLetter letter = buildConfirmationLetter(
                            person, AccountBook(*p->store).load(person.key).rows, QDate(2020, 12, 31), 15);
                        writeDirectReportPdf(letterDocument(letter, sender, p->folder).report,
                                             QDir(folder).filePath(QStringLiteral("%1.pdf").arg(r)));
                        QApplication::processEvents();
                        longest = std::max(longest, turn.elapsed());
                    }
                    if (longest > 1000)
                        throw std::runtime_error("a letter kept the window from answering for " +
                                                 std::to_string(longest) + " ms");
                },
                {},
                {},
                1});
    return ops;
}

} // namespace kalvora::bench
