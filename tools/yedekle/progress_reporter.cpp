#include "progress_reporter.h"

namespace kalvora::backup {

ProgressFn subRange(const ProgressFn& fn, int from, int to)
{
    if (!fn)
        return {};
    return [fn, from, to](const Progress& p) { return fn({p.text, from + (to - from) * p.percent / 100}); };
}

} // namespace kalvora::backup
