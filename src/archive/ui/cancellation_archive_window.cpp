#include "archive/ui/cancellation_archive_window.h"

#include "data/db_error.h"
#include "widgets/accessibility.h"
#include "widgets/list_place.h"
#include "widgets/list_sorting.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace kalvora {

namespace {

enum Column { ColDate, ColAction, ColName, ColText, ColAmount, ColCurrency, ColUser };

PictureButton* button(const char* name, const char* caption, const char* tipTitle, const char* tipText,
                      const char* icon, QStyle::StandardPixmap fallback, QWidget* parent)
{
    PictureButton* b = makePictureButton({name, caption, tipTitle, tipText, icon, fallback}, parent);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

SortKind sortKind(int column)
{
    return column == ColDate ? SortKind::Date : column == ColAmount ? SortKind::Number : SortKind::Text;
}

} // namespace

CancellationArchiveWindow::CancellationArchiveWindow(Store& store, QWidget* parent)
    : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("IptalArsivi"));
    setWindowTitle(QStringLiteral("İPTAL ARŞİVİ"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);

    m_top = new QWidget(this);
    m_top->setObjectName(QStringLiteral("Picture1"));
    auto* caption = new QLabel(QStringLiteral("SÜZGEÇ:"), m_top);
    caption->setObjectName(QStringLiteral("Label1"));
    caption->setGeometry(twipsRect(60, 150, 900, 285));
    m_filter = new QLineEdit(m_top);
    m_filter->setObjectName(QStringLiteral("Text1"));
    m_filter->setGeometry(twipsRect(960, 90, 3600, 375));
    nameByCaption(caption, m_filter);
    PictureButton* search = button("MyButton1", "ARA/BUL", "ARA/BUL", "TÜM BİLGİLERE GÖRE ARAMA YAPAR",
                                   "edit-find", QStyle::SP_FileDialogContentsView, m_top);
    search->setIconSize(QSize(16, 16));
    search->setGeometry(twipsRect(4620, 90, 1185, 375));

    m_list = new ReportList(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setAccessibleName(windowTitle());
    m_list->setColumns({QStringLiteral("TARİH"), QStringLiteral("İŞLEM"), QStringLiteral("ADI SOYADI"),
                        QStringLiteral("AÇIKLAMA"), QStringLiteral("TUTAR"), QStringLiteral("PARA CİNSİ"),
                        QStringLiteral("KULLANICI")});
    m_list->setColumnAlignment(ColAmount, Qt::AlignRight | Qt::AlignVCenter);

    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("Picture2"));
    PictureButton* restore = button("MyButton2", "GERİ AL", "GERİ AL", "SEÇİLEN KAYDI GERİ GETİRİR",
                                    "edit-undo", QStyle::SP_ArrowBack, m_strip);
    PictureButton* close = button("MyButton3", "KAPAT", "KAPAT", "FORMU KAPAT", "window-close",
                                  QStyle::SP_DialogCloseButton, m_strip);

    connect(m_filter, &QLineEdit::returnPressed, this, &CancellationArchiveWindow::fill);
    connect(search, &QToolButton::clicked, this, &CancellationArchiveWindow::fill);
    connect(restore, &QToolButton::clicked, this, &CancellationArchiveWindow::restoreSelected);
    connect(close, &QToolButton::clicked, this, &QDialog::accept);
    connect(m_list, &ReportList::headerClicked, this, &CancellationArchiveWindow::headerClicked);
    setTabOrder(m_filter, search);
    setTabOrder(search, m_list);
    setTabOrder(m_list, restore);
    setTabOrder(restore, close);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size());
    setWindowState(Qt::WindowMaximized);
    fill();
}

void CancellationArchiveWindow::fill()
{
    showMatching(m_filter->text());
    if (m_list->rowCount() > 0)
        m_list->setCurrentRow(0);
}

void CancellationArchiveWindow::refreshForOtherDesks()
{
    const ListPlace place(m_list);
    showMatching(m_shownFilter);
    if (m_sortColumn >= 0)
        resortRows(m_list, m_sortColumn, sortKind(m_sortColumn), sortDescending(m_list));
    place.restore(m_list);
}

