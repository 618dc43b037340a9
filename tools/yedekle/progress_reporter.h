#pragma once

#include "backups.h"
#include "failure.h"

#include <algorithm>

namespace kalvora::backup {

// Spreads the reports of one action over a number of equal steps.
class Reporter {
public:
    Reporter(const ProgressFn& fn, int steps) : m_fn(fn), m_steps(std::max(1, steps)) {}

    void begin(const QString& text)
    {
        m_text = text;
        report(0.0);
    }
    void report(double fraction)
    {
        if (!m_fn)
            return;
        fraction = std::clamp(fraction, 0.0, 1.0);
        const int percent = static_cast<int>((std::min(m_done, m_steps) + fraction) * 100.0 / m_steps);
        if (!m_fn({m_text, std::min(percent, 100)}))
            throw Cancelled{};
    }
    void end()
    {
        report(1.0);
        ++m_done;
    }
    void back(int steps) { m_done = std::max(0, m_done - steps); }
    // Shows text in place of the step's own until the step goes on.
    void wait(const QString& text)
    {
        const QString own = m_text;
        m_text = text;
        report(0.0);
        m_text = own;
    }

private:
    ProgressFn m_fn;
    int m_steps;
    int m_done = 0;
    QString m_text;
};

// Reports of fn scaled into the range from..to of a larger action.
ProgressFn subRange(const ProgressFn& fn, int from, int to);

} // namespace kalvora::backup
