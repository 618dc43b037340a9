#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace kalvora {

class Store;

// How a document left the program.
enum class SendWay { Email, MailProgram, WhatsApp };
QString sendWayText(SendWay way); // "E-POSTA", "E-POSTA PROGRAMI", "WHATSAPP"

// One sending of a statement or a letter to a person (GONDERILENLER).
struct SentItem {
    qint64 key = 0;
    QString personKey;
    QString personName;
    QString document;  // "HESAP EKSTRESİ", "MUTABAKAT MEKTUBU"
    QString way;       // sendWayText
    QString recipient; // the address or number it went to
    QString date;      // dd.MM.yyyy
    QString time;      // HH:mm:ss
    QString user;
    QString period;   // the statement's period or the letter's date
    QString balances; // balancesSummary of what was sent
    QString file;     // the PDF under gonderilen/
    bool succeeded = false;
    QString error; // Turkish, when it failed
};

// The record of sendings. Sending changes nothing else of the book, so it is never archived.
class SentRecord final {
public:
    explicit SentRecord(Store& store) : m_store(store) {}

    // Stamps the item with the program's clock and the current user when they are empty; returns its key.
    // Throws DbError.
    qint64 add(SentItem item);
    // Every sending, newest first; with a filter, those whose person, way, recipient or error contains it
    // (without regard to case), and with onlyFailed only the failures. Throws DbError.
    QList<SentItem> list(const QString& filter = QString(), bool onlyFailed = false);
    // The last successful sending (a reminder of a debt is one) to every person that had one, by person
    // key. Throws DbError.
    QHash<QString, QDateTime> lastSent();
    // One person's entry of lastSent(), when there is one. Throws DbError.
    std::optional<QDateTime> lastSentTo(const QString& personKey);

private:
    Store& m_store;
};

} // namespace kalvora
