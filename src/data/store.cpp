#include "data/store.h"

#include "data/data_folder.h"
#include "data/pg/server_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvora {

namespace {

const char* const customerSchema = R"(
CREATE TABLE IF NOT EXISTS MUSTERILER (
    oto_kod INTEGER PRIMARY KEY AUTOINCREMENT,
    adisoyadi TEXT NOT NULL DEFAULT '',
    istel TEXT NOT NULL DEFAULT '',
    ceptel TEXT NOT NULL DEFAULT '',
    tc TEXT NOT NULL DEFAULT '',
    verdai TEXT NOT NULL DEFAULT '',
    adres TEXT NOT NULL DEFAULT '',
    SonBakiye TEXT NOT NULL DEFAULT '',
    SonBakiye_usd TEXT NOT NULL DEFAULT '',
    SonBakiye_euro TEXT NOT NULL DEFAULT ''
);
-- The sender's own details (one row), printed as the letterhead of statements and letters, and the
-- texts of the messages that carry them. Kept in the book, so every desk prints the same letterhead.
CREATE TABLE IF NOT EXISTS FIRMA_BILGILERI (
    kayit_no INTEGER PRIMARY KEY,
    unvan TEXT NOT NULL DEFAULT '',
    adres TEXT NOT NULL DEFAULT '',
    telefon TEXT NOT NULL DEFAULT '',
    vergi_dairesi TEXT NOT NULL DEFAULT '',
    vergi_no TEXT NOT NULL DEFAULT '',
    eposta TEXT NOT NULL DEFAULT '',
    iban TEXT NOT NULL DEFAULT '',
    logo TEXT NOT NULL DEFAULT '', -- the picture as PNG, in base64
    konu_sablonu TEXT NOT NULL DEFAULT '',
    metin_sablonu TEXT NOT NULL DEFAULT ''
);
-- One row per statement or letter sent to a person, successful or not; nothing else reads or changes it.
CREATE TABLE IF NOT EXISTS GONDERILENLER (
    kayit_no INTEGER PRIMARY KEY AUTOINCREMENT,
    uye_kodu TEXT NOT NULL DEFAULT '',
    adisoyadi TEXT NOT NULL DEFAULT '',
    belge TEXT NOT NULL DEFAULT '',
    yol TEXT NOT NULL DEFAULT '',
    alici TEXT NOT NULL DEFAULT '',
    tarih TEXT NOT NULL DEFAULT '',
    saat TEXT NOT NULL DEFAULT '',
    kullanici TEXT NOT NULL DEFAULT '',
    donem TEXT NOT NULL DEFAULT '',
    bakiyeler TEXT NOT NULL DEFAULT '',
    dosya TEXT NOT NULL DEFAULT '',
    basarili INTEGER NOT NULL DEFAULT 0,
    hata TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS GONDERILENLER_uye_kodu ON GONDERILENLER(uye_kodu, kayit_no);
-- The e-mail address a person's documents went to last, offered again next time.
CREATE TABLE IF NOT EXISTS KISI_EPOSTA (
    uye_kodu TEXT NOT NULL DEFAULT '' PRIMARY KEY,
    eposta TEXT NOT NULL DEFAULT ''
);
)";

const char* const transactionSchema = R"(
CREATE TABLE IF NOT EXISTS CARIKART (
    otokod INTEGER PRIMARY KEY AUTOINCREMENT,
    uye_kodu TEXT NOT NULL DEFAULT '',
    aylar TEXT NOT NULL DEFAULT '',
    tutar TEXT NOT NULL DEFAULT '',
    durum TEXT NOT NULL DEFAULT '',
    tarih TEXT NOT NULL DEFAULT '',
    para_cinsi TEXT NOT NULL DEFAULT '',
    adisoyadi TEXT NOT NULL DEFAULT '',
    istel TEXT NOT NULL DEFAULT '',
    ceptel TEXT NOT NULL DEFAULT '',
    tc TEXT NOT NULL DEFAULT '',
    verdai TEXT NOT NULL DEFAULT '',
    adres TEXT NOT NULL DEFAULT '',
    para TEXT NOT NULL DEFAULT '',
    vade TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS CARIKART_uye_kodu ON CARIKART(uye_kodu);
CREATE INDEX IF NOT EXISTS CARIKART_para ON CARIKART(para, para_cinsi);
-- Holds every column the net position reads, so its pass over all rows reads this index, a fraction of the
-- table's pages.
CREATE INDEX IF NOT EXISTS CARIKART_para_tutar ON CARIKART(para, para_cinsi, tutar);
-- The charts' month sums of one currency read this index in date-text order, without the table.
CREATE INDEX IF NOT EXISTS CARIKART_cinsi_durum ON CARIKART(para_cinsi, durum, para, tutar);
-- Settings of the book that every reader of its rows needs alike (the default due term).
CREATE TABLE IF NOT EXISTS AYARLAR (
    ad TEXT NOT NULL DEFAULT '' PRIMARY KEY,
    deger TEXT NOT NULL DEFAULT ''
);
)";

// What of the rows is still open, kept beside them so the aging report and the overdue list read a few
// rows instead of every row of the book: per row still open, its effective due date (yyyy-MM-dd, empty
// when unreadable) and the open kuruş (positive: an unpaid debt; negative: an unused payment). The
// triggers note every person whose rows change; until their items are written again (in the writer's
// own transaction as a rule), readers work those people out from the rows, so the items can never be
// taken for current when they are not, whoever changed the rows.
const char* const openItemsSchema = R"(
CREATE TABLE IF NOT EXISTS ACIK_KALEMLER (
    otokod INTEGER PRIMARY KEY,
    uye_kodu TEXT NOT NULL DEFAULT '',
    para_cinsi TEXT NOT NULL DEFAULT '',
    vade TEXT NOT NULL DEFAULT '',
    acik INTEGER NOT NULL DEFAULT 0
);
-- Holds every column the readers take, in person order, so they never visit the table.
CREATE INDEX IF NOT EXISTS ACIK_KALEMLER_uye_kodu ON ACIK_KALEMLER(uye_kodu, para_cinsi, vade, acik);
-- Per person and currency: the open debts, the advance, and the due dates of the oldest and the latest
-- open debt, so the overdue list reads one row for whoever is wholly late or not late at all.
CREATE TABLE IF NOT EXISTS ACIK_OZET (
    uye_kodu TEXT NOT NULL DEFAULT '',
    para_cinsi TEXT NOT NULL DEFAULT '',
    borc INTEGER NOT NULL DEFAULT 0,
    avans INTEGER NOT NULL DEFAULT 0,
    ilk_vade TEXT NOT NULL DEFAULT '',
    son_vade TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (uye_kodu, para_cinsi)
);
CREATE TABLE IF NOT EXISTS ACIK_DEGISEN (
    uye_kodu TEXT NOT NULL DEFAULT '' PRIMARY KEY
);
-- Written without a conflict clause, which the statement that fires a trigger would override.
CREATE TRIGGER IF NOT EXISTS CARIKART_acik_ekle AFTER INSERT ON CARIKART BEGIN
    INSERT INTO ACIK_DEGISEN (uye_kodu) SELECT NEW.uye_kodu
        WHERE NOT EXISTS (SELECT 1 FROM ACIK_DEGISEN WHERE uye_kodu = NEW.uye_kodu);
END;
CREATE TRIGGER IF NOT EXISTS CARIKART_acik_degis AFTER UPDATE OF uye_kodu, tutar, durum, para_cinsi, vade
ON CARIKART BEGIN
    INSERT INTO ACIK_DEGISEN (uye_kodu) SELECT OLD.uye_kodu
        WHERE NOT EXISTS (SELECT 1 FROM ACIK_DEGISEN WHERE uye_kodu = OLD.uye_kodu);
    INSERT INTO ACIK_DEGISEN (uye_kodu) SELECT NEW.uye_kodu
        WHERE NOT EXISTS (SELECT 1 FROM ACIK_DEGISEN WHERE uye_kodu = NEW.uye_kodu);
END;
CREATE TRIGGER IF NOT EXISTS CARIKART_acik_sil AFTER DELETE ON CARIKART BEGIN
    INSERT INTO ACIK_DEGISEN (uye_kodu) SELECT OLD.uye_kodu
        WHERE NOT EXISTS (SELECT 1 FROM ACIK_DEGISEN WHERE uye_kodu = OLD.uye_kodu);
END;
)";

