#include "sending/ui/send_window.h"

#include "data/db_error.h"
#include "sending/delivery.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace kalvora {

SendWindow::SendWindow(Store& store, SendDocument document, QWidget* parent, const QString& configFolder)
    : QDialog(parent), m_store(store), m_document(std::move(document)), m_smtp(loadSmtpSettings(configFolder))
{
    setObjectName(QStringLiteral("Gonder"));
    setWindowTitle(QStringLiteral("GÖNDER"));
    try {
        m_sender = loadCompanyInfo(store);
        m_email = rememberedEmail(store, m_document.person.key);
    } catch (const DbError&) {
        // Sent without a letterhead and with the address typed again.
    }
    const DocumentSender preview(store, m_smtp, m_sender);

    auto* grid = new QGridLayout(this);
    auto value = [&](const char* name, const char* caption, const QString& text, int row) {
        auto* c = new QLabel(QString::fromUtf8(caption), this);
        auto* v = new QLabel(text, this);
        v->setObjectName(QString::fromLatin1(name));
        v->setTextFormat(Qt::PlainText);
        describeByCaption(c, v);
        grid->addWidget(c, row, 0);
        grid->addWidget(v, row, 1);
    };
    value("Label1", "ALICI:", m_document.person.name, 0);
    value("Label2",
          "BELGE:", m_document.document + QStringLiteral(" (") + m_document.period + QLatin1Char(')'), 1);
    value("Label3", "BAKİYE:", m_document.balances, 2);

    auto* wayCaption = new QLabel(QStringLiteral("GÖNDERİM YOLU:"), this);
    m_way = new QComboBox(this);
    m_way->setObjectName(QStringLiteral("Combo1"));
    m_way->addItem(m_smtp.isSet() ? QStringLiteral("E-POSTA (") + m_smtp.host + QLatin1Char(')')
                                  : QStringLiteral("E-POSTA (E-POSTA PROGRAMI)"),
                   int(m_smtp.isSet() ? SendWay::Email : SendWay::MailProgram));
    m_way->addItem(QStringLiteral("WHATSAPP"), int(SendWay::WhatsApp));
    nameByCaption(wayCaption, m_way);
    grid->addWidget(wayCaption, 3, 0);
    grid->addWidget(m_way, 3, 1);

    m_recipientCaption = new QLabel(QStringLiteral("E-POSTA ADRESİ:"), this);
    m_recipient = new QLineEdit(this);
    m_recipient->setObjectName(QStringLiteral("Text1"));
    nameByCaption(m_recipientCaption, m_recipient);
    grid->addWidget(m_recipientCaption, 4, 0);
    grid->addWidget(m_recipient, 4, 1);

    auto* subjectCaption = new QLabel(QStringLiteral("KONU:"), this);
    m_subject = new QLineEdit(preview.subjectFor(m_document), this);
    m_subject->setObjectName(QStringLiteral("Text2"));
    m_subject->setReadOnly(true);
    nameByCaption(subjectCaption, m_subject);
    grid->addWidget(subjectCaption, 5, 0);
    grid->addWidget(m_subject, 5, 1);
    auto* bodyCaption = new QLabel(QStringLiteral("METİN:"), this);
    m_body = new QPlainTextEdit(preview.bodyFor(m_document), this);
    m_body->setObjectName(QStringLiteral("Text3"));
    m_body->setReadOnly(true);
    m_body->setTabChangesFocus(true);
    nameByCaption(bodyCaption, m_body);
    grid->addWidget(bodyCaption, 6, 0, Qt::AlignTop);
    grid->addWidget(m_body, 6, 1);

    auto* buttons = new QHBoxLayout;
    PictureButton* go = makePictureButton({"MyButton1", "&GÖNDER", "GÖNDER", "BELGEYİ SEÇİLEN YOLLA GÖNDERİR",
                                           "mail-send", QStyle::SP_ArrowForward},
                                          this);
    PictureButton* close = makePictureButton(
        {"MyButton2", "&KAPAT", "KAPAT", "FORMU KAPATIR", "window-close", QStyle::SP_DialogCloseButton},
        this);
    for (PictureButton* b : {go, close})
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(go, &QToolButton::clicked, this, [this] {
        if (send())
            accept();
    });
    connect(close, &QToolButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    buttons->addWidget(go);
    buttons->addWidget(close);
    grid->addLayout(buttons, 7, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    resize(640, 460);

    connect(m_way, &QComboBox::currentIndexChanged, this, &SendWindow::wayChanged);
    wayChanged();
}

SendWay SendWindow::way() const
{
    return static_cast<SendWay>(m_way->currentData().toInt());
}

void SendWindow::setWay(SendWay way)
{
    const int i = m_way->findData(int(way == SendWay::WhatsApp
                                          ? SendWay::WhatsApp
                                          : (m_smtp.isSet() ? SendWay::Email : SendWay::MailProgram)));
    if (i >= 0)
        m_way->setCurrentIndex(i);
}

void SendWindow::setRecipient(const QString& text)
{
    m_recipient->setText(text);
}

void SendWindow::wayChanged()
{
    const bool whatsApp = way() == SendWay::WhatsApp;
    m_recipientCaption->setText(whatsApp ? QStringLiteral("CEP TELEFONU:")
                                         : QStringLiteral("E-POSTA ADRESİ:"));
    m_recipient->setAccessibleName(m_recipientCaption->text());
    m_recipient->setText(whatsApp ? m_document.person.mobilePhone : m_email);
}

bool SendWindow::send()
{
    const SendWay w = way();
    const QString to = m_recipient->text().trimmed();
    if (w == SendWay::WhatsApp) {
        const MobileNumber n = turkishMobile(to);
        if (!n.valid()) {
            MessageBox::error(this, n.error, QStringLiteral("UYARI"));
            m_recipient->setFocus();
            return false;
        }
    } else if (!looksLikeEmail(to)) {
        MessageBox::error(this,
                          to.isEmpty() ? QStringLiteral("E-POSTA ADRESİ GİRİLMEMİŞ.")
                                       : QStringLiteral("E-POSTA ADRESİ GEÇERLİ DEĞİL."),
                          QStringLiteral("UYARI"));
        m_recipient->setFocus();
        return false;
    }
    if (w != SendWay::WhatsApp && to != m_email) {
        if (showingDbError(this, [&] { rememberEmail(m_store, m_document.person.key, to); }))
            m_email = to;
    }
    setCursor(Qt::WaitCursor);
    DocumentSender sender(m_store, m_smtp, m_sender);
    m_outcome = sender.send(m_document, w, to);
    unsetCursor();
    if (!m_outcome.succeeded) {
        MessageBox::error(this, m_outcome.error);
        return false;
    }
    Q_EMIT sent(m_outcome);
    if (w == SendWay::Email)
        MessageBox::information(this, QStringLiteral("GÖNDERİLDİ: ") + to);
    return true;
}

} // namespace kalvora
