#include "backup.h"

#include "server_dump.h"

#include "data/data_folder.h"
#include "data/database.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QRegularExpression>
#include <QSettings>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <unistd.h>

namespace kalvora::backup {

namespace {

// A failure with its Turkish text; the action stops and whatever it began is undone.
struct Failure {
    QString text;
};
struct Cancelled {};

QString manifestName()
{
    return QString::fromLatin1(manifestFileName);
}

// The archive's name in a backup folder.
QString archiveName()
{
    return QFileInfo(QString::fromLatin1(files::archive)).fileName();
}

// A data folder from before the archive has none; the first start of the program creates it.
bool optionalFile(const QString& name)
{
    return name == archiveName();
}

// The table whose rows a file's count reports.
QString countTable(const QString& file)
{
    if (file == QLatin1String(files::customers))
        return QStringLiteral("MUSTERILER");
    if (file == QLatin1String(files::transactions))
        return QStringLiteral("CARIKART");
    if (file == archiveName())
        return QStringLiteral("IPTALLER");
    return QStringLiteral("GIDERLER");
}

// A DbError as a reason after a file name that is already given.
QString reasonText(const DbError& e)
{
    return DbError(e.code(), e.message(), QString())
        .turkishText()
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString writeFailure(const QString& path, const QString& error)
{
    return QStringLiteral("DOSYA YAZILAMADI: ") + QDir::toNativeSeparators(path) + QLatin1Char('\n') + error +
           QStringLiteral("\n(DİSK DOLU YA DA KLASÖR SALT OKUNUR OLABİLİR.)");
}

// Spreads the reports of one action over a number of equal steps.
class Reporter {
public:
    Reporter(const ProgressFn& fn, int steps) : m_fn(fn), m_steps(std::max(1, steps)) {}

    void begin(const QString& text)
    {
        m_text = text;
        report(0.0);
    }
    void report(double fraction)
    {
        if (!m_fn)
            return;
        fraction = std::clamp(fraction, 0.0, 1.0);
        const int percent = static_cast<int>((std::min(m_done, m_steps) + fraction) * 100.0 / m_steps);
        if (!m_fn({m_text, std::min(percent, 100)}))
            throw Cancelled{};
    }
    void end()
    {
        report(1.0);
        ++m_done;
    }
    void back(int steps) { m_done = std::max(0, m_done - steps); }
    // Shows text in place of the step's own until the step goes on.
    void wait(const QString& text)
    {
        const QString own = m_text;
        m_text = text;
        report(0.0);
        m_text = own;
    }

private:
    ProgressFn m_fn;
    int m_steps;
    int m_done = 0;
    QString m_text;
};

ProgressFn subRange(const ProgressFn& fn, int from, int to)
{
    if (!fn)
        return {};
    return [fn, from, to](const Progress& p) { return fn({p.text, from + (to - from) * p.percent / 100}); };
}

// Each attempt on a busy file gives up soon, so the wait is shown as it goes.
constexpr int busyAttemptMs = 100;

Database openSource(const QString& path, const QString& key)
{
    Database db = Database::open(path, key, Database::Mode::ReadWrite, QString(), busyAttemptMs);
    db.setBusyTimeout(Database::defaultBusyTimeoutMs);
    return db;
}

bool isBusy(const DbError& e)
{
    return (e.code() & 0xff) == SQLITE_BUSY || (e.code() & 0xff) == SQLITE_LOCKED;
}

// Runs an action on the data folder's files again while another program keeps one of them busy (the
// main program saving, a report being read), showing what it waits for, until limitMs have passed;
// then the lock is reported like any other failure.
template <typename Action>
auto whileBusy(Reporter& reporter, int limitMs, const Action& action) -> decltype(action())
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        try {
            return action();
        } catch (const DbError& e) {
            if (!isBusy(e) || waited.elapsed() >= limitMs)
                throw;
            reporter.wait(
                QStringLiteral("DOSYA KULLANIMDA, BEKLENİYOR: ") + e.fileName() +
                QStringLiteral(" (%1 / %2 SN)").arg(waited.elapsed() / 1000).arg((limitMs + 999) / 1000));
            QThread::msleep(200);
        }
    }
}

bool syncFile(QFile& f)
{
    return f.flush() && ::fsync(f.handle()) == 0;
}

// A rename is only durable once the folder holding it is synced.
void syncFolder(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void syncPath(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        return {};
    return hash.result().toHex();
}

// Copies byte for byte into a new file, synced; returns the SHA-256 of what was copied.
QByteArray copyFile(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure{QStringLiteral("DOSYA OKUNAMADI: ") + QDir::toNativeSeparators(from) +
                      QLatin1Char('\n') + in.errorString()};
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Failure{writeFailure(to, out.errorString())};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            throw Failure{QStringLiteral("DOSYA OKUNAMADI: ") + QDir::toNativeSeparators(from) +
                          QLatin1Char('\n') + in.errorString()};
        if (n == 0)
            break;
        hash.addData(QByteArrayView(buffer.constData(), n));
        if (out.write(buffer.constData(), n) != n)
            throw Failure{writeFailure(to, out.errorString())};
    }
    if (!syncFile(out))
        throw Failure{writeFailure(to, out.errorString())};
    out.close();
    if (out.error() != QFileDevice::NoError)
        throw Failure{writeFailure(to, out.errorString())};
    return hash.result().toHex();
}

void writeFileSynced(const QString& path, const QByteArray& content)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly) || out.write(content) != content.size() ||
        !syncFile(out))
        throw Failure{writeFailure(path, out.errorString())};
}

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The folder a backup is written into; removed with everything in it unless kept.
class TempFolder {
public:
    explicit TempFolder(const QString& path) : m_path(path)
    {
        if (!QDir().mkdir(m_path))
            throw Failure{QStringLiteral("YEDEK KLASÖRÜNE YAZILAMIYOR:\n") +
                          QDir::toNativeSeparators(m_path) +
                          QStringLiteral("\n(DİSK DOLU YA DA KLASÖR SALT OKUNUR OLABİLİR.)")};
    }
    ~TempFolder()
    {
        if (!m_kept)
            QDir(m_path).removeRecursively();
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const QString& path() const { return m_path; }
    QString filePath(const QString& name) const { return QDir(m_path).filePath(name); }
    void keep() { m_kept = true; }

private:
    QString m_path;
    bool m_kept = false;
};

// Folders of backups that died half-way (their process is gone) are of no use to anybody.
void removeAbandoned(const QString& target)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.KALVORA_YEDEK_[0-9_]+\\.([0-9]+)\\.tmp$"));
    const QDir dir(target);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch() && !processAlive(m.captured(1).toLongLong()))
            QDir(dir.filePath(name)).removeRecursively();
    }
}

