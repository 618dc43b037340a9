#pragma once

#include "archive/archive_writer.h"
#include "data/store.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kalvora {

// One archived action as the archive window lists it.
struct ArchiveItem {
    qint64 key = 0;      // iptal_no
    QString action;      // islem: "İPTAL", "DEĞİŞİKLİK", "SIFIRLAMA", "KİŞİ SİLME"
    QString date;        // dd.MM.yyyy
    QString time;        // HH:mm:ss
    QString user;        // the operating-system user
    QString computer;    // the computer's name
    QString personKey;   // uye_kodu
    QString personName;  // the person's name when the action was done
    int rowCount = 0;    // transactions the item holds
    QString description; // the one row's description (a cancel or an edit)
    QString amount;      // the one row's tutar as stored
    QString currency;    // the one row's para_cinsi

    // The seven column texts: TARİH, İŞLEM, ADI SOYADI, AÇIKLAMA, TUTAR, PARA CİNSİ, KULLANICI. A reset or
    // a deleted person says in AÇIKLAMA how many transactions it holds ("12 İŞLEM").
    QStringList columnTexts() const;
};

// The archive of iptaller.mdb: what was cancelled, changed, reset or deleted. Bringing an item back
// changes the accounts, so it is theirs to do (ArchiveRestore); what it can come to is told here.
// Throws DbError.
class CancellationArchive final {
public:
    explicit CancellationArchive(Store& store) : m_store(store) {}

    // Every item, newest first.
    QList<ArchiveItem> items();
    // Whether any column text contains the filter, both sides in Turkish upper case; an empty filter
    // matches every item.
    static bool matches(const ArchiveItem& item, const QString& filter);

    enum class RestoreResult {
        Restored,
        NotFound,     // the item is no longer in the archive
        PersonGone,   // a transaction whose person no longer exists
        RowGone,      // an edit of a transaction that was cancelled or removed since
        PersonExists, // a deleted person whose key another person holds now
    };
    struct Restore {
        RestoreResult result = RestoreResult::NotFound;
        QString personKey;
    };

private:
    Store& m_store;
};

} // namespace kalvora
