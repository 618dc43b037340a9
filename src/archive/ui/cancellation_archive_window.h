#pragma once

#include "archive/cancellation_archive.h"

#include <QDialog>

class QLineEdit;
class QWidget;

namespace kalvora {

class ReportList;
class Store;

// IptalArsivi: the archive of cancelled, changed, reset and deleted records, newest first, with a filter
// and the way back ("GERİ AL"). Opens maximised; whoever opens it connects restoreRequested() to the
// restore (connectArchiveRestore), which answers with restoreDone() or restoreFailed(), and restored()
// to a reload of what shows the person's balances.
class CancellationArchiveWindow final : public QDialog {
    Q_OBJECT
public:
    explicit CancellationArchiveWindow(Store& store, QWidget* parent = nullptr);

    ReportList* list() const { return m_list; }
    QLineEdit* filterBox() const { return m_filter; }
    // The items listed, in the order read (the list's rows carry their keys).
    const QList<ArchiveItem>& items() const { return m_items; }

    // Reads the archive and lists the items the filter text matches.
    void fill();
    // Another desk changed the archive: it is read again through the filter it was listed with (the
    // box keeps what is typed), in the user's order, with the chosen item and the scroll position kept.
    void refreshForOtherDesks();
    // "GERİ AL" on the current row: asks, then requests the restore.
    void restoreSelected();
    // The restore's outcome, told to the user (and restored() when the item came back).
    void restoreDone(const CancellationArchive::Restore& outcome);
    // The restore failed with this text; nothing changed.
    void restoreFailed(const QString& text);

Q_SIGNALS:
    // The user confirmed bringing this item back.
    void restoreRequested(qint64 itemKey);
    // An item came back; the person's rows and balances changed.
    void restored(const QString& personKey);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void headerClicked(int column);
    void showMatching(const QString& filter);

    Store& m_store;
    QList<ArchiveItem> m_items;
    QWidget* m_top = nullptr;
    QWidget* m_strip = nullptr;
    ReportList* m_list = nullptr;
    QLineEdit* m_filter = nullptr;
    QString m_shownFilter;
    int m_sortColumn = -1;
};

} // namespace kalvora