// A new backup's names: the dated folder it will be and the hidden folder it is written in first.
struct BackupName {
    QDateTime created;
    QString stamp;
    QString scratch;
};

// Makes the backup folder ready (created, cleared of abandoned halves) and names the new backup.
BackupName prepareTarget(const QString& target)
{
    if (!QDir().mkpath(target) || !QFileInfo(target).isDir())
        throw Failure{QStringLiteral("YEDEK KLASÖRÜ OLUŞTURULAMADI:\n") + QDir::toNativeSeparators(target)};
    removeAbandoned(target);
    BackupName name;
    name.created = QDateTime::currentDateTime();
    name.stamp = QString::fromLatin1(folderPrefix) + name.created.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    name.scratch =
        QDir(target).filePath(QLatin1Char('.') + name.stamp + QLatin1Char('.') +
                              QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".tmp"));
    return name;
}

// Keeps the given schemas of a connection in one read transaction: no other connection can commit
// to them until it ends, so what is read belongs to one moment.
class ReadLock {
public:
    ReadLock(Database& db, const QStringList& schemas) : m_db(db)
    {
        m_db.exec(QStringLiteral("BEGIN"));
        try {
            for (const QString& s : schemas)
                m_db.exec(QStringLiteral("SELECT count(*) FROM ") + s + QStringLiteral(".sqlite_master"));
        } catch (...) {
            end();
            throw;
        }
    }
    ~ReadLock() { end(); }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

private:
    void end()
    {
        if (!m_db.inTransaction())
            return;
        try {
            m_db.exec(QStringLiteral("COMMIT"));
        } catch (const DbError&) {
        }
    }
    Database& m_db;
};

struct DbCheck {
    QString problem;
    qint64 count = -1;
};

// Runs the integrity check on a connection and counts the rows of its table.
DbCheck checkConnection(Database& db, const QString& table)
{
    DbCheck out;
    try {
        QStringList rows;
        {
            Statement st = db.prepare(QStringLiteral("PRAGMA integrity_check"));
            while (rows.size() < 3 && st.step())
                rows << st.text(0);
        }
        if (rows != QStringList{QStringLiteral("ok")}) {
            out.problem = QStringLiteral("BÜTÜNLÜK DENETİMİ BAŞARISIZ (") + rows.join(QStringLiteral("; ")) +
                          QLatin1Char(')');
            return out;
        }
        const bool hasTable =
            db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1"),
                      {table})
                .toLongLong() > 0;
        if (hasTable)
            out.count = db.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
    } catch (const DbError& e) {
        out.problem = reasonText(e);
    }
    return out;
}

DbCheck checkDatabase(const QString& path, const QString& key, const QString& table)
{
    try {
        Database db = Database::open(path, key, Database::Mode::ReadOnly);
        return checkConnection(db, table);
    } catch (const DbError& e) {
        return {reasonText(e), -1};
    }
}

struct BackupFinisher {
    void operator()(sqlite3_backup* b) const { sqlite3_backup_finish(b); }
};

// Online copies of database files into the temporary folder.
class Copier {
public:
    Copier(const Backups::Options& options, const QString& key, Reporter& reporter)
        : m_options(options), m_key(key), m_reporter(reporter)
    {}

