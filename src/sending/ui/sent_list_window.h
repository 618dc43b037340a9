#pragma once

#include "sending/sent_record.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace kalvora {

class ReportList;
class Store;

// Gonderilenler, "GÖNDERİLENLER": every sending, newest first, with a filter on the person, the way, the
// recipient and the error, and the failures alone on request.
class SentListWindow final : public QDialog {
    Q_OBJECT
public:
    explicit SentListWindow(Store& store, QWidget* parent = nullptr);

    void reload();
    const QList<SentItem>& items() const { return m_items; }
    ReportList* list() const { return m_list; }
    void setFilter(const QString& text);
    void setOnlyFailed(bool on);

private:
    Store& m_store;
    QList<SentItem> m_items;
    QLineEdit* m_filter = nullptr;
    QCheckBox* m_failed = nullptr;
    ReportList* m_list = nullptr;
};

} // namespace kalvora
