#include "reports/ui/report_viewer.h"

#include "reports/report_definition.h"
#include "reports/report_render.h"
#include "widgets/message_box.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kalvora {

namespace {

constexpr int pageMargin = 16; // pixels of grey around the page
const double zoomSteps[] = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};

QString percentText(double zoom)
{
    return QLatin1Char('%') + QString::number(std::lround(zoom * 100));
}

} // namespace

// Paints the current page on a grey desk at the viewer's zoom.
class ReportPageView final : public QWidget {
public:
    explicit ReportPageView(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("PageView"));
        setAutoFillBackground(false);
    }

    void show(const PreparedPage* page, double pixelsPerUnit)
    {
        m_page = page;
        m_scale = pixelsPerUnit;
        const QSizeF size = page ? page->size * m_scale : QSizeF();
        resize(int(std::ceil(size.width())) + 2 * pageMargin, int(std::ceil(size.height())) + 2 * pageMargin);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        if (!m_page)
            return;
        const QRectF paper(pageMargin, pageMargin, m_page->size.width() * m_scale,
                           m_page->size.height() * m_scale);
        p.fillRect(paper.translated(3, 3), QColor(0x50, 0x50, 0x50));
        p.fillRect(paper, Qt::white);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setClipRect(paper);
        p.translate(paper.topLeft());
        p.scale(m_scale, m_scale);
        paintPage(p, *m_page);
    }

private:
    const PreparedPage* m_page = nullptr;
    double m_scale = 1;
};

ReportViewer::ReportViewer(PreparedReport report, QWidget* parent)
    : QMainWindow(parent), m_report(std::move(report))
{
    setObjectName(QStringLiteral("ReportViewer"));
    setWindowTitle(m_report.title.isEmpty() ? QStringLiteral("RAPOR")
                                            : QStringLiteral("RAPOR - ") + m_report.title);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("PageScroll"));
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_view = new ReportPageView(m_scroll);
    m_scroll->setWidget(m_view);
    m_scroll->viewport()->installEventFilter(this);
    m_scroll->installEventFilter(this);
    setCentralWidget(m_scroll);
    m_scroll->setFocus();
    buildToolBar();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusText"));
    statusBar()->addWidget(m_status, 1);

    // As wide as a page at the window's height, but never narrower than the toolbar: an action in the
    // toolbar's overflow menu ("KAPAT" last of all) is one nobody finds.
    QSize size(800, 1000);
    if (const QScreen* screen = this->screen()) {
        const QRect avail = screen->availableGeometry();
        size = QSize(int(avail.height() * 0.9 * 0.8), int(avail.height() * 0.9));
        if (m_toolBar->sizeHint().width() > avail.width()) {
            // Too narrow a screen for the captions beside the icons: the icons alone, the captions as
            // tooltips.
            for (QAction* a : m_toolBar->actions())
                if (auto* button = qobject_cast<QToolButton*>(m_toolBar->widgetForAction(a)))
                    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
        size.setWidth(std::min(avail.width(), std::max(size.width(), m_toolBar->sizeHint().width() + 8)));
    }
    resize(size);
    refresh();
}

ReportViewer::~ReportViewer() = default;