    // Copies one schema of source into a new file at destPath with the same key, then checks the
    // copy as read back from the disk. Unless lockHeld, the source is released between steps; a
    // writer's commit restarts the copy, and after a few restarts the source is held still until the
    // copy is done.
    DbCheck copy(Database& source, const QString& schema, const QString& sourcePath, const QString& destPath,
                 bool lockHeld, const QString& table)
    {
        QFile::remove(destPath);
        QFileInfo(destPath).dir().mkpath(QStringLiteral("."));
        Database dest =
            Database::open(destPath, m_key, Database::Mode::ReadWriteCreate, m_options.destinationVfs);
        const QByteArray schemaName = schema.toUtf8();
        std::unique_ptr<sqlite3_backup, BackupFinisher> backup(
            sqlite3_backup_init(dest.handle(), "main", source.handle(), schemaName.constData()));
        if (!backup)
            dest.raise(sqlite3_errcode(dest.handle()));
        std::optional<ReadLock> lock;
        int lastRemaining = -1;
        int restarts = 0;
        double done = 0.0;
        QElapsedTimer busy;
        for (;;) {
            const int rc = sqlite3_backup_step(backup.get(), std::max(1, m_options.pagesPerStep));
            if (rc == SQLITE_DONE)
                break;
            if (rc == SQLITE_OK) {
                busy.invalidate();
                const int remaining = sqlite3_backup_remaining(backup.get());
                const int total = sqlite3_backup_pagecount(backup.get());
                if (lastRemaining >= 0 && remaining > lastRemaining)
                    ++restarts;
                lastRemaining = remaining;
                done = total > 0 ? 1.0 - static_cast<double>(remaining) / total : 0.0;
                m_reporter.report(done);
                if (restarts >= 3 && !lockHeld && !lock)
                    lock.emplace(source, QStringList{schema});
                continue;
            }
            const int primary = rc & 0xff;
            if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
                if (!busy.isValid())
                    busy.start();
                else if (busy.elapsed() > m_options.busyLimitMs)
                    throw DbError(rc, QString::fromUtf8(sqlite3_errstr(rc)), sourcePath);
                if (busy.elapsed() >= 1000)
                    m_reporter.wait(QStringLiteral("DOSYA KULLANIMDA, BEKLENİYOR: ") +
                                    QFileInfo(sourcePath).fileName());
                else
                    m_reporter.report(done);
                QThread::msleep(20);
                continue;
            }
            backup.reset();
            const bool readSide = primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB ||
                                  rc == SQLITE_IOERR_READ || rc == SQLITE_IOERR_SHORT_READ;
            throw DbError(rc, QString::fromUtf8(sqlite3_errstr(rc)), readSide ? sourcePath : destPath);
        }
        const int rc = sqlite3_backup_finish(backup.release());
        if (rc != SQLITE_OK)
            dest.raise(rc);
        lock.reset();
        // Dropping the cached pages makes the check read (and decrypt) what is on the disk.
        sqlite3_db_release_memory(dest.handle());
        return checkConnection(dest, table);
    }

private:
    const Backups::Options& m_options;
    QString m_key;
    Reporter& m_reporter;
};

QStringList templateFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.fr3")}, QDir::Files, QDir::Name);
}

// Writes the manifest into the finished temporary folder and renames it to its dated name.
QString placeBackup(TempFolder& tmp, const QString& target, const QString& stamp, const Manifest& manifest)
{
    writeFileSynced(tmp.filePath(manifestName()), manifest.toJson());
    syncFolder(tmp.path());
    QString finalPath;
    for (int n = 1; n < 1000 && finalPath.isEmpty(); ++n) {
        const QString candidate =
            QDir(target).filePath(n == 1 ? stamp : stamp + QLatin1Char('_') + QString::number(n));
        if (!QFileInfo::exists(candidate) && QDir().rename(tmp.path(), candidate))
            finalPath = candidate;
    }
    if (finalPath.isEmpty())
        throw Failure{writeFailure(tmp.path(), QStringLiteral("YEDEK KLASÖRÜ ADLANDIRILAMADI."))};
    tmp.keep();
    syncFolder(target);
    return finalPath;
}

QString dumpName()
{
    return QString::fromLatin1(server::dumpFileName);
}

// sifre.dll and the report templates, which stay in the data folder whichever store holds the book.
QStringList otherFiles(const QString& dataFolder)
{
    QStringList list;
    if (QFileInfo(QDir(dataFolder).filePath(QString::fromLatin1(files::password))).isFile())
        list << QString::fromLatin1(files::password);
    return list + templateFiles(dataFolder);
}

} // namespace

const QStringList& databaseFiles()
{
    static const QStringList names{
        QString::fromLatin1(files::customers), QString::fromLatin1(files::transactions),
        QString::fromLatin1(files::income), QString::fromLatin1(files::expense), archiveName()};
    return names;
}

QString dataFilePath(const QString& dataFolder, const QString& name)
{
    return QDir(dataFolder).filePath(name == archiveName() ? QString::fromLatin1(files::archive) : name);
}

Backups::Backups(const QString& dataFolder, const QString& key) : Backups(dataFolder, key, Options{}) {}

Backups::Backups(const QString& dataFolder, const QString& key, const Options& options)
    : m_dataFolder(dataFolder), m_key(key), m_options(options)
{}

