#pragma once

#include <QString>

namespace kalvora {

// The report templates that ship with the program, by their fixed names.
namespace templates {
inline const char* const statement = "kart_dokum.fr3";
inline const char* const moneyList = "paralar.fr3";
inline const char* const balanceList = "bakiyeler.fr3";
inline const char* const periodStatement = "ekstre.fr3";
} // namespace templates

// Copies every template (*.fr3) of <installationFolder>/templates into the data folder when the data
// folder lacks it, so a user may adapt the copies; an existing file is never replaced. A copy is
// written completely or not at all; a template that cannot be copied is reported when it is printed.
void installTemplates(const QString& installationFolder, const QString& dataFolder);

} // namespace kalvora
