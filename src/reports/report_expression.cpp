#include "reports/report_expression.h"

#include "data/turkish_text.h"

#include <QtNumeric>

#include <cmath>
#include <memory>
#include <vector>

namespace kalvora {

namespace {

constexpr int maxNesting = 64;
constexpr qsizetype maxExpressionLength = 2000;

struct Token {
    enum Kind { End, Number, String, QuotedName, Ident, Punct, Bad };
    Kind kind = End;
    QString text;
    double number = 0;
};

class Lexer {
public:
    explicit Lexer(const QString& s) : m_s(s) {}

    Token next()
    {
        while (m_pos < m_s.size() && m_s.at(m_pos).isSpace())
            ++m_pos;
        Token t;
        if (m_pos >= m_s.size())
            return t;
        const QChar c = m_s.at(m_pos);
        if (c.isDigit()) {
            const qsizetype start = m_pos;
            while (m_pos < m_s.size() && m_s.at(m_pos).isDigit())
                ++m_pos;
            if (m_pos + 1 < m_s.size() && m_s.at(m_pos) == QLatin1Char('.') && m_s.at(m_pos + 1).isDigit()) {
                ++m_pos;
                while (m_pos < m_s.size() && m_s.at(m_pos).isDigit())
                    ++m_pos;
            }
            t.kind = Token::Number;
            t.number = m_s.mid(start, m_pos - start).toDouble();
            return t;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // 'text' with '' for an apostrophe; "name" for a column
            ++m_pos;
            while (m_pos < m_s.size()) {
                if (m_s.at(m_pos) == c) {
                    if (m_pos + 1 < m_s.size() && m_s.at(m_pos + 1) == c) {
                        t.text.append(c);
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    t.kind = c == QLatin1Char('\'') ? Token::String : Token::QuotedName;
                    return t;
                }
                t.text.append(m_s.at(m_pos++));
            }
            t.kind = Token::Bad;
            return t;
        }
        if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = m_pos;
            while (m_pos < m_s.size() &&
                   (m_s.at(m_pos).isLetterOrNumber() || m_s.at(m_pos) == QLatin1Char('_')))
                ++m_pos;
            if (m_pos < m_s.size() && m_s.at(m_pos) == QLatin1Char('#'))
                ++m_pos;
            t.kind = Token::Ident;
            t.text = m_s.mid(start, m_pos - start);
            return t;
        }
        if (QStringLiteral("+-*/(),.<>").contains(c)) {
            t.kind = Token::Punct;
            t.text = c;
            ++m_pos;
            return t;
        }
        t.kind = Token::Bad;
        return t;
    }

private:
    const QString& m_s;
    qsizetype m_pos = 0;
};

struct Node {
    enum Kind { Number, String, Field, Name, Call, Negate, Binary };
    Kind kind = Number;
    double number = 0;
    QString text; // string, data set, name, function, operator
    QString column;
    std::vector<std::unique_ptr<Node>> args;
};
using NodePtr = std::unique_ptr<Node>;

class Parser {
public:
    explicit Parser(const QString& s) : m_lexer(s) { advance(); }

    NodePtr parseAll()
    {
        NodePtr n = expression();
        if (!n || m_tok.kind != Token::End)
            return nullptr;
        return n;
    }

private:
    void advance() { m_tok = m_lexer.next(); }
    bool isPunct(char c) const { return m_tok.kind == Token::Punct && m_tok.text == QLatin1Char(c); }

    NodePtr expression()
    {
        NodePtr left = term();
        while (left && (isPunct('+') || isPunct('-'))) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Binary;
            n->text = m_tok.text;
            advance();
            NodePtr right = term();
            if (!right)
                return nullptr;
            n->args.push_back(std::move(left));
            n->args.push_back(std::move(right));
            left = std::move(n);
        }
        return left;
    }

    NodePtr term()
    {
        NodePtr left = unary();
        while (left && (isPunct('*') || isPunct('/'))) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Binary;
            n->text = m_tok.text;
            advance();
            NodePtr right = unary();
            if (!right)
                return nullptr;
            n->args.push_back(std::move(left));
            n->args.push_back(std::move(right));
            left = std::move(n);
        }
        return left;
    }

    NodePtr unary()
    {
        // Nesting is bounded so that no text, however odd, can exhaust the stack.
        if (++m_depth > maxNesting)
            return nullptr;
        NodePtr n = unaryInner();
        --m_depth;
        return n;
    }