Outcome Backups::create(const QString& target, Kind kind, const ProgressFn& progress) const
{
    if (!m_options.server.isEmpty())
        return createOnServer(target, kind, progress);
    // The backup taken before a restore must succeed even when the current data is missing or
    // damaged (that is why one restores): what does not open is copied byte for byte.
    const bool tolerant = kind == Kind::BeforeRestore;
    const QDir data(m_dataFolder);
    Outcome out;
    try {
        if (m_key.isEmpty())
            throw Failure{QStringLiteral("VERİTABANI ŞİFRESİ VERİLMEDİ.")};
        if (!tolerant) {
            for (const QString& name : databaseFiles())
                if (!optionalFile(name) && !QFileInfo(dataFilePath(m_dataFolder, name)).isFile())
                    throw Failure{QStringLiteral("VERİ DOSYASI BULUNAMADI: ") + name + QLatin1Char('\n') +
                                  QDir::toNativeSeparators(m_dataFolder)};
        }
        const BackupName name = prepareTarget(target);
        const QDateTime& now = name.created;
        const QString& stamp = name.stamp;
        TempFolder tmp(name.scratch);

        const QStringList others = otherFiles(m_dataFolder);
        Reporter reporter(progress, static_cast<int>(databaseFiles().size()) + 2);
        Copier copier(m_options, m_key, reporter);
        QMap<QString, DbCheck> checks; // the databases in the backup, each checked as written

        auto copyText = [](const QString& name) { return QStringLiteral("KOPYALANIYOR: ") + name; };
        if (!tolerant) {
            // The people, their transactions and the archive change together: one connection, as the
            // program's own, holds all three.
            QList<QPair<QString, QString>> group{
                {QString::fromLatin1(files::customers), QStringLiteral("main")},
                {QString::fromLatin1(files::transactions), QStringLiteral("cari")}};
            const bool withArchive = QFileInfo(dataFilePath(m_dataFolder, archiveName())).isFile();
            Database accounts = whileBusy(reporter, m_options.busyLimitMs, [&] {
                Database db = Database::open(data.filePath(group.first().first), m_key,
                                             Database::Mode::ReadWrite, QString(), busyAttemptMs);
                db.attach(data.filePath(group.last().first), group.last().second, m_key);
                if (withArchive)
                    db.attach(dataFilePath(m_dataFolder, archiveName()), QStringLiteral("iptal"), m_key);
                db.setBusyTimeout(Database::defaultBusyTimeoutMs);
                return db;
            });
            if (withArchive)
                group.append({archiveName(), QStringLiteral("iptal")});
            else
                reporter.end(); // nothing to copy
            QStringList schemas;
            for (const auto& member : group)
                schemas << member.second;
            auto versions = [&] {
                QList<qint64> out;
                for (const QString& schema : schemas)
                    out << accounts
                               .scalar(QStringLiteral("PRAGMA ") + schema + QStringLiteral(".data_version"))
                               .toLongLong();
                return out;
            };
            auto copyGroup = [&](bool locked) {
                for (const auto& [name, schema] : group) {
                    reporter.begin(copyText(name));
                    checks[name] = copier.copy(accounts, schema, dataFilePath(m_dataFolder, name),
                                               tmp.filePath(name), locked, countTable(name));
                    reporter.end();
                }
            };
            const auto before = versions();
            copyGroup(false);
            if (versions() != before) {
                // A change was committed between the copies: the people, their transactions and the
                // archive must come from one moment, so copy them again while the files stay still.
                reporter.back(static_cast<int>(group.size()));
                const auto lock = whileBusy(reporter, m_options.busyLimitMs,
                                            [&] { return std::make_shared<ReadLock>(accounts, schemas); });
                copyGroup(true);
            }
            for (const char* ledger : {files::income, files::expense}) {
                const QString name = QString::fromLatin1(ledger);
                reporter.begin(copyText(name));
                Database source = whileBusy(reporter, m_options.busyLimitMs,
                                            [&] { return openSource(data.filePath(name), m_key); });
                checks[name] = copier.copy(source, QStringLiteral("main"), data.filePath(name),
                                           tmp.filePath(name), false, countTable(name));
                reporter.end();
            }
            for (auto it = checks.cbegin(); it != checks.cend(); ++it)
                if (!it->problem.isEmpty())
                    throw Failure{QStringLiteral("VERİ DOSYASI BOZUK: ") + it.key() + QLatin1Char('\n') +
                                  it->problem};
        } else {
            for (const QString& name : databaseFiles()) {
                reporter.begin(copyText(name));
                const QString path = dataFilePath(m_dataFolder, name);
                if (QFileInfo(path).isFile()) {
                    try {
                        Database source = whileBusy(reporter, m_options.busyLimitMs,
                                                    [&] { return openSource(path, m_key); });
                        checks[name] = copier.copy(source, QStringLiteral("main"), path, tmp.filePath(name),
                                                   true, countTable(name));
                    } catch (const DbError& e) {
                        // Only a file that does not open is copied byte for byte; one in use is not.
                        if (e.file() != path || isBusy(e))
                            throw;
                        QFile::remove(tmp.filePath(name));
                        copyFile(path, tmp.filePath(name));
                        checks[name] = DbCheck{reasonText(e), -1};
                    }
                }
                reporter.end();
            }
        }

        reporter.begin(copyText(others.join(QStringLiteral(", "))));
        for (const QString& name : others)
            copyFile(data.filePath(name), tmp.filePath(name));
        reporter.end();

        reporter.begin(QStringLiteral("TAMAMLANIYOR"));
        Manifest manifest;
        manifest.created = now;
        manifest.kind = kind;
        manifest.sourceFolder = QDir::toNativeSeparators(m_dataFolder);
        manifest.counts.people = checks.value(QString::fromLatin1(files::customers)).count;
        manifest.counts.transactions = checks.value(QString::fromLatin1(files::transactions)).count;
        manifest.counts.incomeEntries = checks.value(QString::fromLatin1(files::income)).count;
        manifest.counts.expenseEntries = checks.value(QString::fromLatin1(files::expense)).count;
        for (const QString& name : databaseFiles()) {
            if (!checks.contains(name))
                continue;
            syncPath(tmp.filePath(name));
            manifest.files.append(
                {name, QFileInfo(tmp.filePath(name)).size(), fileHash(tmp.filePath(name)), true});
        }
        for (const QString& name : others)
            manifest.files.append(
                {name, QFileInfo(tmp.filePath(name)).size(), fileHash(tmp.filePath(name)), false});
        for (const FileEntry& f : manifest.files)
            if (f.sha256.isEmpty())
                throw Failure{QStringLiteral("YEDEK DOSYASI OKUNAMADI: ") + f.name};

        const QString finalPath = placeBackup(tmp, target, stamp, manifest);
        reporter.end();

        out.ok = true;
        out.folder = QDir(finalPath).absolutePath();
        out.text = QStringLiteral("YEDEK ALINDI:\n") + QDir::toNativeSeparators(out.folder);
        if (manifest.counts.people >= 0 && manifest.counts.transactions >= 0)
            out.text += QStringLiteral("\n\nKİŞİ SAYISI: %1\nHAREKET SAYISI: %2")
                            .arg(manifest.counts.people)
                            .arg(manifest.counts.transactions);
    } catch (const Failure& f) {
        out.text =
            QStringLiteral("YEDEK ALINAMADI.\n") + f.text + QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
    } catch (const DbError& e) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + e.turkishText() +
                   QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
    } catch (const Cancelled&) {
        out.cancelled = true;
        out.text = QStringLiteral("YEDEKLEME İPTAL EDİLDİ. YARIM KALAN YEDEK SİLİNDİ.");
    } catch (const std::exception& e) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + QString::fromLocal8Bit(e.what()) +
                   QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
    }
    return out;
}