// kayit_no identifies one entry, so a cancellation marks exactly the chosen row.
const char* const ledgerSchema = R"(
CREATE TABLE IF NOT EXISTS GIDERLER (
    kayit_no INTEGER PRIMARY KEY AUTOINCREMENT,
    gider_ad TEXT NOT NULL DEFAULT '',
    gider_tarihi TEXT NOT NULL DEFAULT '',
    gider_aciklama TEXT NOT NULL DEFAULT '',
    gider_saati TEXT NOT NULL DEFAULT '',
    gider_yapan TEXT NOT NULL DEFAULT '',
    gider_tutar TEXT NOT NULL DEFAULT '',
    gider_iptal TEXT NOT NULL DEFAULT ''
);
-- The history lists one day, month or year: this index holds every column it shows, grouped by the
-- year, month and day of the date text, so a period is read without decrypting the whole table.
CREATE INDEX IF NOT EXISTS GIDERLER_donem ON GIDERLER(substr(gider_tarihi,7,4), substr(gider_tarihi,4,2),
    substr(gider_tarihi,1,2), gider_iptal, gider_tarihi, gider_tutar, gider_yapan, gider_ad, gider_saati,
    gider_aciklama);
-- Date texts not written as dd.MM.yyyy (by hand, by another program) are few; they are found here.
CREATE INDEX IF NOT EXISTS GIDERLER_serbest_tarih ON GIDERLER(gider_tarihi, gider_iptal, gider_tutar,
    gider_yapan, gider_ad, gider_saati, gider_aciklama)
    WHERE gider_tarihi NOT GLOB '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]';
)";

