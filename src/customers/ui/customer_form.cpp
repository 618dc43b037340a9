#include "customers/ui/customer_form.h"

#include "widgets/accessibility.h"
#include "widgets/picture_button.h"
#include "widgets/twips.h"
#include "customers/ui/contact_boxes.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>

namespace kalvora {

namespace {

constexpr int labelLeft = 150;
constexpr int labelWidth = 1650;
constexpr int boxLeft = 1830;
constexpr int boxWidth = 3900;
constexpr int rowHeight = 330;
constexpr int rowStep = 435;
constexpr int addressHeight = 1290;

} // namespace

CustomerForm::CustomerForm(const Texts& texts, QWidget* parent) : QDialog(parent)
{
    setObjectName(texts.objectName);
    setWindowTitle(texts.title);
    setFixedSize(twips(6300), twips(5820));

    auto* label1 = new QLabel(texts.heading, this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setAlignment(Qt::AlignCenter);
    QFont headingFont = label1->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    label1->setFont(headingFont);
    label1->setGeometry(twipsRect(120, 120, 6060, 450));

    auto* frame1 = new QGroupBox(QStringLiteral("KİŞİ BİLGİLERİ"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(twipsRect(120, 660, 6060, 3960));

    m_text1 = new ContactLineEdit(QStringLiteral("Text1"), 20, frame1);
    m_text2 = new ContactLineEdit(QStringLiteral("Text2"), 15, frame1);
    m_text3 = new ContactLineEdit(QStringLiteral("Text3"), 15, frame1);
    m_text4 = new ContactLineEdit(QStringLiteral("Text4"), 15, frame1);
    m_text5 = new ContactLineEdit(QStringLiteral("Text5"), texts.taxOfficeLimit, frame1);
    m_text6 = new AddressBox(QStringLiteral("Text6"), 100, frame1);

    const struct {
        const char* caption;
        QWidget* box;
    } rows[] = {{"ADI SOYADI:", m_text1},   {"İŞ TELEFONU:", m_text2}, {"CEP TELEFONU:", m_text3},
                {"TC KİMLİK NO:", m_text4}, {"VER.DAİRESİ:", m_text5}, {"ADRES:", m_text6}};
    int top = 330;
    int labelNumber = 2;
    QWidget* previous = nullptr;
    for (const auto& row : rows) {
        auto* caption = new QLabel(QString::fromUtf8(row.caption), frame1);
        caption->setObjectName(QStringLiteral("Label%1").arg(labelNumber++));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        caption->setGeometry(twipsRect(labelLeft, top, labelWidth, rowHeight));
        const bool address = row.box == m_text6;
        row.box->setGeometry(twipsRect(boxLeft, top, boxWidth, address ? addressHeight : rowHeight));
        if (address)
            caption->setAlignment(Qt::AlignRight | Qt::AlignTop);
        nameByCaption(caption, row.box);
        watchKeys(row.box);
        if (previous)
            setTabOrder(previous, row.box);
        previous = row.box;
        top += rowStep;
    }

    const struct {
        const char* name;
        const Texts::Button* texts;
        const char* icon;
        QStyle::StandardPixmap fallback;
        int left;
    } buttons[] = {
        {"MyButton6", &texts.save, "document-save", QStyle::SP_DialogSaveButton, 120},
        {"MyButton1", &texts.clear, "edit-clear", QStyle::SP_DialogResetButton, 2160},
        {"MyButton2", &texts.cancel, "dialog-cancel", QStyle::SP_DialogCancelButton, 4200},
    };
    for (const auto& b : buttons) {
        auto* button = new PictureButton(QString::fromLatin1(b.name), b.texts->caption, b.texts->tipTitle,
                                         b.texts->tipText, this);
        button->setPicture(QString::fromLatin1(b.icon), b.fallback);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setGeometry(twipsRect(b.left, 4800, 1980, 690));
        watchKeys(button);
        setTabOrder(previous, button);
        previous = button;
    }
    connect(findChild<PictureButton*>(QStringLiteral("MyButton6")), &QToolButton::clicked, this,
            [this] { save(); });
    connect(findChild<PictureButton*>(QStringLiteral("MyButton1")), &QToolButton::clicked, this,
            &CustomerForm::clearBoxes);
    connect(findChild<PictureButton*>(QStringLiteral("MyButton2")), &QToolButton::clicked, this,
            &QDialog::reject);

    m_text1->setFocus();
}

CustomerContact CustomerForm::contact() const
{
    return {m_text1->text(), m_text2->text(), m_text3->text(),
            m_text4->text(), m_text5->text(), m_text6->text()};
}

void CustomerForm::setContact(const CustomerContact& contact)
{
    m_text1->setStoredText(contact.name);
    m_text2->setStoredText(contact.workPhone);
    m_text3->setStoredText(contact.mobilePhone);
    m_text4->setStoredText(contact.idNumber);
    m_text5->setStoredText(contact.taxOffice);
    m_text6->setStoredText(contact.address);
}

void CustomerForm::clearBoxes()
{
    setContact({});
}

void CustomerForm::watchKeys(QWidget* control)
{
    control->installEventFilter(this);
}

bool CustomerForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || m_passingEnter)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->text().contains(QLatin1Char('"')))
        return true;
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    if (auto* button = qobject_cast<PictureButton*>(watched)) {
        // Enter presses the focused button; the button decides where the focus goes.
        button->click();
        return true;
    }
    // The box gets its Enter first (the address box starts a new line), then the focus moves on.
    m_passingEnter = true;
    QCoreApplication::sendEvent(watched, event);
    m_passingEnter = false;
    focusNextChild();
    return true;
}

} // namespace kalvora
