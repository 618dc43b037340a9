#include "listview/ui/list_sorting.h"

#include "widgets/report_list.h"

#include <QFontMetricsF>
#include <QHash>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QtMath>

#include <algorithm>
#include <array>
#include <future>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kalvora {

namespace {

const char* const kDescendingProperty = "kalvoraSortDescending";

} // namespace

bool sortDescending(const ReportList* list)
{
    return list && list->property(kDescendingProperty).toBool();
}

void SutunSirala(ReportList* list, int column, SortKind kind)
{
    if (!list || column < 0 || column >= list->columnCount())
        return;
    const bool descending = !sortDescending(list);
    list->setProperty(kDescendingProperty, descending);

    ListModel* model = list->listModel();
    const int rows = model->rowCount();
    const std::vector<int> order = sortOrder(model->columnTexts(column), kind, descending);
    bool unchanged = true;
    for (int r = 0; r < rows && unchanged; ++r)
        unchanged = order[size_t(r)] == r;
    if (unchanged)
        return;

    std::vector<int> hidden;
    for (int r = 0; r < rows; ++r) {
        if (list->isRowHidden(r))
            hidden.push_back(r);
    }
    const int top = list->verticalScrollBar()->value();
    const int left = list->horizontalScrollBar()->value();
    for (int r : hidden)
        list->setRowHidden(r, false);
    // The current index and the selection are persistent indexes: the model moves them with their rows.
    model->reorder(order);
    if (!hidden.empty()) {
        std::vector<int> newRowOf(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i)
            newRowOf[size_t(order[size_t(i)])] = i;
        for (int r : hidden)
            list->setRowHidden(newRowOf[size_t(r)], true);
    }
    list->verticalScrollBar()->setValue(top);
    list->horizontalScrollBar()->setValue(left);
}

namespace {

// Text widths with the list's font, fast enough for every cell of a large list. A line of plain Latin
// letters is the sum of its characters' advances and the kerning of each neighbouring pair, both measured
// once per character or pair; any other line (combining marks, other scripts, control characters) is
// measured whole.
class TextWidthMeter {
public:
    explicit TextWidthMeter(const QFont& font)
        : m_metrics(font), m_pairs(size_t(kMaxLetters * kMaxLetters), kUnknown)
    {
        m_letter.fill(-1);
        m_advance.reserve(kMaxLetters);
    }

    // The widest line of the text, estimated where the line allows it.
    qreal estimate(QStringView text) { return *estimateWith<true>(text); }

    // The same from what is measured already, for a thread that must not measure (nor change the
    // tables): nothing when the text has a letter, a pair or a line not measured yet.
    std::optional<qreal> knownEstimate(QStringView text) const
    {
        return const_cast<TextWidthMeter*>(this)->estimateWith<false>(text);
    }

private:
    // Without learn nothing is written, so threads may share it while no one learns.
    template <bool learn> std::optional<qreal> estimateWith(QStringView text)
    {
        // Sums in integer units of 1/kUnit pixel, one table read per character: this runs for every
        // cell of every list, and a chain of floating-point additions was most of a fill's time.
        const QChar* chars = text.constData();
        const qsizetype n = text.size();
        qint64 widest = 0;
        qint64 sum = 0;
        int previous = -1;
        qsizetype lineStart = 0;
        qreal exactWidest = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = chars[i].unicode();
            int letter = c < kPlainEnd ? m_letter[c] : -1;
            if (letter < 0) {
                if (isLineBreak(c)) {
                    widest = std::max(widest, sum);
                    sum = 0;
                    previous = -1;
                    lineStart = i + 1;
                    continue;
                }
                if (!learn)
                    return std::nullopt;
                letter = addLetter(c);
                if (letter < 0) {
                    qsizetype end = i;
                    while (end < n && !isLineBreak(chars[end].unicode()))
                        ++end;
                    exactWidest =
                        std::max(exactWidest, exactLine(QStringView(chars + lineStart, end - lineStart)));
                    sum = 0;
                    previous = -1;
                    lineStart = end + 1;
                    i = end;
                    continue;
                }
            }
            if (previous < 0) {
                sum += m_advance[size_t(letter)];
            } else {
                qint32& step = m_pairs[size_t(previous * kMaxLetters + letter)];
                if (step == kUnknown) {
                    if (!learn)
                        return std::nullopt;
                    step = measurePair(previous, letter);
                }
                sum += step;
            }
            previous = letter;
        }
        return std::max(exactWidest, qreal(std::max(widest, sum)) / kUnit);
    }

public:
    qreal exact(const QString& text) const
    {
        qreal widest = 0;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            if (i == text.size() || isLineBreak(text.at(i).unicode())) {
                widest = std::max(widest, exactLine(QStringView(text).mid(start, i - start)));
                start = i + 1;
            }
        }
        return widest;
    }

