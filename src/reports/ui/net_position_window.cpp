#include "reports/ui/net_position_window.h"

#include "data/db_error.h"
#include "reports/report_lists.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/twips.h"

#include <QGroupBox>
#include <QLabel>

namespace kalvora {

NetPositionWindow::NetPositionWindow(Store& store, QWidget* parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("Form16"));
    setWindowTitle(QStringLiteral("NET DURUMLAR"));
    setFixedSize(twips(5400), twips(6600));
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(twipsRect(120, 60, 5160, 5400));

    struct Block {
        const char* heading;
        const char* headingText;
        const char* captions[3];
        const char* values[3];
    };
    const Block blocks[3] = {
        {"Label22", "TÜRK LİRASI NET DURUMU", {"Label2", "Label3", "Label4"}, {"al1", "ode1", "kal1"}},
        {"Label5", "DOLAR NET DURUMU", {"Label7", "Label8", "Label9"}, {"al2", "ode2", "kal2"}},
        {"Label10", "EURO NET DURUMU", {"Label12", "Label13", "Label14"}, {"al3", "ode3", "kal3"}},
    };
    const char* rowTitles[3] = {"ÇIKIŞLAR:", "GİRİŞLER:", "NET DURUM:"};
    int top = 180;
    for (int b = 0; b < 3; ++b) {
        auto* heading = new QLabel(QString::fromUtf8(blocks[b].headingText), frame);
        heading->setObjectName(QString::fromLatin1(blocks[b].heading));
        heading->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
        heading->setGeometry(twipsRect(240, top, 4680, 300));
        top += 360;
        QLabel** targets[3] = {&m_given[b], &m_received[b], &m_net[b]};
        for (int r = 0; r < 3; ++r) {
            auto* caption = new QLabel(QString::fromUtf8(rowTitles[r]), frame);
            caption->setObjectName(QString::fromLatin1(blocks[b].captions[r]));
            caption->setGeometry(twipsRect(480, top, 1800, 285));
            auto* value = new QLabel(QStringLiteral("0,00"), frame);
            value->setObjectName(QString::fromLatin1(blocks[b].values[r]));
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setGeometry(twipsRect(2400, top, 2400, 285));
            value->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
            value->setFocusPolicy(Qt::StrongFocus);
            caption->setBuddy(value);
            describeValueLabel(value, QString::fromUtf8(blocks[b].headingText) + QLatin1Char(' ') +
                                          QString::fromUtf8(rowTitles[r]));
            *targets[r] = value;
            top += 330;
        }
        top += 180;
    }
    auto* close = new PictureButton(QStringLiteral("MyButton7"), QStringLiteral("&KAPAT"),
                                    QStringLiteral("KAPAT"), QStringLiteral("MENÜDEN ÇIKIŞ"), this);
    close->setPicture(QStringLiteral("window-close"), QStyle::SP_DialogCloseButton);
    close->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    close->setGeometry(twipsRect(3240, 5640, 2040, 700));
    connect(close, &QToolButton::clicked, this, &QDialog::accept);
    NETDURUM();
}

void NetPositionWindow::NETDURUM()
{
    NetPosition p;
    if (!showingDbError(this, [&] { p = computeNetPosition(m_store); }))
        return;
    for (int c = 0; c < 3; ++c) {
        m_given[c]->setText(p.given[c]);
        m_received[c]->setText(p.received[c]);
        m_net[c]->setText(p.net[c]);
    }
}

} // namespace kalvora