void ReportViewer::buildToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("RAPOR"));
    m_toolBar = bar;
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto action = [&](const char* name, const QString& text, const char* theme,
                      QStyle::StandardPixmap fallback, const QKeySequence& key, auto slot) {
        QAction* a =
            bar->addAction(QIcon::fromTheme(QLatin1String(theme), style()->standardIcon(fallback)), text);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(text);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto withText = [bar](QAction* a) {
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a)))
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    };
    QAction* printAction = action("Print", QStringLiteral("YAZDIR"), "document-print",
                                  QStyle::SP_DialogSaveButton, QKeySequence::Print, [this] { print(); });
    withText(printAction);
    QAction* saveAction = action("SavePdf", QStringLiteral("PDF OLARAK KAYDET"), "document-save-as",
                                 QStyle::SP_DialogSaveButton, QKeySequence::Save, [this] { saveAs(); });
    withText(saveAction);
    bar->addSeparator();
    m_first = action("FirstPage", QStringLiteral("İLK SAYFA"), "go-first", QStyle::SP_MediaSkipBackward,
                     QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { setCurrentPage(0); });
    m_previous = action("PreviousPage", QStringLiteral("ÖNCEKİ"), "go-previous", QStyle::SP_ArrowBack,
                        QKeySequence(Qt::Key_PageUp), [this] { setCurrentPage(m_page - 1); });
    m_pageBox = new QSpinBox(bar);
    m_pageBox->setObjectName(QStringLiteral("PageNumber"));
    m_pageBox->setAccessibleName(QStringLiteral("SAYFA"));
    m_pageBox->setRange(1, std::max(1, pageCount()));
    m_pageBox->setKeyboardTracking(false);
    m_pageBox->setFocusPolicy(Qt::ClickFocus); // page keys turn pages, they do not step the box
    bar->addWidget(m_pageBox);
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int v) { setCurrentPage(v - 1); });
    m_pageCount = new QLabel(bar);
    m_pageCount->setObjectName(QStringLiteral("PageCount"));
    m_pageCount->setText(QStringLiteral(" / ") + QString::number(pageCount()) + QLatin1Char(' '));
    bar->addWidget(m_pageCount);
    m_next = action("NextPage", QStringLiteral("SONRAKİ"), "go-next", QStyle::SP_ArrowForward,
                    QKeySequence(Qt::Key_PageDown), [this] { setCurrentPage(m_page + 1); });
    m_last = action("LastPage", QStringLiteral("SON SAYFA"), "go-last", QStyle::SP_MediaSkipForward,
                    QKeySequence(Qt::CTRL | Qt::Key_End), [this] { setCurrentPage(pageCount() - 1); });
    bar->addSeparator();
    action("ZoomOut", QStringLiteral("UZAKLAŞ"), "zoom-out", QStyle::SP_ArrowDown, QKeySequence::ZoomOut,
           [this] { zoomStep(-1); });
    m_zoomBox = new QComboBox(bar);
    m_zoomBox->setObjectName(QStringLiteral("Zoom"));
    m_zoomBox->setAccessibleName(QStringLiteral("YAKINLAŞTIRMA"));
    for (double z : zoomSteps)
        m_zoomBox->addItem(percentText(z), z);
    m_zoomBox->addItem(QStringLiteral("SAYFA GENİŞLİĞİ"), -1.0);
    m_zoomBox->addItem(QStringLiteral("TAM SAYFA"), -2.0);
    bar->addWidget(m_zoomBox);
    connect(m_zoomBox, &QComboBox::activated, this, [this](int index) { zoomChosen(index); });
    action("ZoomIn", QStringLiteral("YAKINLAŞ"), "zoom-in", QStyle::SP_ArrowUp, QKeySequence::ZoomIn,
           [this] { zoomStep(1); });
    bar->addSeparator();
    withText(action("Close", QStringLiteral("KAPAT"), "window-close", QStyle::SP_DialogCloseButton,
                    QKeySequence(Qt::Key_Escape), [this] { close(); }));
}

void ReportViewer::setCurrentPage(int page)
{
    const int clamped = std::clamp(page, 0, std::max(0, pageCount() - 1));
    if (clamped != m_page) {
        m_page = clamped;
        m_scroll->verticalScrollBar()->setValue(0);
    }
    refresh();
}

void ReportViewer::setZoom(double zoom)
{
    m_fit = Fit::None;
    m_zoom = std::clamp(zoom, 0.1, 8.0);
    refresh();
}

void ReportViewer::setFit(Fit fit)
{
    m_fit = fit;
    applyFit();
    refresh();
}

void ReportViewer::applyFit()
{
    if (m_fit == Fit::None || m_report.pages.isEmpty())
        return;
    const QSizeF mm = m_report.pages.at(m_page).size / unitsPerMm;
    const double pxPerMm = logicalDpiX() / 25.4;
    // Measured on the scroll area itself, room kept for the vertical scroll bar: the fitted size never
    // depends on the scroll bars it makes appear.
    const int frame = 2 * m_scroll->frameWidth();
    const int bar = m_fit == Fit::Width ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    const QSize avail =
        m_scroll->size() - QSize(frame + bar + 2 * pageMargin + 2, frame + 2 * pageMargin + 2);
    double zoom = avail.width() / (mm.width() * pxPerMm);
    if (m_fit == Fit::Page)
        zoom = std::min(zoom, avail.height() / (mm.height() * pxPerMm));
    m_zoom = std::clamp(zoom, 0.1, 8.0);
}

void ReportViewer::zoomStep(int direction)
{
    double next = m_zoom;
    if (direction > 0) {
        next = zoomSteps[std::size(zoomSteps) - 1];
        for (double z : zoomSteps) {
            if (z > m_zoom + 0.001) {
                next = z;
                break;
            }
        }
    } else {
        next = zoomSteps[0];
        for (double z : zoomSteps) {
            if (z < m_zoom - 0.001)
                next = z;
        }
    }
    setZoom(next);
}

