#pragma once

#include <QString>

namespace kalvora::backup::seam {

// The SQLite VFS a backup's copies are written through; empty puts back SQLite's default. Tests put
// one in place that fills up like a full disk.
void setCopyVfs(const QString& name);

} // namespace kalvora::backup::seam
