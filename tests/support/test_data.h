#pragma once

#include "data/store.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace kalvora::test {

// A fresh data folder with the five files created, and a Store over it.
class TestData final {
public:
    TestData();
    const QString& folder() const { return m_folder; }
    Store& store() { return *m_store; }

    // Inserts a person with the given columns (balances as texts); returns oto_kod.
    qint64 addPerson(const QString& name, const QString& tl = QStringLiteral("0"),
                     const QString& usd = QStringLiteral("0"), const QString& euro = QStringLiteral("0"),
                     const QStringList& contact = {});
    // Inserts a transaction row of a person; returns otokod.
    qint64 addTransaction(qint64 person, const QString& amount, const QString& currency, const QString& date,
                          const QString& kind, const QString& description = QString());

private:
    QTemporaryDir m_dir;
    QString m_folder;
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