private:
    static constexpr char16_t kPlainEnd = 0x0300; // Latin-1, Latin Extended-A and -B, spacing modifiers
    static constexpr int kMaxLetters = 160;
    static constexpr qreal kUnit = 1024; // an estimate is off by well under a pixel over a long text
    static constexpr qint32 kUnknown = std::numeric_limits<qint32>::min();

    static bool isLineBreak(char16_t c)
    {
        return c == u'\n' || c == u'\r' || c == u'\x2028' || c == u'\x2029';
    }

    static qint32 units(qreal pixels) { return qint32(qRound(pixels * kUnit)); }

    qreal exactLine(QStringView line) const { return m_metrics.horizontalAdvance(line.toString()); }

    // The table index of a plain character met for the first time; -1 for any other character.
    int addLetter(char16_t c)
    {
        if (c < 0x20 || c >= kPlainEnd || (c >= 0x7f && c < 0xa0) || m_advance.size() >= size_t(kMaxLetters))
            return -1;
        m_letter[c] = static_cast<qint16>(m_advance.size());
        m_advanceF.push_back(m_metrics.horizontalAdvance(QChar(c)));
        m_advance.push_back(units(m_advanceF.back()));
        m_chars.push_back(c);
        return m_letter[c];
    }

    // What the second letter adds after the first: its advance and the pair's kerning.
    qint32 measurePair(int first, int second) const
    {
        const QChar pair[2] = {QChar(m_chars[size_t(first)]), QChar(m_chars[size_t(second)])};
        return units(m_metrics.horizontalAdvance(QString(pair, 2)) - m_advanceF[size_t(first)]);
    }

    QFontMetricsF m_metrics;
    std::array<qint16, kPlainEnd> m_letter;
    std::vector<qint32> m_advance; // in units
    std::vector<qreal> m_advanceF; // in pixels
    std::vector<char16_t> m_chars;
    std::vector<qint32> m_pairs; // advance of the second plus kerning, in units
};

// One meter per font for the life of the program: the advances and pair kernings it has measured stay
// valid, and a reload fits its list again with the same font.
struct Meter {
    std::shared_ptr<TextWidthMeter> meter;
    quint32 id = 0;
};

Meter& meterFor(const QFont& font)
{
    static QHash<QString, Meter> meters;
    Meter& m = meters[font.key()];
    if (!m.meter)
        m = Meter{std::make_shared<TextWidthMeter>(font), quint32(meters.size())};
    return m;
}

// The widest texts of one column: the few with the largest estimates, kept to be measured whole, and the
// largest estimate of all the others.
class ColumnWidest {
public:
    void add(QStringView text, qreal estimate)
    {
        if (m_candidates.size() == kCandidates && estimate <= m_candidates.back().estimate) {
            m_others = std::max(m_others, estimate);
            return;
        }
        for (const Candidate& c : m_candidates) {
            if (c.estimate == estimate && c.text == text)
                return;
        }
        auto at = std::find_if(m_candidates.begin(), m_candidates.end(),
                               [estimate](const Candidate& c) { return c.estimate < estimate; });
        m_candidates.insert(at, Candidate{estimate, text.toString()});
        if (m_candidates.size() > kCandidates) {
            m_others = std::max(m_others, m_candidates.back().estimate);
            m_candidates.pop_back();
        }
    }

    // What another part of the same column found: the result is the one a single pass over both gives.
    void merge(const ColumnWidest& other)
    {
        m_others = std::max(m_others, other.m_others);
        for (const Candidate& c : other.m_candidates)
            add(c.text, c.estimate);
    }

    // Estimates can be a little off where letters join (ligatures): the texts near the widest estimate
    // are measured whole.
    qreal widest(const TextWidthMeter& meter) const
    {
        constexpr qreal kNearWidest = 1.0;
        qreal widest = m_others;
        for (const Candidate& c : m_candidates) {
            const bool near = c.estimate >= m_candidates.front().estimate - kNearWidest;
            widest = std::max(widest, near ? meter.exact(c.text) : c.estimate);
        }
        return widest;
    }

private:
    static constexpr size_t kCandidates = 4;
    struct Candidate {
        qreal estimate;
        QString text;
    };
    std::vector<Candidate> m_candidates; // largest estimate first
    qreal m_others = 0;
};

} // namespace

