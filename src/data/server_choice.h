#pragma once

#include <QString>

namespace kalvora {

// The name of the one-line file in the data folder that puts the book on a server.
inline const char* const serverFileName = "sunucu.txt";

// Which server holds the book: the --server value when given, else $KALVORA_SERVER, else the first
// line of sunucu.txt in the data folder; empty when the book is the data folder's files. Blanks around
// the text are dropped, so a file written by a text editor works as it is.
QString serverChoice(const QString& commandLineServer, const QString& dataFolder);

} // namespace kalvora
