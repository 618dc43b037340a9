#pragma once

#include "backups.h"
#include "data/data_folder.h"
#include "data/database.h"
#include "data/password_file.h"
#include "support/test_data.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTest>

namespace kalvora::test::yedekle {

inline QString dataFile(const QString& folder, const char* name)
{
    return QDir(folder).filePath(QString::fromLatin1(name));
}

inline void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(content);
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// People with transactions in all three currencies, ledger entries, a cash box, a login password and a
// report template: every kind of file a backup takes.
inline void fill(TestData& data, int people = 20)
{
    // One transaction: a commit per row would sync the disk hundreds of times.
    Transaction tx(data.store().accounts().file());
    for (int i = 0; i < people; ++i) {
        const qint64 key = data.addPerson(QStringLiteral("KİŞİ'%1 ÇĞİÖŞÜ").arg(i), QStringLiteral("1.250,50"),
                                          QStringLiteral("-3,00"), QStringLiteral("0"),
                                          {QStringLiteral("0212 555 00 %1").arg(i)});
        data.addTransaction(key, QStringLiteral("1250,5"), QStringLiteral("TL"), QStringLiteral("02.04.2008"),
                            QStringLiteral("100"), QStringLiteral("BORÇ %1").arg(i));
        data.addTransaction(key, QStringLiteral("-3"), QStringLiteral("DOLAR"), QStringLiteral("03.04.2008"),
                            QStringLiteral("200"));
    }
    tx.commit();
    for (Ledger l : {Ledger::Income, Ledger::Expense}) {
        Database& db = data.store().ledger(l).file();
        db.execute(
            QStringLiteral("INSERT INTO GIDERLER(gider_ad, gider_tarihi, gider_tutar) VALUES (?1, ?2, ?3)"),
            {QStringLiteral("KİRA"), QStringLiteral("01.02.2024"), QStringLiteral("1500")});
        db.execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye='1500'"));
    }
    QVERIFY(PasswordFile::write(dataFile(data.folder(), files::password), QStringLiteral("1234")));
    writeFile(dataFile(data.folder(), "paralar.fr3"), "<TfrxReport Version=\"4\"/>");
}

// Every row of every table of the databases, plus the other files, as texts: two folders hold
// the same data when their dumps are equal.
inline QMap<QString, QStringList> dump(const QString& folder)
{
    QMap<QString, QStringList> out;
    for (const QString& name : backup::databaseFiles()) {
        // A backup folder holds every file flat; a data folder keeps the archive in its own folder.
        QString path = QDir(folder).filePath(name);
        if (!QFile::exists(path))
            path = backup::dataFilePath(folder, name);
        if (!QFile::exists(path)) {
            out.insert(name, {QStringLiteral("<yok>")});
            continue;
        }
        Database db = Database::open(path, databasePassword(), Database::Mode::ReadOnly);
        QStringList tables;
        {
            Statement st = db.prepare(QStringLiteral(
                "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' "
                "ORDER BY name"));
            while (st.step())
                tables << st.text(0);
        }
        QStringList rows;
        for (const QString& table : tables) {
            Statement st = db.prepare(QStringLiteral("SELECT rowid, * FROM ") + table +
                                      QStringLiteral(" ORDER BY rowid"));
            while (st.step()) {
                QStringList cells{table};
                for (int c = 0; c < st.columnCount(); ++c)
                    cells << st.text(c);
                rows << cells.join(QLatin1Char('|'));
            }
        }
        out.insert(name, rows);
    }
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.fr3"), QStringLiteral("sifre.dll")},
                                                      QDir::Files, QDir::Name))
        out.insert(name, {QString::fromLatin1(readFile(QDir(folder).filePath(name)).toHex())});
    return out;
}

// The bytes of every file directly in a folder, to show that nothing was touched.
inline QMap<QString, QByteArray> fingerprint(const QString& folder)
{
    QMap<QString, QByteArray> out;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (name != QLatin1String("kalvora.lock"))
            out.insert(name, QCryptographicHash::hash(readFile(QDir(folder).filePath(name)),
                                                      QCryptographicHash::Sha256));
    return out;
}

// Everything in a backup location, hidden temporary folders included.
inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace kalvora::test::yedekle
