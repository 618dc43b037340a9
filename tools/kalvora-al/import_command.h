#pragma once

#include <QStringList>

class QTextStream;

namespace kalvora::al {

enum ExitCode { ExitOk = 0, ExitRefused = 1, ExitUsage = 2 };

// kalvora-al's command line; arguments[0] is the program. Prints the import's report.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace kalvora::al
