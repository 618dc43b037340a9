#pragma once

#include "accounts/account.h"
#include "customers/customer.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTimer;

namespace kalvora {

class LimitedTextBox;
class PictureButton;
class Store;

// The twin windows that write one row of a person: description, amount, currency, date, the clock and
// a blinking label. Each write is announced by saved(); Esc closes them like their "İPTAL -ESC-" button.
class EntryWindow : public QDialog {
    Q_OBJECT
public:
    LimitedTextBox* descriptionBox() const { return m_description; }
    QLineEdit* amountBox() const { return m_amount; }
    QComboBox* currencyBox() const { return m_currency; }
    QDateEdit* datePicker() const { return m_date; }
    // "VADELİ" and "VADE:": only the windows that write a loan have them (null elsewhere).
    QCheckBox* dueDateBox() const { return m_hasDue; }
    QDateEdit* dueDatePicker() const { return m_due; }
    // A quick choice: the due date becomes the transaction date + days, and the box is ticked.
    void chooseTerm(int days);

    // KAYDET: the two checks, then the window's own write. A database failure is shown and leaves
    // everything typed in place. The amount is checked again by the key rule, whatever brought it into
    // the box: only the signs and points of the amount the window was filled with may remain.
    void save();

Q_SIGNALS:
    // A row was written together with the balance write-back; state is the person's account read back.
    void saved(const AccountState& state);
    // The row was changed on another desk after the card listed it; nothing was saved.
    void rowChangedElsewhere();

protected:
    struct Texts {
        const char* objectName;
        const char* caption;
        const char* blink;
        const char* saveTipTitle;
        const char* closeTipTitle;
        const char* missingCurrency;
        int descriptionLimit;
        bool dueDate; // the window writes loans, which may fall due later
    };
    EntryWindow(Store& store, const Customer& person, const Texts& texts, QWidget* parent);

    // The row as typed, with the clock text of this moment.
    Entry entry();
    // Shows a stored amount in the box in its display form, which the save then accepts.
    void fillAmount(const QString& shown);
    // Shows a loan's stored due date (empty: none).
    void fillDueDate(const QString& stored);
    // Writes the row and emits saved(); throws DbError. Returns false when the window closed itself.
    virtual bool write() = 0;

    Store& m_store;
    const Customer m_person;

private:
    void tick();
    // Returns the last of its controls in the tab order.
    QWidget* buildDueDate(QWidget* after);
    void dateChanged(const QDate& date);

    LimitedTextBox* m_description = nullptr;
    QLineEdit* m_amount = nullptr;
    QComboBox* m_currency = nullptr;
    QDateEdit* m_date = nullptr;
    QCheckBox* m_hasDue = nullptr;
    QDateEdit* m_due = nullptr;
    int m_termDays = 30; // kept when the transaction date moves
    QLabel* m_clock = nullptr;
    QLabel* m_blink = nullptr;
    QTimer* m_timer = nullptr;
    QString m_missingCurrency;
    QString m_filledAmount;
    Entry m_tried; // the last entry handed to a save that did not finish
};

// Form5: money given to the person.
class LendWindow final : public EntryWindow {
    Q_OBJECT
public:
    LendWindow(Store& store, const Customer& person, QWidget* parent = nullptr);
    void AidatGir();

protected:
    bool write() override;
};

// Form6: money the person pays back.
class CollectWindow final : public EntryWindow {
    Q_OBJECT
public:
    CollectWindow(Store& store, const Customer& person, QWidget* parent = nullptr);
    void ParaAl();

protected:
    bool write() override;
};

// Form12: corrects one row of the person; closes after a save.
class EditWindow final : public EntryWindow {
    Q_OBJECT
public:
    // Filled with the row as the card lists it: description, amount as shown, currency, date.
    EditWindow(Store& store, const Customer& person, const AccountRow& row, QWidget* parent = nullptr);
    void AidatDuzenle();

protected:
    bool write() override;

private:
    qint64 m_rowKey;
    qint64 m_rowVersion;
};

} // namespace kalvora
