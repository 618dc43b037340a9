#include "import/ui/import_window.h"

#include "customers/customer_repository.h"
#include "data/db_error.h"
#include "data/store.h"
#include "widgets/accessibility.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kalvora {

namespace {

// The preview shows the first rows; the import takes them all.
constexpr int previewRows = 200;

QString reasonColumnTitle()
{
    return QStringLiteral("OKUNAMAYAN");
}

} // namespace

ImportWindow::ImportWindow(Store& store, QWidget* parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("IceAktar"));
    setWindowTitle(QStringLiteral("İÇE AKTAR"));
    buildControls();
    resize(960, 680);
}

void ImportWindow::buildControls()
{
    auto* layout = new QVBoxLayout(this);

    auto* sources = new QHBoxLayout;
    m_accessChoice = new QRadioButton(QStringLiteral("ESKİ PROGRAMIN &DOSYALARI (KLASÖR)"), this);
    m_xlsxChoice = new QRadioButton(QStringLiteral("&EXCEL (.xlsx)"), this);
    m_csvChoice = new QRadioButton(QStringLiteral("&CSV"), this);
    m_accessChoice->setChecked(true);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {m_accessChoice, m_xlsxChoice, m_csvChoice}) {
        group->addButton(b);
        sources->addWidget(b);
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                m_source = m_accessChoice->isChecked() ? Source::Access
                           : m_xlsxChoice->isChecked() ? Source::Xlsx
                                                       : Source::Csv;
        });
    }
    sources->addStretch();
    layout->addLayout(sources);

    auto* grid = new QGridLayout;
    auto* pathCaption = new QLabel(QStringLiteral("&KAYNAK:"), this);
    m_pathBox = new QLineEdit(this);
    m_pathBox->setObjectName(QStringLiteral("Text1"));
    nameByCaption(pathCaption, m_pathBox);
    auto* choose = new QPushButton(QStringLiteral("&SEÇ..."), this);
    choose->setObjectName(QStringLiteral("MyButton5"));
    connect(choose, &QPushButton::clicked, this, &ImportWindow::chooseSource);
    grid->addWidget(pathCaption, 0, 0);
    grid->addWidget(m_pathBox, 0, 1, 1, 5);
    grid->addWidget(choose, 0, 6);

    auto* kindCaption = new QLabel(QStringLiteral("LİSTE &TÜRÜ:"), this);
    m_kind = new QComboBox(this);
    m_kind->addItems({QStringLiteral("KİŞİLER"), QStringLiteral("HAREKETLER")});
    nameByCaption(kindCaption, m_kind);
    auto* separatorCaption = new QLabel(QStringLiteral("A&YIRICI:"), this);
    m_separator = new QComboBox(this);
    m_separator->addItems(
        {QStringLiteral("TAHMİN"), QStringLiteral(";"), QStringLiteral(","), QStringLiteral("SEKME (TAB)")});
    nameByCaption(separatorCaption, m_separator);
    auto* encodingCaption = new QLabel(QStringLiteral("K&ODLAMA:"), this);
    m_encoding = new QComboBox(this);
    m_encoding->addItems({QStringLiteral("TAHMİN"), QStringLiteral("UTF-8"), QStringLiteral("WINDOWS-1254")});
    nameByCaption(encodingCaption, m_encoding);
    auto* dateCaption = new QLabel(QStringLiteral("DEVİR TA&RİHİ:"), this);
    m_openingDate = new QDateEdit(QDate::currentDate(), this);
    m_openingDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_openingDate->setCalendarPopup(true);
    nameByCaption(dateCaption, m_openingDate);
    grid->addWidget(kindCaption, 1, 0);
    grid->addWidget(m_kind, 1, 1);
    grid->addWidget(separatorCaption, 1, 2);
    grid->addWidget(m_separator, 1, 3);
    grid->addWidget(encodingCaption, 1, 4);
    grid->addWidget(m_encoding, 1, 5);
    grid->addWidget(dateCaption, 2, 0);
    grid->addWidget(m_openingDate, 2, 1);
    m_leaveOut = new QCheckBox(QStringLiteral("OKUNAMAYAN SATIRLARI &DIŞARIDA BIRAK"), this);
    m_addToBook =
        new QCheckBox(QStringLiteral("DEFTER BOŞ DEĞİLSE KİŞİLERİ YENİ KİŞİLER OLARAK E&KLE"), this);
    grid->addWidget(m_leaveOut, 2, 2, 1, 2);
    grid->addWidget(m_addToBook, 2, 4, 1, 3);
    layout->addLayout(grid);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_mapping = new QTableWidget(0, 2, splitter);
    m_mapping->setObjectName(QStringLiteral("ListView1"));
    m_mapping->setHorizontalHeaderLabels({QStringLiteral("SÜTUN"), QStringLiteral("AKTARILDIĞI ALAN")});
    m_mapping->horizontalHeader()->setStretchLastSection(true);
    m_mapping->setAccessibleName(QStringLiteral("SÜTUNLARIN ALANLARI"));
    m_preview = new QTableWidget(0, 0, splitter);
    m_preview->setObjectName(QStringLiteral("ListView2"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setAccessibleName(QStringLiteral("ÖNİZLEME"));
    m_reportView = new QPlainTextEdit(splitter);
    m_reportView->setObjectName(QStringLiteral("Text2"));
    m_reportView->setReadOnly(true);
    m_reportView->setAccessibleName(QStringLiteral("RAPOR"));
    m_reportView->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(splitter, 1);

    auto* bottom = new QHBoxLayout;
    m_status = new QLabel(this);
    describeValueLabel(m_status, QStringLiteral("DURUM"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setAccessibleName(QStringLiteral("AKTARIM"));
    m_previewButton = new QPushButton(QStringLiteral("Ö&NİZLE"), this);
    m_previewButton->setObjectName(QStringLiteral("MyButton1"));
    m_importButton = new QPushButton(QStringLiteral("&AKTAR"), this);
    m_importButton->setObjectName(QStringLiteral("MyButton2"));
    m_importButton->setEnabled(false);
    m_cancelButton = new QPushButton(QStringLiteral("&İPTAL"), this);
    m_cancelButton->setObjectName(QStringLiteral("MyButton3"));
    m_cancelButton->setEnabled(false);
    m_saveButton = new QPushButton(QStringLiteral("RAPORU KA&YDET"), this);
    m_saveButton->setObjectName(QStringLiteral("MyButton4"));
    m_saveButton->setEnabled(false);
    auto* close = new QPushButton(QStringLiteral("KAPA&T"), this);
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_progress, 1);
    for (QPushButton* b : {m_previewButton, m_importButton, m_cancelButton, m_saveButton, close})
        bottom->addWidget(b);
    layout->addLayout(bottom);

    connect(m_previewButton, &QPushButton::clicked, this, &ImportWindow::preview);
    connect(m_importButton, &QPushButton::clicked, this, &ImportWindow::runImport);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { m_cancel = true; });
    connect(m_saveButton, &QPushButton::clicked, this, [this] {
        const QString path =
            FileDialog::saveFileName(this, QStringLiteral("RAPORU KAYDET"),
                                     QStringLiteral("AKTARIM RAPORU.txt"), {QStringLiteral("METİN (*.txt)")});
        if (!path.isEmpty())
            saveReport(path);
    });
    connect(close, &QPushButton::clicked, this, &ImportWindow::reject);
    for (QCheckBox* b : {m_leaveOut, m_addToBook})
        connect(b, &QCheckBox::toggled, this, [this] { m_importButton->setEnabled(false); });
    connect(m_pathBox, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_path = text;
        m_importButton->setEnabled(false);
    });
}

