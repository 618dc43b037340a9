#include "reports/ui/charts_window.h"

#include "data/clock.h"
#include "reports/chart_figures.h"
#include "reports/report_lists.h"
#include "reports/ui/chart_view.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kalvora {

namespace {

const char* const tabTitles[chartKindCount] = {"NET DURUM", "EN ÇOK BORÇLULAR", "EN ÇOK ALACAKLILAR",
                                               "VERİLEN VE ALINAN", "GELİR VE GİDER"};

} // namespace

ChartsWindow::ChartsWindow(Store& store, QWidget* parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("Grafikler"));
    setWindowTitle(QStringLiteral("GRAFİKLER"));
    resize(1000, 680);
    auto* layout = new QVBoxLayout(this);

    auto* choices = new QHBoxLayout;
    auto* currencyCaption = new QLabel(QStringLiteral("PARA CİNSİ"), this);
    currencyCaption->setObjectName(QStringLiteral("Label2"));
    m_currency = new QComboBox(this);
    m_currency->setObjectName(QStringLiteral("Combo1"));
    m_currency->addItems(currencyCodes());
    nameByCaption(currencyCaption, m_currency);
    auto* yearCaption = new QLabel(QStringLiteral("YIL"), this);
    yearCaption->setObjectName(QStringLiteral("Label3"));
    m_year = new QSpinBox(this);
    m_year->setObjectName(QStringLiteral("Text1"));
    m_year->setRange(1900, 9999);
    m_year->setValue(Clock::today().year());
    nameByCaption(yearCaption, m_year);
    choices->addWidget(currencyCaption);
    choices->addWidget(m_currency);
    choices->addSpacing(24);
    choices->addWidget(yearCaption);
    choices->addWidget(m_year);
    choices->addStretch();
    layout->addLayout(choices);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    for (int k = 0; k < chartKindCount; ++k) {
        auto* stack = new QStackedWidget(m_tabs);
        auto* view = new ChartView(stack);
        view->setObjectName(QStringLiteral("Chart%1").arg(k + 1));
        auto* table = new QTableWidget(stack);
        table->setObjectName(QStringLiteral("Table%1").arg(k + 1));
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->verticalHeader()->hide();
        table->setAccessibleName(QString::fromUtf8(tabTitles[k]));
        stack->addWidget(view);
        stack->addWidget(table);
        m_tabs->addTab(stack, QString::fromUtf8(tabTitles[k]));
        m_stacks[size_t(k)] = stack;
        m_views[size_t(k)] = view;
        m_tables[size_t(k)] = table;
    }
    layout->addWidget(m_tabs, 1);

    const ButtonInfo defs[] = {
        {"MyButton1", "TABLO", "TABLO", "GRAFİĞİN RAKAMLARINI TABLO OLARAK GÖSTERİR", "view-list-details",
         QStyle::SP_FileDialogDetailedView},
        {"MyButton2", "RESİM OLARAK KAYDET", "KAYDET", "GRAFİĞİ PNG RESMİ YA DA PDF OLARAK KAYDEDER",
         "document-save", QStyle::SP_DialogSaveButton},
        {"MyButton3", "YAZDIR", "YAZDIR", "GRAFİĞİ YAZDIRIR", "document-print",
         QStyle::SP_FileDialogContentsView},
        {"MyButton7", "&KAPAT", "KAPAT", "FORMU KAPAT", "window-close", QStyle::SP_DialogCloseButton},
    };
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (const ButtonInfo& d : defs) {
        PictureButton* b = makePictureButton(d, this);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    auto button = [this](const char* name) { return findChild<PictureButton*>(QString::fromLatin1(name)); };
    m_tableButton = button("MyButton1");
    m_tableButton->setCheckable(true);
    connect(m_tableButton, &QToolButton::toggled, this, [this](bool on) {
        for (QStackedWidget* s : m_stacks)
            s->setCurrentIndex(on ? 1 : 0);
    });
    connect(button("MyButton2"), &QToolButton::clicked, this, &ChartsWindow::saveCurrent);
    connect(button("MyButton3"), &QToolButton::clicked, this,
            [this] { Q_EMIT printRequested(chart(currentKind())); });
    connect(button("MyButton7"), &QToolButton::clicked, this, &QDialog::accept);

    connect(m_currency, &QComboBox::currentIndexChanged, this, [this] {
        for (ChartKind k : {ChartKind::NetPosition, ChartKind::TopDebtors, ChartKind::TopCreditors,
                            ChartKind::LentCollected})
            invalidate(k);
        showCurrent();
    });
    connect(m_year, &QSpinBox::valueChanged, this, [this] {
        invalidate(ChartKind::LentCollected);
        invalidate(ChartKind::Ledger);
        showCurrent();
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, &ChartsWindow::showCurrent);
    showCurrent();
}

ChartKind ChartsWindow::currentKind() const
{
    return ChartKind(m_tabs->currentIndex());
}

void ChartsWindow::showKind(ChartKind kind)
{
    m_tabs->setCurrentIndex(int(kind));
}

bool ChartsWindow::showingTables() const
{
    return m_tableButton->isChecked();
}

void ChartsWindow::invalidate(ChartKind kind)
{
    m_fresh[size_t(kind)] = false;
}

void ChartsWindow::showCurrent()
{
    if (!m_fresh[size_t(currentKind())])
        loadChart(currentKind());
}

void ChartsWindow::loadChart(ChartKind kind)
{
    const QString currency = m_currency->currentText();
    const int year = m_year->value();
    Chart c;
    ChartFigures figures(m_store);
    const bool read = showingDbError(this, [&] {
        switch (kind) {
        case ChartKind::NetPosition:
            c = netPositionChart(figures.netPositionByMonth(currency), currency);
            break;
        case ChartKind::TopDebtors:
            c = topDebtorsChart(figures.topDebtors(currency), currency);
            break;
        case ChartKind::TopCreditors:
            c = topCreditorsChart(figures.topCreditors(currency), currency);
            break;
        case ChartKind::LentCollected:
            c = lentCollectedChart(figures.lentAndCollected(year, currency), year, currency);
            break;
        case ChartKind::Ledger:
            c = ledgerChart(figures.ledgerMonths(year), year);
            break;
        }
    });
    if (!read)
        return;
    const size_t k = size_t(kind);
    m_charts[k] = c;
    m_fresh[k] = true;
    m_views[k]->setChart(c);
    QTableWidget* table = m_tables[k];
    const QStringList header = c.tableHeader();
    const QList<QStringList> rows = c.tableRows();
    table->clear();
    table->setColumnCount(int(header.size()));
    table->setHorizontalHeaderLabels(header);
    table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int col = 0; col < rows.at(r).size(); ++col) {
            auto* item = new QTableWidgetItem(rows.at(r).at(col));
            if (col > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(r, col, item);
        }
    table->resizeColumnsToContents();
}

void ChartsWindow::refreshForOtherDesks()
{
    for (int k = 0; k < chartKindCount; ++k)
        if (ChartKind(k) != ChartKind::Ledger)
            invalidate(ChartKind(k));
    showCurrent();
}

void ChartsWindow::refreshLedgers()
{
    invalidate(ChartKind::Ledger);
    showCurrent();
}

void ChartsWindow::saveCurrent()
{
    const Chart& c = chart(currentKind());
    const QString png = QStringLiteral("PNG RESMİ (*.png)");
    const QString pdf = QStringLiteral("PDF DOSYASI (*.pdf)");
    const QString path =
        FileDialog::saveFileName(this, QStringLiteral("RESİM OLARAK KAYDET"),
                                 QDir::home().filePath(QStringLiteral("grafik.png")), {png, pdf});
    if (path.isEmpty())
        return;
    QString error;
    const bool saved = path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                           ? saveChartPdf(c, path, &error)
                           : saveChartPng(c, path, &error);
    if (!saved)
        MessageBox::error(this, error);
}

} // namespace kalvora