Verification Backups::verify(const QString& backupFolder, const ProgressFn& progress) const
{
    Verification v;
    const QDir dir(backupFolder);
    QFile mf(dir.filePath(manifestName()));
    if (!mf.exists()) {
        v.problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) BULUNAMADI.").arg(manifestName());
        return v;
    }
    if (!mf.open(QIODevice::ReadOnly)) {
        v.problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) OKUNAMADI: ").arg(manifestName()) +
                          mf.errorString();
        return v;
    }
    v.manifest = Manifest::fromJson(mf.readAll());
    if (!v.manifest) {
        v.problems << QStringLiteral("YEDEK BİLGİ DOSYASI (%1) BOZUK.").arg(manifestName());
        return v;
    }
    const bool serverBook = !v.manifest->server.isEmpty();
    if (serverBook && !v.manifest->file(dumpName()))
        v.problems << dumpName() + QStringLiteral(": YEDEKTE YOK.");
    if (!serverBook && v.manifest->kind != Kind::BeforeRestore)
        for (const QString& name : databaseFiles())
            if (!optionalFile(name) && !v.manifest->file(name))
                v.problems << name + QStringLiteral(": YEDEKTE YOK.");
    try {
        Reporter reporter(progress, static_cast<int>(v.manifest->files.size()) + (serverBook ? 1 : 0));
        for (const FileEntry& f : v.manifest->files) {
            reporter.begin(QStringLiteral("DOĞRULANIYOR: ") + f.name);
            const QString path = dir.filePath(f.name);
            const QFileInfo info(path);
            if (!info.isFile())
                v.problems << f.name + QStringLiteral(": DOSYA EKSİK.");
            else if (info.size() != f.size)
                v.problems << f.name + QStringLiteral(": DOSYA BOYUTU DEĞİŞMİŞ (BOZUK).");
            else if (fileHash(path) != f.sha256)
                v.problems << f.name + QStringLiteral(": DOSYA İÇERİĞİ DEĞİŞMİŞ (BOZUK).");
            else if (f.database) {
                const DbCheck check = checkDatabase(path, m_key, countTable(f.name));
                if (!check.problem.isEmpty())
                    v.problems << f.name + QStringLiteral(": ") + check.problem;
            }
            reporter.end();
        }
        // A dump whose bytes match is also read back whole: its table list and every table's rows.
        if (serverBook && v.problems.isEmpty()) {
            reporter.begin(QStringLiteral("DOĞRULANIYOR: ") + dumpName() + QStringLiteral(" (SATIRLAR)"));
            v.problems << server::check(dir.filePath(dumpName()), v.manifest->tables,
                                        [&] { reporter.report(0.5); });
            reporter.end();
        }
    } catch (const Cancelled&) {
        v.cancelled = true;
        v.problems << QStringLiteral("DOĞRULAMA İPTAL EDİLDİ.");
        return v;
    }
    v.ok = v.problems.isEmpty();
    return v;
}

