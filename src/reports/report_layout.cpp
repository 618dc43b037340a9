#include "reports/report_layout.h"

#include "data/turkish_text.h"
#include "reports/report_definition.h"
#include "reports/report_expression.h"

#include <QFontMetricsF>
#include <QHash>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace kalvora {

namespace {

constexpr double eps = 0.5; // page units: 1/200 mm
constexpr int maxPages = 20000;
const QString defaultFont = QStringLiteral("DejaVu Sans");

enum class Stretch { None, Actual, Max };

struct TextLine {
    QString text;
    double width = 0;
};

// One object of a band being laid out; rect relative to the band's top, x from the paper's left edge.
struct Cell {
    PreparedItem item;
    QList<TextLine> lines;
    double lineHeight = 0;
    double ascent = 0;
    double gapX = 0;
    double gapY = 0;
    Qt::Alignment hAlign = Qt::AlignLeft;
    Qt::Alignment vAlign = Qt::AlignTop;
    Stretch stretch = Stretch::None;
};

struct BandInstance {
    double height = 0;
    std::vector<Cell> cells;
};

QColor parseColor(const QString& text, const QColor& fallback)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return fallback;
    if (t.compare(QLatin1String("clNone"), Qt::CaseInsensitive) == 0 ||
        t.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return QColor();
    if (t.startsWith(QLatin1Char('$'))) { // Delphi colour: $00BBGGRR
        bool ok = false;
        const uint v = t.mid(1).toUInt(&ok, 16);
        return ok ? QColor(int(v & 0xff), int((v >> 8) & 0xff), int((v >> 16) & 0xff)) : fallback;
    }
    QString name = t;
    if (name.startsWith(QLatin1String("cl"), Qt::CaseInsensitive) && name.size() > 2 && name.at(2).isUpper())
        name = name.mid(2).toLower();
    const QColor c(name);
    return c.isValid() ? c : fallback;
}

// "15", "ftLeft,ftTop" or "fsBold,fsItalic": a number or a list of words, each worth one bit.
int parseFlags(const QString& text, const QList<QPair<const char*, int>>& words)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (ok)
        return n;
    int bits = 0;
    for (const QString& w :
         text.split(QRegularExpression(QStringLiteral("[,\\s\\[\\]]+")), Qt::SkipEmptyParts)) {
        for (const auto& p : words) {
            if (w.compare(QLatin1String(p.first), Qt::CaseInsensitive) == 0)
                bits |= p.second;
        }
    }
    return bits;
}

QFont makeFont(const ReportObject& o)
{
    QFont font(o.property(QStringLiteral("Font.Name"), defaultFont));
    const double pt = std::clamp(o.number(QStringLiteral("Font.Size"), 10), 1.0, 200.0);
    font.setPixelSize(std::max(1, int(std::lround(pt * 25.4 / 72.0 * unitsPerMm))));
    font.setHintingPreference(QFont::PreferNoHinting);
    const int style = parseFlags(o.property(QStringLiteral("Font.Style")),
                                 {{"fsBold", 1}, {"fsItalic", 2}, {"fsUnderline", 4}, {"fsStrikeOut", 8}});
    font.setBold(style & 1);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
    return font;
}

QList<TextLine> wrapText(const QString& text, const QFont& font, double width, bool wrap)
{
    QList<TextLine> out;
    if (text.isEmpty())
        return out;
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QLatin1Char('\t'), QLatin1Char(' '));
    const QFontMetricsF fm(font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& para : t.split(QLatin1Char('\n'))) {
        if (para.isEmpty()) {
            out.append(TextLine{});
            continue;
        }
        if (!wrap) {
            out.append({para, fm.horizontalAdvance(para)});
            continue;
        }
        QTextLayout layout(para, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(std::max(width, 1.0));
        }
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            QString s = para.mid(line.textStart(), line.textLength());
            while (s.endsWith(QLatin1Char(' ')))
                s.chop(1);
            out.append({s, fm.horizontalAdvance(s)});
        }
    }
    return out;
}

