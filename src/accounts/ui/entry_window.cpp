#include "accounts/ui/entry_window.h"

#include "accounts/account_book.h"
#include "data/amount_check.h"
#include "data/clock.h"
#include "data/turkish_text.h"
#include "widgets/accessibility.h"
#include "widgets/amount_key_filter.h"
#include "widgets/db_error_message.h"
#include "widgets/limited_text_box.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QUuid>

namespace kalvora {

namespace {

QLabel* caption(QWidget* parent, const char* name, const char* text, const QRect& geometry)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

void setTip(PictureButton* button, const char* title, const QString& text)
{
    // A tip without a title of its own shows only its text.
    if (!title || !*title)
        button->setToolTip(text);
}

} // namespace

EntryWindow::EntryWindow(Store& store, const Customer& person, const Texts& texts, QWidget* parent)
    : QDialog(parent), m_store(store), m_person(person),
      m_missingCurrency(QString::fromUtf8(texts.missingCurrency))
{
    setObjectName(QString::fromLatin1(texts.objectName));
    setWindowTitle(QString::fromUtf8(texts.caption));
    // The due-date row stands between the date and the blinking label.
    const int shift = texts.dueDate ? 480 : 0;
    setFixedSize(twips(6600), twips(4200 + shift));

    auto* descriptionCaption = caption(this, "Label1", "AÇIKLAMA:", twipsRect(120, 120, 1080, 300));
    m_description = new LimitedTextBox(texts.descriptionLimit, this);
    m_description->setObjectName(QStringLiteral("xpText1"));
    m_description->setGeometry(twipsRect(1320, 120, 5040, 1200));
    nameByCaption(descriptionCaption, m_description);

    auto* amountCaption = caption(this, "Label2", " TUTARI:", twipsRect(120, 1440, 1080, 330));
    m_amount = new QLineEdit(this);
    m_amount->setObjectName(QStringLiteral("Text1"));
    m_amount->setGeometry(twipsRect(1320, 1440, 2400, 330));
    m_amount->setMaxLength(20);
    m_amount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    AmountKeyFilter::install(m_amount);
    nameByCaption(amountCaption, m_amount);

    m_currency = new QComboBox(this);
    m_currency->setObjectName(QStringLiteral("Combo1"));
    m_currency->setGeometry(twipsRect(3840, 1440, 1560, 330));
    for (Currency c : allCurrencies)
        m_currency->addItem(currencyText(c), static_cast<int>(c));
    m_currency->setCurrentIndex(-1);
    m_currency->setAccessibleName(QStringLiteral("PARA CİNSİ"));

    auto* dateCaption = caption(this, "Label3", "TARİHİ:", twipsRect(120, 1920, 1080, 330));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("DTPicker1"));
    m_date->setGeometry(twipsRect(1320, 1920, 2400, 330));
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_date->setCalendarPopup(true);
    m_date->setDate(Clock::today());
    nameByCaption(dateCaption, m_date);

    auto* clockCaption = caption(this, "Label4", "SAAT:", twipsRect(3840, 1920, 720, 330));
    m_clock = new QLabel(QStringLiteral("00:00:00"), this);
    m_clock->setObjectName(QStringLiteral("Label5"));
    m_clock->setGeometry(twipsRect(4680, 1920, 1200, 330));
    describeByCaption(clockCaption, m_clock);

    m_blink = new QLabel(QString::fromUtf8(texts.blink), this);
    m_blink->setObjectName(QStringLiteral("Label6"));
    m_blink->setGeometry(twipsRect(120, 2460 + shift, 6240, 420));
    m_blink->setAlignment(Qt::AlignCenter);
    QFont big = m_blink->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    m_blink->setFont(big);
    m_blink->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));

    const QString saveTip = QStringLiteral("GİRİLEN BİLGİLERİ KAYDEDER");
    auto* saveButton = new PictureButton(QStringLiteral("MyButton6"), QStringLiteral("KAYDET"),
                                         QString::fromUtf8(texts.saveTipTitle), saveTip, this);
    saveButton->setPicture(QStringLiteral("document-save"), QStyle::SP_DialogSaveButton);
    saveButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    saveButton->setGeometry(twipsRect(1320, 3060 + shift, 2400, 720));
    setTip(saveButton, texts.saveTipTitle, saveTip);
    connect(saveButton, &QToolButton::clicked, this, &EntryWindow::save);

    const QString closeTip = QStringLiteral("İPTAL");
    auto* closeButton = new PictureButton(QStringLiteral("MyButton2"), QStringLiteral("İPTAL -ESC-"),
                                          QString::fromUtf8(texts.closeTipTitle), closeTip, this);
    closeButton->setPicture(QStringLiteral("window-close"), QStyle::SP_DialogCancelButton);
    closeButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    closeButton->setGeometry(twipsRect(3840, 3060 + shift, 2400, 720));
    setTip(closeButton, texts.closeTipTitle, closeTip);
    connect(closeButton, &QToolButton::clicked, this, &QDialog::reject);

    setTabOrder(m_description, m_amount);
    setTabOrder(m_amount, m_currency);
    setTabOrder(m_currency, m_date);
    QWidget* last = m_date;
    if (texts.dueDate)
        last = buildDueDate(m_date);
    setTabOrder(last, saveButton);
    setTabOrder(saveButton, closeButton);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &EntryWindow::tick);
    m_timer->start();
}

