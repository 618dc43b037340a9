#include "reports/ui/list_report_window.h"

#include "widgets/list_model.h"

#include "reports/report_lists.h"

#include "widgets/accessibility.h"
#include "widgets/list_export_action.h"
#include "widgets/list_place.h"
#include "widgets/list_sorting.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace kalvora {

ListReportWindow::ListReportWindow(Store& store, const QString& dataFolder, QWidget* parent)
    : QDialog(parent), m_store(store), m_dataFolder(dataFolder)
{
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    m_list = new ReportList(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("Picture1"));

    auto* print = new PictureButton(QStringLiteral("MyButton1"), QStringLiteral("&DÖKÜM AL"),
                                    QStringLiteral("DÖKÜM AL"),
                                    QStringLiteral("AKTİF SAYFANIN DÖKÜMÜNÜ ALIR"), m_strip);
    print->setPicture(QStringLiteral("document-print"), QStyle::SP_DialogSaveButton);
    print->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* close = new PictureButton(QStringLiteral("MyButton7"), QStringLiteral("&KAPAT"),
                                    QStringLiteral("KAPAT"), QStringLiteral("FORMU KAPAT"), m_strip);
    close->setPicture(QStringLiteral("window-close"), QStyle::SP_DialogCloseButton);
    close->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* excel = new PictureButton(
        QStringLiteral("MyButton2"), QStringLiteral("&EXCEL'E AKTAR"), QStringLiteral("EXCEL'E AKTAR"),
        QStringLiteral("AKTİF SAYFAYI EXCEL YA DA CSV DOSYASINA AKTARIR"), m_strip);
    excel->setPicture(QStringLiteral("x-office-spreadsheet"), QStyle::SP_DialogSaveButton);
    excel->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(excel, &QToolButton::clicked, this, &ListReportWindow::exportFile);
    connect(print, &QToolButton::clicked, this, [this] { this->print(); });
    connect(close, &QToolButton::clicked, this, &QDialog::accept);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size());
    setWindowState(Qt::WindowMaximized);
}

QLabel* ListReportWindow::addTotal(const char* captionName, const QString& caption, const char* valueName,
                                   int left, int width)
{
    auto* label = new QLabel(caption, m_strip);
    label->setObjectName(QString::fromLatin1(captionName));
    label->setGeometry(twipsRect(left, 90, width, 285));
    auto* value = new QLabel(QStringLiteral("0,00"), m_strip);
    value->setObjectName(QString::fromLatin1(valueName));
    value->setGeometry(twipsRect(left, 390, width, 330));
    value->setStyleSheet(QStringLiteral("font-weight: bold; border: 1px solid gray; background: white;"));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    describeByCaption(label, value);
    return value;
}

void ListReportWindow::exportFile()
{
    exportList(this, m_list, m_exportKinds, m_exportName.isEmpty() ? windowTitle() : m_exportName);
}

void ListReportWindow::refreshForOtherDesks()
{
    const ListPlace place(m_list, m_identityColumns);
    fill();
    if (m_sortColumn >= 0)
        resortRows(m_list, m_sortColumn, m_sortKind, sortDescending(m_list));
    place.restore(m_list);
}

void ListReportWindow::sortBy(int column, SortKind kind)
{
    SutunSirala(m_list, column, kind);
    m_sortColumn = column;
    m_sortKind = kind;
}

void ListReportWindow::setListTop(int twipsTop)
{
    m_listTop = twipsTop;
}

void ListReportWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int stripHeight = twips(900);
    m_strip->setGeometry(0, height() - stripHeight, width(), stripHeight);
    auto* print = m_strip->findChild<PictureButton*>(QStringLiteral("MyButton1"));
    auto* close = m_strip->findChild<PictureButton*>(QStringLiteral("MyButton7"));
    close->setGeometry(width() - twips(2100), twips(120), twips(1980), twips(660));
    print->setGeometry(width() - twips(4200), twips(120), twips(1980), twips(660));
    if (auto* excel = m_strip->findChild<PictureButton*>(QStringLiteral("MyButton2")))
        excel->setGeometry(width() - twips(6570), twips(120), twips(2310), twips(660));
    // The list follows the window; a size that cannot be applied leaves it as it was.
    const int w = width() - twips(120);
    const int h = height() - stripHeight - twips(m_listTop) - twips(60);
    if (w > 0 && h > 0)
        m_list->setGeometry(twips(60), twips(m_listTop), w, h);
}

} // namespace kalvora
