#pragma once

#include "accounts/statement_data.h"

#include <QString>

namespace kalvora {

class ReportBridge;

// The statement print over the bridge, from TabloOlustur to RaporGoster, with the given template.
// Throws ReportError or DbError.
void printStatement(ReportBridge& bridge, const QString& templatePath, const StatementData& data);

} // namespace kalvora
