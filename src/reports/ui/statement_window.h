#pragma once

#include "accounts/period_statement.h"
#include "customers/customer.h"
#include "reports/direct_report.h"
#include "reports/letterhead.h"
#include "reports/report_bridge.h"
#include "reports/ui/list_printing.h"

#include <QDialog>
#include <QUrl>

#include <array>
#include <chrono>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QNetworkAccessManager;
class QProgressBar;

namespace kalvora {

class HistoricalRates;
class PictureButton;
class ReportList;
class Store;

// Form20, "HESAP EKSTRESİ": one person's statement for a period, per currency the balance carried in,
// the period's rows with a running balance, the totals and the closing balance; optionally the TL value
// of DOLAR and EURO rows at the central bank's selling rate of their day. Prints with ekstre.fr3 and
// exports to Excel or CSV. Everything shown is rebuilt from the rows whenever a choice changes.
class StatementWindow final : public QDialog {
    Q_OBJECT
public:
    StatementWindow(Store& store, const Customer& person, QWidget* parent = nullptr);
    ~StatementWindow() override;

    // Where the archive rates come from (tests use a local server); the default is the published
    // today.xml's server through a network manager of the window's own.
    void setRateSource(QNetworkAccessManager* network, const QUrl& today,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(20000));
    void setReportOptions(const ReportOptions& options) { m_reportOptions = options; }

    const PeriodStatement& statement() const { return m_statement; }
    const ExportTable& table() const { return m_table; }
    ReportList* list() const { return m_list; }
    bool isFetchingRates() const;

    // Re-reads the rows and rebuilds the statement; starts the rate fetch when TL KARŞILIĞI is on.
    void reload();
    void print();      // YAZDIR
    void exportFile(); // EXCEL'E AKTAR

    const Customer& person() const { return m_person; }
    QString periodText() const;
    // The statement as shown, for a PDF written without the viewer (the one a sending attaches).
    DirectReport directReport() const;
    // The lines above the list in an export: the sender (when set), the person and the period.
    QList<QStringList> exportPreamble() const;

Q_SIGNALS:
    // GÖNDER: whoever opened the window sends the statement.
    void sendRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void showStatement(bool withRates);
    void ratesArrived();
    bool periodValid();
    QString contactText() const;
    QString choiceText() const;
    ListPrintJob printJob() const;
    void sendClicked();
    // The currency chosen in Combo1; none for "TÜMÜ".
    std::optional<Currency> chosenCurrency() const;

    Store& m_store;
    Customer m_person;
    QList<AccountRow> m_rows;
    PeriodStatement m_statement;
    ExportTable m_table;
    ReportOptions m_reportOptions;
    CompanyInfo m_sender;

    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_currency = nullptr;
    QCheckBox* m_tlValue = nullptr;
    QProgressBar* m_progress = nullptr;
    ReportList* m_list = nullptr;
    PictureButton* m_print = nullptr;
    PictureButton* m_export = nullptr;
    PictureButton* m_send = nullptr;
    std::array<PictureButton*, 4> m_buttons{};

    QNetworkAccessManager* m_network = nullptr;
    QUrl m_ratesPage;
    std::chrono::milliseconds m_rateLimit{20000};
    HistoricalRates* m_rates = nullptr;
};

} // namespace kalvora
