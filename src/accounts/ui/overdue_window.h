#pragma once

#include "accounts/open_book.h"
#include "listview/sort_compare.h"

#include <QDateTime>
#include <QDialog>
#include <QHash>

#include <functional>

class QCheckBox;

namespace kalvora {

class ReportList;
class Store;

// One column of the overdue list: its header, how it sorts and aligns, and its text for an entry. A
// column more is one entry more in overdueColumns().
struct OverdueColumn {
    QString header;
    SortKind kind = SortKind::Text;
    bool right = false;
    std::function<QString(const OverdueEntry&)> text;
};
const QList<OverdueColumn>& overdueColumns();

// "VADESİ GEÇENLER": everything overdue today, most urgent first. A double click (or Enter) asks for
// the person's card; "BUGÜN GÖSTERME" keeps the window from opening by itself again until tomorrow.
class OverdueWindow final : public QDialog {
    Q_OBJECT
public:
    OverdueWindow(Store& store, const QString& dataFolder, QWidget* parent = nullptr);

    // Reads the book again; false after a database failure, which has been shown.
    bool reload();
    // When each person was last sent a statement or a letter (by person key), shown beside their
    // entries until set again.
    void setLastReminders(QHash<QString, QDateTime> sent);
    const QList<OverdueEntry>& entries() const { return m_entries; }
    ReportList* list() const { return m_list; }
    QCheckBox* notTodayBox() const { return m_notToday; }

    // Whether the user chose "BUGÜN GÖSTERME" today on this data folder.
    static bool hiddenToday(const QString& dataFolder);
    // "BUGÜN GÖSTERME" chosen (or taken back) for today without the window.
    static void setHiddenToday(const QString& dataFolder, bool hidden);
    // Another desk changed the book.
    void refreshForOtherDesks() { reload(); }

Q_SIGNALS:
    void cardRequested(const QString& personKey);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void notTodayToggled(bool on);
    void showEntries();

    Store& m_store;
    QString m_dataFolder;
    QList<OverdueEntry> m_entries;
    QHash<QString, QDateTime> m_lastReminders;
    ReportList* m_list = nullptr;
    QCheckBox* m_notToday = nullptr;
    std::function<void()> m_placeChildren;
};

} // namespace kalvora
