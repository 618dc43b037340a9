#pragma once

#include "app/main_list_texts.h"
#include "customers/customer.h"
#include "customers/customer_register.h"

#include <QDate>
#include <QList>
#include <QMainWindow>

#include <optional>

class QLabel;
class QLineEdit;
class QFrame;

namespace kalvora {

class PictureButton;
class ReportList;
class Store;

// Form1: the hub. The button panel, the customer list with its filter strip, and the status bar.
// Each button asks for its window by a signal; whoever builds the main window opens them.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    // Loads the list at once (DetayliAra).
    MainWindow(Store& store, const QString& dataFolder, QWidget* parent = nullptr);

    Store& store() { return m_store; }
    const QString& dataFolder() const { return m_dataFolder; }

    // Reloads the list from MUSTERILER through the text standing in the filter box.
    void DetayliAra();
    // After a change of one person: with the same filter text only that person's row is updated,
    // inserted or removed, leaving exactly the list a reload would give; a changed filter text or a
    // commit by another program reloads everybody.
    void DetayliAra(const QString& changedKey);
    // Reads everybody again after other desks' commits, keeping the filter the list shows, the chosen
    // person and the scroll position.
    void refreshForOtherDesks();
    // The person of the current list row; false when the list is empty.
    bool currentCustomer(Customer* out) const;
    // The person behind one list row, with the balances as the list shows them.
    Customer customerAt(int row) const;

    ReportList* list() const { return m_list; }
    QLineEdit* filterBox() const { return m_filter; }

    // The confirmed exit asks first; the frame's close box never closes the window.
    void allowClose() { m_closeAllowed = true; }
    // The folder of the programs (yedekle, raporla); the executable's own folder unless set.
    void setInstallationFolder(const QString& folder) { m_installFolder = folder; }

    // The status bar's count of people with anything overdue ("VADESİ GEÇEN: N KİŞİ").
    void setOverduePeople(int count);
    // Called by the clock every second once the window has been shown: on the first call and on the
    // first call of each new day the overdue check is asked for.
    void checkDay();

Q_SIGNALS:
    // The first second on screen, or a new day began: whoever opened the window looks what is overdue.
    void overdueCheckRequested();
    // The person confirmed the exit: the program ends at once.
    void quitRequested();
    void addPersonRequested();                          // MyButton1, Form2
    void editPersonRequested(const Customer& person);   // MyButton2, Form3
    void deletePersonRequested(const Customer& person); // MyButton3, Kisi_Sil
    void accountCardRequested(const Customer& person);  // MyButton4 and a double click, Form4
    void incomeLedgerRequested();                       // MyButton12, GelirMenu
    void expenseLedgerRequested();                      // MyButton13, GiderMenu
    void reportsRequested();                            // MyButton5, Form13
    void ratesRequested();                              // MyButton10, TCMB_KUR
    void cancellationsRequested();                      // MyButton14, IptalArsivi
    void importRequested();                             // MyButton16, IceAktar
    void companyInfoRequested();                        // MyButton17, FirmaBilgileri
    void bulkSendRequested();                           // MyButton18, TopluGonder
    void sentListRequested();                           // MyButton19, Gonderilenler

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildButtons();
    void buildStatusBar();
    void layoutChildren();
    void updateClock();
    void openAccountCard();
    void confirmExit();
    void startBackup();
    void search();
    void headerClicked(int column);
    std::optional<qint64> dataVersion() const;
    // Reads everybody and shows those the filter lets through.
    void readEverybody(const QString& filter);
    void showFiltered(const QString& filter);
    void finishLoad();
    int listPosition(const CustomerRegister::Person& person) const;
    void widenColumnsFor(const QStringList& texts);
    // Emits signal with the current person, or says that the list is empty.
    void withCurrent(void (MainWindow::*signal)(const Customer&), const QString& emptyText,
                     const QString& emptyTitle);

    Store& m_store;
    QString m_dataFolder;
    QString m_installFolder;
    // Everybody as last read; list rows carry their person's key as the hidden value.
    CustomerRegister m_register;
    // What the list shows of each person, kept across reloads.
    MainListTexts m_texts;
    bool m_loaded = false;
    QString m_loadedFilter;
    std::optional<qint64> m_loadedVersion;
    bool m_headerSorted = false;
    bool m_closeAllowed = false;
    QFrame* m_picture1 = nullptr;
    QFrame* m_picture2 = nullptr;
    ReportList* m_list = nullptr;
    QLineEdit* m_filter = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_panels[6] = {};
    QLabel* m_overdue = nullptr;
    QDate m_checkedDay;
    bool m_caps = false;
    bool m_num = false;
    bool m_scroll = false;
};

} // namespace kalvora
