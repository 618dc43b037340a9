#include "widgets/list_export_action.h"

#include "widgets/list_model.h"

#include "widgets/file_dialog.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTreeView>

#include <memory>

namespace kalvora {

QString defaultExportName(const QString& baseName, const QDate& date)
{
    static const QString from = QStringLiteral("ÇĞİIŞÖÜçğıişöü");
    static const QString to = QStringLiteral("CGIISOUcgiisou");
    QString name;
    for (const QChar c : baseName.trimmed()) {
        const qsizetype i = from.indexOf(c);
        const QChar plain = i >= 0 ? to.at(i) : c;
        if (plain.isSpace())
            name += QLatin1Char('_');
        else if ((plain >= u'A' && plain <= u'Z') || (plain >= u'a' && plain <= u'z') ||
                 (plain >= u'0' && plain <= u'9') || plain == u'-' || plain == u'_')
            name += plain;
    }
    while (name.contains(QStringLiteral("__")))
        name.replace(QStringLiteral("__"), QStringLiteral("_"));
    if (name.isEmpty())
        name = QStringLiteral("LISTE");
    return name + QLatin1Char('_') + date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".xlsx");
}

ExportTable tableOf(const QTreeView* view, const QList<ExportKind>& kinds)
{
    ExportTable t;
    const QAbstractItemModel* model = view->model();
    if (!model)
        return t;
    const QHeaderView* header = view->header();
    QList<int> columns;
    for (int v = 0; v < header->count(); ++v) {
        const int c = header->logicalIndex(v);
        if (!view->isColumnHidden(c) && header->sectionSize(c) > 0)
            columns.append(c);
    }
    for (int c : columns) {
        t.headers.append(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        t.kinds.append(c < kinds.size() ? kinds.at(c) : ExportKind::Text);
    }
    // A report list's texts are shared with the export, not copied: a long list's characters are most
    // of its memory. Any other model is copied through data().
    const auto* list = qobject_cast<const ListModel*>(model);
    if (list && !columns.isEmpty()) {
        t.cells = list->table().sharedCopy();
        t.cellColumns = columns;
        return t;
    }
    const int rows = model->rowCount();
    for (int r = 0; r < rows; ++r) {
        t.cells.beginRow();
        for (int c : columns)
            t.cells.add(model->data(model->index(r, c), Qt::DisplayRole).toString());
        t.cells.endRow();
    }
    return t;
}

bool exportList(QWidget* parent, const ExportTable& table, const QString& defaultBaseName)
{
    const QString title = QStringLiteral("EXCEL'E AKTAR");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString proposed = QDir(folder).filePath(defaultExportName(defaultBaseName, QDate::currentDate()));
    const QString path = FileDialog::saveFileName(parent, title, proposed,
                                                  {QStringLiteral("Excel çalışma kitabı (*.xlsx)"),
                                                   QStringLiteral("CSV, noktalı virgülle ayrılmış (*.csv)")});
    if (path.isEmpty())
        return false;
    if (QFileInfo::exists(path) &&
        !MessageBox::question(parent,
                              QStringLiteral("BU DOSYA ZATEN VAR. ÜZERİNE YAZILSIN MI?\n") +
                                  QDir::toNativeSeparators(path),
                              title))
        return false;

    std::unique_ptr<QProgressDialog> progress;
    ExportProgress report;
    if (table.rowCount() > progressThreshold) {
        progress =
            std::make_unique<QProgressDialog>(QStringLiteral("LİSTE AKTARILIYOR..."), QStringLiteral("İPTAL"),
                                              0, static_cast<int>(table.rowCount()), parent);
        progress->setObjectName(QStringLiteral("AktarimDurumu"));
        progress->setWindowTitle(title);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        report = [&progress](qsizetype done, qsizetype) {
            progress->setValue(static_cast<int>(done));
            QApplication::processEvents();
            return !progress->wasCanceled();
        };
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    const ExportResult result = exportTable(path, table, report);
    if (progress)
        progress.reset();
    else
        QApplication::restoreOverrideCursor();
    if (result.status == ExportResult::Status::Failed)
        MessageBox::error(parent, result.error, QStringLiteral("EXCEL'E AKTARILAMADI"));
    else if (result.written())
        MessageBox::information(
            parent, QStringLiteral("LİSTE DOSYAYA AKTARILDI:\n") + QDir::toNativeSeparators(path), title);
    return result.written();
}

bool exportList(QWidget* parent, const QTreeView* view, const QList<ExportKind>& kinds,
                const QString& defaultBaseName)
{
    return exportList(parent, tableOf(view, kinds), defaultBaseName);
}

} // namespace kalvora
