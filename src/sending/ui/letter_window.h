#pragma once

#include "customers/customer.h"
#include "reports/report_bridge.h"
#include "sending/confirmation_letter.h"

#include <QDialog>

class QDateEdit;
class QSpinBox;

namespace kalvora {

class Store;

// Mutabakat, "MUTABAKAT MEKTUBU": one person's balance confirmation letter for a chosen date, printed
// through the viewer, written as a PDF or sent.
class LetterWindow final : public QDialog {
    Q_OBJECT
public:
    LetterWindow(Store& store, const Customer& person, QWidget* parent = nullptr);

    void setReportOptions(const ReportOptions& options) { m_reportOptions = options; }
    void setDate(const QDate& date);
    // The letter for the chosen date and days, from the person's rows as they now stand.
    ConfirmationLetter letter();

    void print();   // YAZDIR
    void savePdf(); // PDF KAYDET
    void send();    // GÖNDER

Q_SIGNALS:
    // GÖNDER: whoever opened the window sends it (the window opener connects SendWindow).
    void sendRequested(const SendDocument& document);

private:
    Store& m_store;
    Customer m_person;
    CompanyInfo m_sender;
    ReportOptions m_reportOptions;
    QDateEdit* m_date = nullptr;
    QSpinBox* m_days = nullptr;
};

} // namespace kalvora
