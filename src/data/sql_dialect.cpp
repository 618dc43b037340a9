#include "data/sql_dialect.h"

#include <QList>

#include <algorithm>

namespace kalvora {

namespace {

struct Token {
    enum class Kind { Word, Literal, Quoted, Parameter, Space, Other };
    Kind kind;
    QString text;
};

bool wordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

QList<Token> tokenize(const QString& sql)
{
    QList<Token> out;
    int highest = 0;
    const auto n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        const qsizetype start = i;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // A doubled quote stands for itself inside the literal or identifier.
            ++i;
            while (i < n) {
                if (sql.at(i) == c) {
                    if (i + 1 < n && sql.at(i + 1) == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            out.append({c == QLatin1Char('\'') ? Token::Kind::Literal : Token::Kind::Quoted,
                        sql.mid(start, i - start)});
        } else if (c == QLatin1Char('?')) {
            ++i;
            while (i < n && sql.at(i).isDigit())
                ++i;
            int number = i - start > 1 ? sql.mid(start + 1, i - start - 1).toInt() : 0;
            if (number == 0)
                number = highest + 1;
            highest = std::max(highest, number);
            out.append({Token::Kind::Parameter, QLatin1Char('$') + QString::number(number)});
        } else if (c.isSpace()) {
            while (i < n && sql.at(i).isSpace())
                ++i;
            out.append({Token::Kind::Space, sql.mid(start, i - start)});
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
            out.append({Token::Kind::Space, sql.mid(start, i - start)});
        } else if (wordChar(c)) {
            while (i < n && wordChar(sql.at(i)))
                ++i;
            out.append({Token::Kind::Word, sql.mid(start, i - start)});
        } else {
            ++i;
            out.append({Token::Kind::Other, QString(c)});
        }
    }
    return out;
}

bool isWord(const Token& t, const char* word)
{
    return t.kind == Token::Kind::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// A GLOB pattern as an anchored POSIX expression: * and ? become .* and ., a [...] set stays.
QString globAsRegex(const QString& literal)
{
    const QString glob =
        literal.mid(1, literal.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    QString re = QStringLiteral("^");
    for (qsizetype i = 0; i < glob.size(); ++i) {
        const QChar c = glob.at(i);
        if (c == QLatin1Char('*')) {
            re += QStringLiteral(".*");
        } else if (c == QLatin1Char('?')) {
            re += QLatin1Char('.');
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = glob.indexOf(QLatin1Char(']'), i + 2);
            if (close < 0) {
                re += QStringLiteral("\\[");
                continue;
            }
            re += glob.mid(i, close - i + 1);
            i = close;
        } else if (QStringLiteral("\\.^$|()+{}]").contains(c)) {
            re += QLatin1Char('\\') + c;
        } else {
            re += c;
        }
    }
    re += QLatin1Char('$');
    return QLatin1Char('\'') + re.replace(QStringLiteral("'"), QStringLiteral("''")) + QLatin1Char('\'');
}

// The index of the next token that is not blank, or -1.
qsizetype nextSolid(const QList<Token>& tokens, qsizetype from)
{
    for (qsizetype i = from; i < tokens.size(); ++i)
        if (tokens.at(i).kind != Token::Kind::Space)
            return i;
    return -1;
}

bool keepsIs(const Token& t)
{
    return isWord(t, "NULL") || isWord(t, "TRUE") || isWord(t, "FALSE") || isWord(t, "DISTINCT");
}

} // namespace

QString serverStatementText(const QString& embeddedSql)
{
    QList<Token> tokens = tokenize(embeddedSql);
    QString out;
    out.reserve(embeddedSql.size() + 16);
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens.at(i);
        if (t.kind != Token::Kind::Word) {
            out += t.text;
            continue;
        }
        const bool qualifierNext = i + 1 < tokens.size() && tokens.at(i + 1).text == QLatin1String(".");
        const bool afterDot = i > 0 && tokens.at(i - 1).text == QLatin1String(".");
        if (isWord(t, "main") && qualifierNext && !afterDot) {
            ++i; // the dot goes with it
            continue;
        }
        if (isWord(t, "rowid") && !afterDot && !qualifierNext) {
            out += QStringLiteral("ctid");
            continue;
        }
        if (isWord(t, "IS")) {
            const qsizetype a = nextSolid(tokens, i + 1);
            if (a >= 0 && isWord(tokens.at(a), "NOT")) {
                const qsizetype b = nextSolid(tokens, a + 1);
                if (b >= 0 && !keepsIs(tokens.at(b))) {
                    out += QStringLiteral("IS DISTINCT FROM");
                    i = a;
                    continue;
                }
            } else if (a >= 0 && !keepsIs(tokens.at(a))) {
                out += QStringLiteral("IS NOT DISTINCT FROM");
                continue;
            }
        }
        if (isWord(t, "NOT")) {
            const qsizetype a = nextSolid(tokens, i + 1);
            if (a >= 0 && isWord(tokens.at(a), "GLOB")) {
                out += QStringLiteral("!~");
                i = a;
                const qsizetype p = nextSolid(tokens, i + 1);
                if (p >= 0 && tokens.at(p).kind == Token::Kind::Literal)
                    tokens[p].text = globAsRegex(tokens.at(p).text);
                continue;
            }
        }
        if (isWord(t, "GLOB")) {
            out += QLatin1Char('~');
            const qsizetype p = nextSolid(tokens, i + 1);
            if (p >= 0 && tokens.at(p).kind == Token::Kind::Literal)
                tokens[p].text = globAsRegex(tokens.at(p).text);
            continue;
        }
        out += t.text;
    }
    return out;
}

} // namespace kalvora