double textHeight(const Cell& c)
{
    return c.lines.isEmpty() ? 0 : 2 * c.gapY + c.lines.size() * c.lineHeight;
}

// Whole lines of the cell that fit into height h of its box (at least one when force is set).
int linesFitting(const Cell& c, double h, bool force)
{
    int n = c.lineHeight > 0 ? int(std::floor((h - 2 * c.gapY + eps) / c.lineHeight)) : 0;
    n = std::clamp(n, 0, int(c.lines.size()));
    if (n == 0 && force && !c.lines.isEmpty())
        n = 1;
    return n;
}

PreparedItem finalize(const Cell& c, double top)
{
    PreparedItem it = c.item;
    it.rect.translate(0, top);
    if (it.kind == PreparedItem::Kind::Line) {
        it.line.translate(0, top);
        return it;
    }
    if (it.kind == PreparedItem::Kind::Picture)
        return it;
    const int n = linesFitting(c, it.rect.height(), true);
    const double avail = it.rect.height() - 2 * c.gapY;
    const double free = std::max(0.0, avail - n * c.lineHeight);
    double offset = 0;
    if (c.vAlign & Qt::AlignVCenter)
        offset = free / 2;
    else if (c.vAlign & Qt::AlignBottom)
        offset = free;
    const double innerWidth = it.rect.width() - 2 * c.gapX;
    for (int i = 0; i < n; ++i) {
        const TextLine& l = c.lines.at(i);
        double x = 0;
        if (c.hAlign & Qt::AlignHCenter)
            x = (innerWidth - l.width) / 2;
        else if (c.hAlign & Qt::AlignRight)
            x = innerWidth - l.width;
        x = std::max(0.0, x);
        it.lines.append({QPointF(it.rect.left() + c.gapX + x,
                                 it.rect.top() + c.gapY + offset + i * c.lineHeight + c.ascent),
                         l.text});
    }
    return it;
}

class Scope final : public ExpressionScope {
public:
    Scope(const ReportDefinition& def, const QList<ReportDataSet>& data, const QDateTime& at)
        : m_def(def), m_data(data), m_at(at)
    {}

    const ReportDataSet* dataSet(const QString& name) const
    {
        for (const ReportDataSet& s : m_data) {
            if (s.name.compare(name, Qt::CaseInsensitive) == 0)
                return &s;
        }
        return nullptr;
    }
    void setRow(const ReportDataSet* set, int row) { m_rows[set] = row; }

    std::optional<QString> field(const QString& dataSet, const QString& column) const override
    {
        const ReportDataSet* set = this->dataSet(dataSet);
        if (!set)
            return std::nullopt;
        const int col = set->columnIndex(column);
        if (col < 0)
            return std::nullopt;
        const int row = m_rows.value(set, 0);
        if (row < 0 || row >= set->rows.size())
            return QString();
        return set->rows.at(row).value(col);
    }

    std::optional<ReportValue> variable(const QString& name) const override
    {
        const QString n = name.toUpper();
        if (n == QLatin1String("DATE"))
            return ReportValue(dateText(m_at.date()));
        if (n == QLatin1String("TIME"))
            return ReportValue(timeText(m_at.time()));
        if (n == QLatin1String("NOW"))
            return ReportValue(dateText(m_at.date()) + QLatin1Char(' ') + timeText(m_at.time()));
        if (n == QLatin1String("PAGE") || n == QLatin1String("PAGE#"))
            return ReportValue(double(page));
        if (n == QLatin1String("TOTALPAGES") || n == QLatin1String("TOTALPAGES#"))
            return ReportValue(double(totalPages));
        if (n == QLatin1String("LINE") || n == QLatin1String("LINE#"))
            return ReportValue(double(line));
        // The text of another text object, so a page footer can repeat what the title shows.
        const ReportObject* memo = m_def.findObject(name);
        if (!memo || !memo->isA("TfrxMemoView") || m_depth >= 4)
            return std::nullopt;
        const QString text = memo->property(QStringLiteral("Text"));
        if (!memo->flag(QStringLiteral("AllowExpressions"), true))
            return ReportValue(text);
        ++m_depth;
        const QString expanded = expandText(text, *this);
        --m_depth;
        return ReportValue(expanded);
    }

