#pragma once

#include <QStyle>
#include <QToolButton>

namespace kalvora {

// A button with a picture above its caption ("&" marks the Alt key) and a two-part tooltip.
class PictureButton final : public QToolButton {
    Q_OBJECT
public:
    PictureButton(const QString& objectName, const QString& caption, const QString& tipTitle,
                  const QString& tipText, QWidget* parent = nullptr);

    // An icon from the system theme, or Qt's own standard icon when the theme has none.
    void setPicture(const QString& themeName, QStyle::StandardPixmap fallback);

    const QString& tipTitle() const { return m_tipTitle; }
    const QString& tipText() const { return m_tipText; }

private:
    QString m_tipTitle;
    QString m_tipText;
};

// A picture button as the window tables give it: name, caption, tooltip title and text, and the picture
// (a theme icon name with Qt's standard icon as fallback).
struct ButtonInfo {
    const char* name;
    const char* caption;
    const char* tipTitle;
    const char* tipText;
    const char* icon;
    QStyle::StandardPixmap fallback;
};

PictureButton* makePictureButton(const ButtonInfo& info, QWidget* parent);

// The caption without its "&" access-key marks ("&&" stays one "&").
QString plainCaption(const QString& caption);

} // namespace kalvora
