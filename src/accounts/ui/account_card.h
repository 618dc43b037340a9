#pragma once

#include "accounts/account.h"
#include "customers/customer.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;

namespace kalvora {

class DetailWindow;
class ReportList;
class Store;

// Form4, "CARİ HESAP KARTI": one person's transactions, balances and status per currency, and the
// buttons that lend, collect, correct, cancel, print and reset. The person comes in through the labels
// Label15 to Label21; every load re-reads the rows.
class AccountCard final : public QDialog {
    Q_OBJECT
public:
    // refreshMainList is the main window's DetayliAra, run after every change of the person's rows.
    AccountCard(Store& store, std::function<void()> refreshMainList, QWidget* parent = nullptr);
    ~AccountCard() override;

    Store& store() { return m_store; }

    // Copies the person into Label15 (key) to Label21 (address).
    void setPerson(const Customer& person);
    // The person as the labels hold it.
    Customer person() const;

    // Full load: every row of the person, all figures and the detail window. False after a database
    // failure, which has been shown.
    bool KartiYukle2();
    // Single-currency load: only the rows of the currency chosen in Combo1.
    bool KartiYukle();
    // Writes the balances shown (Label12, Label22, Label25) into the person's MUSTERILER row.
    void BakiyeGuncelle();
    // Deletes the selected row (after the question of the cancel button).
    void iSlem_Sil();

    // After a change written together with its balance write-back: shows the state the change read back
    // and reloads the main list.
    void applyChange(const AccountState& state);

    // What the statement printout needs: the list rows as shown and in the order shown (description,
    // amount, currency, date, time), the name, and the balance and status texts.
    QList<QStringList> shownRows() const;
    QString personName() const;
    QString balanceText(Currency currency) const;
    QString statusText(Currency currency) const;

    ReportList* list() const { return m_list; }
    DetailWindow* detailWindow() const { return m_detail; }
    // otokod of the selected list row (the first when none is selected); 0 for an empty list.
    qint64 selectedRowKey() const;

    // The handlers of the buttons that open or ask something, for the keyboard and for tests.
    void lend();           // MyButton1
    void collect();        // MyButton4
    void editSelected();   // MyButton2 and a double click
    void cancelSelected(); // MyButton3
    void resetAccount();   // MyButton7

    // What "&DÖKÜM AL" does; set by the statement printout.
    static void setStatementAction(std::function<void(AccountCard*)> action);

Q_SIGNALS:
    // "EKSTRE": the statement for a period of the card's person; whoever opened the card shows it.
    void statementRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildPersonFields();
    void buildFigures();
    void buildButtons();
    void buildList();
    void showRows(const AccountState& state);
    void showFull(const AccountState& state);
    void setFigure(Currency currency, const QString& balance);
    void openOver(QDialog& window);
    void listingKindChosen(int index);
    void headerClicked(int column);
    void printStatement();
    // Shows the refusal for the first currency whose balance is not zero.
    bool refusedForBalance();
    int selectedRow() const;

    Store& m_store;
    std::function<void()> m_refreshMainList;
    bool m_loadedOnce = false;
    QLabel* m_person[7] = {};
    QLabel* m_balance[3] = {};
    QLabel* m_status[3] = {};
    QLabel* m_count = nullptr;
    QComboBox* m_kind = nullptr;
    ReportList* m_list = nullptr;
    DetailWindow* m_detail = nullptr;
};

} // namespace kalvora