void ImportWindow::reject()
{
    if (!m_running)
        QDialog::reject();
}

void ImportWindow::setSource(Source source, const QString& path)
{
    m_source = source;
    m_path = path;
    (source == Source::Access ? m_accessChoice
     : source == Source::Xlsx ? m_xlsxChoice
                              : m_csvChoice)
        ->setChecked(true);
    m_pathBox->setText(path);
    m_importButton->setEnabled(false);
}

void ImportWindow::chooseSource()
{
    const QString path =
        m_source == Source::Access
            ? FileDialog::openName(this, QStringLiteral("ESKİ PROGRAMIN KLASÖRÜ"), m_path)
            : FileDialog::openName(this, QStringLiteral("LİSTE"), m_path,
                                   {m_source == Source::Xlsx ? QStringLiteral("EXCEL (*.xlsx)")
                                                             : QStringLiteral("CSV (*.csv *.txt)")});
    if (!path.isEmpty())
        setSource(m_source, path);
}

void ImportWindow::preview()
{
    m_table.reset();
    m_report.reset();
    m_mapping->setRowCount(0);
    m_preview->clear();
    m_preview->setRowCount(0);
    m_preview->setColumnCount(0);
    m_reportView->clear();
    m_saveButton->setEnabled(false);
    m_mapping->setVisible(m_source != Source::Access);
    m_preview->setVisible(m_source != Source::Access);
    if (m_source != Source::Access) {
        QString problem;
        CsvOptions csv;
        const QChar separators[] = {QChar(), QLatin1Char(';'), QLatin1Char(','), QLatin1Char('\t')};
        csv.separator = separators[m_separator->currentIndex()];
        csv.encoding = m_encoding->currentIndex() == 1   ? ListEncoding::Utf8
                       : m_encoding->currentIndex() == 2 ? ListEncoding::Windows1254
                                                         : ListEncoding::Guess;
        m_table = m_source == Source::Csv ? readCsv(m_path, csv, &problem) : readXlsx(m_path, &problem);
        if (!m_table) {
            MessageBox::error(this, problem);
            m_importButton->setEnabled(false);
            return;
        }
        // The user's choices stay while the list keeps its columns.
        if (m_fieldsFor != m_table->columns) {
            m_fields = guessFields(m_table->columns);
            m_fieldsFor = m_table->columns;
        }
        m_preview->setColumnCount(int(m_table->columns.size()) + 1);
        m_preview->setHorizontalHeaderLabels(m_table->columns + QStringList{reasonColumnTitle()});
        const int shown = int(std::min<qsizetype>(previewRows, m_table->rows.size()));
        m_preview->setRowCount(shown);
        for (int r = 0; r < shown; ++r)
            for (int c = 0; c < m_table->columns.size(); ++c)
                m_preview->setItem(r, c, new QTableWidgetItem(m_table->rows.at(r).value(c)));
        showMapping();
        markProblems();
    }
    // A dry run of the whole import: what would come in, and what the report would say.
    ImportOptions options;
    options.dryRun = true;
    options.leaveOutUnreadable = m_leaveOut->isChecked();
    options.addToBook = m_addToBook->isChecked();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ImportReport checked = importBook(m_store, currentBook(), options);
    QApplication::restoreOverrideCursor();
    m_reportView->setPlainText(checked.text());
    m_importButton->setEnabled(!checked.refused());
    m_status->setText(checked.refused() ? QStringLiteral("AKTARILAMAZ: RAPORA BAKIN")
                                        : QStringLiteral("AKTARILMAYA HAZIR"));
}

