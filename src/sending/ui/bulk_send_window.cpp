#include "sending/ui/bulk_send_window.h"

#include "accounts/account_book.h"
#include "accounts/open_book.h"
#include "customers/customer_repository.h"
#include "data/clock.h"
#include "data/db_error.h"
#include "data/turkish_text.h"
#include "sending/confirmation_letter.h"
#include "sending/delivery.h"
#include "sending/ui/letter_window.h"
#include "widgets/accessibility.h"
#include "widgets/amount_key_filter.h"
#include "widgets/db_error_message.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>

#include <tuple>

namespace kalvora {

BulkSendWindow::BulkSendWindow(Store& store, QWidget* parent, const QString& configFolder)
    : QDialog(parent), m_store(store), m_configFolder(configFolder)
{
    setObjectName(QStringLiteral("TopluGonder"));
    setWindowTitle(QStringLiteral("TOPLU GÖNDER"));
    setSizeGripEnabled(true);
    showingDbError(this, [&] {
        m_people = CustomerRepository(store).all();
        m_sender = loadCompanyInfo(store);
    });
    auto* grid = new QGridLayout(this);
    m_byAmount = new QRadioButton(QStringLiteral("BORCU ŞU TUTARDAN FAZLA OLANLAR:"), this);
    m_byAmount->setObjectName(QStringLiteral("Option1"));
    m_byAmount->setChecked(true);
    m_amount = new QLineEdit(QStringLiteral("0"), this);
    m_amount->setObjectName(QStringLiteral("Text1"));
    m_amount->setAccessibleName(m_byAmount->text());
    AmountKeyFilter::install(m_amount);
    m_currency = new QComboBox(this);
    m_currency->setObjectName(QStringLiteral("Combo1"));
    m_currency->setAccessibleName(QStringLiteral("PARA CİNSİ"));
    for (Currency c : allCurrencies)
        m_currency->addItem(currencyText(c), int(c));
    grid->addWidget(m_byAmount, 0, 0);
    grid->addWidget(m_amount, 0, 1);
    grid->addWidget(m_currency, 0, 2);
    m_byOverdue =
        new QRadioButton(QStringLiteral("VADESİ GEÇMİŞ BORCU OLANLAR (SEÇİLEN PARA CİNSİNDE)"), this);
    m_byOverdue->setObjectName(QStringLiteral("Option3"));
    grid->addWidget(m_byOverdue, 1, 0, 1, 3);
    m_bySelection = new QRadioButton(QStringLiteral("SEÇİLEN KİŞİLER:"), this);
    m_bySelection->setObjectName(QStringLiteral("Option2"));
    grid->addWidget(m_bySelection, 2, 0, Qt::AlignTop);
    m_chosen = new QListWidget(this);
    m_chosen->setObjectName(QStringLiteral("List1"));
    m_chosen->setAccessibleName(m_bySelection->text());
    for (const Customer& p : std::as_const(m_people)) {
        auto* item = new QListWidgetItem(p.name, m_chosen);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(Qt::UserRole, p.key);
    }
    m_chosen->setMaximumHeight(140);
    grid->addWidget(m_chosen, 2, 1, 1, 2);

    std::tie(m_date, m_days) = addLetterDateInputs(grid, 3, "Text2");

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setAccessibleName(QStringLiteral("GÖNDERİLEN"));
    m_progress->setFormat(QStringLiteral("%v / %m"));
    m_progress->setValue(0);
    m_progress->hide(); // until a run starts
    grid->addWidget(m_progress, 5, 0, 1, 3);
    auto* failCaption = new QLabel(QStringLiteral("GÖNDERİLEMEYENLER:"), this);
    grid->addWidget(failCaption, 6, 0, 1, 3);
    m_failures = new ReportList(this);
    m_failures->setObjectName(QStringLiteral("ListView1"));
    m_failures->setAccessibleName(failCaption->text());
    m_failures->setColumns({QStringLiteral("ADI SOYADI"), QStringLiteral("HATA")});
    grid->addWidget(m_failures, 7, 0, 1, 3);

    auto* buttons = new QHBoxLayout;
    m_start = makePictureButton(
        {"MyButton1", "&BAŞLAT", "BAŞLAT", "MEKTUPLARI GÖNDERMEYE BAŞLAR", "mail-send", QStyle::SP_MediaPlay},
        this);
    m_stop = makePictureButton(
        {"MyButton2", "&DURDUR", "DURDUR", "GÖNDERİMİ DURDURUR", "process-stop", QStyle::SP_MediaStop}, this);
    PictureButton* close = makePictureButton(
        {"MyButton3", "&KAPAT", "KAPAT", "FORMU KAPATIR", "window-close", QStyle::SP_DialogCloseButton},
        this);
    for (PictureButton* b : {m_start, m_stop, close}) {
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        buttons->addWidget(b);
    }
    m_stop->setEnabled(false);
    buttons->addStretch();
    grid->addLayout(buttons, 8, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    connect(m_start, &QToolButton::clicked, this, &BulkSendWindow::start);
    connect(m_stop, &QToolButton::clicked, this, &BulkSendWindow::stop);
    connect(close, &QToolButton::clicked, this, &QDialog::reject);
    resize(720, 620);
}

BulkSendWindow::~BulkSendWindow() = default;

QList<PersonRule> BulkSendWindow::rules()
{
    if (m_bySelection->isChecked()) {
        QStringList keys;
        for (int i = 0; i < m_chosen->count(); ++i) {
            if (m_chosen->item(i)->checkState() == Qt::Checked)
                keys.append(m_chosen->item(i)->data(Qt::UserRole).toString());
        }
        return {isOneOf(keys)};
    }
    const auto currency = static_cast<Currency>(m_currency->currentData().toInt());
    if (m_byOverdue->isChecked()) {
        QList<OverdueEntry> overdue;
        showingDbError(this, [&] { overdue = OpenBook(m_store).overdue(Clock::today()); });
        return {hasOverdue(overdue, currency)};
    }
    return {owesMoreThan(currency, numberValue(m_amount->text()))};
}

QList<Customer> BulkSendWindow::chosenPeople()
{
    return selectPeople(m_people, rules());
}

void BulkSendWindow::start()
{
    if (isRunning())
        return;
    const SmtpSettings smtp = loadSmtpSettings(m_configFolder);
    if (!smtp.isSet()) {
        MessageBox::error(this,
                          QStringLiteral("TOPLU GÖNDERİM İÇİN FİRMA BİLGİLERİ PENCERESİNDE E-POSTA SUNUCUSU "
                                         "AYARLANMALIDIR."),
                          QStringLiteral("UYARI"));
        return;
    }
    QList<BulkTarget> targets;
    const bool retry =
        !m_lastFailures.isEmpty() &&
        MessageBox::question(this,
                             QStringLiteral("ÖNCEKİ GÖNDERİMDE ") + QString::number(m_lastFailures.size()) +
                                 QStringLiteral(" KİŞİYE GÖNDERİLEMEDİ. YALNIZ ONLAR YENİDEN DENENSİN Mİ?"));
    const QList<Customer> people = [&] {
        if (!retry)
            return chosenPeople();
        QList<Customer> again;
        for (const BulkTarget& t : std::as_const(m_lastFailures))
            again.append(t.person);
        return again;
    }();
    if (people.isEmpty()) {
        MessageBox::information(this, QStringLiteral("SEÇİMLERE UYAN KİŞİ YOK."));
        return;
    }
    // The addresses are read again, so one put right since the last run is used.
    if (!showingDbError(this, [&] {
            for (const Customer& p : people)
                targets.append({p, rememberedEmail(m_store, p.key)});
        }))
        return;
    m_documentSender = std::make_unique<DocumentSender>(m_store, smtp, m_sender);
    const QDate date = m_date->date();
    const int days = m_days->value();
    auto documentFor = [this, date, days](const Customer& p) {
        QList<AccountRow> rows;
        try {
            rows = AccountBook(m_store).load(p.key).rows;
        } catch (const DbError&) {
            // A letter of no rows would be wrong: the empty template fails the send below instead.
            SendDocument broken;
            broken.person = p;
            broken.document = QStringLiteral("MUTABAKAT MEKTUBU");
            broken.filePrefix = QStringLiteral("MUTABAKAT");
            broken.date = date;
            return broken;
        }
        return letterDocument(buildConfirmationLetter(p, rows, date, days), m_sender, m_store.folder());
    };
    m_run = std::make_unique<BulkSend>(*m_documentSender, documentFor, targets);
    m_failures->clear();
    m_progress->setMaximum(int(targets.size()));
    m_progress->setValue(0);
    m_progress->show();
    connect(m_run.get(), &BulkSend::progress, this, [this](int done) { m_progress->setValue(done); });
    connect(m_run.get(), &BulkSend::personFailed, this, [this](const Customer& p, const QString& error) {
        m_failures->addRow({p.name, error});
    });
    connect(m_run.get(), &BulkSend::finished, this, &BulkSendWindow::runFinished);
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
    m_stop->setFocus();
    m_run->start();
}

void BulkSendWindow::stop()
{
    if (m_run)
        m_run->stop();
}

void BulkSendWindow::runFinished(bool stopped)
{
    m_lastFailures = m_run->failures();
    m_start->setEnabled(true);
    m_stop->setEnabled(false);
    m_failures->header()->resizeSections(QHeaderView::ResizeToContents);
    QString text = QString::number(m_run->succeeded()) + QStringLiteral(" KİŞİYE GÖNDERİLDİ");
    if (!m_lastFailures.isEmpty())
        text += QStringLiteral(", ") + QString::number(m_lastFailures.size()) +
                QStringLiteral(" KİŞİYE GÖNDERİLEMEDİ");
    if (stopped)
        text += QStringLiteral(" (DURDURULDU)");
    MessageBox::information(this, text + QLatin1Char('.'));
    Q_EMIT finished();
}

} // namespace kalvora
