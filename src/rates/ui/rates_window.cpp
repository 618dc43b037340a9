#include "rates/ui/rates_window.h"

#include "widgets/accessibility.h"
#include "widgets/twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QNetworkAccessManager>

namespace kalvora {

RatesWindow::RatesWindow(QWidget* parent, QNetworkAccessManager* network, std::chrono::milliseconds limit)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TCMB_KUR"));
    setWindowTitle(QStringLiteral("T.C.M.B KUR TABLOSU"));
    setFixedSize(twips(5400), twips(2820));

    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(twipsRect(120, 60, 5160, 2640));

    QFont rateFont = font();
    rateFont.setBold(true);
    rateFont.setPointSizeF(rateFont.pointSizeF() * 1.4);

    auto caption = [&](const char* name, const QString& text, int top) {
        auto* label = new QLabel(text, frame1);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(rateFont);
        label->setGeometry(twipsRect(240, top, 1560, 420));
        return label;
    };
    auto value = [&](const char* name, int top) {
        auto* label = new QLabel(QStringLiteral("0,00"), frame1);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(rateFont);
        // The text comes from the network: never let it pass as markup.
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setGeometry(twipsRect(1860, top, 3000, 420));
        return label;
    };
    QLabel* label2 = caption("Label2", QStringLiteral("1 DOLAR:"), 300);
    m_dolar = value("dolar", 300);
    QLabel* label3 = caption("Label3", QStringLiteral("1 EURO:"), 840);
    m_euro = value("euro", 840);
    describeByCaption(label2, m_dolar);
    describeByCaption(label3, m_euro);

    auto* label4 =
        new QLabel(QStringLiteral("Kurlar TCMB' dan alınmaktadır. Sistemde oluşabilecek aksaklıklardan "
                                  "yazılımcı firma sorumla tutulamaz."),
                   frame1);
    label4->setObjectName(QStringLiteral("Label4"));
    label4->setWordWrap(true);
    label4->setGeometry(twipsRect(240, 1500, 4680, 960));

    if (!network)
        network = new QNetworkAccessManager(this);
    m_inet1 = new RateFetcher(network, limit, this);
    m_inet1->setObjectName(QStringLiteral("Inet1"));
    connect(m_inet1, &RateFetcher::finished, this, &RatesWindow::showRates);
}

RatesWindow::~RatesWindow()
{
    // No answer may reach the labels while the children are being torn down.
    m_inet1->abort();
}

void RatesWindow::KURLARIAL()
{
    m_dolar->clear();
    m_euro->clear();
    setCursor(Qt::BusyCursor);
    m_inet1->start();
}

bool RatesWindow::isFetching() const
{
    return m_inet1->isRunning();
}

void RatesWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        KURLARIAL();
    }
}

void RatesWindow::showRates(const QString& dollar, const QString& euro)
{
    m_dolar->setText(dollar);
    m_euro->setText(euro);
    unsetCursor();
}

} // namespace kalvora
