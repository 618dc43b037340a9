#include "ledger/ui/ledger_history_window.h"

#include "data/clock.h"
#include "data/turkish_text.h"
#include "ledger/ui/ledger_entry_window.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/list_export_action.h"
#include "widgets/list_place.h"
#include "widgets/message_box.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kalvora {

namespace {

enum Column { ColMaker, ColAmount, ColTitle, ColDescription, ColDate, ColTime };

const char* const monthNames[] = {"OCAK",   "ŞUBAT",   "MART",  "NİSAN", "MAYIS", "HAZİRAN",
                                  "TEMMUZ", "AĞUSTOS", "EYLÜL", "EKİM",  "KASIM", "ARALIK"};

constexpr int firstYear = 2006;

} // namespace

LedgerHistoryWindow::LedgerHistoryWindow(Store& store, Ledger which, QWidget* parent)
    : QDialog(parent), m_storeRef(store), m_store(store, which)
{
    const bool income = which == Ledger::Income;
    setObjectName(income ? QStringLiteral("GelirMenu") : QStringLiteral("GiderMenu"));
    setWindowTitle(income ? QStringLiteral("GELİR GİRİŞ FORMU") : QStringLiteral("GİDER GİRİŞ FORMU"));
    resize(twips(13200), twips(8400));

    auto* periodBox = new QGroupBox(this);
    periodBox->setObjectName(QStringLiteral("Frame1"));
    auto* periodGrid = new QGridLayout(periodBox);
    m_option1 = new QRadioButton(QStringLiteral("GÜNLÜK"), periodBox);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option2 = new QRadioButton(QStringLiteral("AYLIK"), periodBox);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_option5 = new QRadioButton(QStringLiteral("YILLIK"), periodBox);
    m_option5->setObjectName(QStringLiteral("Option5"));
    auto* periodGroup = new QButtonGroup(this);
    for (QRadioButton* b : {m_option1, m_option2, m_option5}) {
        periodGroup->addButton(b);
        connect(b, &QRadioButton::clicked, this, &LedgerHistoryWindow::periodClicked);
    }

    const QDate today = Clock::today();
    m_day = new QDateEdit(today, periodBox);
    m_day->setObjectName(QStringLiteral("Tarihbox1"));
    m_day->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_day->setCalendarPopup(true);
    m_day->setAccessibleName(QStringLiteral("GÜNLÜK"));

    m_month = new QComboBox(periodBox);
    m_month->setObjectName(QStringLiteral("Combo1"));
    for (const char* name : monthNames)
        m_month->addItem(QString::fromUtf8(name));
    m_month->setAccessibleName(QStringLiteral("AY"));
    m_monthYear = new QComboBox(periodBox);
    m_monthYear->setObjectName(QStringLiteral("Combo2"));
    m_monthYear->setAccessibleName(QStringLiteral("AYLIK YIL"));
    m_year = new QComboBox(periodBox);
    m_year->setObjectName(QStringLiteral("Combo3"));
    m_year->setAccessibleName(QStringLiteral("YILLIK YIL"));
    for (int y = firstYear; y <= today.year(); ++y) {
        m_monthYear->addItem(QString::number(y), y);
        m_year->addItem(QString::number(y), y);
    }
    m_month->setCurrentIndex(today.month() - 1);
    m_monthYear->setCurrentIndex(m_monthYear->count() - 1);
    m_year->setCurrentIndex(m_year->count() - 1);

    periodGrid->addWidget(m_option1, 0, 0);
    periodGrid->addWidget(m_day, 0, 1);
    periodGrid->addWidget(m_option2, 1, 0);
    periodGrid->addWidget(m_month, 1, 1);
    periodGrid->addWidget(m_monthYear, 1, 2);
    periodGrid->addWidget(m_option5, 2, 0);
    periodGrid->addWidget(m_year, 2, 1);
    auto* label1 = new QLabel(QStringLiteral("Arasındaki Gider İşlemlerini Göster"), periodBox);
    label1->setObjectName(QStringLiteral("Label1"));
    periodGrid->addWidget(label1, 3, 0, 1, 3);

    auto* stateBox = new QGroupBox(this);
    stateBox->setObjectName(QStringLiteral("Frame2"));
    auto* stateLayout = new QVBoxLayout(stateBox);
    m_option3 = new QRadioButton(QStringLiteral("GEÇERLİ İŞLEMLER"), stateBox);
    m_option3->setObjectName(QStringLiteral("Option3"));
    m_option4 = new QRadioButton(QStringLiteral("İPTAL EDİLEN İŞLEMLER"), stateBox);
    m_option4->setObjectName(QStringLiteral("Option4"));
    auto* stateGroup = new QButtonGroup(this);
    for (QRadioButton* b : {m_option3, m_option4}) {
        stateGroup->addButton(b);
        stateLayout->addWidget(b);
        connect(b, &QRadioButton::clicked, this, &LedgerHistoryWindow::GECMISI_YUKLE);
    }
    stateLayout->addStretch();

    m_option1->setChecked(true);
    m_option3->setChecked(true);
    m_day->setEnabled(true);
    m_month->setEnabled(false);
    m_monthYear->setEnabled(false);
    m_year->setEnabled(false);

    connect(m_day, &QDateEdit::dateChanged, this, &LedgerHistoryWindow::GECMISI_YUKLE);
    for (QComboBox* c : {m_month, m_monthYear, m_year})
        connect(c, &QComboBox::currentIndexChanged, this, &LedgerHistoryWindow::GECMISI_YUKLE);

    m_list = new ReportList(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setColumns({income ? QStringLiteral("GELİRİ YAPAN") : QStringLiteral("GİDERİ YAPAN"),
                        QStringLiteral("TUTAR"),
                        income ? QStringLiteral("GELİR ADI") : QStringLiteral("GİDER ADI"),
                        QStringLiteral("AÇIKLAMA"), QStringLiteral("TARİH"), QStringLiteral("SAAT")});
    m_list->setColumnAlignment(ColAmount, Qt::AlignRight | Qt::AlignVCenter);
    m_list->header()->setSectionsClickable(false);
    for (int c = ColMaker; c <= ColTime; ++c)
        m_list->setColumnWidth(c, twips(c == ColDescription ? 5100 : 1700));
    connect(m_list, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        m_list->setCurrentRow(index.row());
        cancelSelected();
    });
    connect(m_list, &ReportList::keyTyped, this, [this](QKeyEvent* event) {
        if (event->key() != Qt::Key_Space)
            return;
        event->accept();
        cancelSelected();
    });

    auto* label2 = new QLabel(QStringLiteral("LİSTE TOPLAMI"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_total = new QLabel(this);
    m_total->setObjectName(QStringLiteral("Label3"));
    m_total->setMinimumWidth(twips(2000));
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = m_total->font();
    bold.setBold(true);
    m_total->setFont(bold);
    describeByCaption(label2, m_total);

    auto* button2 = new QPushButton(income ? QStringLiteral("GELİR YAZ") : QStringLiteral("GİDER YAZ"), this);
    button2->setObjectName(QStringLiteral("Button2"));
    connect(button2, &QPushButton::clicked, this, &LedgerHistoryWindow::openEntryForm);
    auto* button3 = new QPushButton(QStringLiteral("GİRİŞİ SİL"), this);
    button3->setObjectName(QStringLiteral("Button3"));
    connect(button3, &QPushButton::clicked, this, &LedgerHistoryWindow::cancelSelected);
    auto* button4 = new QPushButton(QStringLiteral("EXCEL'E AKTAR"), this);
    button4->setObjectName(QStringLiteral("Button4"));
    connect(button4, &QPushButton::clicked, this, [this, income] {
        exportList(this, m_list,
                   {ExportKind::Text, ExportKind::Number, ExportKind::Text, ExportKind::Text,
                    ExportKind::Date, ExportKind::Text},
                   income ? QStringLiteral("GELİR GEÇMİŞİ") : QStringLiteral("GİDER GEÇMİŞİ"));
    });
    auto* button1 = new QPushButton(QStringLiteral("VAZGEÇ"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    connect(button1, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton* b : {button2, button3, button4, button1}) {
        b->setAutoDefault(false);
        b->setMinimumSize(twips(1800), twips(500));
    }

    auto* top = new QHBoxLayout;
    top->addWidget(periodBox);
    top->addWidget(stateBox);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label2);
    bottom->addWidget(m_total);
    bottom->addStretch();
    bottom->addWidget(button2);
    bottom->addWidget(button3);
    bottom->addWidget(button4);
    bottom->addWidget(button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);

    GECMISI_YUKLE();
}

void LedgerHistoryWindow::periodClicked()
{
    m_day->setEnabled(m_option1->isChecked());
    m_month->setEnabled(m_option2->isChecked());
    m_monthYear->setEnabled(m_option2->isChecked());
    m_year->setEnabled(m_option5->isChecked());
    GECMISI_YUKLE();
}

LedgerFilter LedgerHistoryWindow::filter() const
{
    LedgerFilter f;
    f.cancelled = m_option4->isChecked();
    if (m_option2->isChecked()) {
        f.period = LedgerPeriod::Month;
        f.month = m_month->currentIndex() + 1;
        f.year = m_monthYear->currentData().toInt();
    } else if (m_option5->isChecked()) {
        f.period = LedgerPeriod::Year;
        f.year = m_year->currentData().toInt();
    } else {
        f.period = LedgerPeriod::Day;
        f.day = m_day->date();
    }
    return f;
}

void LedgerHistoryWindow::GECMISI_YUKLE()
{
    m_list->clear();
    m_total->setText(formatAmount(0));
    LedgerListing listing;
    if (!showingDbError(this, [&] { listing = m_store.list(filter()); }))
        return;
    QList<QStringList> rows;
    QList<QVariant> keys;
    rows.reserve(listing.entries.size());
    keys.reserve(listing.entries.size());
    for (const LedgerEntry& e : std::as_const(listing.entries)) {
        rows.append({e.maker, formatAmount(numberValue(e.amount), AmountPattern::NoLeadingZero), e.title,
                     e.description, e.date, e.time});
        keys.append(e.key);
    }
    m_list->setRows(std::move(rows), std::move(keys));
    m_total->setText(formatAmount(numberValue(listing.total)));
}

void LedgerHistoryWindow::refreshForOtherDesks()
{
    const ListPlace place(m_list);
    GECMISI_YUKLE();
    place.restore(m_list);
}

void LedgerHistoryWindow::openEntryForm()
{
    {
        LedgerEntryWindow form(m_storeRef, m_store.which(), this);
        form.exec();
    }
    GECMISI_YUKLE();
}

void LedgerHistoryWindow::cancelSelected()
{
    if (m_list->rowCount() == 0 || m_option4->isChecked())
        return;
    const int row = m_list->currentRow();
    if (row < 0) {
        MessageBox::information(this, QStringLiteral("LÜTFEN LİSTEDEN BİR GİRİŞ SEÇİNİZ."));
        return;
    }
    // The entry is taken before the question: another desk's change may reload the list meanwhile.
    const qint64 key = m_list->hiddenValue(row).toLongLong();
    const QString question =
        m_list->cell(row, ColMaker) + (m_store.which() == Ledger::Income
                                           ? QStringLiteral("BAŞLIKLI GELİR SİLİNSİN Mİ?")
                                           : QStringLiteral("BAŞLIKLI GİDER SİLİNSİN Mİ?"));
    if (!MessageBox::question(this, question))
        return;
    try {
        if (!showingDbError(this, [&] { m_store.cancel(key); }))
            return;
    } catch (const LedgerError& e) {
        MessageBox::error(this, e.turkishText());
        return;
    }
    GECMISI_YUKLE();
}

} // namespace kalvora