// One IPTALLER row per archived action; the rows it took away in IPTAL_HAREKETLER with their old keys.
// A deleted person's MUSTERILER columns stand in the item itself.
const char* const archiveSchema = R"(
CREATE TABLE IF NOT EXISTS IPTALLER (
    iptal_no INTEGER PRIMARY KEY AUTOINCREMENT,
    islem TEXT NOT NULL DEFAULT '',
    tarih TEXT NOT NULL DEFAULT '',
    saat TEXT NOT NULL DEFAULT '',
    kullanici TEXT NOT NULL DEFAULT '',
    bilgisayar TEXT NOT NULL DEFAULT '',
    uye_kodu TEXT NOT NULL DEFAULT '',
    adisoyadi TEXT NOT NULL DEFAULT '',
    istel TEXT NOT NULL DEFAULT '',
    ceptel TEXT NOT NULL DEFAULT '',
    tc TEXT NOT NULL DEFAULT '',
    verdai TEXT NOT NULL DEFAULT '',
    adres TEXT NOT NULL DEFAULT '',
    SonBakiye TEXT NOT NULL DEFAULT '',
    SonBakiye_usd TEXT NOT NULL DEFAULT '',
    SonBakiye_euro TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS IPTAL_HAREKETLER (
    sira INTEGER PRIMARY KEY AUTOINCREMENT,
    iptal_no INTEGER NOT NULL,
    otokod INTEGER NOT NULL,
    uye_kodu TEXT NOT NULL DEFAULT '',
    aylar TEXT NOT NULL DEFAULT '',
    tutar TEXT NOT NULL DEFAULT '',
    durum TEXT NOT NULL DEFAULT '',
    tarih TEXT NOT NULL DEFAULT '',
    para_cinsi TEXT NOT NULL DEFAULT '',
    adisoyadi TEXT NOT NULL DEFAULT '',
    istel TEXT NOT NULL DEFAULT '',
    ceptel TEXT NOT NULL DEFAULT '',
    tc TEXT NOT NULL DEFAULT '',
    verdai TEXT NOT NULL DEFAULT '',
    adres TEXT NOT NULL DEFAULT '',
    para TEXT NOT NULL DEFAULT '',
    vade TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS IPTAL_HAREKETLER_iptal_no ON IPTAL_HAREKETLER(iptal_no);
)";

bool fileIdentity(const QString& path, dev_t* dev, ino_t* ino)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *dev = st.st_dev;
    *ino = st.st_ino;
    return true;
}

