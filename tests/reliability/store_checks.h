#pragma once

// What must hold in a data folder after any failure or crash: every file passes SQLite's integrity
// check, the balance copy in MUSTERILER equals the sums of each person's CARIKART rows, no transaction
// row outlives its person, and each ledger's cash box equals its starting value minus its valid entries.
// archiveProblems() adds that nothing left the accounts without its copy in the archive, and nothing is
// in the archive that is still in the accounts.

#include "data/data_folder.h"
#include "data/database.h"
#include "data/turkish_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <sqlite3.h>

#include <array>
#include <cmath>
#include <memory>

namespace kalvora::test {

struct FolderFile {
    const char* name;
    bool keyed;
};
inline constexpr FolderFile folderFiles[] = {{files::customers, true}, {files::transactions, true},
                                             {files::income, true},    {files::expense, true},
                                             {files::archive, true},   {files::scratch, false}};

// Connections through the plain VFS, opened once and kept: each check sees the files as a fresh
// connection would (SQLite re-validates its cache and rolls back a hot journal on every read).
class FolderChecker final {
public:
    explicit FolderChecker(const QString& folder) : m_folder(folder) {}

    Database& file(const char* name)
    {
        const QString key = QString::fromLatin1(name);
        auto it = m_dbs.find(key);
        if (it == m_dbs.end()) {
            bool keyed = true;
            for (const FolderFile& f : folderFiles)
                if (key == QLatin1String(f.name))
                    keyed = f.keyed;
            auto db = std::make_shared<Database>(Database::open(QDir(m_folder).filePath(key),
                                                                keyed ? databasePassword() : QString(),
                                                                Database::Mode::ReadWrite));
            db->setBusyTimeout(5000);
            it = m_dbs.insert(key, db);
        }
        return **it;
    }

    void close() { m_dbs.clear(); }

    // Puts the contents of another folder's files in place through this folder's own connections
    // (SQLite's online backup), so that other connections to these files notice the change and no key
    // has to be derived again.
    void restoreFrom(FolderChecker& source)
    {
        for (const FolderFile& f : folderFiles) {
            if (!f.keyed)
                continue;
            Database& to = file(f.name);
            sqlite3_backup* b =
                sqlite3_backup_init(to.handle(), "main", source.file(f.name).handle(), "main");
            if (!b)
                to.raise(sqlite3_errcode(to.handle()));
            const int rc = sqlite3_backup_step(b, -1);
            sqlite3_backup_finish(b);
            if (rc != SQLITE_DONE)
                to.raise(rc);
        }
    }

    // Everything found wrong, in words; empty when the folder is sound.
    QStringList problems(bool checkLedgers = true)
    {
        QStringList out;
        for (const FolderFile& f : folderFiles) {
            const QString result = file(f.name).scalar(QStringLiteral("PRAGMA integrity_check")).toString();
            if (result != QLatin1String("ok"))
                out << QString::fromLatin1(f.name) + QStringLiteral(": ") + result;
        }
        out << balanceProblems();
        if (checkLedgers) {
            out << cashBoxProblems(files::income);
            out << cashBoxProblems(files::expense);
        }
        return out;
    }

    QStringList balanceProblems()
    {
        QStringList out;
        Database& people = file(files::customers);
        Database& rows = file(files::transactions);
        QMap<QString, std::array<double, 3>> sums;
        {
            Statement st = rows.prepare(QStringLiteral("SELECT uye_kodu, tutar, para_cinsi FROM CARIKART"));
            while (st.step()) {
                const QString currency = st.text(2);
                const int c = currency == QLatin1String("TL")      ? 0
                              : currency == QLatin1String("DOLAR") ? 1
                              : currency == QLatin1String("EURO")  ? 2
                                                                   : -1;
                auto& s = sums[st.text(0)];
                if (c >= 0)
                    s[static_cast<size_t>(c)] += numberValue(st.text(1));
            }
        }
        Statement st = people.prepare(
            QStringLiteral("SELECT oto_kod, SonBakiye, SonBakiye_usd, SonBakiye_euro FROM MUSTERILER"));
        QStringList keys;
        while (st.step()) {
            const QString key = st.text(0);
            keys << key;
            const auto s = sums.value(key);
            for (int c = 0; c < 3; ++c) {
                const QString stored = displayAmount(st.text(c + 1));
                const QString expected = formatAmount(s[static_cast<size_t>(c)]);
                if (stored != expected)
                    out << QStringLiteral("person %1 currency %2: stored %3, rows sum to %4")
                               .arg(key)
                               .arg(c)
                               .arg(st.text(c + 1), expected);
            }
        }
        for (auto it = sums.cbegin(); it != sums.cend(); ++it)
            if (!keys.contains(it.key()))
                out << QStringLiteral("rows of person %1, who does not exist").arg(it.key());
        return out;
    }