    NodePtr unaryInner()
    {
        if (isPunct('-')) {
            advance();
            NodePtr inner = unary();
            if (!inner)
                return nullptr;
            auto n = std::make_unique<Node>();
            n->kind = Node::Negate;
            n->args.push_back(std::move(inner));
            return n;
        }
        return primary();
    }

    // name."column" or name.column, the current token being the name
    NodePtr fieldAfterName(const QString& dataSet)
    {
        advance(); // the dot
        if (m_tok.kind != Token::QuotedName && m_tok.kind != Token::Ident)
            return nullptr;
        auto n = std::make_unique<Node>();
        n->kind = Node::Field;
        n->text = dataSet;
        n->column = m_tok.text;
        advance();
        return n;
    }

    NodePtr primary()
    {
        auto n = std::make_unique<Node>();
        switch (m_tok.kind) {
        case Token::Number:
            n->kind = Node::Number;
            n->number = m_tok.number;
            advance();
            return n;
        case Token::String:
            n->kind = Node::String;
            n->text = m_tok.text;
            advance();
            return n;
        case Token::Ident: {
            const QString name = m_tok.text;
            advance();
            if (isPunct('.'))
                return fieldAfterName(name);
            if (isPunct('(')) {
                advance();
                n->kind = Node::Call;
                n->text = name.toUpper();
                if (isPunct(')')) {
                    advance();
                    return n;
                }
                for (;;) {
                    NodePtr arg = expression();
                    if (!arg)
                        return nullptr;
                    n->args.push_back(std::move(arg));
                    if (isPunct(',')) {
                        advance();
                        continue;
                    }
                    if (!isPunct(')'))
                        return nullptr;
                    advance();
                    return n;
                }
            }
            n->kind = Node::Name;
            n->text = name;
            return n;
        }
        case Token::Punct:
            if (isPunct('(')) {
                advance();
                NodePtr inner = expression();
                if (!inner || !isPunct(')'))
                    return nullptr;
                advance();
                return inner;
            }
            if (isPunct('<')) {
                advance();
                if (m_tok.kind != Token::Ident)
                    return nullptr;
                const QString name = m_tok.text;
                advance();
                if (!isPunct('.'))
                    return nullptr;
                NodePtr f = fieldAfterName(name);
                if (!f || !isPunct('>'))
                    return nullptr;
                advance();
                return f;
            }
            return nullptr;
        default:
            return nullptr;
        }
    }

    Lexer m_lexer;
    Token m_tok;
    int m_depth = 0;
};

std::optional<double> numberOf(const ReportValue& v)
{
    if (const double* d = std::get_if<double>(&v))
        return *d;
    return readNumber(std::get<QString>(v));
}

class Evaluator {
public:
    explicit Evaluator(const ExpressionScope& scope) : m_scope(scope) {}

    std::optional<ReportValue> eval(const Node& n) const
    {
        switch (n.kind) {
        case Node::Number:
            return ReportValue(n.number);
        case Node::String:
            return ReportValue(n.text);
        case Node::Field: {
            const auto v = m_scope.field(n.text, n.column);
            if (!v)
                return std::nullopt;
            return ReportValue(*v);
        }
        case Node::Name:
            return m_scope.variable(n.text);
        case Node::Negate: {
            const auto v = eval(*n.args[0]);
            const auto d = v ? numberOf(*v) : std::nullopt;
            if (!d)
                return std::nullopt;
            return ReportValue(-*d);
        }
        case Node::Binary:
            return binary(n);
        case Node::Call:
            return call(n);
        }
        return std::nullopt;
    }

private:
    std::optional<ReportValue> binary(const Node& n) const
    {
        const auto a = eval(*n.args[0]);
        const auto b = eval(*n.args[1]);
        if (!a || !b)
            return std::nullopt;
        const QChar op = n.text.at(0);
        if (op == QLatin1Char('+') &&
            (std::holds_alternative<QString>(*a) || std::holds_alternative<QString>(*b)))
            return ReportValue(valueText(*a) + valueText(*b));
        const auto x = numberOf(*a);
        const auto y = numberOf(*b);
        if (!x || !y)
            return std::nullopt;
        double r = 0;
        switch (op.unicode()) {
        case u'+':
            r = *x + *y;
            break;
        case u'-':
            r = *x - *y;
            break;
        case u'*':
            r = *x * *y;
            break;
        default:
            if (*y == 0)
                return std::nullopt;
            r = *x / *y;
            break;
        }
        if (!qIsFinite(r))
            return std::nullopt;
        return ReportValue(r);
    }

