#pragma once

#include "ledger/ledger_store.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace kalvora {

// GelirYaz / GiderYaz: writes one new entry into its ledger, with the cash box following it.
// The typed boxes keep their array names: Text1_0 maker, Text1_4 title, Text1_1 description,
// Text1_2 amount, Text1_3 clock.
class LedgerEntryWindow final : public QDialog {
    Q_OBJECT
public:
    LedgerEntryWindow(Store& store, Ledger which, QWidget* parent = nullptr);

    // Records the entry with the window's sign (set to -1 by the confirmation) and changes the cash
    // box in the same step. Throws LedgerError or DbError; the caller reports them.
    void KASA_PARA_GIR();

private:
    void confirm();
    void amountChanged(const QString& text);
    void tick();
    void blink();

    LedgerStore m_store;
    int m_sign = 0;
    QLineEdit* m_maker = nullptr;            // Text1 index 0
    QPlainTextEdit* m_description = nullptr; // Text1 index 1
    QLineEdit* m_amount = nullptr;           // Text1 index 2
    QLineEdit* m_clock = nullptr;            // Text1 index 3
    QLineEdit* m_title = nullptr;            // Text1 index 4
    QDateEdit* m_date = nullptr;             // Tarihbox
    QLabel* m_label2 = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
};

} // namespace kalvora
