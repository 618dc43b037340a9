#include "app/login_window.h"

#include "widgets/accessibility.h"
#include "widgets/digit_key_filter.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/twips.h"
#include "data/data_folder.h"
#include "data/password_file.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

namespace kalvora {

LoginWindow::LoginWindow(const QString& dataFolder, QWidget* parent)
    : QDialog(parent), m_dataFolder(dataFolder)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(twips(4800), twips(2600));
    setStyleSheet(
        QStringLiteral("#Form8 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1f4e79, "
                       "stop:1 #3a7bbf); } #Form8 QLabel { color: white; font-weight: bold; }"));

    auto* label2 = new QLabel(QStringLiteral("LÜTFEN ŞİFREYİ GİRİNİZ."), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(twipsRect(240, 240, 4320, 300));

    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setEchoMode(QLineEdit::Password);
    m_text1->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    m_text1->setGeometry(twipsRect(240, 600, 4320, 375));
    DigitKeyFilter::install(m_text1);
    nameByCaption(label2, m_text1);

    auto* label1 = new QLabel(QStringLiteral("Şifre Belirleyene Kadar Boş Geçiniz"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(twipsRect(240, 1020, 4320, 300));

    auto* giris =
        new PictureButton(QStringLiteral("MyButton6"), QStringLiteral("GİRİŞ"), QStringLiteral("ONAYLA"),
                          QStringLiteral("ŞİFRENİZ DOĞRU İSE PROGRAMA GİREBİLİRSİNİZ"), this);
    giris->setPicture(QStringLiteral("dialog-ok"), QStyle::SP_DialogOkButton);
    giris->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    giris->setGeometry(twipsRect(240, 1500, 2040, 700));
    connect(giris, &QToolButton::clicked, this, &LoginWindow::login);

    auto* kapat =
        new PictureButton(QStringLiteral("MyButton1"), QStringLiteral("KAPAT"), QStringLiteral("ÇIKIŞ"),
                          QStringLiteral("PROGRAMI GÜVENLİ BİR ŞEKİLDE KAPATIR"), this);
    kapat->setPicture(QStringLiteral("application-exit"), QStyle::SP_DialogCloseButton);
    kapat->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    kapat->setGeometry(twipsRect(2520, 1500, 2040, 700));
    connect(kapat, &QToolButton::clicked, this, &LoginWindow::closeRequested);

    setTabOrder(m_text1, giris);
    setTabOrder(giris, kapat);
    m_text1->setFocus();
}

void LoginWindow::login()
{
    const QString path = QDir(m_dataFolder).filePath(QString::fromLatin1(files::password));
    if (PasswordFile::accepts(path, m_text1->text())) {
        hide();
        Q_EMIT accepted_();
        return;
    }
    MessageBox::error(this, QStringLiteral("ŞİFRENİZ ONAYLANMADI! LÜTFEN TEKRAR DENEYİNİZ!"),
                      QStringLiteral("UYARI"));
    m_text1->clear();
    m_text1->setFocus();
}

void LoginWindow::closeEvent(QCloseEvent* event)
{
    // The frame's close box ends the program like "KAPAT".
    event->ignore();
    Q_EMIT closeRequested();
}

void LoginWindow::reject()
{
    // Esc does not end the program; only "KAPAT" or the close box does.
}

} // namespace kalvora
