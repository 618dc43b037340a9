#pragma once

#include "export/list_export.h"

#include <QDate>
#include <QString>

class QTreeView;
class QWidget;

namespace kalvora {

// What "EXCEL'E AKTAR" does for any list: asks for the file in the file dialog (proposing
// <defaultBaseName>_<yyyy-MM-dd>.xlsx in the documents folder), asks before replacing a file, writes the
// table (a cancellable progress dialog above progressThreshold rows) and reports a failure, naming the
// file, in a message box. True when the file was written.
bool exportList(QWidget* parent, const ExportTable& table, const QString& defaultBaseName);

// The texts a list view shows, in the order and columns it shows them (hidden and zero-width columns
// left out), with the kind of each model
// column (a column without one is text).
ExportTable tableOf(const QTreeView* view, const QList<ExportKind>& kinds);
bool exportList(QWidget* parent, const QTreeView* view, const QList<ExportKind>& kinds,
                const QString& defaultBaseName);

inline constexpr qsizetype progressThreshold = 10000;

// "VERDİĞİM PARALAR" on 9 December 2026 gives VERDIGIM_PARALAR_2026-12-09.xlsx: Turkish letters without
// their marks, blanks as "_", nothing a file system could refuse.
QString defaultExportName(const QString& baseName, const QDate& date);

} // namespace kalvora
