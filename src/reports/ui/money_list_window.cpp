#include "reports/ui/money_list_window.h"

#include "data/db_error.h"
#include "reports/ui/list_printing.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/list_sorting.h"
#include "widgets/message_box.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QComboBox>
#include <QLabel>

namespace kalvora {

namespace {
enum Column { ColName, ColWork, ColMobile, ColTc, ColTax, ColDate, ColText, ColAmount };

QString totalCaption(MoneyDirection direction)
{
    return direction == MoneyDirection::Given ? QStringLiteral("TOPLAM VERDİĞİM TUTAR")
                                              : QStringLiteral("TOPLAM ALDIĞIM TUTAR");
}
} // namespace

MoneyListWindow::MoneyListWindow(Store& store, const QString& dataFolder, MoneyDirection direction,
                                 QWidget* parent)
    : ListReportWindow(store, dataFolder, parent), m_direction(direction)
{
    const bool given = direction == MoneyDirection::Given;
    setObjectName(given ? QStringLiteral("Form14") : QStringLiteral("Form15"));
    setWindowTitle(given ? QStringLiteral("VERDİĞİM PARALAR VE AYRINTILARI")
                         : QStringLiteral("ALDIĞIM PARALAR VE AYRINTILARI"));
    auto* label2 = new QLabel(QStringLiteral("PARA CİNSİ"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(twipsRect(60, 150, 1200, 285));
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    // Each currency carries its Currency.
    for (Currency c : allCurrencies)
        m_combo->addItem(currencyText(c), static_cast<int>(c));
    m_combo->setCurrentIndex(-1);
    m_combo->setGeometry(twipsRect(1260, 90, 1800, 375));
    nameByCaption(label2, m_combo);
    setListTop(600);
    m_exportName = given ? QStringLiteral("VERDİĞİM PARALAR") : QStringLiteral("ALDIĞIM PARALAR");
    m_exportKinds = {ExportKind::Text, ExportKind::Text, ExportKind::Text, ExportKind::Text,
                     ExportKind::Text, ExportKind::Date, ExportKind::Text, ExportKind::Number};

    m_list->setAccessibleName(windowTitle());
    m_list->setColumns({QStringLiteral("ADI SOYADI"), QStringLiteral("İŞ TELEFONU"),
                        QStringLiteral("CEP TELEFONU"), QStringLiteral("TC KİMLİK NO"),
                        QStringLiteral("VERGİ DAİRESİ"), QStringLiteral("TARİH"), QStringLiteral("AÇIKLAMA"),
                        given ? QStringLiteral("TUTAR") : QStringLiteral("TUTARI")});
    m_list->setColumnAlignment(ColAmount, Qt::AlignRight | Qt::AlignVCenter);
    m_totalCaption = new QLabel(totalCaption(direction), m_strip);
    m_totalCaption->setObjectName(QStringLiteral("Label1"));
    m_totalCaption->setGeometry(twipsRect(60, 90, 3600, 285));
    m_total = new QLabel(QStringLiteral("0,00"), m_strip);
    m_total->setObjectName(QStringLiteral("Label3"));
    m_total->setGeometry(twipsRect(60, 390, 3600, 330));
    m_total->setStyleSheet(QStringLiteral("font-weight: bold; border: 1px solid gray; background: white;"));
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_total->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    describeByCaption(m_totalCaption, m_total);

    // Only choosing an item refills the list.
    connect(m_combo, &QComboBox::activated, this, [this](int) { fill(); });
    connect(m_list, &ReportList::headerClicked, this, &MoneyListWindow::headerClicked);
    setTabOrder(m_combo, m_list);
    fill();
}

void MoneyListWindow::fill()
{
    m_list->clear();
    MoneyList read{TextTable(), totalOfShownAmounts(QStringList())};
    m_rowsCurrency.reset();
    if (const QVariant chosen = m_combo->currentData(); chosen.isValid()) {
        m_rowsCurrency = static_cast<Currency>(chosen.toInt());
        const QString currency = currencyText(*m_rowsCurrency);
        showingDbError(this, [&] { read = moneyList(m_store, m_direction, currency); });
    }
    m_list->setRows(std::move(read.rows));
    m_rowsTotal = read.total;
    ToPLa();
}

void MoneyListWindow::ToPLa()
{
    // The amounts were summed as they were read: the column fit has both cores to itself.
    SutunlariSigdir(m_list);
    m_total->setText(m_rowsTotal);
}

void MoneyListWindow::headerClicked(int column)
{
    const SortKind kind = column == ColDate     ? SortKind::Date
                          : column == ColAmount ? SortKind::Number
                                                : SortKind::Text;
    sortBy(column, kind);
}

void MoneyListWindow::print()
{
    ListPrintJob job;
    job.columns = QStringLiteral("S1#/S2#/S3#/S4#/S5#/");
    for (int r = 0; r < m_list->rowCount(); ++r) {
        job.rows.append(
            {{QStringLiteral("S1"), m_list->cell(r, ColName)},
             {QStringLiteral("S2"), m_list->cell(r, ColWork) + QLatin1Char('-') + m_list->cell(r, ColMobile)},
             {QStringLiteral("S3"), m_list->cell(r, ColDate)},
             {QStringLiteral("S4"), m_list->cell(r, ColText)},
             {QStringLiteral("S5"), m_list->cell(r, ColAmount)}});
    }
    job.templateName = QStringLiteral("paralar.fr3");
    job.memoFields = {{QStringLiteral("Memo1"), QStringLiteral("s1")},
                      {QStringLiteral("Memo11"), QStringLiteral("s4")},
                      {QStringLiteral("Memo17"), QStringLiteral("s2")},
                      {QStringLiteral("Memo2"), QStringLiteral("s5")},
                      {QStringLiteral("Memo3"), QStringLiteral("s3")}};
    job.memoTexts = {
        {QStringLiteral("Memo9"), windowTitle() + QStringLiteral("  Tarih:  [Date]      Saat:  [Time]")},
        {QStringLiteral("Memo8"), totalCaption(m_direction) + QStringLiteral(": ")},
        {QStringLiteral("Memo10"),
         m_rowsTotal + QLatin1Char(' ') + (m_rowsCurrency ? currencyText(*m_rowsCurrency) : QString())}};
    printList(this, m_store, m_dataFolder, job, m_reportOptions);
}

} // namespace kalvora