    bool forEachRow(const QString& band, const std::function<void()>& visit) const override
    {
        const ReportObject* b = nullptr;
        for (const ReportObject* m : masters) {
            if (band.isEmpty() || m->name().compare(band, Qt::CaseInsensitive) == 0) {
                b = m;
                break;
            }
        }
        if (!b)
            return false;
        const ReportDataSet* set = dataSet(b->property(QStringLiteral("DataSet")));
        if (!set) {
            const int count = std::max(0, int(b->number(QStringLiteral("RowCount"))));
            for (int i = 0; i < count; ++i)
                visit();
            return true;
        }
        const int saved = m_rows.value(set, 0);
        for (int i = 0; i < set->rows.size(); ++i) {
            m_rows[set] = i;
            visit();
        }
        m_rows[set] = saved;
        return true;
    }

    int page = 0;
    int totalPages = 0;
    int line = 0;
    QList<const ReportObject*> masters;

private:
    const ReportDefinition& m_def;
    const QList<ReportDataSet>& m_data;
    QDateTime m_at;
    mutable int m_depth = 0;
    mutable QHash<const ReportDataSet*, int> m_rows;
};

class Layouter {
public:
    Layouter(const ReportDefinition& def, const QList<ReportDataSet>& data, const QDateTime& at,
             int totalPages)
        : m_def(def), m_scope(def, data, at)
    {
        m_scope.totalPages = totalPages;
        m_scope.masters = def.root().findAll("TfrxMasterData");
    }

    PreparedReport run()
    {
        PreparedReport report;
        report.title = m_def.root().property(QStringLiteral("Title"));
        const auto pages = m_def.root().findAll("TfrxReportPage");
        if (pages.isEmpty())
            throw ReportError(QStringLiteral("RAPOR TANIMINDA SAYFA (TfrxReportPage) YOK."));
        for (const ReportObject* page : pages)
            runPage(*page);
        report.pages = std::move(m_pages);
        return report;
    }

private:
    const ReportObject* band(const ReportObject& page, const char* cls) const
    {
        for (const auto& c : page.children()) {
            if (c->isA(cls))
                return c.get();
        }
        return nullptr;
    }

    void runPage(const ReportObject& page)
    {
        double w = page.number(QStringLiteral("PaperWidth"), 210);
        double h = page.number(QStringLiteral("PaperHeight"), 297);
        const bool landscape = page.property(QStringLiteral("Orientation"))
                                   .compare(QLatin1String("poLandscape"), Qt::CaseInsensitive) == 0;
        if (landscape != (w > h))
            std::swap(w, h);
        const double left = std::max(0.0, page.number(QStringLiteral("LeftMargin"), 10));
        const double right = std::max(0.0, page.number(QStringLiteral("RightMargin"), 10));
        const double top = std::max(0.0, page.number(QStringLiteral("TopMargin"), 10));
        const double bottom = std::max(0.0, page.number(QStringLiteral("BottomMargin"), 10));
        if (w < 50 || h < 50 || w > 2000 || h > 2000 || w - left - right < 20 || h - top - bottom < 20)
            throw ReportError(QStringLiteral("RAPOR TANIMINDA \"") + page.name() +
                              QStringLiteral("\" SAYFASININ ÖLÇÜLERİ GEÇERSİZ."));
        m_paper = QSizeF(w * unitsPerMm, h * unitsPerMm);
        m_left = left * unitsPerMm;
        m_top = top * unitsPerMm;
        m_bodyWidth = (w - left - right) * unitsPerMm;
        m_pageBottom = (h - bottom) * unitsPerMm;
        m_header = band(page, "TfrxPageHeader");
        m_footer = band(page, "TfrxPageFooter");
        m_footerHeight =
            m_footer ? std::max(0.0, m_footer->number(QStringLiteral("Height"))) * unitsPerMm : 0;
        m_bottom = m_pageBottom - m_footerHeight;
        const ReportObject* title = band(page, "TfrxReportTitle");
        const bool titleFirst = page.flag(QStringLiteral("TitleBeforeHeader"), true);
        const int firstPage = int(m_pages.size()) + 1;

        startPage(!(title && titleFirst));
        if (title) {
            placeBody([&] { return prepare(*title); }, title->flag(QStringLiteral("AllowSplit"), false));
            if (titleFirst && m_scope.page == firstPage)
                placeHeader();
        }
        for (const auto& c : page.children()) {
            if (c->isA("TfrxMasterData"))
                runMaster(*c);
        }
        if (const ReportObject* summary = band(page, "TfrxReportSummary"))
            placeBody([&] { return prepare(*summary); }, summary->flag(QStringLiteral("AllowSplit"), false));
        finishPage();
    }

