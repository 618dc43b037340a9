#pragma once

#include "customers/customer.h"
#include "reports/report_bridge.h"
#include "sending/confirmation_letter.h"

#include <QDialog>

#include <utility>

class QDateEdit;
class QGridLayout;
class QSpinBox;

namespace kalvora {

// The letter's date (today) and the days given to answer (15), each beside its caption, in rows `row`
// and `row + 1` of a window's grid; daysName is the days box's objectName in that window.
std::pair<QDateEdit*, QSpinBox*> addLetterDateInputs(QGridLayout* grid, int row, const char* daysName);

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
