#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace kalvora::tasi {

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// The end of a move: the exit code and a Turkish text, the summary or the reason for a refusal.
struct MoveResult {
    int exitCode = ExitFailed;
    QString text;
};

// Copies the whole book of a data folder (people and their transactions with their keys, both ledgers
// with their cash boxes, the cancellation archive) into a server database that holds no book rows, in
// one server transaction, then compares every table row by row and every person's stored balances
// with the sums of their rows. The folder is never changed.
MoveResult folderToServer(const QString& dataFolder, const QString& uri);

// Copies a server book into a data folder that holds no book rows. The files are made complete beside
// the folder and moved in only after they compare equal, so a failure leaves the folder as it was.
MoveResult serverToFolder(const QString& uri, const QString& dataFolder);

// kalvora-tasi's command line; arguments[0] is the program.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace kalvora::tasi
