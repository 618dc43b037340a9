#include "app/contact_window.h"

#include "widgets/picture_button.h"
#include "widgets/twips.h"

#include <QDesktopServices>
#include <QLabel>
#include <QUrl>

namespace kalvora {

ContactWindow::ContactWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form77"));
    setWindowTitle(QString());
    setFixedSize(twips(6300), twips(3300));
    setStyleSheet(
        QStringLiteral("#Form77 { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #1f4e79, "
                       "stop:1 #3a7bbf); } #Form77 QLabel { color: white; }"));
    auto* heading = new QLabel(
        QStringLiteral("<b style='font-size:16pt'>ORVENTA</b><br>KALVORA CARİ HESAP TAKİBİ"), this);
    heading->setGeometry(twipsRect(240, 240, 5800, 1200));
    heading->setAlignment(Qt::AlignCenter);

    struct Def {
        const char* name;
        const char* caption;
        const char* title;
        const char* text;
        int left;
    };
    const Def defs[] = {{"MyButton1", "&Anasayfa", "ANASAYFA", "ORVENTA İNTERNET SİTESİ", 240},
                        {"MyButton3", "&Fiyatlar", "FİYATLAR", "TÜM PROGRAMLARIN FİYATLARINI ÖĞRENİN", 2220},
                        {"MyButton4", "&Kapat", "KAPAT", "BU PENCEREYİ KAPATIR", 4200}};
    for (const Def& d : defs) {
        auto* b = new PictureButton(QString::fromLatin1(d.name), QString::fromUtf8(d.caption),
                                    QString::fromUtf8(d.title), QString::fromUtf8(d.text), this);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setGeometry(twipsRect(d.left, 1800, 1860, 600));
    }
    connect(findChild<PictureButton*>(QStringLiteral("MyButton1")), &QToolButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(homePage())); });
    connect(findChild<PictureButton*>(QStringLiteral("MyButton3")), &QToolButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(pricePage())); });
    connect(findChild<PictureButton*>(QStringLiteral("MyButton4")), &QToolButton::clicked, this,
            &QDialog::accept);
}

} // namespace kalvora
