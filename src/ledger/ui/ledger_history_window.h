#pragma once

#include "ledger/ledger_store.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kalvora {

class ReportList;

// GelirMenu / GiderMenu: the entries of one ledger for a day, a month or a year, valid or cancelled,
// with their total; opens the entry form and cancels the chosen entry.
class LedgerHistoryWindow final : public QDialog {
    Q_OBJECT
public:
    LedgerHistoryWindow(Store& store, Ledger which, QWidget* parent = nullptr);

    // Reloads the list and the total from the file through the chosen period and state.
    void GECMISI_YUKLE();
    // Another desk changed the ledger: the list is read again through the same choices, with the chosen
    // entry and the scroll position kept.
    void refreshForOtherDesks();
    // The filter the controls describe.
    LedgerFilter filter() const;

    ReportList* list() const { return m_list; }

private:
    void periodClicked();
    void openEntryForm();
    void cancelSelected();

    Store& m_storeRef;
    LedgerStore m_store;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QRadioButton* m_option5 = nullptr;
    QRadioButton* m_option3 = nullptr;
    QRadioButton* m_option4 = nullptr;
    QDateEdit* m_day = nullptr;
    QComboBox* m_month = nullptr;
    QComboBox* m_monthYear = nullptr;
    QComboBox* m_year = nullptr;
    ReportList* m_list = nullptr;
    QLabel* m_total = nullptr;
};

} // namespace kalvora