ImportBook ImportWindow::currentBook()
{
    if (m_source == Source::Access)
        return readAccessFolder(m_path);
    if (!m_table)
        return {};
    ListConversion c;
    if (m_kind->currentIndex() == 1) {
        QList<BookPersonName> names;
        try {
            for (const Customer& p : CustomerRepository(m_store).readAll())
                names.append({p.key, p.name});
        } catch (const DbError&) {
        }
        c = transactionsFromList(*m_table, m_fields, names);
    } else {
        c = peopleFromList(*m_table, m_fields, m_openingDate->date());
    }
    c.book.source = QDir::toNativeSeparators(m_path);
    return std::move(c.book);
}

void ImportWindow::showMapping()
{
    m_mapping->setRowCount(int(m_table->columns.size()));
    for (int c = 0; c < m_table->columns.size(); ++c) {
        m_mapping->setItem(c, 0, new QTableWidgetItem(m_table->columns.at(c)));
        m_mapping->item(c, 0)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        auto* box = new QComboBox(m_mapping);
        box->setAccessibleName(m_table->columns.at(c));
        for (ListField f : allListFields())
            box->addItem(fieldName(f), int(f));
        box->setCurrentIndex(int(allListFields().indexOf(m_fields.value(c))));
        connect(box, &QComboBox::activated, this,
                [this, c, box] { setField(c, static_cast<ListField>(box->currentData().toInt())); });
        m_mapping->setCellWidget(c, 1, box);
    }
    m_mapping->resizeColumnToContents(0);
}

