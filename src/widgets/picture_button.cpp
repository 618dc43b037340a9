#include "widgets/picture_button.h"

namespace kalvora {

PictureButton::PictureButton(const QString& objectName, const QString& caption, const QString& tipTitle,
                             const QString& tipText, QWidget* parent)
    : QToolButton(parent), m_tipTitle(tipTitle), m_tipText(tipText)
{
    setObjectName(objectName);
    setText(caption);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setAutoRaise(false);
    setFocusPolicy(Qt::StrongFocus);
    setIconSize(QSize(32, 32));
    setToolTip(QStringLiteral("<b>%1</b><br>%2").arg(tipTitle.toHtmlEscaped(), tipText.toHtmlEscaped()));
    setAccessibleName(plainCaption(caption));
    setAccessibleDescription(tipText);
}

void PictureButton::setPicture(const QString& themeName, QStyle::StandardPixmap fallback)
{
    setIcon(QIcon::fromTheme(themeName, style()->standardIcon(fallback)));
}

PictureButton* makePictureButton(const ButtonInfo& info, QWidget* parent)
{
    auto* b = new PictureButton(QString::fromLatin1(info.name), QString::fromUtf8(info.caption),
                                QString::fromUtf8(info.tipTitle), QString::fromUtf8(info.tipText), parent);
    b->setPicture(QString::fromLatin1(info.icon), info.fallback);
    return b;
}

QString plainCaption(const QString& caption)
{
    QString out;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += caption.at(i);
    }
    return out;
}

} // namespace kalvora
