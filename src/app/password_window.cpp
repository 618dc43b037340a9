#include "app/password_window.h"

#include "widgets/accessibility.h"
#include "widgets/digit_key_filter.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/twips.h"
#include "data/data_folder.h"
#include "data/password_file.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace kalvora {

PasswordWindow::PasswordWindow(const QString& dataFolder, QWidget* parent)
    : QDialog(parent), m_dataFolder(dataFolder)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("YENİ ŞİFRE BELİRLE"));
    setFixedSize(twips(5400), twips(2700));

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(QIcon::fromTheme(QStringLiteral("dialog-password"),
                                       style()->standardIcon(QStyle::SP_MessageBoxWarning))
                          .pixmap(48, 48));
    image1->setGeometry(twipsRect(120, 240, 900, 900));

    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(twipsRect(1080, 120, 4200, 1260));
    auto* label = new QLabel(QStringLiteral("YENİ ŞİFREYİ GİRİNİZ"), frame1);
    label->setObjectName(QStringLiteral("Label1111"));
    label->setGeometry(twipsRect(120, 180, 3960, 300));
    m_text1 = new QLineEdit(frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(twipsRect(120, 600, 3960, 375));
    DigitKeyFilter::install(m_text1);
    nameByCaption(label, m_text1);

    auto* ok =
        new PictureButton(QStringLiteral("MyButton6"), QStringLiteral("&ONAYLA"), QStringLiteral("ONAYLA"),
                          QStringLiteral("YENİ ŞİFRENİZİ ONAYLAR. ARTIK YENİ ŞİFRENİZLE PROGRAMA GİRİŞ "
                                         "YAPARSINIZ"),
                          this);
    ok->setPicture(QStringLiteral("dialog-ok"), QStyle::SP_DialogOkButton);
    ok->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ok->setGeometry(twipsRect(1080, 1560, 2040, 700));
    connect(ok, &QToolButton::clicked, this, &PasswordWindow::confirm);

    auto* cancel =
        new PictureButton(QStringLiteral("MyButton1"), QStringLiteral("&VAZGEÇ"), QStringLiteral("VAZGEÇ"),
                          QStringLiteral("YENİ ŞİFRENİZİ ONAYLAMAZ"), this);
    cancel->setPicture(QStringLiteral("dialog-cancel"), QStyle::SP_DialogCancelButton);
    cancel->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cancel->setGeometry(twipsRect(3240, 1560, 2040, 700));
    connect(cancel, &QToolButton::clicked, this, &QDialog::reject);

    setTabOrder(m_text1, ok);
    setTabOrder(ok, cancel);
    m_text1->setFocus();
}

void PasswordWindow::confirm()
{
    const QString text = m_text1->text();
    if (!MessageBox::question(this,
                              text + QStringLiteral("  YENİ ŞİFRENİZ OLACAK! PROGRAMI ARTIK YENİ ŞİFRENİZLE "
                                                    "AÇACAKSINIZ. YENİ ŞİFREYİ ONAYLIYOR MUSUNUZ?"),
                              QStringLiteral("DİKKAT!")))
        return;
    QString error;
    if (!PasswordFile::write(QDir(m_dataFolder).filePath(QString::fromLatin1(files::password)), text,
                             &error)) {
        MessageBox::error(this, error);
        return;
    }
    accept();
}

} // namespace kalvora