struct ColumnFit::Data {
    Meter& meter;
    std::vector<ColumnWidest> widest;
};

ColumnFit::ColumnFit(ReportList* list)
    : m_list(list),
      m_data(new Data{meterFor(list->font()), std::vector<ColumnWidest>(size_t(list->columnCount()))})
{}

ColumnFit::~ColumnFit()
{
    delete m_data;
}

quint32 ColumnFit::fontId() const
{
    return m_data->meter.id;
}

qreal ColumnFit::estimate(QStringView text)
{
    return m_data->meter.meter->estimate(text);
}

void ColumnFit::add(int column, QStringView text, qreal estimate)
{
    if (column >= 0 && size_t(column) < m_data->widest.size() && !text.isEmpty())
        m_data->widest[size_t(column)].add(text, estimate);
}

void ColumnFit::apply()
{
    const TextWidthMeter& meter = *m_data->meter.meter;
    const ListModel* model = m_list->listModel();
    // The item view keeps this margin on both sides of a cell text and elides a text that does not fit.
    const int margins = 2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
    for (size_t c = 0; c < m_data->widest.size(); ++c) {
        const qreal text = std::max(m_data->widest[c].widest(meter),
                                    meter.exact(model->headers().value(int(c)) + QStringLiteral("  ")));
        int width = qCeil(text) + margins;
        if (c == 0 && m_list->rootIsDecorated())
            width += m_list->indentation();
        m_list->setColumnWidth(int(c), width);
    }
}

namespace {

// The widest texts of each column over a run of rows, from the meter's tables alone; the cells they
// cannot tell go to unknown, to be estimated where the meter may learn.
struct PartFit {
    std::vector<ColumnWidest> widest;
    std::vector<std::pair<int, QStringView>> unknown;
};

// Calls f(column, text) for every cell of the rows that is not empty and not the same text as the one
// above it in the column (a run of equal values is measured once).
template <typename F> void forEachFitCell(const ListModel& model, const int* rows, const int* end, F f)
{
    const int columns = model.columnCount();
    std::vector<QStringView> above(static_cast<size_t>(columns));
    for (; rows != end; ++rows) {
        for (int c = 0; c < columns; ++c) {
            const QStringView text = model.cellView(*rows, c);
            if (text.isEmpty() || text == above[size_t(c)])
                continue;
            above[size_t(c)] = text;
            f(c, text);
        }
    }
}

PartFit fitPart(const ListModel& model, const TextWidthMeter& meter, const int* rows, const int* end)
{
    PartFit part{std::vector<ColumnWidest>(size_t(model.columnCount())), {}};
    forEachFitCell(model, rows, end, [&](int c, QStringView text) {
        if (const std::optional<qreal> e = meter.knownEstimate(text))
            part.widest[size_t(c)].add(text, *e);
        else
            part.unknown.emplace_back(c, text);
    });
    return part;
}

} // namespace

void SutunlariSigdir(ReportList* list)
{
    if (!list)
        return;
    const ListModel* model = list->listModel();
    const int columns = model->columnCount();
    ColumnFit fit(list);
    // The widest text does not depend on the order: the rows are visited as their texts lie in memory.
    const std::vector<int> rows = model->rowsInBufferOrder();
    // The first rows teach the meter their letters and pairs; on a long list the other rows are then
    // estimated in two halves at once, one on another core, from what the meter knows. Only the
    // texts it cannot tell yet are estimated afterwards, here, where it may measure.
    constexpr size_t kTeaching = 2000;
    constexpr size_t kSplitFrom = 50000;
    const size_t taught = rows.size() < kSplitFrom ? rows.size() : kTeaching;
    forEachFitCell(*model, rows.data(), rows.data() + taught,
                   [&fit](int c, QStringView text) { fit.add(c, text, fit.estimate(text)); });
    if (taught < rows.size()) {
        const TextWidthMeter& meter = *fit.m_data->meter.meter;
        const int* begin = rows.data() + taught;
        const int* middle = begin + (rows.size() - taught) / 2;
        const int* end = rows.data() + rows.size();
        std::future<PartFit> other =
            std::async(std::launch::async, [&] { return fitPart(*model, meter, middle, end); });
        PartFit parts[2] = {fitPart(*model, meter, begin, middle), other.get()};
        for (const PartFit& part : parts) {
            for (int c = 0; c < columns; ++c)
                fit.m_data->widest[size_t(c)].merge(part.widest[size_t(c)]);
            for (const auto& [c, text] : part.unknown)
                fit.add(c, text, fit.estimate(text));
        }
    }
    fit.apply();
}

} // namespace kalvora
