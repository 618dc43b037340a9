#pragma once

#include <QDialog>

namespace kalvora {

// Form77: the maker's home page and price page, opened in the web browser.
class ContactWindow final : public QDialog {
    Q_OBJECT
public:
    explicit ContactWindow(QWidget* parent = nullptr);

    static QString homePage() { return QStringLiteral("https://www.orventa.com.tr"); }
    static QString pricePage() { return homePage() + QStringLiteral("/fiyatlar.htm"); }
};

} // namespace kalvora
