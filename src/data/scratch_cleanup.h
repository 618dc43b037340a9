#pragma once

#include <QString>

#include <functional>

namespace kalvora {

// This computer's name as the tools write it into the names of their scratch folders ("pc-1"), so a
// folder shared by several computers tells whose process made each one.
QString scratchHostTag();

// Whether a process of this computer with that id is alive.
bool processAlive(qint64 pid);

// Whether a path inside a scratch folder (relative, '/' between folders) names something the tools
// write there.
using OwnName = std::function<bool(const QString& relativePath)>;

// Empties a scratch folder of what the tools wrote into it, then removes it when nothing else is
// left. Symbolic links are never followed nor removed, and a file or folder of another name stays
// (and so does the folder that holds it). False when something was left.
bool removeOwnFiles(const QString& folder, const OwnName& ours);

} // namespace kalvora