void ReportViewer::zoomChosen(int index)
{
    const double v = m_zoomBox->itemData(index).toDouble();
    if (v == -1.0)
        setFit(Fit::Width);
    else if (v == -2.0)
        setFit(Fit::Page);
    else
        setZoom(v);
}

void ReportViewer::refresh()
{
    applyFit();
    const PreparedPage* page = m_report.pages.isEmpty() ? nullptr : &m_report.pages.at(m_page);
    m_view->show(page, m_zoom * logicalDpiX() / (25.4 * unitsPerMm));
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setValue(m_page + 1);
    m_first->setEnabled(m_page > 0);
    m_previous->setEnabled(m_page > 0);
    m_next->setEnabled(m_page + 1 < pageCount());
    m_last->setEnabled(m_page + 1 < pageCount());
    const QSignalBlocker blockZoom(m_zoomBox);
    if (m_fit == Fit::Width)
        m_zoomBox->setCurrentIndex(m_zoomBox->count() - 2);
    else if (m_fit == Fit::Page)
        m_zoomBox->setCurrentIndex(m_zoomBox->count() - 1);
    else {
        const int i = m_zoomBox->findData(m_zoom);
        if (i >= 0) {
            m_zoomBox->setCurrentIndex(i);
        } else {
            m_zoomBox->setCurrentIndex(-1);
            m_zoomBox->setPlaceholderText(percentText(m_zoom));
        }
    }
    m_status->setText(QStringLiteral("SAYFA ") + QString::number(m_page + 1) + QStringLiteral(" / ") +
                      QString::number(pageCount()) + QStringLiteral("    ") + percentText(m_zoom));
}

bool ReportViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll && event->type() == QEvent::Resize && m_fit != Fit::None)
        refresh();
    if (watched == m_scroll->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            zoomStep(wheel->angleDelta().y() > 0 ? 1 : -1);
            return true;
        }
        // Scrolling on past the end of a page turns it.
        QScrollBar* bar = m_scroll->verticalScrollBar();
        const int dy = wheel->angleDelta().y();
        if (dy < 0 && bar->value() == bar->maximum() && m_page + 1 < pageCount()) {
            setCurrentPage(m_page + 1);
            return true;
        }
        if (dy > 0 && bar->value() == bar->minimum() && m_page > 0) {
            setCurrentPage(m_page - 1);
            bar->setValue(bar->maximum());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool ReportViewer::printTo(QPrinter& printer, int from, int to) const
{
    if (m_report.pages.isEmpty())
        return false;
    from = std::clamp(from, 1, pageCount());
    to = std::clamp(to, from, pageCount());
    printer.setFullPage(true);
    printer.setPageLayout(pageLayoutFor(m_report.pages.at(from - 1)));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double scale = pageUnitScale(printer.resolution());
    for (int i = from - 1; i < to; ++i) {
        if (i > from - 1)
            printer.newPage();
        painter.save();
        painter.scale(scale, scale);
        paintPage(painter, m_report.pages.at(i));
        painter.restore();
    }
    return painter.end();
}

void ReportViewer::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_report.title);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("YAZDIR"));
    dialog.setMinMax(1, std::max(1, pageCount()));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage);
    if (dialog.exec() != QDialog::Accepted)
        return;
    int from = 1;
    int to = pageCount();
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        from = to = m_page + 1;
    }
    if (!printTo(printer, from, to))
        MessageBox::error(this, QStringLiteral("YAZICI BAŞLATILAMADI: ") + printer.printerName(),
                          QStringLiteral("YAZDIRMA HATASI"));
}

bool ReportViewer::savePdf(const QString& path)
{
    try {
        writePdf(m_report, path);
        return true;
    } catch (const ReportError& e) {
        MessageBox::error(this, e.text(), QStringLiteral("PDF KAYDEDİLEMEDİ"));
        return false;
    }
}

void ReportViewer::saveAs()
{
    QString name = m_report.title.isEmpty() ? QStringLiteral("rapor") : m_report.title;
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("PDF OLARAK KAYDET"),
                                                QDir(folder).filePath(name + QStringLiteral(".pdf")),
                                                QStringLiteral("PDF DOSYALARI (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    savePdf(path);
}

} // namespace kalvora
