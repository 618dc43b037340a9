#pragma once

#include "accounts/account.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTimer;

namespace kalvora {

class AccountCard;
class LimitedTextBox;
class PictureButton;

// The twin windows that write one row of the card's person: description, amount, currency, date, the
// clock and a blinking label. Esc closes them like their "İPTAL -ESC-" button.
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
    EntryWindow(AccountCard* card, const Texts& texts);

    // The row as typed, with the clock text of this moment.
    Entry entry();
    // Shows a stored amount in the box in its display form, which the save then accepts.
    void fillAmount(const QString& shown);
    // Writes the row; throws DbError. Returns false when the window closed itself.
    virtual bool store() = 0;

    AccountCard* m_card;

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
};

// Form5: money given to the person.
class LendWindow final : public EntryWindow {
    Q_OBJECT
public:
    explicit LendWindow(AccountCard* card);
    void AidatGir();

protected:
    bool store() override;
};

// Form6: money the person pays back.
class CollectWindow final : public EntryWindow {
    Q_OBJECT
public:
    explicit CollectWindow(AccountCard* card);
    void ParaAl();

protected:
    bool store() override;
};

// Form12: corrects the card's selected row; closes after a save.
class EditWindow final : public EntryWindow {
    Q_OBJECT
public:
    // Filled from the card's list row: description, amount as shown, currency, date; rowKey is its otokod.
    EditWindow(AccountCard* card, const QStringList& rowTexts, qint64 rowKey);
    void AidatDuzenle();

protected:
    bool store() override;

private:
    qint64 m_rowKey;
};

} // namespace kalvora
