#pragma once

#include "reports/report_layout.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class QScrollArea;
class QSpinBox;
class QToolBar;

namespace kalvora {

class ReportPageView;

// The report viewer (raporla): one page at a time, page navigation, zoom, printing with the system's
// print dialog and saving as PDF.
class ReportViewer final : public QMainWindow {
    Q_OBJECT
public:
    enum class Fit { None, Width, Page };

    explicit ReportViewer(PreparedReport report, QWidget* parent = nullptr);
    ~ReportViewer() override;

    const PreparedReport& report() const { return m_report; }
    int pageCount() const { return int(m_report.pages.size()); }
    // 0-based.
    int currentPage() const { return m_page; }
    void setCurrentPage(int page);
    // 1.0 shows the page at its real size.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    void setFit(Fit fit);
    Fit fit() const { return m_fit; }

    // Paints pages from..to (1-based, inclusive) on the printer, one per sheet; false when the printer
    // cannot be started.
    bool printTo(QPrinter& printer, int from, int to) const;
    // Writes the PDF; a failure is shown in a message box. True on success.
    bool savePdf(const QString& path);

    // With the dialogs.
    void print();
    void saveAs();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar();
    void refresh();
    void applyFit();
    void zoomStep(int direction);
    void zoomChosen(int index);

    PreparedReport m_report;
    int m_page = 0;
    double m_zoom = 1.0;
    Fit m_fit = Fit::Width;
    ReportPageView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    QToolBar* m_toolBar = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QLabel* m_pageCount = nullptr;
    QComboBox* m_zoomBox = nullptr;
    QLabel* m_status = nullptr;
    QAction* m_first = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
};

} // namespace kalvora