Outcome Backups::restore(const QString& backupFolder, const QString& safetyTarget,
                         const ProgressFn& progress) const
{
    Outcome out;
    const QString untouched = QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI, VERİLERİNİZE DOKUNULMADI.");
    QDir().mkpath(m_dataFolder);
    const QDir data(m_dataFolder);
    // Held to the end: the main program cannot start while its files are being replaced.
    QLockFile lock(lockFilePath(m_dataFolder));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError)
            out.text =
                QStringLiteral("KALVORA PROGRAMI ŞU AN AÇIK. GERİ YÜKLEMEDEN ÖNCE PROGRAMI \"GÜVENLİ ÇIKIŞ\" "
                               "İLE KAPATINIZ.") +
                untouched;
        else
            out.text = QStringLiteral("VERİ KLASÖRÜNE YAZILAMIYOR:\n") +
                       QDir::toNativeSeparators(m_dataFolder) + untouched;
        return out;
    }

    const Verification v = verify(backupFolder, subRange(progress, 0, 30));
    if (v.cancelled) {
        out.cancelled = true;
        out.text = QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.") + untouched;
        return out;
    }
    if (!v.ok) {
        out.text = QStringLiteral("SEÇİLEN YEDEK BOZUK, GERİ YÜKLENEMEZ:\n") +
                   v.problems.join(QLatin1Char('\n')) + untouched;
        return out;
    }

    const bool serverBackup = !v.manifest->server.isEmpty();
    if (serverBackup != !m_options.server.isEmpty()) {
        out.text =
            (serverBackup ? QStringLiteral("BU YEDEK SUNUCUDAKİ BİR DEFTERİN; DEFTER ŞU AN VERİ KLASÖRÜNDE "
                                           "TUTULUYOR. SUNUCU SEÇİLMEDEN BU YEDEK GERİ YÜKLENEMEZ.")
                          : QStringLiteral("BU YEDEK BİR VERİ KLASÖRÜNÜN; DEFTER ŞU AN SUNUCUDA TUTULUYOR. "
                                           "KLASÖRDEKİ BİR DEFTER SUNUCUYA kalvora-tasi İLE TAŞINIR.")) +
            untouched;
        return out;
    }
    if (serverBackup)
        return restoreOnServer(backupFolder, *v.manifest, safetyTarget, subRange(progress, 30, 100));

    bool anyCurrent = !templateFiles(m_dataFolder).isEmpty() ||
                      QFileInfo(data.filePath(QString::fromLatin1(files::password))).isFile();
    for (const QString& name : databaseFiles())
        anyCurrent = anyCurrent || QFileInfo(dataFilePath(m_dataFolder, name)).isFile();
    if (anyCurrent) {
        const Outcome saved = create(safetyTarget, Kind::BeforeRestore, subRange(progress, 30, 80));
        if (!saved.ok) {
            out.cancelled = saved.cancelled;
            out.text = saved.cancelled ? QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.") + untouched
                                       : QStringLiteral("ŞU ANKİ VERİLERİNİZ YEDEKLENEMEDİ.\n") + saved.text +
                                             QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI.");
            return out;
        }
        out.folder = saved.folder;
    }
    const QString savedText = out.folder.isEmpty() ? QString()
                                                   : QStringLiteral("\n\nÖNCEKİ VERİLERİNİZ ŞU YEDEKTE:\n") +
                                                         QDir::toNativeSeparators(out.folder);

    // Leftovers of a restore that died half-way; nobody else restores while the lock is held.
    static const QRegularExpression staleStaged(QStringLiteral("^\\..+\\.[0-9]+\\.geri\\.tmp$"));
    for (const QDir& dir : {data, QDir(QFileInfo(dataFilePath(m_dataFolder, archiveName())).path())})
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            if (staleStaged.match(name).hasMatch())
                QFile::remove(dir.filePath(name));

    // Every file is copied beside its place first; only when all are there and match the manifest
    // are they renamed over the current files, one atomic rename per file.
    struct Staged {
        QString name;
        QString staged;
        QString finalPath;
    };
    QList<Staged> staged;
    auto removeStaged = [&] {
        for (const Staged& s : staged)
            QFile::remove(s.staged);
    };
    try {
        Reporter reporter(subRange(progress, 80, 100), static_cast<int>(v.manifest->files.size()));
        for (const FileEntry& f : v.manifest->files) {
            reporter.begin(QStringLiteral("GERİ YÜKLENİYOR: ") + f.name);
            const QString finalPath = f.database ? dataFilePath(m_dataFolder, f.name) : data.filePath(f.name);
            const QDir place = QFileInfo(finalPath).dir();
            if (!place.mkpath(QStringLiteral(".")))
                throw Failure{writeFailure(place.path(), QStringLiteral("KLASÖR OLUŞTURULAMADI."))};
            // Staged beside its place, so the rename stays within one folder of one file system.
            Staged s{f.name,
                     place.filePath(QLatin1Char('.') + f.name + QLatin1Char('.') +
                                    QString::number(QCoreApplication::applicationPid()) +
                                    QStringLiteral(".geri.tmp")),
                     finalPath};
            QFile::remove(s.staged);
            staged.append(s);
            if (copyFile(QDir(backupFolder).filePath(f.name), s.staged) != f.sha256)
                throw Failure{f.name + QStringLiteral(": YEDEK DOSYASI OKUNURKEN DEĞİŞTİ.")};
            if (QFileInfo::exists(s.finalPath))
                QFile::setPermissions(s.staged, QFile::permissions(s.finalPath));
            reporter.end();
        }
    } catch (const Failure& f) {
        removeStaged();
        out.text = QStringLiteral("GERİ YÜKLEME YAPILAMADI.\n") + f.text +
                   QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.") + savedText;
        return out;
    } catch (const Cancelled&) {
        removeStaged();
        out.cancelled = true;
        out.text = QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.\n\nVERİLERİNİZE DOKUNULMADI.") + savedText;
        return out;
    }

    for (int i = 0; i < staged.size(); ++i) {
        const Staged& s = staged.at(i);
        // A journal left beside the old file would be played into the restored one on its next open.
        for (const char* suffix : {"-journal", "-wal", "-shm"})
            QFile::remove(s.finalPath + QString::fromLatin1(suffix));
        if (::rename(QFile::encodeName(s.staged).constData(), QFile::encodeName(s.finalPath).constData()) !=
            0) {
            const QString error = QString::fromLocal8Bit(strerror(errno));
            for (int j = i; j < staged.size(); ++j)
                QFile::remove(staged.at(j).staged);
            out.text = i == 0
                           ? QStringLiteral("GERİ YÜKLEME YAPILAMADI.\n") + writeFailure(s.finalPath, error) +
                                 QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.") + savedText
                           : QStringLiteral("GERİ YÜKLEME YARIDA KESİLDİ: ") + s.name + QLatin1Char('\n') +
                                 error + savedText;
            syncFolder(m_dataFolder);
            return out;
        }
    }
    syncFolder(m_dataFolder);
    syncFolder(QFileInfo(dataFilePath(m_dataFolder, archiveName())).path());
    out.ok = true;
    out.text = QStringLiteral("YEDEK GERİ YÜKLENDİ.") + savedText;
    return out;
}