    void runMaster(const ReportObject& master)
    {
        const QString setName = master.property(QStringLiteral("DataSet"));
        int count = 0;
        const ReportDataSet* set = nullptr;
        if (!setName.isEmpty()) {
            set = m_scope.dataSet(setName);
            if (!set)
                throw ReportError(QStringLiteral("RAPOR TANIMINDA \"") + master.name() +
                                  QStringLiteral("\" BANDININ \"") + setName +
                                  QStringLiteral("\" VERİ KÜMESİ BULUNAMADI."));
            count = int(set->rows.size());
        } else {
            count = std::max(0, int(master.number(QStringLiteral("RowCount"))));
        }
        const bool split = master.flag(QStringLiteral("AllowSplit"), false);
        for (int i = 0; i < count; ++i) {
            if (set)
                m_scope.setRow(set, i);
            m_scope.line = i + 1;
            placeBody([&] { return prepare(master); }, split);
        }
        m_scope.line = 0;
    }

    void startPage(bool withHeader)
    {
        if (m_pages.size() >= maxPages)
            throw ReportError(QStringLiteral("RAPOR ÇOK UZUN: ") + QString::number(maxPages) +
                              QStringLiteral(" SAYFAYI AŞIYOR."));
        m_pages.append(PreparedPage{m_paper, {}});
        m_scope.page = int(m_pages.size());
        m_y = m_top;
        m_bodyUsed = false;
        if (withHeader)
            placeHeader();
        if (m_bottom - m_y < 5 * unitsPerMm)
            throw ReportError(
                QStringLiteral("RAPOR SAYFASINDA SATIRLARA YER KALMIYOR: SAYFA BAŞLIĞI VE ALTLIĞI "
                               "SAYFAYI DOLDURUYOR."));
    }

    void placeHeader()
    {
        if (!m_header)
            return;
        if (m_scope.page == 1 && !m_header->flag(QStringLiteral("PrintOnFirstPage"), true))
            return;
        put(prepare(*m_header));
    }

    void finishPage()
    {
        if (!m_footer)
            return;
        BandInstance b = prepare(*m_footer);
        clipBand(b, m_footerHeight);
        m_y = m_pageBottom - m_footerHeight;
        put(b);
    }

    void newPage()
    {
        finishPage();
        startPage(true);
    }

    void put(const BandInstance& b)
    {
        PreparedPage& page = m_pages.last();
        for (const Cell& c : b.cells)
            page.items.append(finalize(c, m_y));
        m_y += b.height;
    }

    // A band of the body: moved to the next page when it does not fit, split when it cannot fit any
    // page (or may be split). The band is prepared again on a new page, for its page numbers.
    void placeBody(const std::function<BandInstance()>& make, bool allowSplit)
    {
        BandInstance b = make();
        for (;;) {
            const double avail = m_bottom - m_y;
            if (b.height <= avail + eps) {
                put(b);
                m_bodyUsed = true;
                return;
            }
            if (m_bodyUsed && !(allowSplit && avail > eps && splitUseful(b, avail))) {
                newPage();
                b = make();
                continue;
            }
            auto parts = split(b, avail, false);
            if (parts.second.height >= b.height - eps)
                parts = split(b, avail, true); // nothing moved on: at least one line must go on this page
            put(parts.first);
            newPage();
            b = std::move(parts.second);
        }
    }

