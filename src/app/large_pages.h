#pragma once

namespace kalvora {

// Called first in main(), before anything is allocated: asks the C library to back its heap with
// 2 MB pages where the kernel allows them on request (transparent huge pages in "madvise" mode). The
// C library reads that wish only when a process starts, so the program starts itself once more with
// it set; when that cannot be done it simply goes on with ordinary pages. A wish the user set in
// GLIBC_TUNABLES (hugetlb=0 too) is left as it is.
void restartWithLargePages(char** argv);

} // namespace kalvora
