#include "import/book_import.h"

#include "accounts/account.h"
#include "accounts/account_book.h"
#include "accounts/open_item_store.h"
#include "data/data_folder.h"
#include "data/db_error.h"
#include "data/turkish_text.h"
#include "import/access_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cmath>

namespace kalvora {

namespace {

// Rows per INSERT on a server: few round trips, and under the oldest limit of 999 bound values. The data
// folder takes one row per statement: SQLite keeps a statement journal for a statement that writes several
// rows, and in an encrypted file every page such a statement changes is encrypted again for that journal,
// which costs far more than the statements saved.
constexpr qsizetype serverBatchRows = 64;
// Rows between two calls of the progress step (a cancel is heard that often).
constexpr qsizetype progressRows = 64;

const char* const ledgerFiles[2] = {files::income, files::expense};
const char* const ledgerSchemas[2] = {"gelir", "gider"};

struct Cancelled {};

QStringList columnsOf(std::initializer_list<const char*> names)
{
    QStringList out;
    for (const char* n : names)
        out << QString::fromLatin1(n);
    return out;
}

enum PersonColumn { PKey, PName, PWork, PMobile, PTc, PTax, PAddress, PTl, PUsd, PEuro };
enum TransactionColumn {
    TKey,
    TPerson,
    TDescription,
    TAmount,
    TDate,
    TTime,
    TCurrency,
    TName,
    TWork,
    TMobile,
    TTc,
    TTax,
    TAddress,
    TKind
};
enum LedgerColumn { LTitle, LDate, LDescription, LTime, LMaker, LAmount, LState };

// The rows of a source table in the wanted column order; a table whose columns are not exactly these
// is refused by name.
std::optional<QList<QStringList>> inOrder(const SourceTable& t, const QStringList& wanted,
                                          QStringList* refusals)
{
    QList<qsizetype> places;
    for (const QString& c : wanted)
        places << t.column(c);
    if (places.contains(-1) || t.columns.size() != wanted.size()) {
        refusals->append(t.file + QLatin1Char(' ') + t.table +
                         QStringLiteral(": TABLONUN SÜTUNLARI BEKLENENLER DEĞİL (") + t.columns.join(u", ") +
                         QLatin1Char(')'));
        return std::nullopt;
    }
    QList<QStringList> rows;
    rows.reserve(t.rows.size());
    for (const QStringList& r : t.rows) {
        QStringList o;
        o.reserve(wanted.size());
        for (qsizetype p : places)
            o << r.at(p);
        rows.append(std::move(o));
    }
    return rows;
}

// Whole kuruş of a number text; nothing when it does not read.
std::optional<qint64> cents(const QString& text)
{
    const std::optional<double> v = readNumber(text);
    if (!v)
        return std::nullopt;
    return std::llround(*v * 100.0);
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

QString sql(const char* text)
{
    return QString::fromLatin1(text);
}

qint64 count(BookConnection& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
}

// Inserts rows through prepared statements (on a server, batches of one multi-row statement); columns are
// the table's, values bound.
void insertRows(BookConnection& db, const QString& table, const QStringList& columns,
                const QList<QStringList>& rows, bool keepingKeys, const std::function<void(qsizetype)>& step)
{
    // On the embedded store each row is a statement of its own; OR FAIL spares it the statement journal
    // (every page it writes encrypted once more) that a table with triggers otherwise costs: a failing
    // row fails the whole import anyway, which rolls back.
    const QString head =
        (db.onServer() ? QStringLiteral("INSERT INTO ") : QStringLiteral("INSERT OR FAIL INTO ")) + table +
        QStringLiteral(" (") + columns.join(u',') + QLatin1Char(')') +
        (keepingKeys ? db.keepingKeys() : QString()) + QStringLiteral(" VALUES ");
    const qsizetype batchRows = db.onServer() ? serverBatchRows : 1;
    qsizetype unreported = 0;
    // One prepared statement for every full batch, another for the rest.
    std::optional<BookQuery> full;
    for (qsizetype from = 0; from < rows.size(); from += batchRows) {
        const qsizetype n = std::min(batchRows, rows.size() - from);
        std::optional<BookQuery> last;
        std::optional<BookQuery>& query = n == batchRows ? full : last;
        if (!query) {
            QString text = head;
            int param = 0;
            for (qsizetype r = 0; r < n; ++r) {
                text += r ? QStringLiteral(",(") : QStringLiteral("(");
                for (qsizetype c = 0; c < columns.size(); ++c)
                    text += (c ? QStringLiteral(",?") : QStringLiteral("?")) + QString::number(++param);
                text += QLatin1Char(')');
            }
            query = db.prepare(text);
        }
        int param = 0;
        for (qsizetype r = 0; r < n; ++r) {
            const QStringList& row = rows.at(from + r);
            for (qsizetype c = 0; c < columns.size(); ++c) {
                if (keepingKeys && c == 0)
                    query->bind(++param, row.at(c).toLongLong());
                else
                    query->bind(++param, row.at(c));
            }
        }
        query->step();
        query->reset();
        unreported += n;
        if (unreported >= progressRows || from + n == rows.size()) {
            step(unreported);
            unreported = 0;
        }
    }
}

} // namespace

const QStringList& personColumns()
{
    static const QStringList c = columnsOf({"oto_kod", "adisoyadi", "istel", "ceptel", "tc", "verdai",
                                            "adres", "SonBakiye", "SonBakiye_usd", "SonBakiye_euro"});
    return c;
}

const QStringList& transactionColumns()
{
    static const QStringList c =
        columnsOf({"otokod", "uye_kodu", "aylar", "tutar", "durum", "tarih", "para_cinsi", "adisoyadi",
                   "istel", "ceptel", "tc", "verdai", "adres", "para"});
    return c;
}

const QStringList& ledgerColumns()
{
    static const QStringList c = columnsOf({"gider_ad", "gider_tarihi", "gider_aciklama", "gider_saati",
                                            "gider_yapan", "gider_tutar", "gider_iptal"});
    return c;
}

ImportBook readAccessFolder(const QString& folder)
{
    ImportBook book;
    book.keysAreBookKeys = true;
    book.source = QDir::toNativeSeparators(QDir(folder).absolutePath());
    if (!QFileInfo(folder).isDir()) {
        book.refusals << QStringLiteral("KLASÖR BULUNAMADI: ") + book.source;
        return book;
    }
    auto table = [&](const char* file, const char* name) -> std::optional<SourceTable> {
        QString problem;
        std::optional<AccessFile> f =
            AccessFile::open(QDir(folder).filePath(QString::fromLatin1(file)), &problem);
        std::optional<SourceTable> t;
        if (f)
            t = f->read(QString::fromLatin1(name), &problem);
        if (!t)
            book.refusals << problem;
        return t;
    };
    if (auto t = table(files::customers, "MUSTERILER"))
        if (auto rows = inOrder(*t, personColumns(), &book.refusals))
            book.people = std::move(*rows);
    if (auto t = table(files::transactions, "CARIKART"))
        if (auto rows = inOrder(*t, transactionColumns(), &book.refusals))
            book.transactions = std::move(*rows);
    for (int l = 0; l < 2; ++l) {
        auto entries = table(ledgerFiles[l], "GIDERLER");
        auto cash = table(ledgerFiles[l], "KASA_NET");
        if (!entries || !cash)
            continue;
        auto rows = inOrder(*entries, ledgerColumns(), &book.refusals);
        auto cashRows = inOrder(*cash, columnsOf({"Kasa_net_bakiye"}), &book.refusals);
        if (!rows || !cashRows)
            continue;
        ImportLedger ledger;
        ledger.entries = std::move(*rows);
        ledger.cashBox = cashRows->isEmpty() ? QStringLiteral("0") : cashRows->first().first();
        book.ledgers[size_t(l)] = std::move(ledger);
    }
    return book;
}

ImportReport importBook(Store& store, const ImportBook& book, const ImportOptions& options,
                        const ImportProgress& progress)
{
    ImportReport report;
    report.source = book.source;
    report.target = store.onServer() ? store.serverUri() : QDir::toNativeSeparators(store.folder());
    report.refusals = book.refusals;
    report.unreadable = book.unreadable;
    if (!report.refusals.isEmpty())
        return report;

    try {
        // A book whose files are all there is opened as it is (each opening of a file derives its key,
        // which costs more than writing a thousand rows).
        bool complete = true;
        for (const char* f : {files::customers, files::transactions, files::income, files::expense,
                              files::archive, files::scratch})
            complete = complete && QFileInfo::exists(store.path(QString::fromLatin1(f)));
        if (store.onServer() ? !store.watcher() : !complete) {
            const QList<StoreProblem> problems = store.initialize();
            for (const StoreProblem& p : problems)
                report.refusals << p.text;
            if (!report.refusals.isEmpty())
                return report;
        }
        BookConnection& db = store.wholeBook();
        BookTransaction tx(db);
        if (db.onServer())
            for (const char* t : {"cari.MUSTERILER", "cari.CARIKART", "gelir.GIDERLER", "gelir.KASA_NET",
                                  "gider.GIDERLER", "gider.KASA_NET"})
                db.exec(QStringLiteral("LOCK TABLE ") + sql(t) + QStringLiteral(" IN EXCLUSIVE MODE"));

        // What the book holds already: its people (for the duplicates and the lists of transactions).
        struct BookPerson {
            QString key, name, work, mobile, tc;
        };
        QList<BookPerson> bookPeople;
        {
            BookQuery q = db.prepare(
                QStringLiteral("SELECT oto_kod, adisoyadi, istel, ceptel, tc FROM main.MUSTERILER"));
            while (q.step())
                bookPeople.append({q.text(0), q.text(1), q.text(2), q.text(3), q.text(4)});
        }
        report.bookHeldData = !bookPeople.isEmpty() || count(db, sql("cari.CARIKART")) > 0 ||
                              count(db, sql("gelir.GIDERLER")) > 0 || count(db, sql("gider.GIDERLER")) > 0;
        for (const char* s : ledgerSchemas)
            if (db.scalar(QStringLiteral("SELECT count(*) FROM ") + sql(s) +
                          QStringLiteral(".KASA_NET WHERE Kasa_net_bakiye <> '0'"))
                    .toLongLong() > 0)
                report.bookHeldData = true;
        if (report.bookHeldData && !options.addToBook && !book.transactionsNameBookPeople)
            report.refusals << QStringLiteral("HEDEF DEFTER BOŞ DEĞİL. KİŞİLER ANCAK YENİ KİŞİLER OLARAK "
                                              "EKLENEBİLİR (EKLEME SEÇENEĞİ).");
        const bool keepKeys =
            book.keysAreBookKeys && !report.bookHeldData && !book.transactionsNameBookPeople;

        // The people, and which source keys name one.
        QSet<QString> sourceKeys;
        for (const QStringList& p : book.people)
            if (!p.at(PKey).isEmpty())
                sourceKeys.insert(p.at(PKey));
        QSet<QString> bookKeys;
        for (const BookPerson& p : bookPeople)
            bookKeys.insert(p.key);
        for (const QStringList& p : book.people) {
            for (const BookPerson& b : std::as_const(bookPeople)) {
                auto same = [](const QString& a, const QString& c) { return !a.isEmpty() && a == c; };
                if (b.name == BuyukHarf(p.at(PName)) &&
                    (same(p.at(PTc), b.tc) || same(p.at(PWork), b.work) || same(p.at(PMobile), b.mobile) ||
                     same(p.at(PWork), b.mobile) || same(p.at(PMobile), b.work)))
                    report.duplicates.append({b.name, b.key, p.at(PKey)});
            }
        }

        // The transactions that go in: readable, and with a person (or an orphan kept as it is).
        const QString transactionsFile = book.transactionsNameBookPeople || book.people.isEmpty()
                                             ? QFileInfo(book.source).fileName()
                                             : QString::fromLatin1(files::transactions);
        QList<QStringList> transactions;
        transactions.reserve(book.transactions.size());
        QHash<QString, AccountFigures> figures;
        for (qsizetype i = 0; i < book.transactions.size(); ++i) {
            const QStringList& t = book.transactions.at(i);
            const QString key = t.at(TKey).isEmpty() ? QString::number(i + 2) : t.at(TKey);
            bool readable = true;
            if (!readNumber(t.at(TAmount))) {
                report.unreadable.append(
                    {transactionsFile, sql("CARIKART"), key, sql("tutar"), t.at(TAmount)});
                readable = false;
            }
            if (!readDateText(t.at(TDate)).isValid()) {
                report.unreadable.append({transactionsFile, sql("CARIKART"), key, sql("durum"), t.at(TDate)});
                readable = false;
            }
            if (!readable)
                continue;
            const bool known = book.transactionsNameBookPeople ? bookKeys.contains(t.at(TPerson))
                                                               : sourceKeys.contains(t.at(TPerson));
            if (!known) {
                report.orphans.append(
                    {t.at(TKey), t.at(TPerson), t.at(TAmount), t.at(TCurrency), t.at(TDate)});
                // Added to a book that holds people, the key could name one of them: left out.
                if (!keepKeys)
                    continue;
            } else {
                AccountRow row;
                row.amount = t.at(TAmount);
                row.currency = t.at(TCurrency);
                row.kind = t.at(TKind);
                figures[t.at(TPerson)].add(row);
            }
            transactions.append(t);
        }
        std::array<QList<QStringList>, 2> entries;
        for (int l = 0; l < 2; ++l) {
            const auto& ledger = book.ledgers[size_t(l)];
            if (!ledger)
                continue;
            const QString file = QString::fromLatin1(ledgerFiles[l]);
            qint64 valid = 0;
            for (qsizetype i = 0; i < ledger->entries.size(); ++i) {
                const QStringList& e = ledger->entries.at(i);
                const QString key = QString::number(i + 1);
                const std::optional<qint64> amount = cents(e.at(LAmount));
                bool readable = amount.has_value();
                if (!amount)
                    report.unreadable.append({file, sql("GIDERLER"), key, sql("gider_tutar"), e.at(LAmount)});
                if (!readDateText(e.at(LDate)).isValid()) {
                    report.unreadable.append({file, sql("GIDERLER"), key, sql("gider_tarihi"), e.at(LDate)});
                    readable = false;
                }
                if (!readable)
                    continue;
                if (e.at(LState) != QLatin1String("1"))
                    valid += *amount;
                entries[size_t(l)].append(e);
            }
            const std::optional<qint64> stored = cents(ledger->cashBox);
            if (!stored)
                report.unreadable.append(
                    {file, sql("KASA_NET"), sql("1"), sql("Kasa_net_bakiye"), ledger->cashBox});
            else if (*stored != -valid)
                report.cashBoxes.append({file, ledger->cashBox, plainNumberText(double(-valid) / 100.0),
                                         plainNumberText(double(*stored + valid) / 100.0)});
        }
        if (!report.unreadable.isEmpty() && !options.leaveOutUnreadable)
            report.refusals << QStringLiteral("OKUNAMAYAN TUTAR YA DA TARİHLER VAR. AKTARIM YAPILMADI "
                                              "(BU SATIRLAR DIŞARIDA BIRAKILARAK AKTARILABİLİR).");

        // Each person's balances from the rows; a stored balance that differs is listed.
        QList<QStringList> people = book.people;
        for (QStringList& p : people) {
            const AccountFigures f = figures.value(p.at(PKey));
            const PersonColumn places[3] = {PTl, PUsd, PEuro};
            for (Currency c : allCurrencies) {
                const int place = places[size_t(c)];
                const QString computed = f.balanceText(c);
                const std::optional<qint64> stored = cents(p.at(place));
                // A list's people come with their balances as DEVİR rows: only the old program's
                // stored balances can be stale.
                if (book.keysAreBookKeys && !p.at(place).isEmpty() &&
                    (!stored || *stored != *cents(computed)))
                    report.staleBalances.append(
                        {p.at(PKey), p.at(PName), personColumns().at(place), p.at(place), computed});
                p[place] = computed;
            }
        }
        report.people = people.size();
        report.transactions = transactions.size();
        for (int l = 0; l < 2; ++l)
            report.ledgerEntries[size_t(l)] = entries[size_t(l)].size();

        if (!report.refusals.isEmpty()) {
            report.outcome = ImportReport::Outcome::Refused;
            return report;
        }
        if (options.dryRun) {
            report.outcome = ImportReport::Outcome::Checked;
            return report;
        }

        const qsizetype total = people.size() + transactions.size() + entries[0].size() + entries[1].size();
        qsizetype done = 0;
        const auto step = [&](qsizetype n) {
            done += n;
            if (progress && !progress(done, total))
                throw Cancelled{};
        };
        if (progress && !progress(0, total))
            throw Cancelled{};

        // People: with their own keys into an empty book, else with new keys their rows follow.
        QHash<QString, QString> newKeys;
        if (keepKeys && sourceKeys.size() == people.size()) {
            insertRows(db, sql("main.MUSTERILER"), personColumns(), people, true, step);
        } else {
            const QStringList columns = personColumns().mid(1);
            QString text = QStringLiteral("INSERT INTO main.MUSTERILER (") + columns.join(u',') +
                           QStringLiteral(") VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9)");
            for (const QStringList& p : std::as_const(people)) {
                QVariantList params;
                for (qsizetype c = 1; c < p.size(); ++c)
                    params << p.at(c);
                const qint64 key = db.insert(text, params, sql("oto_kod"));
                if (!p.at(PKey).isEmpty())
                    newKeys.insert(p.at(PKey), QString::number(key));
                step(1);
            }
        }
        const bool keepTransactionKeys =
            keepKeys && std::all_of(transactions.cbegin(), transactions.cend(),
                                    [](const QStringList& t) { return !t.at(TKey).isEmpty(); });
        if (!newKeys.isEmpty())
            for (QStringList& t : transactions)
                t[TPerson] = newKeys.value(t.at(TPerson), t.at(TPerson));
        if (keepTransactionKeys) {
            insertRows(db, sql("cari.CARIKART"), transactionColumns(), transactions, true, step);
        } else {
            QList<QStringList> rows;
            rows.reserve(transactions.size());
            for (const QStringList& t : std::as_const(transactions))
                rows.append(t.mid(1));
            insertRows(db, sql("cari.CARIKART"), transactionColumns().mid(1), rows, false, step);
        }
        // People of the book who got rows: their balances from all their rows, as after any change.
        if (book.transactionsNameBookPeople) {
            QSet<QString> touched;
            for (const QStringList& t : std::as_const(transactions))
                touched.insert(t.at(TPerson));
            for (const QString& key : std::as_const(touched))
                AccountBook::BakiyeGuncelle(db, key, AccountBook::readRows(db, key).figures);
        }
        // Whoever got rows waits for their open items: written here, in the import's transaction.
        OpenItemStore::settleWaiting(db);
        for (int l = 0; l < 2; ++l) {
            const auto& ledger = book.ledgers[size_t(l)];
            if (!ledger)
                continue;
            const QString schema = QString::fromLatin1(ledgerSchemas[l]);
            insertRows(db, schema + QStringLiteral(".GIDERLER"), ledgerColumns(), entries[size_t(l)], false,
                       step);
            QString cash = ledger->cashBox;
            if (report.bookHeldData)
                cash = plainNumberText(numberValue(db.scalar(QStringLiteral("SELECT Kasa_net_bakiye FROM ") +
                                                             schema + QStringLiteral(".KASA_NET"))
                                                       .toString()) +
                                       numberValue(ledger->cashBox));
            db.execute(QStringLiteral("UPDATE ") + schema +
                           QStringLiteral(".KASA_NET SET Kasa_net_bakiye = ?1"),
                       {cash});
        }
        // The server's keys go on after the highest key kept, as the folder's AUTOINCREMENT does itself.
        if (db.onServer() && keepKeys)
            for (const auto& [table, key] :
                 {std::pair{"cari.musteriler", "oto_kod"}, {"cari.carikart", "otokod"}})
                db.execute(QStringLiteral("SELECT setval(pg_get_serial_sequence(?1, ?2), "
                                          "greatest((SELECT max(") +
                               sql(key) + QStringLiteral(") FROM ") + sql(table) +
                               QStringLiteral("), 1), (SELECT count(*) FROM ") + sql(table) +
                               QStringLiteral(") > 0)"),
                           {sql(table), sql(key)});
        tx.commit();
        report.outcome = ImportReport::Outcome::Imported;
    } catch (const Cancelled&) {
        report.outcome = ImportReport::Outcome::Cancelled;
    } catch (const DbError& e) {
        report.outcome = ImportReport::Outcome::Refused;
        report.refusals << e.turkishText();
    }
    return report;
}

QString ImportReport::text() const
{
    QStringList out;
    switch (outcome) {
    case Outcome::Imported:
        out << QStringLiteral("AKTARIM TAMAMLANDI.");
        break;
    case Outcome::Checked:
        out << QStringLiteral("DENEME: HİÇBİR ŞEY YAZILMADI.");
        break;
    case Outcome::Refused:
        out << QStringLiteral("AKTARIM YAPILMADI. HİÇBİR ŞEY DEĞİŞTİRİLMEDİ.");
        break;
    case Outcome::Cancelled:
        out << QStringLiteral("AKTARIM İPTAL EDİLDİ. HİÇBİR ŞEY DEĞİŞTİRİLMEDİ.");
        break;
    }
    out << QStringLiteral("KAYNAK: ") + source;
    out << QStringLiteral("HEDEF: ") + target;
    for (const QString& r : refusals)
        out << QStringLiteral("RED: ") + oneLine(r);
    out << QStringLiteral("KİŞİ: %1, HAREKET: %2, GELİR KAYDI: %3, GİDER KAYDI: %4")
               .arg(people)
               .arg(transactions)
               .arg(ledgerEntries[0])
               .arg(ledgerEntries[1]);
    if (!staleBalances.isEmpty()) {
        out << QStringLiteral("BAKİYESİ SATIRLARINI TUTMAYAN KİŞİLER (SAKLANAN -> SATIRLARDAN HESAPLANAN):");
        for (const StaleBalance& s : staleBalances)
            out << QStringLiteral("  %1 %2 %3: %4 -> %5")
                       .arg(s.key, s.name, s.column, quoted(s.stored), quoted(s.computed));
    }
    for (const OrphanTransaction& o : orphans)
        out << QStringLiteral("SAHİPSİZ HAREKET: otokod %1, uye_kodu %2, %3 %4, %5")
                   .arg(o.key, quoted(o.personKey), o.amount, o.currency, o.date);
    if (!unreadable.isEmpty()) {
        out << QStringLiteral("OKUNAMAYAN DEĞERLER (DOSYA, TABLO, ANAHTAR, SÜTUN, METİN):");
        for (const UnreadableValue& u : unreadable)
            out << QStringLiteral("  %1 %2 %3 %4: %5")
                       .arg(u.file, u.table, u.key, u.column, quoted(oneLine(u.text)));
    }
    for (const CashBoxDifference& c : cashBoxes)
        out << QStringLiteral("KASA FARKI: %1 KASA_NET %2, KAYITLARDAN %3, FARK %4 (SAKLANDIĞI GİBİ KORUNDU)")
                   .arg(c.file, quoted(c.stored), c.fromEntries, c.difference);
    if (!duplicates.isEmpty()) {
        out << QStringLiteral("DEFTERDEKİ BİR KİŞİYE BENZEYENLER (AD VE TC YA DA TELEFON AYNI):");
        for (const LikelyDuplicate& d : duplicates)
            out << QStringLiteral("  %1 (DEFTERDE %2, KAYNAKTA %3)").arg(d.name, d.bookKey, d.sourceKey);
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace kalvora