    static bool splitUseful(const BandInstance& b, double h)
    {
        for (const Cell& c : b.cells) {
            if (c.item.kind == PreparedItem::Kind::Text && c.item.rect.top() < h &&
                c.item.rect.bottom() > h && linesFitting(c, h - c.item.rect.top(), false) > 0)
                return true;
        }
        return false;
    }

    static std::pair<BandInstance, BandInstance> split(const BandInstance& b, double h, bool force)
    {
        BandInstance first;
        BandInstance rest;
        first.height = h;
        rest.height = std::max(0.0, b.height - h);
        for (const Cell& c : b.cells) {
            const QRectF& r = c.item.rect;
            if (r.bottom() <= h + eps) {
                first.cells.push_back(c);
                continue;
            }
            if (r.top() >= h - eps) {
                Cell moved = c;
                moved.item.rect.translate(0, -h);
                moved.item.line.translate(0, -h);
                rest.cells.push_back(std::move(moved));
                continue;
            }
            if (c.item.kind == PreparedItem::Kind::Picture) {
                first.cells.push_back(c); // a picture is not cut in two; the page clips it
                continue;
            }
            Cell a = c;
            Cell z = c;
            a.item.rect.setBottom(h);
            z.item.rect = QRectF(r.left(), 0, r.width(), r.bottom() - h);
            if (c.item.kind == PreparedItem::Kind::Line) {
                const QLineF& l = c.item.line;
                const double t = l.dy() != 0 ? (h - l.y1()) / l.dy() : 0;
                const QPointF cut = l.pointAt(std::clamp(t, 0.0, 1.0));
                a.item.line = QLineF(l.p1(), cut);
                z.item.line = QLineF(cut, l.p2()).translated(0, -h);
            } else {
                const int k = linesFitting(c, h - r.top(), force);
                a.lines = c.lines.mid(0, k);
                z.lines = c.lines.mid(k);
                z.item.rect.setHeight(std::max(z.item.rect.height(), textHeight(z)));
                rest.height = std::max(rest.height, z.item.rect.bottom());
            }
            first.cells.push_back(std::move(a));
            if (c.item.kind == PreparedItem::Kind::Line || !z.lines.isEmpty() || z.item.rect.height() > eps)
                rest.cells.push_back(std::move(z));
        }
        return {std::move(first), std::move(rest)};
    }

    static void clipBand(BandInstance& b, double height)
    {
        b.height = height;
        for (Cell& c : b.cells) {
            if (c.item.rect.bottom() > height)
                c.item.rect.setBottom(std::max(c.item.rect.top(), height));
            QLineF& l = c.item.line;
            l.setP1(QPointF(l.x1(), std::min(l.y1(), height)));
            l.setP2(QPointF(l.x2(), std::min(l.y2(), height)));
        }
    }

    BandInstance prepare(const ReportObject& band)
    {
        BandInstance b;
        b.height = std::max(0.0, band.number(QStringLiteral("Height"))) * unitsPerMm;
        const bool stretched = band.flag(QStringLiteral("Stretched"), false);
        for (const auto& child : band.children()) {
            if (child->isA("TfrxMemoView"))
                b.cells.push_back(textCell(*child));
            else if (child->isA("TfrxLineView"))
                b.cells.push_back(lineCell(*child));
            else if (child->isA("TfrxPictureView"))
                b.cells.push_back(pictureCell(*child));
        }
        if (stretched) {
            // Objects below a growing text move down with it, so nothing is drawn over.
            const size_t n = b.cells.size();
            std::vector<QRectF> design(n);
            std::vector<double> growth(n, 0);
            std::vector<double> shift(n, 0);
            std::vector<size_t> order(n);
            for (size_t i = 0; i < n; ++i) {
                Cell& c = b.cells[i];
                design[i] = c.item.rect;
                order[i] = i;
                if (c.stretch != Stretch::None) {
                    c.item.rect.setHeight(std::max(c.item.rect.height(), textHeight(c)));
                    growth[i] = c.item.rect.height() - design[i].height();
                }
            }
            std::stable_sort(order.begin(), order.end(),
                             [&](size_t a, size_t z) { return design[a].top() < design[z].top(); });
            for (size_t oi = 0; oi < n; ++oi) {
                const size_t i = order[oi];
                for (size_t oj = 0; oj < oi; ++oj) {
                    const size_t j = order[oj];
                    const bool above = design[j].bottom() <= design[i].top() + eps;
                    const bool overlaps = design[i].left() < design[j].right() - eps &&
                                          design[j].left() < design[i].right() - eps;
                    if (above && overlaps)
                        shift[i] = std::max(shift[i], shift[j] + growth[j]);
                }
            }
            for (size_t i = 0; i < n; ++i) {
                Cell& c = b.cells[i];
                c.item.rect.translate(0, shift[i]);
                c.item.line.translate(0, shift[i]);
                b.height = std::max(b.height, c.item.rect.bottom());
            }
            for (Cell& c : b.cells) {
                if (c.stretch == Stretch::Max && c.item.rect.top() < b.height)
                    c.item.rect.setBottom(b.height);
            }
        }
        // Nothing is drawn outside its band: a box taller than the band is cut at the band's bottom,
        // and the lines that do not fit a box are dropped.
        clipBand(b, b.height);
        for (Cell& c : b.cells)
            c.lines = c.lines.mid(0, linesFitting(c, c.item.rect.height(), true));
        return b;
    }

