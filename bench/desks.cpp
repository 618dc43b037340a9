#include "desks.h"

#include "accounts/account_book.h"
#include "accounts/ui/account_card.h"
#include "accounts/ui/entry_window.h"
#include "customers/customer_repository.h"
#include "data/db_error.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "widgets/limited_text_box.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace kalvora::bench {

namespace {

constexpr int sharedPeople = 20;
// The description of every row a desk writes (upper case already), so the rows can be found and
// removed afterwards.
const char* const deskMark = "BENCH MASA ";

// The people the desks share: those with nearest to 50 rows, as the table's per-person actions use.
QStringList sharedKeys(BookConnection& db)
{
    BookQuery st =
        db.prepare(QStringLiteral("SELECT uye_kodu FROM cari.CARIKART GROUP BY uye_kodu "
                                  "ORDER BY abs(count(*) - 50), CAST(uye_kodu AS INTEGER) LIMIT ?1"));
    st.bind(1, qint64(sharedPeople));
    QStringList keys;
    while (st.step())
        keys.append(st.text(0));
    return keys;
}

} // namespace

int removeDeskRows(Store& store)
{
    BookConnection& db = store.accounts();
    const QString pattern = QString::fromLatin1(deskMark) + QLatin1Char('%');
    QStringList people;
    {
        BookQuery st =
            db.prepare(QStringLiteral("SELECT DISTINCT uye_kodu FROM cari.CARIKART WHERE aylar LIKE ?1"));
        st.bind(1, pattern);
        while (st.step())
            people.append(st.text(0));
    }
    BookTransaction tx(db);
    for (const QString& key : people)
        CustomerRepository::lockPerson(db, key);
    const int removed =
        db.execute(QStringLiteral("DELETE FROM cari.CARIKART WHERE aylar LIKE ?1"), {pattern});
    for (const QString& key : people)
        AccountBook::BakiyeGuncelle(db, key, AccountBook::readRows(db, key).figures);
    tx.commit();
    return removed;
}

namespace {

qint64 cents(const QString& amountText)
{
    return qRound64(numberValue(amountText) * 100);
}

// The people whose stored balances differ from the sums of their rows.
QStringList balancesOffTheirRows(Store& store)
{
    QStringList off;
    for (const Customer& c : CustomerRepository(store).readAll()) {
        const AccountFigures f = AccountBook(store).load(c.key).figures;
        if (cents(c.balanceTl) != cents(f.balanceText(Currency::Tl)) ||
            cents(c.balanceUsd) != cents(f.balanceText(Currency::Dolar)) ||
            cents(c.balanceEuro) != cents(f.balanceText(Currency::Euro)))
            off.append(c.key);
    }
    return off;
}

double percentile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty())
        return 0;
    const auto rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted.at(std::clamp<size_t>(rank, 1, sorted.size()) - 1);
}

// One person's card as the desk keeps it open, with its lending and collecting windows.
struct PersonWindows {
    std::unique_ptr<AccountCard> card;
    std::unique_ptr<LendWindow> lend;
    std::unique_ptr<CollectWindow> collect;
};

} // namespace