// Renames a finished file into its place, never over a file that appeared meanwhile; the folder is
// synced so that the rename survives a power cut.
bool renameNew(const QString& from, const QString& to)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS)
            return false;
        // A file system without RENAME_NOREPLACE: a hard link fails as well when the name is taken.
        if (::link(a.constData(), b.constData()) != 0)
            return false;
        ::unlink(a.constData());
    }
    const int dir = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool tableExists(Database& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1"),
                     {table})
               .toLongLong() > 0;
}

// A book written before a column existed gets it, empty, in the transaction that prepares its file; an
// existing row keeps every value.
void addMissingColumn(Database& db, const QString& table, const QString& column)
{
    {
        // The table name is one of this file's own, never a value from outside.
        Statement st = db.prepare(QStringLiteral("PRAGMA table_info(") + table + QLatin1Char(')'));
        while (st.step())
            if (st.text(QStringLiteral("name")).compare(column, Qt::CaseInsensitive) == 0)
                return;
    }
    db.exec(QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD COLUMN ") + column +
            QStringLiteral(" TEXT NOT NULL DEFAULT ''"));
}

} // namespace

Store::Store(const QString& dataFolder, const QString& vfs) : m_folder(dataFolder), m_vfs(vfs)
{
    m_accountsBook.emplace(&m_accounts.db);
    m_incomeBook.emplace(&m_income.db);
    m_expenseBook.emplace(&m_expense.db);
}

std::unique_ptr<Store> Store::onServer(const QString& dataFolder, const QString& serverUri)
{
    auto store = std::make_unique<Store>(dataFolder);
    store->m_serverUri = serverUri;
    store->m_serverAccounts.searchPath = accountsSearchPath();
    store->m_serverIncome.searchPath = ledgerSearchPath(Ledger::Income);
    store->m_serverExpense.searchPath = ledgerSearchPath(Ledger::Expense);
    store->m_accountsBook.emplace(&store->m_serverAccounts.conn);
    store->m_incomeBook.emplace(&store->m_serverIncome.conn);
    store->m_expenseBook.emplace(&store->m_serverExpense.conn);
    return store;
}

Store::~Store() = default;

QString Store::path(const QString& fileName) const
{
    return QDir(m_folder).filePath(fileName);
}

