#pragma once

#include "accounts/account.h"
#include "accounts/open_items.h"
#include "accounts/statement_data.h"
#include "customers/customer.h"

#include <QDialog>
#include <QHash>

class QComboBox;
class QLabel;

namespace kalvora {

class DetailWindow;
class ReportList;
class Store;

// Form4, "CARİ HESAP KARTI": one person's transactions, balances and status per currency, and the
// buttons that lend, collect, correct, cancel, print and reset. It holds the person it was given and
// the state it loaded last, and draws its labels from them; every load re-reads the rows.
class AccountCard final : public QDialog {
    Q_OBJECT
public:
    explicit AccountCard(Store& store, QWidget* parent = nullptr);
    ~AccountCard() override;

    // The person whose card this is; Label15 (key) to Label21 (address) show it.
    void setPerson(const Customer& person);
    const Customer& person() const { return m_person; }
    // The rows and figures the card shows at this moment.
    const AccountState& shownState() const { return m_shown; }
    // What of the shown rows is still open (DURUM column).
    const OpenItems& openItems() const { return m_open; }

    // Full load: every row of the person, all figures and the detail window. False after a database
    // failure, which has been shown.
    bool KartiYukle2();
    // Another desk changed the book: the card is read again, the chosen row stays chosen.
    void refreshForOtherDesks();
    // Single-currency load: only the rows of the currency chosen in Combo1.
    bool KartiYukle();
    // Writes the balances shown (Label12, Label22, Label25) into the person's MUSTERILER row.
    void BakiyeGuncelle();
    // Deletes the selected row (after the question of the cancel button).
    void iSlem_Sil();

    // After a change written together with its balance write-back: shows the state the change read back
    // and announces the change.
    void applyChange(const AccountState& state);

    // What the statement printout needs: the name, the balance and status of each currency, and the rows
    // in the order the list shows them.
    StatementData statementData() const;
    // The texts of each list row, in the order shown.
    QList<QStringList> shownRows() const;

    ReportList* list() const { return m_list; }
    DetailWindow* detailWindow() const { return m_detail; }
    // The loaded row behind a list row, which may have been moved by a header click; null past the end.
    const AccountRow* rowAt(int listRow) const;
    // otokod of the selected list row (the first when none is selected); 0 for an empty list.
    qint64 selectedRowKey() const;

    // The handlers of the buttons that open or ask something, for the keyboard and for tests.
    void lend();           // MyButton1
    void collect();        // MyButton4
    void editSelected();   // MyButton2 and a double click
    void cancelSelected(); // MyButton3
    void resetAccount();   // MyButton7
    void printStatement(); // MyButton6
    void exportRows();     // MyButton9, "EXCEL'E AKTAR"

Q_SIGNALS:
    // The person's rows or stored balances changed; the main list follows.
    void accountChanged(const QString& personKey);
    // "&DÖKÜM AL": print what the card shows.
    void statementRequested(const StatementData& data);
    // "EKSTRE": the statement for a period of the card's person; whoever opened the card shows it.
    void periodStatementRequested();
    // "MUTABAKAT": the balance confirmation letter of the card's person.
    void letterRequested();
    // "GÖNDER": send the card's person their balance confirmation of today.
    void sendRequested();

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
    void setFigure(Currency currency, const AccountFigures& figures);
    void openOver(QDialog& window);
    void listingKindChosen(int index);
    void headerClicked(int column);
    // Shows the refusal for the first currency whose balance is not zero.
    bool refusedForBalance();
    int selectedRow() const;

    Store& m_store;
    Customer m_person;
    AccountState m_shown;
    OpenItems m_open;
    int m_defaultTerm = 0;
    QHash<qint64, int> m_rowIndex; // otokod -> index into m_shown.rows
    bool m_loadedOnce = false;
    QLabel* m_personLabels[7] = {};
    QLabel* m_balance[3] = {};
    QLabel* m_status[3] = {};
    QLabel* m_count = nullptr;
    QComboBox* m_kind = nullptr;
    ReportList* m_list = nullptr;
    DetailWindow* m_detail = nullptr;
};

} // namespace kalvora
