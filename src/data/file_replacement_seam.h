#pragma once

namespace kalvora::seam {

// The rename each step of a file replacement makes. Tests put one in place that stops the process
// after a given step; nullptr puts back the C library's rename.
using RenameFn = int (*)(const char* from, const char* to);
void setReplacementRename(RenameFn fn);

} // namespace kalvora::seam