    // The band argument of an aggregate is a bare name, never evaluated.
    static std::optional<QString> bandArgument(const Node& n, size_t index)
    {
        if (n.args.size() <= index)
            return QString();
        const Node& a = *n.args[index];
        if (a.kind != Node::Name)
            return std::nullopt;
        return a.text;
    }

    std::optional<ReportValue> call(const Node& n) const
    {
        const QString& f = n.text;
        if (f == QLatin1String("SUM")) {
            const auto band = bandArgument(n, 1);
            if (n.args.empty() || n.args.size() > 2 || !band)
                return std::nullopt;
            double sum = 0;
            bool failed = false;
            const bool found = m_scope.forEachRow(*band, [&] {
                const auto v = eval(*n.args[0]);
                if (!v) {
                    failed = true;
                    return;
                }
                // A cell that holds no number counts as nothing, like an empty cell.
                if (const auto d = numberOf(*v))
                    sum += *d;
            });
            if (!found || failed)
                return std::nullopt;
            return ReportValue(sum);
        }
        if (f == QLatin1String("COUNT")) {
            const auto band = bandArgument(n, 0);
            if (n.args.size() > 1 || !band)
                return std::nullopt;
            double count = 0;
            if (!m_scope.forEachRow(*band, [&] { ++count; }))
                return std::nullopt;
            return ReportValue(count);
        }
        std::vector<ReportValue> values;
        for (const auto& a : n.args) {
            auto v = eval(*a);
            if (!v)
                return std::nullopt;
            values.push_back(std::move(*v));
        }
        if (f == QLatin1String("FORMATFLOAT") && values.size() == 2) {
            const auto d = numberOf(values[1]);
            if (!d)
                return std::nullopt;
            const QString pattern = valueText(values[0]);
            if (pattern == QLatin1String("#,##.00"))
                return ReportValue(formatAmount(*d, AmountPattern::NoLeadingZero));
            if (pattern == QLatin1String("#,##0.00"))
                return ReportValue(formatAmount(*d, AmountPattern::ZeroPadded));
            return std::nullopt;
        }
        if (f == QLatin1String("UPPERCASE") && values.size() == 1)
            return ReportValue(BuyukHarf(valueText(values[0])));
        if (f == QLatin1String("TRIM") && values.size() == 1)
            return ReportValue(valueText(values[0]).trimmed());
        return std::nullopt;
    }

    const ExpressionScope& m_scope;
};

// Index of the bracket closing the one at open, skipping quoted parts; -1 when there is none.
qsizetype closingBracket(const QString& text, qsizetype open)
{
    int depth = 0;
    QChar quote;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('[')) {
            ++depth;
        } else if (c == QLatin1Char(']')) {
            if (--depth == 0)
                return i;
        }
    }
    return -1;
}

} // namespace

QString valueText(const ReportValue& value)
{
    if (const QString* s = std::get_if<QString>(&value))
        return *s;
    const double d = std::get<double>(value);
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(static_cast<qint64>(d));
    return plainNumberText(d);
}

std::optional<ReportValue> evaluateExpression(const QString& expression, const ExpressionScope& scope)
{
    if (expression.size() > maxExpressionLength)
        return std::nullopt;
    Parser parser(expression);
    const NodePtr tree = parser.parseAll();
    if (!tree)
        return std::nullopt;
    return Evaluator(scope).eval(*tree);
}

QString expandText(const QString& text, const ExpressionScope& scope)
{
    if (!text.contains(QLatin1Char('[')))
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('[')) {
            out.append(c);
            ++i;
            continue;
        }
        const qsizetype close = closingBracket(text, i);
        if (close < 0) {
            out.append(QStringView(text).mid(i));
            break;
        }
        const auto v = evaluateExpression(text.mid(i + 1, close - i - 1), scope);
        if (v)
            out.append(valueText(*v));
        else
            out.append(QStringView(text).mid(i, close - i + 1));
        i = close + 1;
    }
    return out;
}

} // namespace kalvora
