#pragma once

#include "customers/customer.h"

#include <QMainWindow>

#include <functional>

class QLabel;
class QLineEdit;
class QFrame;

namespace kalvora {

class PictureButton;
class ReportList;
class Store;

// Form1: the hub. The button panel, the customer list with its filter strip, and the status bar.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    // What the buttons open; a feature not yet present leaves its opener empty and its button inert.
    struct Openers {
        std::function<void(MainWindow*)> addPerson;                     // Form2
        std::function<void(MainWindow*, const Customer&)> editPerson;   // Form3
        std::function<void(MainWindow*, const Customer&)> deletePerson; // Kisi_Sil
        std::function<void(MainWindow*, const Customer&)> accountCard;  // Form4
        std::function<void(MainWindow*)> incomeLedger;                  // GelirMenu
        std::function<void(MainWindow*)> expenseLedger;                 // GiderMenu
        std::function<void(MainWindow*)> reports;                       // Form13
        std::function<void(MainWindow*)> rates;                         // TCMB_KUR
        std::function<void(MainWindow*)> cancellations;                 // IptalArsivi
        // Column sort and fit of the customer list.
        std::function<void(ReportList*, int column)> sortColumn;
        std::function<void(ReportList*)> fitColumns;
    };

    // Loads the list at once (DetayliAra), with the openers' column fit when given.
    MainWindow(Store& store, const QString& dataFolder, Openers openers = {}, QWidget* parent = nullptr);

    void setOpeners(Openers openers) { m_openers = std::move(openers); }
    Store& store() { return m_store; }
    const QString& dataFolder() const { return m_dataFolder; }

    // Reloads the list from MUSTERILER through the text standing in the filter box.
    void DetayliAra();
    // The person of the current list row; false when the list is empty.
    bool currentCustomer(Customer* out) const;
    // Reads the person of one list row from the sub-items.
    Customer customerAt(int row) const;

    ReportList* list() const { return m_list; }
    QLineEdit* filterBox() const { return m_filter; }

    // The confirmed exit asks first; the frame's close box never closes the window.
    void allowClose() { m_closeAllowed = true; }
    // The folder of the programs (yedekle, raporla); the executable's own folder unless set.
    void setInstallationFolder(const QString& folder) { m_installFolder = folder; }

Q_SIGNALS:
    // The person confirmed the exit: the program ends at once.
    void quitRequested();

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
    void withCurrent(const std::function<void(MainWindow*, const Customer&)>& opener,
                     const QString& emptyText, const QString& emptyTitle);

    Store& m_store;
    QString m_dataFolder;
    QString m_installFolder;
    Openers m_openers;
    bool m_closeAllowed = false;
    QFrame* m_picture1 = nullptr;
    QFrame* m_picture2 = nullptr;
    ReportList* m_list = nullptr;
    QLineEdit* m_filter = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_panels[6] = {};
    bool m_caps = false;
    bool m_num = false;
    bool m_scroll = false;
};

} // namespace kalvora