QWidget* EntryWindow::buildDueDate(QWidget* after)
{
    m_hasDue = new QCheckBox(QStringLiteral("VADELİ"), this);
    m_hasDue->setObjectName(QStringLiteral("Check1"));
    m_hasDue->setGeometry(twipsRect(120, 2400, 1140, 330));
    auto* dueCaption = caption(this, "Label7", "VADE:", twipsRect(1320, 2400, 600, 330));
    m_due = new QDateEdit(this);
    m_due->setObjectName(QStringLiteral("DTPicker2"));
    m_due->setGeometry(twipsRect(1980, 2400, 1740, 330));
    m_due->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_due->setCalendarPopup(true);
    m_due->setEnabled(false);
    nameByCaption(dueCaption, m_due);
    connect(m_hasDue, &QCheckBox::toggled, m_due, &QWidget::setEnabled);
    connect(m_due, &QDateEdit::userDateChanged, this,
            [this](const QDate& due) { m_termDays = static_cast<int>(m_date->date().daysTo(due)); });
    QWidget* previous = after;
    setTabOrder(previous, m_hasDue);
    setTabOrder(m_hasDue, m_due);
    previous = m_due;
    int left = 3840;
    for (int days : {30, 60, 90}) {
        auto* quick = new QPushButton(QStringLiteral("%1 GÜN").arg(days), this);
        quick->setObjectName(QStringLiteral("Command%1").arg(days));
        quick->setGeometry(twipsRect(left, 2400, 780, 330));
        quick->setAccessibleName(QStringLiteral("VADE %1 GÜN").arg(days));
        left += 840;
        connect(quick, &QPushButton::clicked, this, [this, days] { chooseTerm(days); });
        setTabOrder(previous, quick);
        previous = quick;
    }
    m_due->setDate(m_date->date().addDays(m_termDays));
    connect(m_date, &QDateEdit::dateChanged, this, &EntryWindow::dateChanged);
    return previous;
}

void EntryWindow::dateChanged(const QDate& date)
{
    // The term stays what was chosen when the transaction date moves.
    const QSignalBlocker quiet(m_due);
    m_due->setDate(date.addDays(m_termDays));
}

void EntryWindow::chooseTerm(int days)
{
    if (!m_due)
        return;
    m_termDays = days;
    m_hasDue->setChecked(true);
    const QSignalBlocker quiet(m_due);
    m_due->setDate(m_date->date().addDays(days));
}

void EntryWindow::fillDueDate(const QString& stored)
{
    if (!m_due)
        return;
    const QDate due = readDateText(stored);
    m_hasDue->setChecked(due.isValid());
    const QSignalBlocker quiet(m_due);
    if (due.isValid()) {
        m_due->setDate(due);
        m_termDays = static_cast<int>(m_date->date().daysTo(due));
    } else {
        m_due->setDate(m_date->date().addDays(m_termDays));
    }
}

void EntryWindow::tick()
{
    m_blink->setVisible(!m_blink->isVisible());
    m_clock->setText(timeText(Clock::time()));
}

