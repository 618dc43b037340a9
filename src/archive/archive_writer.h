#pragma once

#include "data/store.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace kalvora {

// What was done to the archived rows, stored as its text.
enum class ArchiveAction { Cancel, Edit, Reset, PersonDelete };
QString archiveActionText(ArchiveAction action); // "İPTAL", "DEĞİŞİKLİK", "SIFIRLAMA", "KİŞİ SİLME"
std::optional<ArchiveAction> archiveActionOf(const QString& text);

// Who makes a change: the operating-system user and the computer's name.
struct ArchiveActor {
    QString user;
    QString computer;
    static ArchiveActor current();
};

// Copies what a change is about to remove or overwrite into iptaller.mdb (attached as "iptal" to the
// accounts connection). Called inside the change's own transaction, before the change, so the copy and
// the change commit or roll back together. Throws DbError.
class ArchiveWriter final {
public:
    // Stamps with the program's clock and the current user and computer.
    ArchiveWriter();
    ArchiveWriter(const QDateTime& when, const ArchiveActor& actor) : m_when(when), m_actor(actor) {}

    // One CARIKART row as it stands; false when there is no such row.
    bool archiveRow(BookConnection& db, ArchiveAction action, qint64 rowKey) const;
    // Every CARIKART row of the person as one item, with the person's MUSTERILER row for a deleted
    // person; false when there is nothing to keep (a reset of an empty card, a person who is gone).
    bool archivePerson(BookConnection& db, ArchiveAction action, const QString& personKey) const;

private:
    qint64 insertItem(BookConnection& db, ArchiveAction action, const QString& personKey,
                      const QString& personName) const;
    static void copyRows(BookConnection& db, qint64 item, const QString& where, const QVariant& value);

    QDateTime m_when;
    ArchiveActor m_actor;
};

} // namespace kalvora