QList<StoreProblem> Store::initialize()
{
    QList<StoreProblem> problems;
    if (!DataFolder::makePrivate(m_folder)) {
        problems.append({m_folder, QStringLiteral("VERİ KLASÖRÜ OLUŞTURULAMADI:\n") + m_folder});
        return problems;
    }
    for (const char* sub : {"data", "image", "iptaller"})
        DataFolder::makePrivate(path(QString::fromLatin1(sub)));
    if (onServer()) {
        if (auto problem = initializeServer())
            problems.append(*problem);
    }

    // An existing file is opened as it is (a file that holds no database, 0 bytes included, is
    // reported and left alone). A missing one is made complete under a temporary name and only then
    // renamed into place, so a start killed half way never leaves an empty or half-made file behind.
    auto prepare = [&](const QString& name, const QString& key, auto&& createTables) {
        const QString file = path(name);
        const QFileInfo info(file);
        const bool existed = info.exists() || info.isSymLink();
        const QString made = file + QStringLiteral(".yeni");
        auto removeMade = [&] {
            QFile::remove(made);
            QFile::remove(made + QStringLiteral("-journal"));
        };
        try {
            if (!existed)
                removeMade(); // left by a start that did not finish
            {
                Database db = Database::open(
                    existed ? file : made, key,
                    existed ? Database::Mode::ReadWrite : Database::Mode::ReadWriteCreate, m_vfs);
                Transaction tx(db);
                createTables(db);
                tx.commit();
            }
            if (!existed && !renameNew(made, file))
                throw DbError(SQLITE_CANTOPEN, QStringLiteral("cannot rename the new file into place"), file);
        } catch (const DbError& e) {
            if (!existed)
                removeMade(); // only what this call made itself
            problems.append({name, e.turkishText()});
        }
    };
    const QString key = databasePassword();
    if (onServer()) {
        prepare(QString::fromLatin1(files::scratch), QString(), [](Database& db) {
            if (db.scalar(QStringLiteral("PRAGMA user_version")).toInt() == 0)
                db.exec(QStringLiteral("PRAGMA user_version = 1"));
        });
        return problems;
    }
    prepare(QString::fromLatin1(files::customers), key,
            [](Database& db) { db.exec(QString::fromLatin1(customerSchema)); });
    prepare(QString::fromLatin1(files::transactions), key, [](Database& db) {
        db.exec(QString::fromLatin1(transactionSchema));
        addMissingColumn(db, QStringLiteral("CARIKART"), QStringLiteral("vade"));
        // A book from before the open items: every person with rows waits for theirs.
        const bool itemsNew = !tableExists(db, QStringLiteral("ACIK_KALEMLER"));
        db.exec(QString::fromLatin1(openItemsSchema));
        if (itemsNew)
            db.exec(QStringLiteral("INSERT OR IGNORE INTO ACIK_DEGISEN (uye_kodu) SELECT DISTINCT uye_kodu "
                                   "FROM CARIKART"));
    });
    for (const char* name : {files::income, files::expense}) {
        prepare(QString::fromLatin1(name), key, [](Database& db) {
            db.exec(QString::fromLatin1(ledgerSchema));
            // The one cash-box row comes with the table; an existing table is never refilled.
            if (!tableExists(db, QStringLiteral("KASA_NET"))) {
                db.exec(QStringLiteral("CREATE TABLE KASA_NET (Kasa_net_bakiye TEXT NOT NULL DEFAULT '')"));
                db.exec(QStringLiteral("INSERT INTO KASA_NET (Kasa_net_bakiye) VALUES ('0')"));
            }
        });
    }
    prepare(QString::fromLatin1(files::archive), key, [](Database& db) {
        db.exec(QString::fromLatin1(archiveSchema));
        addMissingColumn(db, QStringLiteral("IPTAL_HAREKETLER"), QStringLiteral("vade"));
    });
    prepare(QString::fromLatin1(files::scratch), QString(), [](Database& db) {
        if (db.scalar(QStringLiteral("PRAGMA user_version")).toInt() == 0)
            db.exec(QStringLiteral("PRAGMA user_version = 1"));
    });
    return problems;
}

Database& Store::connection(Slot& slot, const QString& file, const QString& key,
                            const std::vector<Attachment>& attachments)
{
    QStringList paths{path(file)};
    QStringList aliases{QStringLiteral("main")};
    for (const Attachment& a : attachments) {
        paths << path(QString::fromLatin1(a.file));
        aliases << QString::fromLatin1(a.alias);
    }
    std::vector<Identity> identities(static_cast<size_t>(paths.size()));
    qsizetype missing = -1;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        Identity& id = identities[static_cast<size_t>(i)];
        if (!fileIdentity(paths.at(i), &id.dev, &id.ino) && missing < 0)
            missing = i;
    }
    // A file that was read-only when it was opened stays so for its connection: once the file can be
    // written again, a new connection lets the program save without a restart.
    auto writableAgain = [&] {
        for (qsizetype i = 0; i < paths.size(); ++i)
            if (sqlite3_db_readonly(slot.db.handle(), aliases.at(i).toUtf8().constData()) == 1 &&
                ::access(QFile::encodeName(paths.at(i)).constData(), W_OK) == 0)
                return true;
        return false;
    };
    if (slot.db.isOpen() && missing < 0 && identities == slot.files && !slot.db.inTransaction() &&
        !writableAgain())
        return slot.db;
    if (slot.db.isOpen() && slot.db.inTransaction())
        return slot.db; // never swap a connection under a running transaction
    slot.db = Database();
    if (missing >= 0)
        throw DbError(SQLITE_CANTOPEN, QStringLiteral("file not found"), paths.at(missing));
    Database db = Database::open(paths.first(), key, Database::Mode::ReadWrite, m_vfs);
    for (qsizetype i = 1; i < paths.size(); ++i)
        db.attach(paths.at(i), aliases.at(i), key);
    slot.db = std::move(db);
    slot.files = std::move(identities);
    return slot.db;
}