Outcome Backups::createOnServer(const QString& target, Kind kind, const ProgressFn& progress) const
{
    Outcome out;
    const QString untouched = QStringLiteral("\n\nVERİLERİNİZE DOKUNULMADI.");
    try {
        const BackupName name = prepareTarget(target);
        const QDateTime& now = name.created;
        const QString& stamp = name.stamp;
        TempFolder tmp(name.scratch);
        const QStringList others = otherFiles(m_dataFolder);
        Reporter reporter(progress, 3);
        reporter.begin(QStringLiteral("SUNUCUDAKİ DEFTER YEDEKLENİYOR"));
        const server::DumpResult dumped =
            server::dump(m_options.server, tmp.filePath(dumpName()), [&] { reporter.report(0.5); });
        reporter.end();
        reporter.begin(QStringLiteral("KOPYALANIYOR: ") + others.join(QStringLiteral(", ")));
        for (const QString& name : others)
            copyFile(QDir(m_dataFolder).filePath(name), tmp.filePath(name));
        reporter.end();

        reporter.begin(QStringLiteral("TAMAMLANIYOR"));
        Manifest manifest;
        manifest.created = now;
        manifest.kind = kind;
        manifest.sourceFolder = QDir::toNativeSeparators(m_dataFolder);
        manifest.server = dumped.server;
        manifest.tables = dumped.counts;
        manifest.counts = {dumped.counts.value(QStringLiteral("cari.musteriler"), -1),
                           dumped.counts.value(QStringLiteral("cari.carikart"), -1),
                           dumped.counts.value(QStringLiteral("gelir.giderler"), -1),
                           dumped.counts.value(QStringLiteral("gider.giderler"), -1)};
        syncPath(tmp.filePath(dumpName()));
        for (const QString& name : QStringList{dumpName()} + others)
            manifest.files.append(
                {name, QFileInfo(tmp.filePath(name)).size(), fileHash(tmp.filePath(name)), false});
        for (const FileEntry& f : manifest.files)
            if (f.sha256.isEmpty())
                throw Failure{QStringLiteral("YEDEK DOSYASI OKUNAMADI: ") + f.name};
        out.folder = QDir(placeBackup(tmp, target, stamp, manifest)).absolutePath();
        reporter.end();
        out.ok = true;
        out.text = QStringLiteral("YEDEK ALINDI:\n") + QDir::toNativeSeparators(out.folder) +
                   QStringLiteral("\nSUNUCU: ") + dumped.server +
                   QStringLiteral("\n\nKİŞİ SAYISI: %1\nHAREKET SAYISI: %2")
                       .arg(manifest.counts.people)
                       .arg(manifest.counts.transactions);
    } catch (const Failure& f) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + f.text + untouched;
    } catch (const server::ServerFailure& f) {
        out.text = QStringLiteral("YEDEK ALINAMADI.\n") + f.text + untouched;
    } catch (const Cancelled&) {
        out.cancelled = true;
        out.text = QStringLiteral("YEDEKLEME İPTAL EDİLDİ. YARIM KALAN YEDEK SİLİNDİ.");
    }
    return out;
}

