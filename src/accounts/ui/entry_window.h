#pragma once

#include "accounts/account.h"
#include "customers/customer.h"

#include <QDialog>

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
    };
    EntryWindow(Store& store, const Customer& person, const Texts& texts, QWidget* parent);

    // The row as typed, with the clock text of this moment.
    Entry entry();
    // Shows a stored amount in the box in its display form, which the save then accepts.
    void fillAmount(const QString& shown);
    // Writes the row and emits saved(); throws DbError. Returns false when the window closed itself.
    virtual bool write() = 0;

    Store& m_store;
    const Customer m_person;

private:
    void tick();

    LimitedTextBox* m_description = nullptr;
    QLineEdit* m_amount = nullptr;
    QComboBox* m_currency = nullptr;
    QDateEdit* m_date = nullptr;
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
