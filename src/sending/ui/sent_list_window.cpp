#include "sending/ui/sent_list_window.h"

#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/list_export_action.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>

namespace kalvora {

SentListWindow::SentListWindow(Store& store, QWidget* parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("Gonderilenler"));
    setWindowTitle(QStringLiteral("GÖNDERİLENLER"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    auto* grid = new QGridLayout(this);
    auto* filterCaption = new QLabel(QStringLiteral("ARA:"), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("Text1"));
    m_filter->setPlaceholderText(QStringLiteral("KİŞİ, YOL, ALICI YA DA HATA"));
    nameByCaption(filterCaption, m_filter);
    m_failed = new QCheckBox(QStringLiteral("YALNIZ BAŞARISIZ OLANLAR"), this);
    m_failed->setObjectName(QStringLiteral("Check1"));
    grid->addWidget(filterCaption, 0, 0);
    grid->addWidget(m_filter, 0, 1);
    grid->addWidget(m_failed, 0, 2);
    m_list = new ReportList(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setAccessibleName(windowTitle());
    // The outcome stands beside the person, so a failure is seen without scrolling.
    m_list->setColumns({QStringLiteral("TARİH"), QStringLiteral("SAAT"), QStringLiteral("ADI SOYADI"),
                        QStringLiteral("SONUÇ"), QStringLiteral("YOL"), QStringLiteral("ALICI"),
                        QStringLiteral("BELGE"), QStringLiteral("DÖNEM"), QStringLiteral("BAKİYELER"),
                        QStringLiteral("HATA"), QStringLiteral("KULLANICI"), QStringLiteral("DOSYA")});
    grid->addWidget(m_list, 1, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    PictureButton* exportButton = makePictureButton({"MyButton1", "&EXCEL'E AKTAR", "EXCEL'E AKTAR",
                                                     "LİSTEYİ EXCEL YA DA CSV DOSYASINA AKTARIR",
                                                     "x-office-spreadsheet", QStyle::SP_DialogSaveButton},
                                                    this);
    PictureButton* close = makePictureButton(
        {"MyButton2", "&KAPAT", "KAPAT", "FORMU KAPATIR", "window-close", QStyle::SP_DialogCloseButton},
        this);
    for (PictureButton* b : {exportButton, close}) {
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    connect(exportButton, &QToolButton::clicked, this, [this] {
        exportList(this, m_list,
                   {ExportKind::Date, ExportKind::Text, ExportKind::Text, ExportKind::Text, ExportKind::Text,
                    ExportKind::Text, ExportKind::Text, ExportKind::Text, ExportKind::Text, ExportKind::Text,
                    ExportKind::Text, ExportKind::Text},
                   windowTitle());
    });
    connect(close, &QToolButton::clicked, this, &QDialog::accept);
    connect(m_filter, &QLineEdit::textChanged, this, &SentListWindow::reload);
    connect(m_failed, &QCheckBox::toggled, this, &SentListWindow::reload);
    resize(1100, 560);
    reload();
}

void SentListWindow::setFilter(const QString& text)
{
    m_filter->setText(text);
}

void SentListWindow::setOnlyFailed(bool on)
{
    m_failed->setChecked(on);
}

void SentListWindow::reload()
{
    if (!showingDbError(this,
                        [&] { m_items = SentRecord(m_store).list(m_filter->text(), m_failed->isChecked()); }))
        m_items.clear();
    QList<QStringList> rows;
    rows.reserve(m_items.size());
    for (const SentItem& it : std::as_const(m_items))
        rows.append({it.date, it.time, it.personName,
                     it.succeeded ? QStringLiteral("GÖNDERİLDİ") : QStringLiteral("GÖNDERİLEMEDİ"), it.way,
                     it.recipient, it.document, it.period, it.balances, it.error, it.user, it.file});
    m_list->setRows(rows);
    for (int r = 0; r < m_items.size(); ++r) {
        if (!m_items.at(r).succeeded)
            m_list->listModel()->setRowBold(r, true);
    }
    m_list->header()->resizeSections(QHeaderView::ResizeToContents);
}

} // namespace kalvora