void ImportWindow::setField(int column, ListField field)
{
    if (column < 0 || column >= m_fields.size())
        return;
    m_fields[column] = field;
    if (auto* box = qobject_cast<QComboBox*>(m_mapping->cellWidget(column, 1)))
        box->setCurrentIndex(int(allListFields().indexOf(field)));
    markProblems();
    m_importButton->setEnabled(false); // the preview is made again before an import
}

void ImportWindow::markProblems()
{
    if (!m_table)
        return;
    const ListConversion c = m_kind->currentIndex() == 1
                                 ? transactionsFromList(*m_table, m_fields, {})
                                 : peopleFromList(*m_table, m_fields, m_openingDate->date());
    QHash<qsizetype, QString> reasons;
    for (const ListRowProblem& p : c.problems)
        reasons.insert(p.row, p.reason);
    const int reasonColumn = int(m_table->columns.size());
    for (int r = 0; r < m_preview->rowCount(); ++r) {
        const QString reason = reasons.value(r);
        for (int col = 0; col < reasonColumn; ++col)
            if (QTableWidgetItem* item = m_preview->item(r, col))
                item->setForeground(reason.isEmpty() ? palette().text() : QBrush(Qt::red));
        auto* item = new QTableWidgetItem(reason);
        item->setForeground(QBrush(Qt::red));
        m_preview->setItem(r, reasonColumn, item);
    }
}

bool ImportWindow::progressed(qsizetype done, qsizetype total)
{
    m_progress->setMaximum(int(std::max<qsizetype>(total, 1)));
    m_progress->setValue(int(done));
    QApplication::processEvents();
    return !m_cancel;
}

void ImportWindow::runImport()
{
    if (m_running)
        return;
    m_running = true;
    m_cancel = false;
    m_cancelButton->setEnabled(true);
    m_importButton->setEnabled(false);
    m_previewButton->setEnabled(false);
    ImportOptions options;
    options.leaveOutUnreadable = m_leaveOut->isChecked();
    options.addToBook = m_addToBook->isChecked();
    const ImportReport report =
        importBook(m_store, currentBook(), options,
                   [this](qsizetype done, qsizetype total) { return progressed(done, total); });
    m_running = false;
    m_cancelButton->setEnabled(false);
    m_previewButton->setEnabled(true);
    showReport(report);
    if (report.outcome == ImportReport::Outcome::Imported)
        Q_EMIT imported();
}

void ImportWindow::showReport(const ImportReport& report)
{
    m_report = report;
    m_reportView->setPlainText(report.text());
    m_saveButton->setEnabled(true);
    m_status->setText(report.outcome == ImportReport::Outcome::Imported ? QStringLiteral("AKTARIM TAMAMLANDI")
                      : report.outcome == ImportReport::Outcome::Cancelled
                          ? QStringLiteral("İPTAL EDİLDİ: HİÇBİR ŞEY DEĞİŞMEDİ")
                          : QStringLiteral("AKTARIM YAPILMADI"));
}

bool ImportWindow::saveReport(const QString& path)
{
    QFile f(path);
    const QString text = m_report ? m_report->text() : m_reportView->toPlainText();
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) < 0 || !f.flush()) {
        MessageBox::error(this, QStringLiteral("RAPOR KAYDEDİLEMEDİ:\n") + QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

} // namespace kalvora
