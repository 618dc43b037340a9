#include "reports/ui/statement_window.h"

#include "accounts/account_book.h"
#include "data/db_error.h"
#include "data/store.h"
#include "rates/historical_rates.h"
#include "rates/rate_fetcher.h"
#include "reports/report_templates.h"
#include "reports/ui/list_printing.h"
#include "widgets/accessibility.h"
#include "widgets/list_export_action.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QProgressBar>

namespace kalvora {

StatementWindow::StatementWindow(Store& store, const Customer& person, QWidget* parent)
    : QDialog(parent), m_store(store), m_person(person), m_ratesPage(RateFetcher::address())
{
    setObjectName(QStringLiteral("Form20"));
    setWindowTitle(QStringLiteral("HESAP EKSTRESİ"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    try {
        m_sender = loadCompanyInfo(store);
    } catch (const DbError&) {
        // Without the sender's details the statement is printed without a letterhead.
    }
    build();
    resize(twips(14400), twips(8400));
    reload();
}

StatementWindow::~StatementWindow()
{
    if (m_rates)
        m_rates->abort();
}

void StatementWindow::build()
{
    auto* name = new QLabel(m_person.name, this);
    name->setObjectName(QStringLiteral("Label1"));
    name->setTextFormat(Qt::PlainText);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    name->setAccessibleName(m_person.name);
    name->setAccessibleDescription(QStringLiteral("ADI SOYADI"));

    auto* fromCaption = new QLabel(QStringLiteral("BAŞLANGIÇ:"), this);
    m_from = new QDateEdit(QDate(QDate::currentDate().year(), 1, 1), this);
    m_from->setObjectName(QStringLiteral("DTPicker1"));
    auto* toCaption = new QLabel(QStringLiteral("BİTİŞ:"), this);
    m_to = new QDateEdit(QDate::currentDate(), this);
    m_to->setObjectName(QStringLiteral("DTPicker2"));
    for (QDateEdit* d : {m_from, m_to}) {
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setCalendarPopup(true);
        connect(d, &QDateEdit::dateChanged, this, &StatementWindow::reload);
    }
    nameByCaption(fromCaption, m_from);
    nameByCaption(toCaption, m_to);

    auto* currencyCaption = new QLabel(QStringLiteral("PARA CİNSİ:"), this);
    m_currency = new QComboBox(this);
    m_currency->setObjectName(QStringLiteral("Combo1"));
    // Each currency carries its Currency; "TÜMÜ" carries none.
    for (Currency c : allCurrencies)
        m_currency->addItem(currencyText(c), static_cast<int>(c));
    m_currency->addItem(QStringLiteral("TÜMÜ"));
    m_currency->setCurrentIndex(3);
    nameByCaption(currencyCaption, m_currency);
    connect(m_currency, &QComboBox::currentIndexChanged, this, &StatementWindow::reload);

    m_tlValue = new QCheckBox(QStringLiteral("TL KARŞILIĞI"), this);
    m_tlValue->setObjectName(QStringLiteral("Check1"));
    m_tlValue->setToolTip(
        QStringLiteral("DOLAR VE EURO HAREKETLERİNİN, HAREKET GÜNÜNDEKİ T.C.M.B. DÖVİZ SATIŞ "
                       "KURUYLA TL KARŞILIĞI"));
    connect(m_tlValue, &QCheckBox::toggled, this, &StatementWindow::reload);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setAccessibleName(QStringLiteral("KURLAR ALINIYOR"));
    m_progress->setFormat(QStringLiteral("KURLAR ALINIYOR %v / %m"));
    m_progress->hide();

    const int top = 480;
    name->setGeometry(twipsRect(120, 90, 9000, 330));
    fromCaption->setGeometry(twipsRect(120, top, 1200, 330));
    m_from->setGeometry(twipsRect(1320, top, 1700, 330));
    toCaption->setGeometry(twipsRect(3180, top, 800, 330));
    m_to->setGeometry(twipsRect(3980, top, 1700, 330));
    currencyCaption->setGeometry(twipsRect(5880, top, 1300, 330));
    m_currency->setGeometry(twipsRect(7180, top, 1400, 330));
    m_tlValue->setGeometry(twipsRect(8760, top, 2000, 330));
    m_progress->setGeometry(twipsRect(10860, top, 3300, 330));

    m_list = new ReportList(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setAccessibleName(windowTitle());

    struct Def {
        ButtonInfo info;
        void (StatementWindow::*action)();
    };
    const Def defs[] = {
        {{"MyButton1", "&YAZDIR", "YAZDIR", "SEÇİLEN TARİHLER ARASINDAKİ EKSTREYİ YAZDIRIR", "document-print",
          QStyle::SP_FileIcon},
         &StatementWindow::print},
        {{"MyButton2", "&EXCEL'E AKTAR", "EXCEL'E AKTAR", "EKSTREYİ EXCEL YA DA CSV DOSYASINA AKTARIR",
          "x-office-spreadsheet", QStyle::SP_DialogSaveButton},
         &StatementWindow::exportFile},
        {{"MyButton3", "&KAPAT", "KAPAT", "FORMU KAPAT", "window-close", QStyle::SP_DialogCloseButton},
         nullptr},
        {{"MyButton4", "&GÖNDER", "GÖNDER", "EKSTREYİ E-POSTA YA DA WHATSAPP İLE GÖNDERİR", "mail-send",
          QStyle::SP_ArrowForward},
         &StatementWindow::sendClicked},
    };
    PictureButton* buttons[4] = {};
    for (int i = 0; i < 4; ++i) {
        PictureButton* b = makePictureButton(defs[i].info, this);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        if (defs[i].action)
            connect(b, &QToolButton::clicked, this, defs[i].action);
        else
            connect(b, &QToolButton::clicked, this, &QDialog::accept);
        buttons[i] = b;
    }
    m_print = buttons[0];
    m_export = buttons[1];
    setTabOrder(m_from, m_to);
    setTabOrder(m_to, m_currency);
    setTabOrder(m_currency, m_tlValue);
    setTabOrder(m_tlValue, m_list);
    setTabOrder(m_list, buttons[0]);
    setTabOrder(buttons[0], buttons[1]);
    setTabOrder(buttons[1], buttons[3]);
    setTabOrder(buttons[3], buttons[2]);
    m_buttons = {buttons[0], buttons[1], buttons[3], buttons[2]};
    m_send = buttons[3];
}

void StatementWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // The list takes what the choices above and the buttons below leave; a size too small is ignored.
    const int buttonTop = height() - twips(780);
    for (int i = 0; i < 4; ++i)
        m_buttons[static_cast<size_t>(i)]->setGeometry(twips(120 + i * 2460), buttonTop, twips(2340),
                                                       twips(600));
    const int w = width() - twips(240);
    const int h = buttonTop - twips(120) - twips(960);
    if (w > 0 && h > 0)
        m_list->setGeometry(twips(120), twips(960), w, h);
}

void StatementWindow::setRateSource(QNetworkAccessManager* network, const QUrl& today,
                                    std::chrono::milliseconds limit)
{
    m_network = network;
    m_ratesPage = today;
    m_rateLimit = limit;
    delete m_rates;
    m_rates = nullptr;
}

bool StatementWindow::isFetchingRates() const
{
    return m_rates && m_rates->isRunning();
}

std::optional<Currency> StatementWindow::chosenCurrency() const
{
    const QVariant chosen = m_currency->currentData();
    if (!chosen.isValid())
        return std::nullopt;
    return static_cast<Currency>(chosen.toInt());
}

void StatementWindow::reload()
{
    try {
        m_rows = AccountBook(m_store).load(m_person.key).rows;
    } catch (const DbError& e) {
        m_rows.clear();
        MessageBox::error(this, e.turkishText());
    }
    const std::optional<Currency> chosen = chosenCurrency();
    m_statement = buildPeriodStatement(m_rows, m_from->date(), m_to->date(), statementCurrencies(chosen));
    const bool withRates = m_tlValue->isChecked();
    if (!withRates) {
        if (m_rates)
            m_rates->abort();
        m_progress->hide();
        showStatement(false);
        return;
    }
    if (!m_rates) {
        if (!m_network)
            m_network = new QNetworkAccessManager(this);
        m_rates = new HistoricalRates(m_store, m_network, m_ratesPage, m_rateLimit, this);
        connect(m_rates, &HistoricalRates::progress, this, [this](int done, int total) {
            m_progress->setMaximum(qMax(total, 1));
            m_progress->setValue(done);
        });
        connect(m_rates, &HistoricalRates::finished, this, &StatementWindow::ratesArrived);
    }
    QList<QDate> days;
    for (const CurrencyStatement& s : m_statement.currencies) {
        if (s.currency == Currency::Tl)
            continue;
        for (const StatementEntry& e : s.entries)
            days.append(e.date);
    }
    showStatement(true);
    m_progress->setMaximum(qMax(static_cast<int>(days.size()), 1));
    m_progress->setValue(0);
    m_progress->setVisible(!days.isEmpty());
    m_print->setEnabled(false);
    m_export->setEnabled(false);
    m_send->setEnabled(false);
    m_rates->fetch(days);
}

void StatementWindow::ratesArrived()
{
    m_progress->hide();
    showStatement(true);
}

void StatementWindow::showStatement(bool withRates)
{
    RateLookup lookup;
    if (withRates && m_rates) {
        lookup = [this](Currency c, const QDate& d) { return m_rates->selling(c, d); };
    }
    m_table = statementTable(m_statement, lookup);
    m_table.sheetName = windowTitle();
    m_list->setColumns(m_table.headers);
    for (int c = 0; c < m_table.headers.size(); ++c) {
        if (m_table.kind(c) == ExportKind::Number || c == StmRate)
            m_list->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_list->setRows(m_table.rows);
    for (int r = 0; r < m_list->rowCount(); ++r) {
        const QString what = m_table.rows.at(r).at(StmDescription);
        if (m_table.rows.at(r).at(StmStatus).isEmpty() && what != QStringLiteral("DÖNEM TOPLAMI"))
            continue;
        m_list->listModel()->setRowBold(r, true);
    }
    m_list->header()->resizeSections(QHeaderView::ResizeToContents);
    const bool busy = isFetchingRates();
    m_print->setEnabled(!busy);
    m_export->setEnabled(!busy);
    m_send->setEnabled(!busy);
}

bool StatementWindow::periodValid()
{
    if (m_from->date() <= m_to->date())
        return true;
    MessageBox::error(this, QStringLiteral("BAŞLANGIÇ TARİHİ BİTİŞ TARİHİNDEN SONRA OLAMAZ."),
                      QStringLiteral("UYARI"));
    m_from->setFocus();
    return false;
}

QString StatementWindow::periodText() const
{
    return m_from->date().toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" - ") +
           m_to->date().toString(QStringLiteral("dd.MM.yyyy"));
}

QString StatementWindow::contactText() const
{
    const std::pair<const char*, QString> parts[] = {{"İŞ TEL: ", m_person.workPhone},
                                                     {"CEP TEL: ", m_person.mobilePhone},
                                                     {"TC: ", m_person.idNumber},
                                                     {"VERGİ DAİRESİ: ", m_person.taxOffice}};
    QStringList first;
    for (const auto& [caption, value] : parts) {
        if (!value.trimmed().isEmpty())
            first.append(QString::fromUtf8(caption) + value.trimmed());
    }
    QString text = first.join(QStringLiteral("   "));
    if (!m_person.address.trimmed().isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("ADRES: ") +
                m_person.address.trimmed();
    return text;
}

QString StatementWindow::choiceText() const
{
    const std::optional<Currency> chosen = chosenCurrency();
    QString choice = chosen ? currencyText(*chosen) : QStringLiteral("TÜMÜ");
    if (m_tlValue->isChecked())
        choice += QStringLiteral(" (TL KARŞILIĞI İLE)");
    return choice;
}

ListPrintJob StatementWindow::printJob() const
{
    ListPrintJob job;
    job.templateName = QString::fromLatin1(templates::periodStatement);
    for (int c = 1; c <= 9; ++c) {
        const QString field = QStringLiteral("S%1").arg(c);
        job.columns += field + QStringLiteral("#/");
        job.memoFields.append({QStringLiteral("Memo%1").arg(c), field.toLower()});
    }
    for (const QStringList& row : std::as_const(m_table.rows)) {
        ListPrintJob::Pairs cells;
        for (int c = 0; c < 9; ++c)
            cells.append({QStringLiteral("S%1").arg(c + 1), c < row.size() ? row.at(c) : QString()});
        job.rows.append(cells);
    }
    job.memoTexts = {{QStringLiteral("Memo11"), m_person.name},
                     {QStringLiteral("Memo12"), contactText()},
                     {QStringLiteral("Memo13"), periodText()},
                     {QStringLiteral("Memo14"), choiceText()}};
    job.letterhead = letterheadLines(m_sender);
    job.logoPng = m_sender.logoPng;
    return job;
}

void StatementWindow::print()
{
    if (!periodValid())
        return;
    printList(this, m_store, m_store.folder(), printJob(), m_reportOptions);
}

DirectReport StatementWindow::directReport() const
{
    const ListPrintJob job = printJob();
    DirectReport r;
    r.templatePath = QDir(m_store.folder()).filePath(job.templateName);
    for (int c = 1; c <= 9; ++c)
        r.columns.append(QStringLiteral("S%1").arg(c));
    for (const ListPrintJob::Pairs& cells : job.rows) {
        QStringList row;
        for (const auto& cell : cells)
            row.append(cell.second);
        r.rows.append(row);
    }
    r.memoFields = job.memoFields;
    r.memoTexts = job.memoTexts;
    r.letterhead = job.letterhead.value_or(QStringList());
    r.logoPng = job.logoPng;
    return r;
}

QList<QStringList> StatementWindow::exportPreamble() const
{
    QList<QStringList> lines;
    const QStringList head = letterheadLines(m_sender);
    if (!head.isEmpty())
        lines.append({QStringLiteral("GÖNDEREN:"), head.join(QStringLiteral(" - "))});
    lines.append({QStringLiteral("ADI SOYADI:"), m_person.name});
    lines.append({QStringLiteral("CARİ KODU:"), m_person.key});
    QStringList phones;
    if (!m_person.workPhone.trimmed().isEmpty())
        phones.append(QStringLiteral("İŞ: ") + m_person.workPhone.trimmed());
    if (!m_person.mobilePhone.trimmed().isEmpty())
        phones.append(QStringLiteral("CEP: ") + m_person.mobilePhone.trimmed());
    if (!phones.isEmpty())
        lines.append({QStringLiteral("TELEFON:"), phones.join(QStringLiteral("   "))});
    lines.append({QStringLiteral("DÖNEM:"), periodText()});
    lines.append({QStringLiteral("PARA CİNSİ:"), choiceText()});
    return lines;
}

void StatementWindow::sendClicked()
{
    if (periodValid())
        Q_EMIT sendRequested();
}

void StatementWindow::exportFile()
{
    if (!periodValid())
        return;
    m_table.preamble = exportPreamble();
    exportList(this, m_table, windowTitle() + QLatin1Char(' ') + m_person.name);
}

} // namespace kalvora