int runDesk(const QStringList& arguments)
{
    if (arguments.size() != 6)
        return 2;
    const QString uri = arguments.at(0);
    const int desk = arguments.at(1).toInt();
    const qint64 startAt = arguments.at(2).toLongLong();
    const int saves = arguments.at(3).toInt();
    const QStringList keys = arguments.at(4).split(QLatin1Char(','));
    const bool sameOrder = arguments.at(5) == QLatin1String("1");
    MessageBox::setTestMode(true);
    QTemporaryDir folder;
    std::unique_ptr<Store> store = Store::onServer(folder.path(), uri);
    try {
        if (!store->initialize().isEmpty())
            return 3;
        std::vector<PersonWindows> people;
        for (const QString& key : keys) {
            const std::optional<Customer> person = CustomerRepository(*store).find(key);
            if (!person)
                return 3;
            PersonWindows w;
            w.card = std::make_unique<AccountCard>(*store);
            w.card->setPerson(*person);
            w.card->setWindowState(w.card->windowState() | Qt::WindowMaximized);
            w.card->show();
            w.card->KartiYukle2();
            w.lend = std::make_unique<LendWindow>(*store, *person, w.card.get());
            w.collect = std::make_unique<CollectWindow>(*store, *person, w.card.get());
            for (EntryWindow* e :
                 {static_cast<EntryWindow*>(w.lend.get()), static_cast<EntryWindow*>(w.collect.get())})
                QObject::connect(e, &EntryWindow::saved, w.card.get(), &AccountCard::applyChange);
            people.push_back(std::move(w));
        }
        QApplication::processEvents();
        const bool late = QDateTime::currentMSecsSinceEpoch() > startAt;
        while (QDateTime::currentMSecsSinceEpoch() < startAt)
            QThread::msleep(1);
        // Each desk walks the shared people in an order of its own, so desks meet on a person now and
        // then; in the same order they meet on one person all the time (the worst case). The amounts
        // and kinds are the desk's own.
        QRandomGenerator walk(sameOrder ? 2026 : 2026 + static_cast<quint32>(desk));
        QRandomGenerator random(17 + static_cast<quint32>(desk));
        std::vector<double> ms;
        ms.reserve(static_cast<size_t>(saves));
        qint64 sum = 0;
        for (int i = 0; i < saves; ++i) {
            PersonWindows& p = people.at(walk.bounded(static_cast<quint32>(people.size())));
            const int amount = 1 + static_cast<int>(random.bounded(999));
            const bool lend = random.bounded(2) == 0;
            EntryWindow& w =
                lend ? static_cast<EntryWindow&>(*p.lend) : static_cast<EntryWindow&>(*p.collect);
            w.descriptionBox()->setPlainText(QString::fromLatin1(deskMark) + QString::number(desk));
            w.amountBox()->setText(QString::number(amount));
            w.currencyBox()->setCurrentIndex(w.currencyBox()->findText(QStringLiteral("TL")));
            QElapsedTimer t;
            t.start();
            w.save();
            ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            sum += (lend ? amount : -amount) * 100;
        }
        const qint64 finishedAt = QDateTime::currentMSecsSinceEpoch();
        for (const MessageBox::Shown& s : MessageBox::shown()) {
            std::fprintf(stderr, "desk %d: message: %s\n", desk, qPrintable(s.text));
            return 1;
        }
        std::printf("%d %lld %lld %d\n", saves, static_cast<long long>(sum),
                    static_cast<long long>(finishedAt), late ? 1 : 0);
        for (double m : ms)
            std::printf("%.3f ", m);
        std::printf("\n");
    } catch (const DbError& e) {
        std::fprintf(stderr, "desk %d: %s\n", desk, qPrintable(e.message()));
        return 1;
    }
    return 0;
}

