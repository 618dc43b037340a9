#pragma once

#include "reports/report_bridge.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace kalvora {

class Store;

// One list printout through the printing bridge: the scratch table's columns, the rows as (field, text)
// pairs, the template, the memos bound to fields and the memos given a text.
struct ListPrintJob {
    using Pairs = QList<QPair<QString, QString>>;
    QString columns;
    QList<Pairs> rows;
    QString templateName;
    Pairs memoFields;
    Pairs memoTexts;
    // The sender's letterhead for the template's letterhead memo; when empty the memo is taken away.
    // Nothing: the template is left as it is.
    std::optional<QStringList> letterhead;
    QByteArray logoPng;
};

// Runs the bridge's steps in their order and starts the viewer; a failure gets a Turkish message box.
bool printList(QWidget* parent, Store& store, const QString& dataFolder, const ListPrintJob& job,
               const ReportOptions& options = {});

} // namespace kalvora
