#include "accounts/ui/detail_window.h"

#include "widgets/accessibility.h"
#include "widgets/twips.h"

#include <QLabel>

namespace kalvora {

QString accountWindowStyle(const QString& objectName)
{
    return QStringLiteral("#%1 { background-color: rgb(128, 128, 255); }").arg(objectName);
}

DetailWindow::DetailWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(QStringLiteral("DETAYLI PARA DURUMU"));
    setStyleSheet(accountWindowStyle(objectName()));
    setFixedSize(twips(6900), twips(4200));

    m_name = new QLabel(QStringLiteral("CARİ BİLGİSİ"), this);
    m_name->setObjectName(QStringLiteral("kart_adi"));
    m_name->setGeometry(twipsRect(120, 120, 6660, 360));
    m_name->setAlignment(Qt::AlignCenter);
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    describeValueLabel(m_name, QStringLiteral("CARİ BİLGİSİ"));

    const char* headings[3] = {"TÜRK LİRASI PARA DURUMU", "DOLAR PARA DURUMU", "EURO PARA DURUMU"};
    const char* captions[3] = {"ALDIKLARI:", "ÖDENEN:", "KALAN:"};
    const char* prefixes[3] = {"al", "ode", "kal"};
    QLabel** values[3] = {m_lent, m_paidBack, m_remaining};
    for (int g = 0; g < 3; ++g) {
        const int top = 600 + g * 1200;
        auto* heading = new QLabel(QString::fromUtf8(headings[g]), this);
        heading->setObjectName(QStringLiteral("Baslik%1").arg(g + 1));
        heading->setGeometry(twipsRect(120, top, 6660, 300));
        heading->setFont(bold);
        for (int k = 0; k < 3; ++k) {
            const int left = 120 + k * 2220;
            auto* caption = new QLabel(QString::fromUtf8(captions[k]), this);
            caption->setObjectName(QStringLiteral("Etiket%1%2").arg(g + 1).arg(k + 1));
            caption->setGeometry(twipsRect(left, top + 330, 2100, 270));
            auto* value = new QLabel(QStringLiteral("0,00"), this);
            value->setObjectName(QString::fromLatin1(prefixes[k]) + QString::number(g + 1));
            value->setGeometry(twipsRect(left, top + 600, 2100, 300));
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setFrameShape(QFrame::Panel);
            value->setFrameShadow(QFrame::Sunken);
            caption->setBuddy(value);
            describeValueLabel(value, QString::fromUtf8(headings[g]) + QLatin1Char(' ') + caption->text());
            values[k][g] = value;
        }
    }
}

void DetailWindow::setFigures(const AccountFigures& figures, const QString& name)
{
    for (Currency c : allCurrencies) {
        const auto i = static_cast<size_t>(c);
        m_lent[i]->setText(figures.lentText(c));
        m_paidBack[i]->setText(figures.paidBackText(c));
        m_remaining[i]->setText(figures.balanceText(c));
    }
    m_name->setText(name);
}

} // namespace kalvora