int runDesks(const QString& serverUri, int desks, int saves, bool sameOrder, QTextStream& out)
{
    QTemporaryDir folder;
    std::unique_ptr<Store> store = Store::onServer(folder.path(), serverUri);
    try {
        const QList<StoreProblem> problems = store->initialize();
        if (!problems.isEmpty()) {
            out << "the server book cannot be used: " << problems.first().text << "\n";
            return 1;
        }
        if (const int left = removeDeskRows(*store))
            out << "removed " << left << " rows an interrupted desks run left behind\n";
        const QStringList keys = sharedKeys(store->accounts());
        if (keys.size() < sharedPeople) {
            out << "the book has too few people with transactions\n";
            return 1;
        }
        const qint64 rowsBefore =
            store->accounts().scalar(QStringLiteral("SELECT count(*) FROM cari.CARIKART")).toLongLong();
        qint64 balanceBefore = 0;
        for (const QString& key : keys)
            balanceBefore += cents(CustomerRepository(*store).find(key)->balanceTl);

        // Every desk gets ready (connections, cards, windows) before the common start.
        const qint64 startAt = QDateTime::currentMSecsSinceEpoch() + 10000;
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int d = 0; d < desks; ++d) {
            auto p = std::make_unique<QProcess>();
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--desk"), serverUri, QString::number(d + 1), QString::number(startAt),
                      QString::number(saves), keys.join(QLatin1Char(',')),
                      sameOrder ? QStringLiteral("1") : QStringLiteral("0")});
            processes.push_back(std::move(p));
        }
        std::vector<double> ms;
        qint64 sum = 0;
        qint64 lastFinish = startAt;
        int saved = 0;
        int failures = 0;
        for (auto& p : processes) {
            if (!p->waitForFinished(30 * 60 * 1000) || p->exitStatus() != QProcess::NormalExit ||
                p->exitCode() != 0) {
                ++failures;
                out << "a desk failed (" << p->exitCode()
                    << "): " << QString::fromLocal8Bit(p->readAllStandardError()) << "\n";
                continue;
            }
            const QList<QByteArray> lines = p->readAllStandardOutput().split('\n');
            const QList<QByteArray> head = lines.value(0).split(' ');
            if (head.size() != 4) {
                ++failures;
                continue;
            }
            saved += head.at(0).toInt();
            sum += head.at(1).toLongLong();
            lastFinish = std::max(lastFinish, head.at(2).toLongLong());
            if (head.at(3) == "1")
                out << "warning: a desk was not ready at the common start\n";
            for (const QByteArray& m : lines.value(1).split(' '))
                if (!m.isEmpty())
                    ms.push_back(m.toDouble());
        }
        std::sort(ms.begin(), ms.end());
        const double seconds = static_cast<double>(lastFinish - startAt) / 1000.0;

        const qint64 rowsAfter =
            store->accounts().scalar(QStringLiteral("SELECT count(*) FROM cari.CARIKART")).toLongLong();
        qint64 balanceAfter = 0;
        for (const QString& key : keys)
            balanceAfter += cents(CustomerRepository(*store).find(key)->balanceTl);
        const QStringList off = balancesOffTheirRows(*store);
        const bool rowsKept = rowsAfter - rowsBefore == saved;
        const bool sumsKept = balanceAfter - balanceBefore == sum;
        const int removed = removeDeskRows(*store);

        out << desks << " desks x " << saves << " saves (lending or collecting, each with the card's "
            << "refresh) on the same " << keys.size() << " people, "
            << (sameOrder ? "every desk in the same order" : "each desk in an order of its own") << "\n";
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(QStringLiteral("saves"), 8)
                   .arg(QStringLiteral("saves/s"), 10)
                   .arg(QStringLiteral("median ms"), 10)
                   .arg(QStringLiteral("p99 ms"), 10)
                   .arg(QStringLiteral("max ms"), 10);
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(saved, 8)
                   .arg(seconds > 0 ? static_cast<double>(saved) / seconds : 0.0, 10, 'f', 1)
                   .arg(percentile(ms, 0.5), 10, 'f', 1)
                   .arg(percentile(ms, 0.99), 10, 'f', 1)
                   .arg(ms.empty() ? 0.0 : ms.back(), 10, 'f', 1);
        out << "target p99 <= 100 ms: " << (percentile(ms, 0.99) <= 100 ? "met" : "MISSED") << "\n";
        out << "rows added " << (rowsAfter - rowsBefore) << " of " << saved << " saves"
            << (rowsKept ? "" : " (SAVES LOST)") << "; the people's lira balances moved by "
            << formatAmount(static_cast<double>(balanceAfter - balanceBefore) / 100) << " of "
            << formatAmount(static_cast<double>(sum) / 100) << (sumsKept ? "" : " (WRONG)") << "\n";
        out << "stored balances equal to their rows: "
            << (off.isEmpty() ? QStringLiteral("every person")
                              : QStringLiteral("NOT for ") + off.join(QStringLiteral(", ")))
            << "; the desks' " << removed << " rows removed again\n";
        return failures == 0 && rowsKept && sumsKept && off.isEmpty() && saved == desks * saves ? 0 : 1;
    } catch (const DbError& e) {
        out << "FAILED: " << e.turkishText() << "\n";
        return 1;
    }
}

} // namespace kalvora::bench