void CancellationArchiveWindow::showMatching(const QString& filter)
{
    m_shownFilter = filter;
    m_list->clear();
    m_items.clear();
    try {
        const QList<ArchiveItem> all = CancellationArchive(m_store).items();
        for (const ArchiveItem& item : all)
            if (CancellationArchive::matches(item, filter))
                m_items.append(item);
    } catch (const DbError& e) {
        MessageBox::error(this, e.turkishText());
    }
    QList<QStringList> rows;
    QList<QVariant> keys;
    for (const ArchiveItem& item : m_items) {
        rows.append(item.columnTexts());
        keys.append(item.key);
    }
    m_list->setRows(rows, keys);
    SutunlariSigdir(m_list);
}

void CancellationArchiveWindow::restoreSelected()
{
    const int row = m_list->currentRow();
    if (row < 0) {
        MessageBox::information(this, QStringLiteral("GERİ ALINACAK KAYIT YOK."));
        return;
    }
    const qint64 key = m_list->hiddenValue(row).toLongLong();
    if (!MessageBox::question(this, QStringLiteral("SEÇİLEN KAYIT GERİ ALINSIN MI?")))
        return;
    Q_EMIT restoreRequested(key);
}

void CancellationArchiveWindow::restoreFailed(const QString& text)
{
    MessageBox::error(this, text + QStringLiteral("\n\nKAYIT GERİ ALINMADI; HİÇBİR KAYIT DEĞİŞMEDİ."));
}

void CancellationArchiveWindow::restoreDone(const CancellationArchive::Restore& outcome)
{
    switch (outcome.result) {
    case CancellationArchive::RestoreResult::Restored:
        Q_EMIT restored(outcome.personKey);
        fill();
        MessageBox::information(this, QStringLiteral("KAYIT GERİ ALINDI."));
        break;
    case CancellationArchive::RestoreResult::PersonGone:
        MessageBox::error(this, QStringLiteral("KİŞİ ARTIK KAYITLI DEĞİL. ÖNCE KİŞİYİ GERİ ALIN."));
        break;
    case CancellationArchive::RestoreResult::RowGone:
        MessageBox::error(this, QStringLiteral("İŞLEM ARTIK KAYITLI DEĞİL. ÖNCE İŞLEMİ GERİ ALIN."));
        break;
    case CancellationArchive::RestoreResult::PersonExists:
        MessageBox::error(
            this, QStringLiteral("BU KİŞİNİN NUMARASI BAŞKA BİR KİŞİDE KAYITLI. KİŞİ GERİ ALINAMAZ."));
        break;
    case CancellationArchive::RestoreResult::NotFound:
        fill(); // restored or removed elsewhere meanwhile
        MessageBox::information(this, QStringLiteral("SEÇİLEN KAYIT ARŞİVDE ARTIK YOK."));
        break;
    }
}

void CancellationArchiveWindow::headerClicked(int column)
{
    SutunSirala(m_list, column, sortKind(column));
    m_sortColumn = column;
}

void CancellationArchiveWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int topHeight = twips(555);
    const int stripHeight = twips(900);
    m_top->setGeometry(0, 0, width(), topHeight);
    m_strip->setGeometry(0, height() - stripHeight, width(), stripHeight);
    auto* restore = m_strip->findChild<PictureButton*>(QStringLiteral("MyButton2"));
    auto* close = m_strip->findChild<PictureButton*>(QStringLiteral("MyButton3"));
    close->setGeometry(width() - twips(2100), twips(120), twips(1980), twips(660));
    restore->setGeometry(width() - twips(4200), twips(120), twips(1980), twips(660));
    // The list follows the window; a size that cannot be applied leaves it as it was.
    const int w = width() - twips(120);
    const int h = height() - stripHeight - topHeight - twips(60);
    if (w > 0 && h > 0)
        m_list->setGeometry(twips(60), topHeight, w, h);
}

} // namespace kalvora
