#pragma once

#include "data/store.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace kalvora::test {

// A fresh data folder with the five files created, and a Store over it. With KALVORA_TEST_STORE=server
// the book is an empty database on the test program's own PostgreSQL server instead (started on first
// use, stopped at exit; a server that does not start fails the test program).
class TestData final {
public:
    TestData();
    ~TestData();
    TestData(const TestData&) = delete;
    TestData& operator=(const TestData&) = delete;

    static bool onServer();

    const QString& folder() const { return m_folder; }
    Store& store() { return *m_store; }
    // The book's server database (empty on the data-folder store).
    const QString& serverUri() const { return m_serverUri; }
    // Another desk on the same book: a Store with connections of its own.
    std::unique_ptr<Store> otherDesk();

    // Inserts a person with the given columns (balances as texts); returns oto_kod.
    qint64 addPerson(const QString& name, const QString& tl = QStringLiteral("0"),
                     const QString& usd = QStringLiteral("0"), const QString& euro = QStringLiteral("0"),
                     const QStringList& contact = {});
    // Makes every `event` (INSERT, UPDATE, DELETE) of the table fail from now on, as a full disk
    // would; schema is main, cari or iptal as the embedded store names them.
    void refuseChanges(const QString& schema, const QString& table, const QString& event);
    // Lets the table take those changes again.
    void allowChanges(const QString& schema, const QString& table, const QString& event);
    // What a failure message names the book's file by: the file's name, or the server on a server book.
    QString bookLabel(const QString& file) const;
    // Inserts a transaction row of a person; returns otokod.
    qint64 addTransaction(qint64 person, const QString& amount, const QString& currency, const QString& date,
                          const QString& kind, const QString& description = QString());

private:
    QTemporaryDir m_dir;
    QString m_folder;
    QString m_serverUri;
    std::unique_ptr<Store> m_store;
};

// Message boxes recorded and answered instead of shown, for the life of this object.
class MessageBoxCapture final {
public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

    // Text of the last box shown, or an empty text.
    QString lastText() const;
    QString lastTitle() const;
    int count() const;
};

} // namespace kalvora::test
