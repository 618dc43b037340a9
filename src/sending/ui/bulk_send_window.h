#pragma once

#include "sending/bulk_send.h"

#include <QDialog>

#include <memory>

class QDateEdit;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QRadioButton;
class QSpinBox;

namespace kalvora {

class PictureButton;
class ReportList;
class Store;

// TopluGonder, "TOPLU GÖNDER": the balance confirmation letter by e-mail to everyone owing more than an
// amount in a currency, or to the people chosen. A progress bar shows the run, which can be stopped;
// each failure is listed and the rest go on; the next run offers to try again only those that failed.
class BulkSendWindow final : public QDialog {
    Q_OBJECT
public:
    BulkSendWindow(Store& store, QWidget* parent = nullptr,
                   const QString& configFolder = sendingConfigFolder());
    ~BulkSendWindow() override;

    // Who the run takes, by the window's choices: a list of rules, so another criterion is one rule more.
    QList<PersonRule> rules();
    QList<Customer> chosenPeople();
    void start(); // BAŞLAT
    void stop();  // DURDUR
    bool isRunning() const { return m_run && m_run->isRunning(); }
    const BulkSend* run() const { return m_run.get(); }
    ReportList* failureList() const { return m_failures; }

Q_SIGNALS:
    void finished();

private:
    void runFinished(bool stopped);

    Store& m_store;
    QString m_configFolder;
    QList<Customer> m_people;
    CompanyInfo m_sender;
    std::unique_ptr<DocumentSender> m_documentSender;
    std::unique_ptr<BulkSend> m_run;
    QList<BulkTarget> m_lastFailures;
    QRadioButton* m_byAmount = nullptr;
    QRadioButton* m_byOverdue = nullptr;
    QRadioButton* m_bySelection = nullptr;
    QLineEdit* m_amount = nullptr;
    QComboBox* m_currency = nullptr;
    QListWidget* m_chosen = nullptr;
    QDateEdit* m_date = nullptr;
    QSpinBox* m_days = nullptr;
    QProgressBar* m_progress = nullptr;
    ReportList* m_failures = nullptr;
    PictureButton* m_start = nullptr;
    PictureButton* m_stop = nullptr;
};

} // namespace kalvora
