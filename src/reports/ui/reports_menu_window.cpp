#include "reports/ui/reports_menu_window.h"

#include "reports/ui/aging_window.h"
#include "reports/ui/balance_list_window.h"
#include "reports/ui/chart_view.h"
#include "reports/ui/charts_window.h"
#include "reports/ui/money_list_window.h"
#include "reports/ui/net_position_window.h"
#include "widgets/picture_button.h"
#include "widgets/twips.h"

#include <QGroupBox>

namespace kalvora {

ReportsMenuWindow::ReportsMenuWindow(Store& store, const QString& dataFolder, QWidget* parent)
    : QDialog(parent), m_store(store), m_dataFolder(dataFolder)
{
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("RAPORLAMA MENÜSÜ"));
    setFixedSize(twips(4620), twips(8220));
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(twipsRect(120, 60, 4380, 8040));

    const ButtonInfo defs[] = {
        {"MyButton1", "VERDİĞİM PARALAR", "VERDİKLERİM", "BÜTÜN KİŞİLERE VERİLEN PARALARIN LİSTESİ", "go-up",
         QStyle::SP_ArrowUp},
        {"MyButton2", "ALDIĞIM PARALAR", "ALDIKLARIM",
         "BÜTÜN KİŞİLERİN ÖDEDİKLERİ PARALAR SİZE ÖDENEN PARALAR VE LİSTESİ", "go-down",
         QStyle::SP_ArrowDown},
        {"MyButton3", "NET DURUM", "NET DURUMUNUZ", "NET DURUMUNUZU GÖSTERİR", "view-statistics",
         QStyle::SP_FileDialogInfoView},
        {"MyButton4", "BÜTÜN BORÇLULAR", "BORÇLULAR",
         "SİZE NET BORCU OLAN KİŞİLERİ VE TOPLAM TUTARINI GÖREBİLİRSİNİZ", "go-next", QStyle::SP_ArrowRight},
        {"MyButton5", "BÜTÜN ALACAKLILAR", "ALACAKLILARIN LİSTESİ",
         "KİŞİLERE OLAN NET BORCUNUZU VE TOPLAM BORCUNUZU GÖREBİLİRSİNİZ", "go-previous",
         QStyle::SP_ArrowLeft},
        {"MyButton6", "GRAFİKLER", "GRAFİKLER",
         "NET DURUMU, BORÇLULARI, ALACAKLILARI, VERİLEN VE ALINAN PARALARI, "
         "GELİR VE GİDERİ GRAFİK OLARAK GÖSTERİR",
         "office-chart-bar", QStyle::SP_FileDialogListView},
        {"MyButton8", "YAŞLANDIRMA", "YAŞLANDIRMA",
         "AÇIK BORÇLARI KİŞİ VE PARA CİNSİNE GÖRE GECİKME SÜRELERİYLE GÖSTERİR", "appointment-soon",
         QStyle::SP_FileDialogContentsView},
        {"MyButton7", "&KAPAT", "KAPAT", "RAPORLAMA MENÜSÜNDEN ÇIKIŞ", "window-close",
         QStyle::SP_DialogCloseButton},
    };
    int top = 240;
    QWidget* previous = nullptr;
    for (const ButtonInfo& d : defs) {
        PictureButton* b = makePictureButton(d, frame);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setGeometry(twipsRect(240, top, 3900, 840));
        top += 960;
        if (previous)
            setTabOrder(previous, b);
        previous = b;
    }
    auto button = [this](const char* name) { return findChild<PictureButton*>(QString::fromLatin1(name)); };
    connect(button("MyButton1"), &QToolButton::clicked, this, [this] {
        MoneyListWindow w(m_store, m_dataFolder, MoneyDirection::Given, this);
        openReport(w);
    });
    connect(button("MyButton2"), &QToolButton::clicked, this, [this] {
        MoneyListWindow w(m_store, m_dataFolder, MoneyDirection::Received, this);
        openReport(w);
    });
    connect(button("MyButton3"), &QToolButton::clicked, this, [this] {
        NetPositionWindow w(m_store, this);
        openReport(w);
    });
    connect(button("MyButton4"), &QToolButton::clicked, this, [this] {
        BalanceListWindow w(m_store, m_dataFolder, BalanceSide::Debtors, this);
        openReport(w);
    });
    connect(button("MyButton5"), &QToolButton::clicked, this, [this] {
        BalanceListWindow w(m_store, m_dataFolder, BalanceSide::Creditors, this);
        openReport(w);
    });
    connect(button("MyButton6"), &QToolButton::clicked, this, [this] {
        ChartsWindow w(m_store, this);
        connect(&w, &ChartsWindow::printRequested, &w, [&w](const Chart& c) { printChart(&w, c); });
        connect(this, &ReportsMenuWindow::ledgersChanged, &w, &ChartsWindow::refreshLedgers);
        openReport(w);
    });
    connect(button("MyButton8"), &QToolButton::clicked, this, [this] {
        AgingWindow w(m_store, m_dataFolder, this);
        openReport(w);
    });
    connect(button("MyButton7"), &QToolButton::clicked, this, &QDialog::accept);
}

template <typename Window> void ReportsMenuWindow::openReport(Window& window)
{
    // The connection ends with the window.
    connect(this, &ReportsMenuWindow::bookChanged, &window, &Window::refreshForOtherDesks);
    window.exec();
}

} // namespace kalvora
