#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace kalvora {
class Store;
}

namespace kalvora::bench {

// Several desks saving into one server book at once: `desks` processes of this program (started with
// deskArguments) each make `saves` lendings and collections through the entry windows, each followed
// by the card's refresh, on the same set of people (in the same order when sameOrder, so that the
// desks meet on one person at every save). Prints the saves per second and the median and
// 99th-percentile save time over all desks, checks that every stored balance of the book equals the
// sum of its rows, and removes the rows the desks wrote. Returns the exit code.
int runDesks(const QString& serverUri, int desks, int saves, bool sameOrder, QTextStream& out);

// Removes the rows desks wrote (an interrupted run leaves them) in one transaction and writes the
// touched people's balances back; returns how many rows went.
int removeDeskRows(Store& store);

// The desk process's side: arguments after "--desk". Returns the exit code.
int runDesk(const QStringList& arguments);

} // namespace kalvora::bench