Entry EntryWindow::entry()
{
    // The clock label lags up to half a second (and reads 00:00:00 before the first tick): the row
    // gets the time of the save itself, and the label shows it.
    Entry e;
    e.description = m_description->text();
    e.amount = m_amount->text();
    e.date = m_date->date();
    e.time = timeText(Clock::time());
    m_clock->setText(e.time);
    if (const QVariant chosen = m_currency->currentData(); chosen.isValid())
        e.currency = currencyText(static_cast<Currency>(chosen.toInt()));
    if (m_hasDue && m_hasDue->isChecked())
        e.dueDate = m_due->date();
    // A press after a save whose outcome was lost repeats that save, unless the typed entry changed.
    const bool same = e.description == m_tried.description && e.amount == m_tried.amount &&
                      e.date == m_tried.date && e.currency == m_tried.currency &&
                      e.dueDate == m_tried.dueDate;
    if (m_tried.saveId.isEmpty() || !same)
        e.saveId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    else
        e.saveId = m_tried.saveId;
    m_tried = e;
    return e;
}

void EntryWindow::fillAmount(const QString& shown)
{
    m_filledAmount = shown;
    m_amount->setText(shown);
}

void EntryWindow::save()
{
    const QString amount = m_amount->text();
    if (!amountAccepted(amount) || !amountEditAccepted(m_filledAmount, amount)) {
        MessageBox::information(this, QStringLiteral("LÜTFEN FİYATI KONTROL EDİNİZ!"),
                                QStringLiteral("UYARI!"));
        m_amount->setFocus();
        return;
    }
    if (!m_currency->currentData().isValid()) {
        MessageBox::information(this, m_missingCurrency, QStringLiteral("UYARI!"));
        m_currency->setFocus();
        return;
    }
    bool stays = true;
    const auto changedElsewhere = [this] {
        reject();
        Q_EMIT rowChangedElsewhere();
    };
    if (!showingDbErrorThenReload(
            this, [&] { stays = write(); }, changedElsewhere) ||
        !stays)
        return;
    m_tried = Entry(); // the next entry is a save of its own
    m_description->setText(QString());
    m_amount->clear();
    m_description->setFocus();
}

LendWindow::LendWindow(Store& store, const Customer& person, QWidget* parent)
    : EntryWindow(store, person,
                  {"Form5", "BORÇ PARA VERİLİYOR", "PARA VERİYORUM", "", "",
                   "LÜTFEN PARA CİNSİNİ KONTROL EDİNİZ!", 255, true},
                  parent)
{}

void LendWindow::AidatGir()
{
    Q_EMIT saved(AccountBook(m_store).lend(m_person, entry()));
}

bool LendWindow::write()
{
    AidatGir();
    return true;
}

CollectWindow::CollectWindow(Store& store, const Customer& person, QWidget* parent)
    : EntryWindow(store, person,
                  {"Form6", "MÜŞTERİ BORÇ ÖDÜYOR", " PARA ALIYORUM", "", "FORMU KAPAT",
                   "LÜTFEN PARA CİNSİNİ KONTROL EDİNİZ!", 255, false},
                  parent)
{}

void CollectWindow::ParaAl()
{
    Q_EMIT saved(AccountBook(m_store).collect(m_person, entry()));
}

bool CollectWindow::write()
{
    ParaAl();
    return true;
}

EditWindow::EditWindow(Store& store, const Customer& person, const AccountRow& row, QWidget* parent)
    : EntryWindow(store, person,
                  {"Form12", "BİLGİLERİ DÜZENLE", "BİLGİ DÜZENLİYORUM", "KAYDET", "FORMU KAPAT",
                   "PARA CİNSİNİ KONTROL EDİNİZ!", 100, row.kind == loanKind()},
                  parent),
      m_rowKey(row.key), m_rowVersion(row.version)
{
    const QStringList shown = rowTexts(row);
    descriptionBox()->setText(shown.value(0));
    fillAmount(shown.value(1));
    const std::optional<Currency> currency = currencyOf(row.currency);
    currencyBox()->setCurrentIndex(currency ? currencyBox()->findData(static_cast<int>(*currency)) : -1);
    const QDate date = readDateText(shown.value(3));
    if (date.isValid())
        datePicker()->setDate(date);
    fillDueDate(row.dueDate);
}

void EditWindow::AidatDuzenle()
{
    const AccountState state =
        AccountBook(m_store).edit(m_person.key, m_person.name, m_rowKey, entry(), m_rowVersion);
    accept();
    Q_EMIT saved(state);
    MessageBox::information(parentWidget(), QStringLiteral("BİLGİLER DEĞİŞTİRİLDİ."),
                            QStringLiteral("İŞLEM TAMAM"));
}

bool EditWindow::write()
{
    AidatDuzenle();
    return false;
}

} // namespace kalvora