    // Every key CARIKART and MUSTERILER ever gave out (their keys are never reused) is a row or person
    // of the accounts or, removed, in the archive; a removed row or person in the archive is not in the
    // accounts as well.
    QStringList archiveProblems()
    {
        QStringList out;
        auto keys = [](Database& db, const QString& sql) {
            QSet<qint64> set;
            Statement st = db.prepare(sql);
            while (st.step())
                set.insert(st.int64(0));
            return set;
        };
        auto given = [](Database& db, const QString& table) {
            return db.scalar(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"), {table})
                .toLongLong();
        };
        Database& archive = file(files::archive);
        const QString removedRows = QStringLiteral("SELECT h.otokod FROM IPTAL_HAREKETLER h JOIN IPTALLER i "
                                                   "ON i.iptal_no = h.iptal_no WHERE i.islem ");
        const QSet<qint64> rows =
            keys(file(files::transactions), QStringLiteral("SELECT otokod FROM CARIKART"));
        const QSet<qint64> removed = keys(archive, removedRows + QStringLiteral("<> 'DEĞİŞİKLİK'"));
        for (qint64 k = 1, last = given(file(files::transactions), QStringLiteral("CARIKART")); k <= last;
             ++k) {
            if (rows.contains(k) && removed.contains(k))
                out << QStringLiteral("row %1 is both in CARIKART and archived as removed").arg(k);
            else if (!rows.contains(k) && !removed.contains(k))
                out << QStringLiteral("row %1 is gone without its copy in the archive").arg(k);
        }
        const QSet<qint64> people =
            keys(file(files::customers), QStringLiteral("SELECT oto_kod FROM MUSTERILER"));
        const QSet<qint64> deleted =
            keys(archive, QStringLiteral("SELECT uye_kodu FROM IPTALLER WHERE islem = 'KİŞİ SİLME'"));
        for (qint64 k = 1, last = given(file(files::customers), QStringLiteral("MUSTERILER")); k <= last;
             ++k) {
            if (people.contains(k) == deleted.contains(k))
                out << QStringLiteral("person %1 is %2")
                           .arg(k)
                           .arg(people.contains(k) ? QStringLiteral("both registered and archived as deleted")
                                                   : QStringLiteral("gone without its copy in the archive"));
        }
        const qint64 empty =
            archive
                .scalar(QStringLiteral("SELECT count(*) FROM IPTAL_HAREKETLER WHERE iptal_no NOT IN "
                                       "(SELECT iptal_no FROM IPTALLER)"))
                .toLongLong();
        if (empty > 0)
            out << QStringLiteral("%1 archived rows without their item").arg(empty);
        return out;
    }

    // The starting value is 0 (as initialize writes it).
    QStringList cashBoxProblems(const char* name)
    {
        Database& db = file(name);
        double valid = 0;
        Statement st = db.prepare(QStringLiteral("SELECT gider_tutar, gider_iptal FROM GIDERLER"));
        while (st.step())
            if (st.text(1) == QLatin1String("0"))
                valid += numberValue(st.text(0));
        const QString box = db.scalar(QStringLiteral("SELECT Kasa_net_bakiye FROM KASA_NET")).toString();
        if (db.scalar(QStringLiteral("SELECT count(*) FROM KASA_NET")).toInt() != 1 ||
            std::abs(numberValue(box) + valid) > 0.0001)
            return {QStringLiteral("%1: cash box %2, valid entries %3")
                        .arg(QString::fromLatin1(name), box)
                        .arg(valid)};
        return {};
    }

    // Every row of every table of the four keyed files, as text: equal snapshots, equal contents.
    // Without the clock, the time of day a window stamps on a row (CARIKART.tarih,
    // GIDERLER.gider_saati) is left out.
    QStringList snapshot(bool withClock = true)
    {
        QStringList out;
        for (const FolderFile& f : folderFiles) {
            if (!f.keyed)
                continue;
            Database& db = file(f.name);
            QStringList tables;
            Statement t =
                db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
            while (t.step())
                tables << t.text(0);
            for (const QString& table : tables) {
                Statement st = db.prepare(QStringLiteral("SELECT * FROM \"") + table +
                                          QStringLiteral("\" ORDER BY rowid"));
                while (st.step()) {
                    QStringList cells;
                    for (int c = 0; c < st.columnCount(); ++c) {
                        const QString column = st.columnName(c);
                        if (!withClock &&
                            (column == QLatin1String("tarih") || column == QLatin1String("saat") ||
                             column == QLatin1String("gider_saati")))
                            cells << QStringLiteral("<clock>");
                        else
                            cells << (st.isNull(c) ? QStringLiteral("<null>") : st.text(c));
                    }
                    out << QString::fromLatin1(f.name) + QLatin1Char('/') + table + QLatin1Char(':') +
                               cells.join(QLatin1Char('|'));
                }
            }
        }
        return out;
    }

private:
    QString m_folder;
    QMap<QString, std::shared_ptr<Database>> m_dbs;
};

// Copies the database files of one folder over those of another (journals of the target removed).
inline void copyFolderFiles(const QString& from, const QString& to)
{
    for (const FolderFile& f : folderFiles) {
        const QString name = QString::fromLatin1(f.name);
        const QString target = QDir(to).filePath(name);
        QFileInfo(target).dir().mkpath(QStringLiteral("."));
        QFile::remove(target);
        QFile::remove(target + QStringLiteral("-journal"));
        if (!QFile::copy(QDir(from).filePath(name), target))
            qFatal("cannot copy %s", qPrintable(name));
        QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

} // namespace kalvora::test
