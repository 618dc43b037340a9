#include "ui/backup_window.h"

#include "folder_setting.h"
#include "server_dump.h"

#include "data/turkish_text.h"
#include "widgets/accessibility.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

namespace kalvora::backup {

namespace {

enum Column { ColDate, ColKind, ColSize, ColPeople, ColTransactions, ColState, ColFolder };

QString dateTimeText(const QDateTime& t)
{
    const QDateTime local = t.toLocalTime();
    return dateText(local.date()) + QLatin1Char(' ') + timeText(local.time());
}

QString countText(qint64 n)
{
    return n < 0 ? QString() : QString::number(n);
}

const QString sound = QStringLiteral("SAĞLAM");
const QString damaged = QStringLiteral("BOZUK");

} // namespace

BackupWindow::BackupWindow(const QString& dataFolder, const QString& key, const QString& settingsFile,
                           QWidget* parent)
    : QDialog(parent), m_dataFolder(dataFolder), m_key(key), m_settingsFile(settingsFile)
{
    setObjectName(QStringLiteral("FormYedek"));
    setWindowTitle(QStringLiteral("KALVORA YEDEKLEME ÜNİTESİ"));
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    m_chooser = [](QWidget* parent, const QString& current) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("YEDEK KLASÖRÜNÜ SEÇİNİZ"), current);
    };

    auto* layout = new QVBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Picture1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setStyleSheet(QStringLiteral("#Picture1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                        "stop:0 #dde8f4, stop:1 #b9cde4); }"));
    auto* buttons = new QHBoxLayout(panel);
    const ButtonInfo defs[] = {
        {"MyButton1", "YEDEK &AL", "YEDEK AL", "VERİLERİNİZİN GÜVENLİ BİR KOPYASINI SEÇİLEN KLASÖRE ALIR",
         "document-save", QStyle::SP_DialogSaveButton},
        {"MyButton2", "&DOĞRULA", "DOĞRULA",
         "SEÇİLEN YEDEĞİN DOSYALARINI AÇIP DENETLER (SEÇİM YOKSA TÜM YEDEKLERİ)", "dialog-ok",
         QStyle::SP_DialogApplyButton},
        {"MyButton3", "&GERİ YÜKLE", "GERİ YÜKLE",
         "SEÇİLEN YEDEĞİ GERİ YÜKLER. ŞU ANKİ VERİLERİNİZ ÖNCE AYRI BİR YEDEĞE KAYDEDİLİR", "document-revert",
         QStyle::SP_BrowserReload},
        {"MyButton4", "&KLASÖR SEÇ", "YEDEK KLASÖRÜ", "YEDEKLERİN SAKLANACAĞI KLASÖRÜ SEÇMENİZİ SAĞLAR",
         "folder-open", QStyle::SP_DirOpenIcon},
        {"MyButton5", "İP&TAL", "İPTAL", "SÜREN İŞLEMİ DURDURUR", "process-stop", QStyle::SP_BrowserStop},
        {"MyButton6", "&ÇIKIŞ", "ÇIKIŞ", "YEDEKLEME ÜNİTESİNİ KAPATIR", "application-exit",
         QStyle::SP_DialogCloseButton},
    };
    for (const ButtonInfo& d : defs) {
        PictureButton* b = makePictureButton(d, panel);
        b->setFixedSize(twips(1965), twips(885));
        buttons->addWidget(b);
        if (b->objectName() == QLatin1String("MyButton5"))
            m_cancelButton = b;
        else
            m_actions.append(b);
    }
    buttons->addStretch(1);
    layout->addWidget(panel);
    m_cancelButton->setEnabled(false);
    auto button = [panel](const char* name) {
        return panel->findChild<PictureButton*>(QString::fromLatin1(name));
    };
    connect(button("MyButton1"), &QToolButton::clicked, this, &BackupWindow::takeBackup);
    connect(button("MyButton2"), &QToolButton::clicked, this, &BackupWindow::verifySelected);
    connect(button("MyButton3"), &QToolButton::clicked, this, &BackupWindow::restoreSelected);
    connect(button("MyButton4"), &QToolButton::clicked, this, &BackupWindow::chooseFolder);
    connect(m_cancelButton, &QToolButton::clicked, this, [this] { m_cancel = true; });
    connect(button("MyButton6"), &QToolButton::clicked, this, &QDialog::close);

    auto* grid = new QGridLayout;
    auto* label1 = new QLabel(QStringLiteral("YEDEK KLASÖRÜ:"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    nameByCaption(label1, m_text1);
    auto* label3 = new QLabel(QStringLiteral("VERİ KLASÖRÜ:"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    auto* text2 = new QLineEdit(QDir::toNativeSeparators(m_dataFolder), this);
    text2->setObjectName(QStringLiteral("Text2"));
    text2->setReadOnly(true);
    nameByCaption(label3, text2);
    auto* label4 = new QLabel(QStringLiteral("DEFTER:"), this);
    label4->setObjectName(QStringLiteral("Label4"));
    m_text3 = new QLineEdit(this);
    m_text3->setObjectName(QStringLiteral("Text3"));
    m_text3->setReadOnly(true);
    nameByCaption(label4, m_text3);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(m_text1, 0, 1);
    grid->addWidget(label3, 1, 0);
    grid->addWidget(text2, 1, 1);
    grid->addWidget(label4, 2, 0);
    grid->addWidget(m_text3, 2, 1);
    layout->addLayout(grid);

    m_list = new ReportList(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setAccessibleName(QStringLiteral("YEDEK LİSTESİ"));
    m_list->setColumns({QStringLiteral("YEDEK TARİHİ"), QStringLiteral("TÜRÜ"), QStringLiteral("BOYUTU"),
                        QStringLiteral("KİŞİ SAYISI"), QStringLiteral("HAREKET SAYISI"),
                        QStringLiteral("DURUMU"), QStringLiteral("KLASÖR")});
    for (int c : {ColSize, ColPeople, ColTransactions})
        m_list->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_list, 1);

    auto* bottom = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Label2"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setAccessibleName(QStringLiteral("İLERLEME"));
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_bar, 1);
    layout->addLayout(bottom);

    resize(twips(12600), twips(7200));
    showBook();
    m_folder = FolderSetting(m_settingsFile).folder(m_dataFolder);
    m_text1->setText(QDir::toNativeSeparators(m_folder));
    refreshList();
}

QString BackupWindow::backupFolder() const
{
    return m_folder;
}

void BackupWindow::setBackupFolder(const QString& folder)
{
    m_folder = QDir(folder).absolutePath();
    m_text1->setText(QDir::toNativeSeparators(m_folder));
    FolderSetting(m_settingsFile).remember(m_folder);
    refreshList();
}

void BackupWindow::setOptions(const Backups::Options& options)
{
    m_options = options;
    showBook();
}

void BackupWindow::showBook()
{
    m_text3->setText(m_options.server.isEmpty()
                         ? QStringLiteral("VERİ KLASÖRÜNDEKİ DOSYALAR: ") +
                               QDir::toNativeSeparators(m_dataFolder)
                         : QStringLiteral("SUNUCU: ") + server::serverLabel(m_options.server));
}

void BackupWindow::refreshList()
{
    const QString keep = selectedFolder();
    QList<QStringList> rows;
    QList<QVariant> hidden;
    const QList<BackupEntry> entries = Backups::list(m_folder);
    for (const BackupEntry& e : entries) {
        QStringList row;
        if (e.manifest) {
            row << dateTimeText(e.manifest->created) << kindText(e.manifest->kind) << sizeText(e.size)
                << countText(e.manifest->counts.people) << countText(e.manifest->counts.transactions)
                << m_states.value(e.folder);
        } else {
            row << QString() << QString() << sizeText(e.size) << QString() << QString()
                << damaged + QStringLiteral(" (YEDEK BİLGİSİ OKUNAMADI)");
        }
        row << QDir::toNativeSeparators(e.folder);
        rows.append(row);
        hidden.append(e.folder);
    }
    m_list->setRows(rows, hidden);
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    m_status->setText(entries.isEmpty() ? QStringLiteral("BU KLASÖRDE YEDEK YOK.")
                                        : QStringLiteral("%1 YEDEK BULUNDU.").arg(entries.size()));
    if (!keep.isEmpty())
        select(keep);
}

QString BackupWindow::selectedFolder() const
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : m_list->hiddenValue(rows.first().row()).toString();
}

void BackupWindow::select(const QString& folder)
{
    for (int r = 0; r < m_list->rowCount(); ++r) {
        if (m_list->hiddenValue(r).toString() == folder) {
            m_list->setCurrentRow(r);
            m_list->scrollTo(m_list->listModel()->index(r, 0));
            return;
        }
    }
}

void BackupWindow::setBusy(bool on)
{
    m_busy = on;
    m_cancel = false;
    for (PictureButton* b : std::as_const(m_actions))
        b->setEnabled(!on);
    m_cancelButton->setEnabled(on);
    m_list->setEnabled(!on);
    if (on) {
        m_bar->setValue(0);
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

ProgressFn BackupWindow::progress()
{
    return [this](const Progress& p) {
        if (m_progressHook && !m_progressHook(p))
            m_cancel = true;
        m_bar->setValue(p.percent);
        m_status->setText(p.text);
        // Keeps the window drawn and the cancel button working while the copy runs.
        QCoreApplication::processEvents();
        return !m_cancel;
    };
}

void BackupWindow::takeBackup()
{
    if (m_busy)
        return;
    setBusy(true);
    const Outcome outcome =
        Backups(m_dataFolder, m_key, m_options).create(m_folder, Kind::Manual, progress());
    setBusy(false);
    if (outcome.ok) {
        m_states.insert(outcome.folder, sound);
        refreshList();
        select(outcome.folder);
        m_bar->setValue(100);
        m_status->setText(QStringLiteral("YEDEK ALINDI."));
        MessageBox::information(this, outcome.text, QStringLiteral("YEDEK AL"));
    } else {
        refreshList();
        m_bar->setValue(0);
        m_status->setText(outcome.cancelled ? QStringLiteral("İPTAL EDİLDİ.")
                                            : QStringLiteral("YEDEK ALINAMADI."));
        if (outcome.cancelled)
            MessageBox::information(this, outcome.text, QStringLiteral("YEDEK AL"));
        else
            MessageBox::error(this, outcome.text, QStringLiteral("YEDEK AL"));
    }
}

void BackupWindow::verifySelected()
{
    if (m_busy)
        return;
    const QString folder = selectedFolder();
    if (!folder.isEmpty())
        verifyOne(folder);
    else
        verifyAll();
}

void BackupWindow::verifyOne(const QString& folder)
{
    setBusy(true);
    const Verification v = Backups(m_dataFolder, m_key, m_options).verify(folder, progress());
    setBusy(false);
    if (!v.cancelled)
        m_states.insert(folder, v.ok ? sound : damaged);
    refreshList();
    select(folder);
    m_status->setText(v.ok ? QStringLiteral("YEDEK SAĞLAM.") : v.problems.value(0));
    if (v.cancelled)
        MessageBox::information(this, v.problems.join(QLatin1Char('\n')), QStringLiteral("DOĞRULA"));
    else if (v.ok)
        MessageBox::information(this,
                                QStringLiteral("YEDEK SAĞLAM: TÜM DOSYALAR AÇILDI VE DENETLENDİ.\n") +
                                    QDir::toNativeSeparators(folder),
                                QStringLiteral("DOĞRULA"));
    else
        MessageBox::error(this,
                          QStringLiteral("YEDEK BOZUK, GERİ YÜKLENEMEZ:\n") +
                              QDir::toNativeSeparators(folder) + QStringLiteral("\n\n") +
                              v.problems.join(QLatin1Char('\n')),
                          QStringLiteral("DOĞRULA"));
}

void BackupWindow::verifyAll()
{
    const QList<BackupEntry> entries = Backups::list(m_folder);
    if (entries.isEmpty()) {
        MessageBox::information(this, QStringLiteral("BU KLASÖRDE DOĞRULANACAK YEDEK YOK."),
                                QStringLiteral("DOĞRULA"));
        return;
    }
    setBusy(true);
    QStringList bad;
    bool cancelled = false;
    const Backups backups(m_dataFolder, m_key, m_options);
    const ProgressFn report = progress();
    for (qsizetype i = 0; i < entries.size() && !cancelled; ++i) {
        const int from = static_cast<int>(i * 100 / entries.size());
        const int to = static_cast<int>((i + 1) * 100 / entries.size());
        const Verification v = backups.verify(entries.at(i).folder, [&](const Progress& p) {
            return report({p.text, from + (to - from) * p.percent / 100});
        });
        cancelled = v.cancelled;
        if (cancelled)
            break;
        m_states.insert(entries.at(i).folder, v.ok ? sound : damaged);
        if (!v.ok)
            bad << entries.at(i).name + QStringLiteral(": ") + v.problems.join(QStringLiteral("; "));
    }
    setBusy(false);
    refreshList();
    if (cancelled)
        MessageBox::information(this, QStringLiteral("DOĞRULAMA İPTAL EDİLDİ."), QStringLiteral("DOĞRULA"));
    else if (bad.isEmpty())
        MessageBox::information(this, QStringLiteral("%1 YEDEĞİN HEPSİ SAĞLAM.").arg(entries.size()),
                                QStringLiteral("DOĞRULA"));
    else
        MessageBox::error(
            this,
            QStringLiteral("%1 YEDEKTEN %2 TANESİ BOZUK:\n\n").arg(entries.size()).arg(bad.size()) +
                bad.join(QLatin1Char('\n')),
            QStringLiteral("DOĞRULA"));
}

void BackupWindow::restoreSelected()
{
    if (m_busy)
        return;
    const QString folder = selectedFolder();
    if (folder.isEmpty()) {
        MessageBox::information(this, QStringLiteral("LÜTFEN GERİ YÜKLENECEK YEDEĞİ LİSTEDEN SEÇİNİZ."),
                                QStringLiteral("GERİ YÜKLE"));
        return;
    }
    if (Backups::programRunning(m_dataFolder)) {
        MessageBox::information(this,
                                QStringLiteral("KALVORA PROGRAMI ŞU AN AÇIK. GERİ YÜKLEMEDEN ÖNCE PROGRAMI "
                                               "\"GÜVENLİ ÇIKIŞ\" İLE KAPATINIZ."),
                                QStringLiteral("GERİ YÜKLE"));
        return;
    }
    const QString when = m_list->cell(m_list->currentRow(), ColDate);
    if (!MessageBox::question(
            this,
            QStringLiteral("%1 TARİHLİ YEDEK GERİ YÜKLENECEK.\nŞU ANKİ VERİLERİNİZ ÖNCE AYRI BİR "
                           "YEDEK OLARAK KAYDEDİLECEK.\n\nDEVAM ETMEK İSTİYOR MUSUNUZ?")
                .arg(when.isEmpty() ? QDir(folder).dirName() : when),
            QStringLiteral("DİKKAT!")))
        return;
    setBusy(true);
    const Outcome outcome = Backups(m_dataFolder, m_key, m_options).restore(folder, m_folder, progress());
    setBusy(false);
    if (outcome.ok)
        m_states.insert(folder, sound);
    refreshList();
    select(folder);
    m_status->setText(outcome.ok ? QStringLiteral("YEDEK GERİ YÜKLENDİ.")
                                 : QStringLiteral("GERİ YÜKLENEMEDİ."));
    if (outcome.ok || outcome.cancelled)
        MessageBox::information(this, outcome.text, QStringLiteral("GERİ YÜKLE"));
    else
        MessageBox::error(this, outcome.text, QStringLiteral("GERİ YÜKLE"));
}

void BackupWindow::chooseFolder()
{
    if (m_busy || !m_chooser)
        return;
    const QString chosen = m_chooser(this, m_folder);
    if (!chosen.isEmpty())
        setBackupFolder(chosen);
}

void BackupWindow::closeEvent(QCloseEvent* event)
{
    // A copy in progress is cancelled first; its half-written folder is removed by the copy itself.
    if (m_busy) {
        m_cancel = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void BackupWindow::reject()
{
    if (m_busy) {
        m_cancel = true;
        return;
    }
    QDialog::reject();
}

} // namespace kalvora::backup