    QRectF boxOf(const ReportObject& o) const
    {
        const double x = std::max(0.0, o.number(QStringLiteral("Left"))) * unitsPerMm;
        const double y = std::max(0.0, o.number(QStringLiteral("Top"))) * unitsPerMm;
        double w = std::max(0.0, o.number(QStringLiteral("Width"))) * unitsPerMm;
        const double h = std::max(0.0, o.number(QStringLiteral("Height"))) * unitsPerMm;
        w = std::min(w, std::max(0.0, m_bodyWidth - x));
        return QRectF(m_left + std::min(x, m_bodyWidth), y, w, h);
    }

    Cell textCell(const ReportObject& o)
    {
        Cell c;
        PreparedItem& it = c.item;
        it.kind = PreparedItem::Kind::Text;
        it.name = o.name();
        it.rect = boxOf(o);
        it.fill = parseColor(o.property(QStringLiteral("Color")), QColor());
        it.frame = parseFlags(o.property(QStringLiteral("Frame.Typ")),
                              {{"ftLeft", 1}, {"ftRight", 2}, {"ftTop", 4}, {"ftBottom", 8}}) &
                   15;
        it.frameWidth = std::clamp(o.number(QStringLiteral("Frame.Width"), 0.2), 0.0, 5.0) * unitsPerMm;
        it.frameColor = parseColor(o.property(QStringLiteral("Frame.Color")), Qt::black);
        it.font = makeFont(o);
        it.textColor = parseColor(o.property(QStringLiteral("Font.Color")), Qt::black);

        const QString h = o.property(QStringLiteral("HAlign"));
        if (h.compare(QLatin1String("haCenter"), Qt::CaseInsensitive) == 0)
            c.hAlign = Qt::AlignHCenter;
        else if (h.compare(QLatin1String("haRight"), Qt::CaseInsensitive) == 0)
            c.hAlign = Qt::AlignRight;
        const QString v = o.property(QStringLiteral("VAlign"));
        if (v.compare(QLatin1String("vaCenter"), Qt::CaseInsensitive) == 0)
            c.vAlign = Qt::AlignVCenter;
        else if (v.compare(QLatin1String("vaBottom"), Qt::CaseInsensitive) == 0)
            c.vAlign = Qt::AlignBottom;
        const QString s = o.property(QStringLiteral("StretchMode"));
        if (s.compare(QLatin1String("smActualHeight"), Qt::CaseInsensitive) == 0)
            c.stretch = Stretch::Actual;
        else if (s.compare(QLatin1String("smMaxHeight"), Qt::CaseInsensitive) == 0)
            c.stretch = Stretch::Max;
        c.gapX = std::clamp(o.number(QStringLiteral("GapX"), 0.8), 0.0, 20.0) * unitsPerMm;
        c.gapY = std::clamp(o.number(QStringLiteral("GapY"), 0.6), 0.0, 20.0) * unitsPerMm;

        const QFontMetricsF fm(it.font);
        c.lineHeight = fm.lineSpacing() * std::clamp(o.number(QStringLiteral("LineSpacing"), 1.0), 0.5, 5.0);
        c.ascent = fm.ascent();
        const QString raw = o.property(QStringLiteral("Text"));
        const QString text =
            o.flag(QStringLiteral("AllowExpressions"), true) ? expandText(raw, m_scope) : raw;
        c.lines =
            wrapText(text, it.font, it.rect.width() - 2 * c.gapX, o.flag(QStringLiteral("WordWrap"), true));
        return c;
    }

