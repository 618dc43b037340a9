#pragma once

#include "accounts/account.h"

#include <QDialog>

class QLabel;

namespace kalvora {

// Form19: lent, paid back and remaining per currency for the card's person. The card fills it on every
// full load, whether it is shown or not.
class DetailWindow final : public QDialog {
    Q_OBJECT
public:
    explicit DetailWindow(QWidget* parent = nullptr);

    void setFigures(const AccountFigures& figures, const QString& name);

private:
    QLabel* m_lent[3] = {};
    QLabel* m_paidBack[3] = {};
    QLabel* m_remaining[3] = {};
    QLabel* m_name = nullptr;
};

// The background colour of the card and its detail window.
QString accountWindowStyle(const QString& objectName);

} // namespace kalvora
