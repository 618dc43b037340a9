#include "ledger/ui/ledger_entry_window.h"

#include "data/amount_check.h"
#include "data/clock.h"
#include "data/turkish_text.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/message_box.h"
#include "widgets/twips.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace kalvora {

namespace {

bool blank(const QString& text)
{
    return text.trimmed().isEmpty();
}

} // namespace

LedgerEntryWindow::LedgerEntryWindow(Store& store, Ledger which, QWidget* parent)
    : QDialog(parent), m_store(store, which)
{
    const bool income = which == Ledger::Income;
    setObjectName(income ? QStringLiteral("GelirYaz") : QStringLiteral("GiderYaz"));
    setWindowTitle(income ? QStringLiteral("GELİR EKLENİYOR") : QStringLiteral("GİDER EKLENİYOR"));
    setFixedSize(twips(6480), twips(5400));

    m_label2 =
        new QLabel(income ? QStringLiteral("GELİR YAZILIYOR") : QStringLiteral("GİDER YAZILIYOR"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setAlignment(Qt::AlignCenter);
    QFont big = m_label2->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    m_label2->setFont(big);
    m_label2->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_label2->setGeometry(twipsRect(120, 120, 6240, 420));

    auto caption = [this](const char* name, const QString& text, int top) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setGeometry(twipsRect(120, top + 45, 1900, 300));
        return label;
    };
    auto lineBox = [this](const char* name, int top) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(twipsRect(2040, top, 4320, 375));
        return box;
    };

    m_maker = lineBox("Text1_0", 660);
    m_maker->setText(QStringLiteral("İŞLETME"));
    nameByCaption(caption("LabelYapan", QStringLiteral("İŞLEMİ YAPAN:"), 660), m_maker);

    m_title = lineBox("Text1_4", 1140);
    nameByCaption(
        caption("LabelAd", income ? QStringLiteral("GELİR ADI:") : QStringLiteral("GİDER ADI:"), 1140),
        m_title);

    m_description = new QPlainTextEdit(this);
    m_description->setObjectName(QStringLiteral("Text1_1"));
    m_description->setTabChangesFocus(true);
    m_description->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_description->setGeometry(twipsRect(2040, 1620, 4320, 1140));
    nameByCaption(caption("LabelAciklama", QStringLiteral("AÇIKLAMA:"), 1620), m_description);

    m_amount = lineBox("Text1_2", 2880);
    m_amount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    nameByCaption(caption("LabelTutar", QStringLiteral("TUTAR:"), 2880), m_amount);
    connect(m_amount, &QLineEdit::textChanged, this, &LedgerEntryWindow::amountChanged);

    m_date = new QDateEdit(Clock::today(), this);
    m_date->setObjectName(QStringLiteral("Tarihbox"));
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_date->setCalendarPopup(true);
    m_date->setGeometry(twipsRect(2040, 3360, 2160, 375));
    nameByCaption(caption("LabelTarih", QStringLiteral("TARİH:"), 3360), m_date);

    m_clock = lineBox("Text1_3", 3840);
    m_clock->setGeometry(twipsRect(2040, 3840, 2160, 375));
    m_clock->setReadOnly(true);
    m_clock->setText(timeText(Clock::time()));
    nameByCaption(caption("LabelSaat", QStringLiteral("SAAT:"), 3840), m_clock);

    auto* button1 = new QPushButton(QStringLiteral("ONAYLA"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setGeometry(twipsRect(2040, 4500, 2100, 600));
    button1->setAutoDefault(false);
    connect(button1, &QPushButton::clicked, this, &LedgerEntryWindow::confirm);

    auto* button2 = new QPushButton(QStringLiteral("VAZGEÇ"), this);
    button2->setObjectName(QStringLiteral("Button2"));
    button2->setGeometry(twipsRect(4260, 4500, 2100, 600));
    button2->setAutoDefault(false);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_maker, m_title);
    setTabOrder(m_title, m_description);
    setTabOrder(m_description, m_amount);
    setTabOrder(m_amount, m_date);
    setTabOrder(m_date, m_clock);
    setTabOrder(m_clock, button1);
    setTabOrder(button1, button2);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
    connect(m_timer1, &QTimer::timeout, this, &LedgerEntryWindow::tick);
    m_timer1->start();
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(500);
    connect(m_timer2, &QTimer::timeout, this, &LedgerEntryWindow::blink);
    m_timer2->start();

    m_maker->setFocus();
}

void LedgerEntryWindow::amountChanged(const QString& text)
{
    // Every change that breaks the amount rule empties the box, so it only ever holds digits and one comma.
    if (!text.isEmpty() && !TutarKontrol(text))
        m_amount->clear();
}

void LedgerEntryWindow::tick()
{
    m_clock->setText(timeText(Clock::time()));
}

void LedgerEntryWindow::blink()
{
    m_label2->setVisible(!m_label2->isVisible());
}

void LedgerEntryWindow::confirm()
{
    auto refuse = [this](const QString& text, QWidget* focus) {
        MessageBox::information(this, text);
        focus->setFocus();
    };
    if (blank(m_maker->text()))
        return refuse(QStringLiteral("PARAYI KOYAN KİŞİYİ GİRMEDİNİZ."), m_maker);
    if (blank(m_title->text()))
        return refuse(QStringLiteral("GİDER İÇİN BİR BAŞLIK GİRİNİZ."), m_title);
    if (blank(m_description->toPlainText()))
        return refuse(QStringLiteral("AÇIKLAMA GİRMEK ZORUNDASINIZ"), m_description);
    const QString amount = m_amount->text();
    // A lone comma does not read as a number, and a text longer than a double keeps would make the
    // cash box disagree with the entries: both are refused like a zero.
    if (blank(amount) || !amountReadable(amount) || numberValue(amount) == 0)
        return refuse(QStringLiteral(" GEÇERLİ BİR TUTAR GİRİN"), m_amount);

    m_sign = -1;
    try {
        if (!showingDbError(this, [this] { KASA_PARA_GIR(); }))
            return;
    } catch (const LedgerError& e) {
        MessageBox::error(this, e.turkishText());
        return;
    }
    MessageBox::information(this, m_store.which() == Ledger::Income ? QStringLiteral("GELİR İŞLENDİ")
                                                                    : QStringLiteral("GİDER İŞLENDİ"));
    accept();
}

void LedgerEntryWindow::KASA_PARA_GIR()
{
    LedgerEntry entry;
    entry.title = m_title->text();
    entry.date = dateText(m_date->date());
    entry.description = m_description->toPlainText();
    // The time of the confirmation itself, not what the clock box last showed.
    entry.time = timeText(Clock::time());
    entry.maker = m_maker->text();
    entry.amount = m_amount->text();
    m_store.record(entry, m_sign);
}

} // namespace kalvora