std::optional<StoreProblem> Store::initializeServer()
{
    try {
        PgConnection& conn = accounts().server();
        // createServerSchema looks again under its lock, so two desks starting at once make one book.
        const ServerSchemaState state = inspectServerSchema(conn);
        if (state.kind != ServerSchemaState::Kind::Book)
            createServerSchema(conn);
        else if (state.version < currentServerSchemaVersion())
            upgradeServerSchema(conn);
        if (!m_watcher) {
            m_watcher = std::make_unique<BookWatcher>(m_serverUri, [this](int pid) {
                return pid == m_serverAccounts.conn.backendPid() || pid == m_serverIncome.conn.backendPid() ||
                       pid == m_serverExpense.conn.backendPid();
            });
        }
        return std::nullopt;
    } catch (const PgError& e) {
        closeAll();
        StoreProblem problem{e.server(), e.turkishText(), true};
        if (e.kind() == PgError::Kind::ForeignDatabase)
            problem.text = QStringLiteral("SUNUCU: ") + e.server() +
                           QStringLiteral("\nVERİTABANI BOŞ DEĞİL VE BİR KALVORA DEFTERİ DEĞİL (İÇİNDEKİ: ") +
                           e.message() + QStringLiteral("). HİÇBİR ŞEY DEĞİŞTİRİLMEDİ.");
        return problem;
    }
}

BookConnection& Store::server(ServerSlot& slot, BookConnection& book)
{
    // Opened on first use; from then on the connection itself connects again after a break.
    if (!slot.conn.isOpen())
        slot.conn = PgConnection::open(m_serverUri, slot.searchPath);
    return book;
}

BookConnection& Store::accounts()
{
    if (onServer())
        return server(m_serverAccounts, *m_accountsBook);
    connection(m_accounts, QString::fromLatin1(files::customers), databasePassword(),
               {{files::transactions, "cari"}, {files::archive, "iptal"}});
    return *m_accountsBook;
}

BookConnection& Store::wholeBook()
{
    if (onServer())
        return accounts();
    connection(m_whole, QString::fromLatin1(files::customers), databasePassword(),
               {{files::transactions, "cari"},
                {files::archive, "iptal"},
                {files::income, "gelir"},
                {files::expense, "gider"}});
    if (!m_wholeBook)
        m_wholeBook.emplace(&m_whole.db);
    return *m_wholeBook;
}

BookConnection& Store::ledger(Ledger which)
{
    const bool income = which == Ledger::Income;
    if (onServer())
        return income ? server(m_serverIncome, *m_incomeBook) : server(m_serverExpense, *m_expenseBook);
    if (income) {
        connection(m_income, QString::fromLatin1(files::income), databasePassword(), {});
        return *m_incomeBook;
    }
    connection(m_expense, QString::fromLatin1(files::expense), databasePassword(), {});
    return *m_expenseBook;
}

std::optional<qint64> Store::accountsVersion()
{
    if (onServer()) {
        // Without a watch nothing can be told: read everybody again.
        if (!m_watcher || !m_watcher->listening())
            return std::nullopt;
        m_watcher->poll();
        return m_watcher->changesOf(QStringLiteral("cari"));
    }
    return accounts().file().scalar(QStringLiteral("PRAGMA main.data_version")).toLongLong();
}

BookConnection* Store::transactionsReader()
{
    if (onServer())
        return nullptr;
    // A file that fits the accounts' connection's cache is read from there without decrypting again,
    // faster than any second connection could.
    if (QFileInfo(path(QString::fromLatin1(files::transactions))).size() < m_readerFrom)
        return nullptr;
    Database& db = connection(m_reader, QString::fromLatin1(files::transactions), databasePassword(), {});
    // A list read straight through gains nothing from a cache; the accounts' connection keeps its own.
    db.exec(QStringLiteral("PRAGMA cache_size = -2048"));
    if (!m_readerBook)
        m_readerBook.emplace(&m_reader.db);
    return &*m_readerBook;
}

Database& Store::scratch()
{
    return connection(m_scratch, QString::fromLatin1(files::scratch), QString(), {});
}

void Store::closeAll()
{
    m_accounts.db = Database();
    m_income.db = Database();
    m_expense.db = Database();
    m_scratch.db = Database();
    m_reader.db = Database();
    m_whole.db = Database();
    m_serverAccounts.conn = PgConnection();
    m_serverIncome.conn = PgConnection();
    m_serverExpense.conn = PgConnection();
}

} // namespace kalvora
