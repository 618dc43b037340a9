#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <variant>

namespace kalvora {

// The value of an expression: a text or a number.
using ReportValue = std::variant<QString, double>;

// What an expression can see while a report is laid out.
class ExpressionScope {
public:
    virtual ~ExpressionScope() = default;
    // The column of the current row of the data set (names without regard to case); no value when
    // there is no such data set or column.
    virtual std::optional<QString> field(const QString& dataSet, const QString& column) const = 0;
    // Date, Time, Page#, TotalPages#, Line#, or the text of the text object of that name; no value
    // when the name is unknown.
    virtual std::optional<ReportValue> variable(const QString& name) const = 0;
    // Calls visit once for every row of the band's data set, with that row current (an empty band
    // name means the first data band); false when there is no such band.
    virtual bool forEachRow(const QString& band, const std::function<void()>& visit) const = 0;
};

// A number as a report shows it: whole numbers without decimals, others with a decimal comma.
QString valueText(const ReportValue& value);

// Evaluates one expression (the text between the brackets):
//   TABLO_GLR."S1"  <TABLO_GLR."S1">  Date  Time  Page#  'text'  12.5  + - * / ( )
//   Memo11 (another text object's text)
//   SUM(expr[, band])  COUNT(band)  FormatFloat('#,##0.00', expr)  UpperCase(expr)  Trim(expr)
// No value when it does not parse or names something unknown.
std::optional<ReportValue> evaluateExpression(const QString& expression, const ExpressionScope& scope);

// Replaces every [expression] of a text by its value. A bracketed part that cannot be evaluated stays
// as written, so ordinary text in brackets prints unchanged. Values are never expanded again.
QString expandText(const QString& text, const ExpressionScope& scope);

} // namespace kalvora
