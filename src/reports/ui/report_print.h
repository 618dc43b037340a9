#pragma once

#include "reports/account_statement.h"
#include "reports/report_bridge.h"

#include <QList>

#include <functional>

class QWidget;

namespace kalvora {

class Store;

// Runs one print over a fresh bridge. A failure (a missing template or viewer, a scratch file that
// cannot be written...) is shown in a message box naming what failed, and the print stops. True when
// the viewer was started.
bool runReportPrint(QWidget* parent, Store& store, const std::function<void(ReportBridge&)>& print,
                    const ReportOptions& options = {});

// The account card's "&DÖKÜM AL": prints the statement with the data folder's kart_dokum.fr3.
bool printAccountStatement(QWidget* parent, Store& store, const QString& dataFolder,
                           const StatementData& data, const ReportOptions& options = {});

} // namespace kalvora
