#include "accounts/ui/overdue_window.h"

#include "data/clock.h"
#include "data/turkish_text.h"
#include "widgets/db_error_message.h"
#include "widgets/list_sorting.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace kalvora {

namespace {

// The day "BUGÜN GÖSTERME" was chosen, one date text; each desk keeps its own in its data folder.
QString hiddenFile(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("vade_uyarisi.txt"));
}

} // namespace

const QList<OverdueColumn>& overdueColumns()
{
    static const QList<OverdueColumn> columns{
        {QStringLiteral("ADI SOYADI"), SortKind::Text, false, [](const OverdueEntry& e) { return e.name; }},
        {QStringLiteral("PARA CİNSİ"), SortKind::Text, false,
         [](const OverdueEntry& e) { return currencyText(e.currency); }},
        {QStringLiteral("AÇIK TUTAR"), SortKind::Number, true,
         [](const OverdueEntry& e) { return centsText(e.open); }},
        {QStringLiteral("VADE"), SortKind::Date, true,
         [](const OverdueEntry& e) { return e.due.isValid() ? dateText(e.due) : QString(); }},
        {QStringLiteral("GECİKME (GÜN)"), SortKind::Number, true,
         [](const OverdueEntry& e) {
             return e.daysLate < 0 ? QStringLiteral("?") : QString::number(e.daysLate);
         }},
        {QStringLiteral("SON HATIRLATMA"), SortKind::Date, true,
         [](const OverdueEntry& e) {
             return e.lastReminder.isValid() ? dateText(e.lastReminder.date()) : QString();
         }},
    };
    return columns;
}

OverdueWindow::OverdueWindow(Store& store, const QString& dataFolder, QWidget* parent)
    : QDialog(parent), m_store(store), m_dataFolder(dataFolder)
{
    setObjectName(QStringLiteral("FormVade"));
    setWindowTitle(QStringLiteral("VADESİ GEÇENLER"));
    resize(twips(10200), twips(6000));
    m_list = new ReportList(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setAccessibleName(windowTitle());
    QStringList headers;
    for (const OverdueColumn& c : overdueColumns())
        headers << c.header;
    m_list->setColumns(headers);
    for (int i = 0; i < overdueColumns().size(); ++i)
        if (overdueColumns().at(i).right)
            m_list->setColumnAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
    connect(m_list, &ReportList::headerClicked, this,
            [this](int column) { SutunSirala(m_list, column, overdueColumns().at(column).kind); });
    connect(m_list, &ReportList::rowActivated, this, [this](int row) {
        const QVariant key = m_list->hiddenValue(row);
        if (key.isValid())
            Q_EMIT cardRequested(key.toString());
    });

    m_notToday = new QCheckBox(QStringLiteral("BUGÜN GÖSTERME"), this);
    m_notToday->setObjectName(QStringLiteral("Check1"));
    m_notToday->setChecked(hiddenToday(dataFolder));
    connect(m_notToday, &QCheckBox::toggled, this, &OverdueWindow::notTodayToggled);
    auto* close = new PictureButton(QStringLiteral("MyButton7"), QStringLiteral("&KAPAT"),
                                    QStringLiteral("KAPAT"), QStringLiteral("FORMU KAPAT"), this);
    close->setPicture(QStringLiteral("window-close"), QStyle::SP_DialogCloseButton);
    close->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(close, &QToolButton::clicked, this, &QDialog::accept);
    auto place = [this, close] {
        const int strip = twips(720);
        m_list->setGeometry(twips(60), twips(60), width() - twips(120), height() - strip - twips(120));
        m_notToday->setGeometry(twips(120), height() - strip + twips(120), twips(3000), twips(400));
        close->setGeometry(width() - twips(2100), height() - strip + twips(60), twips(1980), twips(560));
    };
    place();
    m_placeChildren = place;
    setTabOrder(m_list, m_notToday);
    setTabOrder(m_notToday, close);
    reload();
}

void OverdueWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_placeChildren)
        m_placeChildren();
}

bool OverdueWindow::reload()
{
    QList<OverdueEntry> read;
    if (!showingDbError(this, [&] { read = OpenBook(m_store).overdue(Clock::today()); }))
        return false;
    m_entries = std::move(read);
    showEntries();
    return true;
}

void OverdueWindow::setLastReminders(QHash<QString, QDateTime> sent)
{
    m_lastReminders = std::move(sent);
    showEntries();
}

void OverdueWindow::showEntries()
{
    const QVariant chosen = m_list->hiddenValue(m_list->currentRow());
    // Straight into the list's table: a long list costs no text list per row.
    TextTable rows;
    rows.reserve(m_entries.size(), m_entries.size() * 48);
    for (OverdueEntry& e : m_entries) {
        e.lastReminder = m_lastReminders.value(e.personKey);
        rows.beginRow();
        for (const OverdueColumn& c : overdueColumns())
            rows.add(c.text(e));
        rows.endRow(e.personKey);
    }
    m_list->setRows(std::move(rows));
    SutunlariSigdir(m_list);
    const int row = chosen.isValid() ? m_list->listModel()->rowOfHidden(chosen) : -1;
    m_list->setCurrentRow(row >= 0 ? row : (m_list->rowCount() > 0 ? 0 : -1));
}

bool OverdueWindow::hiddenToday(const QString& dataFolder)
{
    QFile f(hiddenFile(dataFolder));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return readDateText(QString::fromUtf8(f.readLine(64)).trimmed()) == Clock::today();
}

void OverdueWindow::notTodayToggled(bool on)
{
    setHiddenToday(m_dataFolder, on);
}

void OverdueWindow::setHiddenToday(const QString& dataFolder, bool on)
{
    if (!on) {
        QFile::remove(hiddenFile(dataFolder));
        return;
    }
    QSaveFile f(hiddenFile(dataFolder));
    if (f.open(QIODevice::WriteOnly) && f.write(dateText(Clock::today()).toUtf8() + '\n') > 0)
        f.commit();
}

} // namespace kalvora
