#include "sending/ui/company_info_window.h"

#include "data/db_error.h"
#include "data/turkish_text.h"
#include "sending/message_template.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"

#include <QBuffer>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace kalvora {

CompanyInfoWindow::CompanyInfoWindow(Store& store, QWidget* parent, const QString& configFolder)
    : QDialog(parent), m_store(store), m_configFolder(configFolder)
{
    setObjectName(QStringLiteral("FirmaBilgileri"));
    setWindowTitle(QStringLiteral("FİRMA BİLGİLERİ"));
    showingDbError(this, [&] { m_info = loadCompanyInfo(store); });
    m_smtp = loadSmtpSettings(m_configFolder);

    auto* outer = new QVBoxLayout(this);
    auto* firm = new QGroupBox(QStringLiteral("ANTET (EKSTRE VE MEKTUPLARIN BAŞINDA)"), this);
    m_grid = new QGridLayout(firm);
    outer->addWidget(firm);
    addLine("Text1", "FİRMA ADI / UNVANI:", 0, m_info.name);
    auto* addressCaption = new QLabel(QStringLiteral("ADRES:"), firm);
    m_address = new QPlainTextEdit(m_info.address, firm);
    m_address->setObjectName(QStringLiteral("Text2"));
    m_address->setTabChangesFocus(true);
    m_address->setFixedHeight(64);
    m_address->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    nameByCaption(addressCaption, m_address);
    m_grid->addWidget(addressCaption, 1, 0);
    m_grid->addWidget(m_address, 1, 1);
    addLine("Text3", "TELEFONLAR:", 2, m_info.phones);
    addLine("Text4", "VERGİ DAİRESİ:", 3, m_info.taxOffice);
    addLine("Text5", "VERGİ NO:", 4, m_info.taxNumber);
    addLine("Text6", "E-POSTA:", 5, m_info.email);
    addLine("Text7", "IBAN:", 6, m_info.iban);

    auto* logoCaption = new QLabel(QStringLiteral("LOGO:"), firm);
    m_logo = new QLabel(firm);
    m_logo->setObjectName(QStringLiteral("Picture1"));
    m_logo->setFixedSize(160, 80);
    m_logo->setFrameShape(QFrame::StyledPanel);
    m_logo->setAlignment(Qt::AlignCenter);
    describeByCaption(logoCaption, m_logo);
    auto* logoRow = new QHBoxLayout;
    logoRow->addWidget(m_logo);
    PictureButton* choose =
        makePictureButton({"MyButton3", "LOGO &SEÇ", "LOGO SEÇ", "PNG YA DA JPEG RESİM SEÇİN",
                           "document-open", QStyle::SP_DialogOpenButton},
                          firm);
    PictureButton* remove = makePictureButton(
        {"MyButton4", "LOGOYU &KALDIR", "LOGOYU KALDIR", "LOGOYU SİLER", "edit-delete", QStyle::SP_TrashIcon},
        firm);
    connect(choose, &QToolButton::clicked, this, &CompanyInfoWindow::chooseLogo);
    connect(remove, &QToolButton::clicked, this, &CompanyInfoWindow::removeLogo);
    logoRow->addWidget(choose);
    logoRow->addWidget(remove);
    logoRow->addStretch();
    m_grid->addWidget(logoCaption, 7, 0);
    m_grid->addLayout(logoRow, 7, 1);
    showLogo();

    auto* texts =
        new QGroupBox(QStringLiteral("GÖNDERİM METİNLERİ ({ADI}, {BAKIYE}, {TARIH}, {FIRMA})"), this);
    auto* tg = new QGridLayout(texts);
    outer->addWidget(texts);
    auto* subjectCaption = new QLabel(QStringLiteral("KONU:"), texts);
    m_subject = new QLineEdit(
        m_info.subjectTemplate.isEmpty() ? defaultSubjectTemplate() : m_info.subjectTemplate, texts);
    m_subject->setObjectName(QStringLiteral("Text8"));
    nameByCaption(subjectCaption, m_subject);
    auto* bodyCaption = new QLabel(QStringLiteral("METİN:"), texts);
    m_body = new QPlainTextEdit(m_info.bodyTemplate.isEmpty() ? defaultBodyTemplate() : m_info.bodyTemplate,
                                texts);
    m_body->setObjectName(QStringLiteral("Text9"));
    m_body->setTabChangesFocus(true);
    m_body->setFixedHeight(110);
    nameByCaption(bodyCaption, m_body);
    tg->addWidget(subjectCaption, 0, 0);
    tg->addWidget(m_subject, 0, 1);
    tg->addWidget(bodyCaption, 1, 0, Qt::AlignTop);
    tg->addWidget(m_body, 1, 1);

    auto* mail =
        new QGroupBox(QStringLiteral("E-POSTA SUNUCUSU (BOŞ BIRAKILIRSA E-POSTA PROGRAMINIZ AÇILIR)"), this);
    auto* mg = new QGridLayout(mail);
    outer->addWidget(mail);
    auto caption = [&](const char* text, QWidget* control, int row, int col) {
        auto* l = new QLabel(QString::fromUtf8(text), mail);
        nameByCaption(l, control);
        mg->addWidget(l, row, col);
        mg->addWidget(control, row, col + 1);
    };
    m_host = new QLineEdit(m_smtp.host, mail);
    m_host->setObjectName(QStringLiteral("Text10"));
    m_port = new QSpinBox(mail);
    m_port->setObjectName(QStringLiteral("Text11"));
    m_port->setRange(1, 65535);
    m_port->setValue(m_smtp.port);
    m_security = new QComboBox(mail);
    m_security->setObjectName(QStringLiteral("Combo1"));
    m_security->addItem(QStringLiteral("STARTTLS"), int(SmtpSettings::Security::StartTls));
    m_security->addItem(QStringLiteral("TLS (SMTPS)"), int(SmtpSettings::Security::Tls));
    m_security->addItem(QStringLiteral("ŞİFRELEMESİZ"), int(SmtpSettings::Security::None));
    m_security->setCurrentIndex(m_security->findData(int(m_smtp.security)));
    m_user = new QLineEdit(m_smtp.user, mail);
    m_user->setObjectName(QStringLiteral("Text12"));
    m_password = new QLineEdit(m_smtp.password, mail);
    m_password->setObjectName(QStringLiteral("Text13"));
    m_password->setEchoMode(QLineEdit::Password);
    m_from = new QLineEdit(m_smtp.from, mail);
    m_from->setObjectName(QStringLiteral("Text14"));
    caption("SUNUCU:", m_host, 0, 0);
    caption("PORT:", m_port, 0, 2);
    caption("GÜVENLİK:", m_security, 1, 0);
    caption("KULLANICI:", m_user, 1, 2);
    caption("ŞİFRE:", m_password, 2, 0);
    caption("GÖNDEREN ADRESİ:", m_from, 2, 2);

    auto* buttons = new QHBoxLayout;
    PictureButton* saveButton = makePictureButton({"MyButton1", "&KAYDET", "KAYDET", "BİLGİLERİ KAYDEDER",
                                                   "document-save", QStyle::SP_DialogSaveButton},
                                                  this);
    PictureButton* close = makePictureButton(
        {"MyButton2", "K&APAT", "KAPAT", "FORMU KAPATIR", "window-close", QStyle::SP_DialogCloseButton},
        this);
    for (PictureButton* b : {saveButton, close})
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(saveButton, &QToolButton::clicked, this, [this] {
        if (save())
            MessageBox::information(this, QStringLiteral("FİRMA BİLGİLERİ KAYDEDİLDİ."));
    });
    connect(close, &QToolButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(close);
    outer->addLayout(buttons);
}

QLineEdit* CompanyInfoWindow::addLine(const char* name, const char* caption, int row, const QString& value)
{
    auto* label = new QLabel(QString::fromUtf8(caption), this);
    auto* edit = new QLineEdit(value, this);
    edit->setObjectName(QString::fromLatin1(name));
    nameByCaption(label, edit);
    m_grid->addWidget(label, row, 0);
    m_grid->addWidget(edit, row, 1);
    m_lines.append(edit);
    return edit;
}

void CompanyInfoWindow::showLogo()
{
    QPixmap p;
    if (!m_info.logoPng.isEmpty() && p.loadFromData(m_info.logoPng, "PNG")) {
        m_logo->setPixmap(p.scaled(m_logo->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_logo->setAccessibleName(QStringLiteral("LOGO VAR"));
    } else {
        m_logo->setPixmap(QPixmap());
        m_logo->setText(QStringLiteral("LOGO YOK"));
        m_logo->setAccessibleName(QStringLiteral("LOGO YOK"));
    }
}

void CompanyInfoWindow::chooseLogo()
{
    const QString path = FileDialog::openName(this, QStringLiteral("LOGO SEÇ"), QString(),
                                              {QStringLiteral("RESİM (*.png *.jpg *.jpeg)")});
    if (!path.isEmpty())
        setLogoFile(path);
}

bool CompanyInfoWindow::setLogoFile(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    QImage image;
    if (format == "png" || format == "jpeg")
        image = reader.read();
    if (image.isNull()) {
        MessageBox::error(this, QStringLiteral("RESİM OKUNAMADI (PNG YA DA JPEG OLMALI):\n") + path);
        return false;
    }
    if (image.width() > logoPixels || image.height() > logoPixels)
        image = image.scaled(logoPixels, logoPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    m_info.logoPng = png;
    showLogo();
    return true;
}

void CompanyInfoWindow::removeLogo()
{
    m_info.logoPng.clear();
    showLogo();
}

bool CompanyInfoWindow::save()
{
    CompanyInfo info = m_info;
    info.name = BuyukHarf(m_lines.at(0)->text().trimmed());
    info.address = BuyukHarf(m_address->toPlainText().trimmed());
    info.phones = m_lines.at(1)->text().trimmed();
    info.taxOffice = BuyukHarf(m_lines.at(2)->text().trimmed());
    info.taxNumber = m_lines.at(3)->text().trimmed();
    info.email = m_lines.at(4)->text().trimmed();
    info.iban = m_lines.at(5)->text().trimmed().toUpper();
    // A template left as the default is kept empty, so a later default reaches it.
    info.subjectTemplate =
        m_subject->text().trimmed() == defaultSubjectTemplate() ? QString() : m_subject->text().trimmed();
    info.bodyTemplate = m_body->toPlainText().trimmed() == defaultBodyTemplate()
                            ? QString()
                            : m_body->toPlainText().trimmed();
    QStringList unknown = unknownFields(m_subject->text() + QLatin1Char(' ') + m_body->toPlainText());
    if (!unknown.isEmpty()) {
        MessageBox::error(this,
                          QStringLiteral("METİNLERDE BİLİNMEYEN ALAN VAR: {") +
                              unknown.join(QStringLiteral("}, {")) +
                              QStringLiteral("}\nKULLANILABİLEN ALANLAR: {ADI}, {BAKIYE}, {TARIH}, {FIRMA}"),
                          QStringLiteral("UYARI"));
        m_subject->setFocus();
        return false;
    }
    if (!info.email.isEmpty() && !looksLikeEmail(info.email)) {
        MessageBox::error(this, QStringLiteral("E-POSTA ADRESİ GEÇERLİ DEĞİL."), QStringLiteral("UYARI"));
        m_lines.at(4)->setFocus();
        return false;
    }
    if (!showingDbError(this, [&] { saveCompanyInfo(m_store, info); }))
        return false;
    m_info = info;
    SmtpSettings smtp;
    smtp.host = m_host->text().trimmed();
    smtp.port = m_port->value();
    smtp.security = static_cast<SmtpSettings::Security>(m_security->currentData().toInt());
    smtp.user = m_user->text().trimmed();
    smtp.password = m_password->text();
    smtp.from = m_from->text().trimmed();
    smtp.caFile = m_smtp.caFile;
    QString error;
    if (!saveSmtpSettings(smtp, &error, m_configFolder)) {
        MessageBox::error(this, error);
        return false;
    }
    m_smtp = smtp;
    Q_EMIT saved();
    return true;
}

} // namespace kalvora
