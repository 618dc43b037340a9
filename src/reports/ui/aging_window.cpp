#include "reports/ui/aging_window.h"

#include "accounts/book_settings.h"
#include "data/clock.h"
#include "data/turkish_text.h"
#include "reports/ui/list_printing.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/list_sorting.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

namespace kalvora {

namespace {

enum Column {
    ColName,
    ColCurrency,
    ColFirstBucket,
    ColTotal = ColFirstBucket + agingBucketCount,
    ColAdvance,
    ColLate
};

QLabel* caption(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

AgingWindow::AgingWindow(Store& store, const QString& dataFolder, QWidget* parent)
    : ListReportWindow(store, dataFolder, parent)
{
    setObjectName(QStringLiteral("FormYaslandirma"));
    setWindowTitle(QStringLiteral("YAŞLANDIRMA"));
    m_exportName = QStringLiteral("YAŞLANDIRMA");
    m_list->setAccessibleName(windowTitle());
    setListTop(600);

    const AgingBounds defaults;
    const int values[3] = {defaults.first, defaults.second, defaults.third};
    const char* names[3] = {"Text1", "Text2", "Text3"};
    const char* captionNames[3] = {"Label1", "Label2", "Label3"};
    const QString captions[3] = {QStringLiteral("1. SINIR (GÜN):"), QStringLiteral("2. SINIR (GÜN):"),
                                 QStringLiteral("3. SINIR (GÜN):")};
    int left = 60;
    QWidget* previous = nullptr;
    for (int i = 0; i < 3; ++i) {
        auto* c = caption(this, captionNames[i], captions[i], twipsRect(left, 120, 1500, 330));
        m_bound[i] = new QSpinBox(this);
        m_bound[i]->setObjectName(QString::fromLatin1(names[i]));
        m_bound[i]->setRange(1, 3650);
        m_bound[i]->setValue(values[i]);
        m_bound[i]->setGeometry(twipsRect(left + 1560, 120, 900, 330));
        nameByCaption(c, m_bound[i]);
        connect(m_bound[i], &QSpinBox::editingFinished, this, &AgingWindow::fill);
        if (previous)
            setTabOrder(previous, m_bound[i]);
        previous = m_bound[i];
        left += 2580;
    }
    auto* datingCaption = caption(this, "Label4", QStringLiteral("ESAS:"), twipsRect(left, 120, 720, 330));
    m_dating = new QComboBox(this);
    m_dating->setObjectName(QStringLiteral("Combo1"));
    m_dating->addItem(QStringLiteral("VADE TARİHİNE GÖRE"), static_cast<int>(OpenBook::Dating::ByDueDate));
    m_dating->addItem(QStringLiteral("İŞLEM TARİHİNE GÖRE"),
                      static_cast<int>(OpenBook::Dating::ByTransactionDate));
    m_dating->setGeometry(twipsRect(left + 780, 120, 2700, 330));
    nameByCaption(datingCaption, m_dating);
    connect(m_dating, &QComboBox::activated, this, &AgingWindow::fill);
    setTabOrder(previous, m_dating);
    left += 3600;
    auto* termCaption =
        caption(this, "Label5", QStringLiteral("VARSAYILAN VADE (GÜN)"), twipsRect(left, 120, 2400, 330));
    m_term = new QSpinBox(this);
    m_term->setObjectName(QStringLiteral("Text4"));
    m_term->setRange(0, 3650);
    m_term->setGeometry(twipsRect(left + 2460, 120, 900, 330));
    nameByCaption(termCaption, m_term);
    showingDbError(this, [&] { m_term->setValue(BookSettings(m_store).defaultDueTerm()); });
    connect(m_term, &QSpinBox::editingFinished, this, &AgingWindow::termChosen);
    setTabOrder(m_dating, m_term);

    applyHeaders(defaults);
    m_exportKinds = {ExportKind::Text, ExportKind::Text};
    for (int c = ColFirstBucket; c <= ColLate; ++c)
        m_exportKinds << ExportKind::Number;
    // Three totals and the three buttons on the right share the strip of a window as narrow as 1024
    // pixels.
    m_total[0] = addTotal("Label6", QStringLiteral("TOPLAM TL"), "Label7", 60, 2500);
    m_total[1] = addTotal("Label8", QStringLiteral("TOPLAM DOLAR"), "Label9", 2640, 2500);
    m_total[2] = addTotal("Label10", QStringLiteral("TOPLAM EURO"), "Label11", 5220, 2500);
    connect(m_list, &ReportList::headerClicked, this, &AgingWindow::headerClicked);
    setIdentityColumns(ColFirstBucket);
    fill();
}

void AgingWindow::applyHeaders(const AgingBounds& b)
{
    QStringList headers{QStringLiteral("ADI SOYADI"), QStringLiteral("PARA CİNSİ")};
    headers << agingBucketTitles(b) << QStringLiteral("TOPLAM") << QStringLiteral("AVANS")
            << QStringLiteral("GECİKME (GÜN)");
    m_list->setColumns(headers);
    for (int c = ColFirstBucket; c <= ColLate; ++c)
        m_list->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
}

AgingBounds AgingWindow::bounds() const
{
    return {m_bound[0]->value(), m_bound[1]->value(), m_bound[2]->value()};
}

void AgingWindow::fill()
{
    // Bounds out of order are put in order, each at least one day past the one before.
    for (int i = 1; i < 3; ++i)
        if (m_bound[i]->value() <= m_bound[i - 1]->value())
            m_bound[i]->setValue(m_bound[i - 1]->value() + 1);
    const AgingBounds b = bounds();
    applyHeaders(b);
    const auto dating = static_cast<OpenBook::Dating>(m_dating->currentData().toInt());
    m_list->clear();
    m_report = AgingReport();
    showingDbError(this, [&] { m_report = agingReport(m_store, Clock::today(), b, dating); });
    QList<QStringList> rows;
    QList<QVariant> places; // each shown row's place in m_report.rows, which a sort keeps with the row
    rows.reserve(m_report.rows.size());
    places.reserve(m_report.rows.size());
    for (qsizetype i = 0; i < m_report.rows.size(); ++i) {
        rows.append(agingRowTexts(m_report.rows.at(i)));
        places.append(int(i));
    }
    m_list->setRows(std::move(rows), std::move(places));
    SutunlariSigdir(m_list);
    showTotals();
}

void AgingWindow::showTotals()
{
    for (Currency c : allCurrencies) {
        const auto& t = m_report.totals[static_cast<size_t>(c)];
        QString text = centsText(t[agingBucketCount]);
        if (t[agingBucketCount + 1] != 0)
            text += QStringLiteral("  AVANS ") + centsText(t[agingBucketCount + 1]);
        m_total[static_cast<int>(c)]->setText(text);
        m_total[static_cast<int>(c)]->setAccessibleName(text);
    }
}

void AgingWindow::termChosen()
{
    const int days = m_term->value();
    if (showingDbError(this, [&] {
            if (BookSettings(m_store).defaultDueTerm() != days)
                BookSettings(m_store).setDefaultDueTerm(days);
        }))
        fill();
}

void AgingWindow::headerClicked(int column)
{
    sortBy(column, column >= ColFirstBucket ? SortKind::Number : SortKind::Text);
}

void AgingWindow::print()
{
    // S1 name, S2 currency, S3..S7 buckets, S8 total, S9 advance, S10 days late.
    ListPrintJob job;
    job.columns = QStringLiteral("S1#/S2#/S3#/S4#/S5#/S6#/S7#/S8#/S9#/S10#/");
    // The rows in the order shown, their texts drawn from the report's values.
    for (int r = 0; r < m_list->rowCount(); ++r) {
        const QStringList texts = agingRowTexts(m_report.rows.at(m_list->hiddenValue(r).toInt()));
        ListPrintJob::Pairs row;
        for (int c = 0; c <= ColLate; ++c)
            row.append({QStringLiteral("S%1").arg(c + 1), texts.value(c)});
        job.rows.append(std::move(row));
    }
    job.templateName = QStringLiteral("yaslandirma.fr3");
    for (int c = 0; c <= ColLate; ++c)
        job.memoFields.append({QStringLiteral("Memo%1").arg(c + 1), QStringLiteral("s%1").arg(c + 1)});
    const QStringList titles = agingBucketTitles(bounds());
    for (int i = 0; i < agingBucketCount; ++i)
        job.memoTexts.append({QStringLiteral("Memo%1").arg(43 + i), titles.at(i)});
    const QString basis =
        static_cast<OpenBook::Dating>(m_dating->currentData().toInt()) == OpenBook::Dating::ByTransactionDate
            ? QStringLiteral("İŞLEM TARİHİNE GÖRE")
            : QStringLiteral("VADE TARİHİNE GÖRE");
    job.memoTexts.append(
        {QStringLiteral("Memo20"), windowTitle() + QStringLiteral(" (") + basis +
                                       QStringLiteral(")  Tarih:  [Date]      Saat:  [Time]")});
    // The totals per currency: five buckets, total and advance each.
    for (Currency c : allCurrencies) {
        const auto& t = m_report.totals[static_cast<size_t>(c)];
        for (int i = 0; i < agingBucketCount + 2; ++i)
            job.memoTexts.append({QStringLiteral("Memo%1").arg(60 + 10 * static_cast<int>(c) + i),
                                  centsText(t[static_cast<size_t>(i)])});
    }
    printList(this, m_store, m_dataFolder, job, m_reportOptions);
}

} // namespace kalvora