    Cell pictureCell(const ReportObject& o)
    {
        Cell c;
        PreparedItem& it = c.item;
        it.kind = PreparedItem::Kind::Picture;
        it.name = o.name();
        it.rect = boxOf(o);
        const QByteArray data = QByteArray::fromBase64(o.property(QStringLiteral("Picture.Data")).toLatin1());
        // A picture that does not read is left out, like a missing one.
        if (!data.isEmpty())
            it.picture.loadFromData(data);
        return c;
    }

    Cell lineCell(const ReportObject& o)
    {
        Cell c;
        PreparedItem& it = c.item;
        it.kind = PreparedItem::Kind::Line;
        it.name = o.name();
        it.rect = boxOf(o);
        it.line = QLineF(it.rect.topLeft(), it.rect.bottomRight());
        it.lineWidth = std::clamp(o.number(QStringLiteral("Frame.Width"), 0.2), 0.01, 5.0) * unitsPerMm;
        it.lineColor = parseColor(o.property(QStringLiteral("Frame.Color")), Qt::black);
        return c;
    }

    const ReportDefinition& m_def;
    Scope m_scope;
    QList<PreparedPage> m_pages;
    const ReportObject* m_header = nullptr;
    const ReportObject* m_footer = nullptr;
    QSizeF m_paper;
    double m_left = 0;
    double m_top = 0;
    double m_bodyWidth = 0;
    double m_pageBottom = 0;
    double m_footerHeight = 0;
    double m_bottom = 0;
    double m_y = 0;
    bool m_bodyUsed = false;
};

bool mentionsTotalPages(const ReportObject& o)
{
    for (const auto& p : o.properties()) {
        if (p.second.contains(QLatin1String("TotalPages"), Qt::CaseInsensitive))
            return true;
    }
    for (const auto& c : o.children()) {
        if (mentionsTotalPages(*c))
            return true;
    }
    return false;
}

} // namespace

QString PreparedItem::text() const
{
    QStringList parts;
    for (const PreparedLine& l : lines)
        parts.append(l.text);
    return parts.join(QLatin1Char('\n'));
}

QStringList PreparedReport::texts(const QString& itemName) const
{
    QStringList out;
    for (const PreparedPage& p : pages) {
        for (const PreparedItem& it : p.items) {
            if (it.kind == PreparedItem::Kind::Text && it.name.compare(itemName, Qt::CaseInsensitive) == 0)
                out.append(it.text());
        }
    }
    return out;
}

PreparedReport layoutReport(const ReportDefinition& definition, const QList<ReportDataSet>& data,
                            const QDateTime& preparedAt)
{
    PreparedReport report = Layouter(definition, data, preparedAt, 0).run();
    if (!mentionsTotalPages(definition.root()))
        return report;
    // The page count is known only after a first pass; a second pass prints it. Should the count
    // change with the longer text, one more pass settles it.
    for (int pass = 0; pass < 2; ++pass) {
        const int total = int(report.pages.size());
        report = Layouter(definition, data, preparedAt, total).run();
        if (report.pages.size() == total)
            break;
    }
    return report;
}

PreparedReport prepareReportFile(const QString& definitionPath, const QDateTime& preparedAt)
{
    const ReportDefinition definition = ReportDefinition::load(definitionPath);
    return layoutReport(definition, loadDataSets(definition), preparedAt);
}

} // namespace kalvora