Outcome Backups::restoreOnServer(const QString& backupFolder, const Manifest& manifest,
                                 const QString& safetyTarget, const ProgressFn& progress) const
{
    Outcome out;
    const QString untouched = QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI, VERİLERİNİZE DOKUNULMADI.");
    QString savedText;
    try {
        // Asked before the safety backup, so a refusal costs nothing; asked again right before the restore.
        const int others = server::otherDesks(m_options.server);
        if (others > 0)
            throw server::ServerFailure{
                QStringLiteral("SUNUCUDAKİ DEFTERE BAĞLI %1 BAŞKA KALVORA VAR. GERİ "
                               "YÜKLEMEDEN ÖNCE DİĞER BİLGİSAYARLARDA PROGRAMI KAPATINIZ.")
                    .arg(others)};
        if (server::hasBook(m_options.server)) {
            const Outcome saved = create(safetyTarget, Kind::BeforeRestore, subRange(progress, 0, 50));
            if (!saved.ok) {
                out.cancelled = saved.cancelled;
                out.text = saved.cancelled ? QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.") + untouched
                                           : QStringLiteral("ŞU ANKİ VERİLERİNİZ YEDEKLENEMEDİ.\n") +
                                                 saved.text + QStringLiteral("\n\nGERİ YÜKLEME YAPILMADI.");
                return out;
            }
            out.folder = saved.folder;
            savedText =
                QStringLiteral("\n\nÖNCEKİ VERİLERİNİZ ŞU YEDEKTE:\n") + QDir::toNativeSeparators(out.folder);
        }
        Reporter reporter(subRange(progress, 50, 100), 1);
        reporter.begin(QStringLiteral("SUNUCUYA GERİ YÜKLENİYOR"));
        const server::TableCounts counts = server::restore(
            m_options.server, QDir(backupFolder).filePath(dumpName()), [&] { reporter.report(0.5); });
        // Past this point the server holds the backup's book: nothing may be cancelled any more.
        // sifre.dll and the templates go back into the data folder, each renamed into place whole.
        for (const FileEntry& f : manifest.files) {
            if (f.name == dumpName())
                continue;
            const QString finalPath = QDir(m_dataFolder).filePath(f.name);
            const QString staged = QDir(m_dataFolder)
                                       .filePath(QLatin1Char('.') + f.name + QLatin1Char('.') +
                                                 QString::number(QCoreApplication::applicationPid()) +
                                                 QStringLiteral(".geri.tmp"));
            QFile::remove(staged);
            if (copyFile(QDir(backupFolder).filePath(f.name), staged) != f.sha256 ||
                ::rename(QFile::encodeName(staged).constData(), QFile::encodeName(finalPath).constData()) !=
                    0) {
                QFile::remove(staged);
                throw Failure{writeFailure(finalPath, QStringLiteral("DOSYA YERİNE KONAMADI."))};
            }
        }
        syncFolder(m_dataFolder);
        if (counts != manifest.tables) {
            out.text =
                QStringLiteral("YEDEK SUNUCUYA GERİ YÜKLENDİ, ANCAK SUNUCUDAKİ SATIR SAYILARI YEDEKTEKİLERLE "
                               "AYNI DEĞİL. DEFTERİ DENETLEYİNİZ.") +
                savedText;
            return out;
        }
        out.ok = true;
        out.text = QStringLiteral("YEDEK SUNUCUYA GERİ YÜKLENDİ.") + savedText;
    } catch (const server::ServerFailure& f) {
        // pg_restore runs in one transaction: a failure there changed nothing on the server.
        out.text = QStringLiteral("GERİ YÜKLEME YAPILAMADI.\n") + f.text + untouched + savedText;
    } catch (const Failure& f) {
        out.text =
            QStringLiteral("SUNUCUDAKİ DEFTER GERİ YÜKLENDİ, ANCAK VERİ KLASÖRÜNE BİR DOSYA YAZILAMADI.\n") +
            f.text + savedText;
    } catch (const Cancelled&) {
        out.cancelled = true;
        out.text = QStringLiteral("GERİ YÜKLEME İPTAL EDİLDİ.") + untouched + savedText;
    }
    return out;
}

QString Backups::checkKey() const
{
    const QString path = QDir(m_dataFolder).filePath(QString::fromLatin1(files::customers));
    if (!QFileInfo(path).isFile())
        return {};
    try {
        Database::open(path, m_key);
        return {};
    } catch (const DbError& e) {
        return e.turkishText();
    }
}

QList<BackupEntry> Backups::list(const QString& target)
{
    QList<BackupEntry> out;
    const QDir dir(target);
    for (const QFileInfo& info : dir.entryInfoList({QString::fromLatin1(folderPrefix) + QLatin1Char('*')},
                                                   QDir::Dirs | QDir::NoDotAndDotDot)) {
        BackupEntry e;
        e.folder = info.absoluteFilePath();
        e.name = info.fileName();
        QFile mf(QDir(e.folder).filePath(manifestName()));
        if (mf.open(QIODevice::ReadOnly) && mf.size() < 16 * 1024 * 1024)
            e.manifest = Manifest::fromJson(mf.readAll());
        if (e.manifest) {
            e.size = e.manifest->totalSize();
        } else {
            for (const QFileInfo& f : QDir(e.folder).entryInfoList(QDir::Files))
                e.size += f.size();
        }
        out.append(e);
    }
    std::sort(out.begin(), out.end(), [](const BackupEntry& a, const BackupEntry& b) {
        // Folders whose manifest cannot be read come last.
        if (a.manifest.has_value() != b.manifest.has_value())
            return a.manifest.has_value();
        if (a.manifest && a.manifest->created != b.manifest->created)
            return a.manifest->created > b.manifest->created;
        return a.name > b.name;
    });
    return out;
}

bool Backups::programRunning(const QString& dataFolder)
{
    if (!QFileInfo(lockFilePath(dataFolder)).exists())
        return false;
    QLockFile lock(lockFilePath(dataFolder));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

QString Backups::lockFilePath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("kalvora.lock"));
}

QString Backups::defaultTarget(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("yedekler"));
}

FolderSetting::FolderSetting(const QString& settingsFile) : m_settingsFile(settingsFile) {}

namespace {

std::unique_ptr<QSettings> openSettings(const QString& file)
{
    if (file.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("orventa"), QStringLiteral("yedekle"));
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

const QString folderKey = QStringLiteral("yedekKlasoru");

} // namespace

QString FolderSetting::folder(const QString& dataFolder) const
{
    const QString remembered = openSettings(m_settingsFile)->value(folderKey).toString();
    return remembered.isEmpty() ? Backups::defaultTarget(dataFolder) : remembered;
}

void FolderSetting::remember(const QString& folder)
{
    auto settings = openSettings(m_settingsFile);
    settings->setValue(folderKey, folder);
    settings->sync();
}

} // namespace kalvora::backup
