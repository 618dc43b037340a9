#include "reports/report_expression.h"

#include <QTest>

#include <map>

using namespace kalvora;

namespace {

// Two data sets: TABLO_GLR (S1 text, S2 amount) and an empty one; the band "MasterData1" runs over
// TABLO_GLR.
class FakeScope final : public ExpressionScope {
public:
    std::optional<QString> field(const QString& dataSet, const QString& column) const override
    {
        const QString d = dataSet.toUpper();
        const QString c = column.toUpper();
        if (d == QLatin1String("BOS") && c == QLatin1String("S1"))
            return QString();
        if (d != QLatin1String("TABLO_GLR"))
            return std::nullopt;
        const int col = c == QLatin1String("S1") ? 0 : c == QLatin1String("S2") ? 1 : -1;
        if (col < 0)
            return std::nullopt;
        return rows.at(row).at(col);
    }
    std::optional<ReportValue> variable(const QString& name) const override
    {
        const QString n = name.toUpper();
        if (n == QLatin1String("DATE"))
            return ReportValue(QStringLiteral("05.03.2024"));
        if (n == QLatin1String("TIME"))
            return ReportValue(QStringLiteral("14:07:09"));
        if (n == QLatin1String("PAGE#"))
            return ReportValue(2.0);
        if (n == QLatin1String("TOTALPAGES#"))
            return ReportValue(3.0);
        return std::nullopt;
    }
    bool forEachRow(const QString& band, const std::function<void()>& visit) const override
    {
        if (!band.isEmpty() && band.compare(QLatin1String("MasterData1"), Qt::CaseInsensitive) != 0)
            return false;
        const int saved = row;
        for (row = 0; row < rows.size(); ++row)
            visit();
        row = saved;
        return true;
    }

    QList<QStringList> rows{{QStringLiteral("KİRA"), QStringLiteral("1.500,50")},
                            {QStringLiteral("ALİ'NİN [BORCU]"), QStringLiteral("-250,00")},
                            {QStringLiteral("NOT"), QStringLiteral("")},
                            {QStringLiteral("X"), QStringLiteral(",50")}};
    mutable int row = 0;
};

} // namespace

class TestReportExpression : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void expand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("expected");
        QTest::newRow("column of the current row")
            << QStringLiteral("[TABLO_GLR.\"S1\"]") << 0 << QStringLiteral("KİRA");
        QTest::newRow("names without regard to case")
            << QStringLiteral("[tablo_glr.\"s2\"]") << 0 << QStringLiteral("1.500,50");
        QTest::newRow("angle brackets")
            << QStringLiteral("[<TABLO_GLR.\"S2\">]") << 1 << QStringLiteral("-250,00");
        QTest::newRow("unquoted column") << QStringLiteral("[TABLO_GLR.S1]") << 2 << QStringLiteral("NOT");
        QTest::newRow("value with brackets is not expanded again")
            << QStringLiteral("[TABLO_GLR.\"S1\"]") << 1 << QStringLiteral("ALİ'NİN [BORCU]");
        QTest::newRow("caption with date and time")
            << QStringLiteral("VERDİĞİM PARALAR  Tarih:  [Date]      Saat:  [Time]") << 0
            << QStringLiteral("VERDİĞİM PARALAR  Tarih:  05.03.2024      Saat:  14:07:09");
        QTest::newRow("page numbers")
            << QStringLiteral("SAYFA [Page#] / [TotalPages#]") << 0 << QStringLiteral("SAYFA 2 / 3");
        QTest::newRow("unknown name stays")
            << QStringLiteral("ALİ [MARKET] VELİ") << 0 << QStringLiteral("ALİ [MARKET] VELİ");
        QTest::newRow("unknown column stays")
            << QStringLiteral("[TABLO_GLR.\"S9\"]") << 0 << QStringLiteral("[TABLO_GLR.\"S9\"]");
        QTest::newRow("unclosed bracket stays")
            << QStringLiteral("A [Date") << 0 << QStringLiteral("A [Date");
        QTest::newRow("broken expression stays") << QStringLiteral("[1 +]") << 0 << QStringLiteral("[1 +]");
        QTest::newRow("empty brackets stay") << QStringLiteral("[]") << 0 << QStringLiteral("[]");
        QTest::newRow("apostrophe outside")
            << QStringLiteral("O'NEIL [Date]") << 0 << QStringLiteral("O'NEIL 05.03.2024");
        QTest::newRow("bracket inside a string") << QStringLiteral("['a]b']") << 0 << QStringLiteral("a]b");
        QTest::newRow("doubled apostrophe")
            << QStringLiteral("['ALİ''NİN']") << 0 << QStringLiteral("ALİ'NİN");
        QTest::newRow("empty cell of an empty set")
            << QStringLiteral("<[BOS.\"S1\"]>") << 0 << QStringLiteral("<>");
        QTest::newRow("several") << QStringLiteral("[Page#]-[Page#]") << 0 << QStringLiteral("2-2");
        QTest::newRow("concatenation") << QStringLiteral("[TABLO_GLR.\"S1\" + ' / ' + Date]") << 0
                                       << QStringLiteral("KİRA / 05.03.2024");
        QTest::newRow("arithmetic") << QStringLiteral("[(2 + 3) * 4 - 10 / 4]") << 0
                                    << QStringLiteral("17,5");
        QTest::newRow("negation") << QStringLiteral("[-TABLO_GLR.\"S2\"]") << 0 << QStringLiteral("-1500,5");
        QTest::newRow("division by zero stays") << QStringLiteral("[1/0]") << 0 << QStringLiteral("[1/0]");
        QTest::newRow("text minus number stays")
            << QStringLiteral("[TABLO_GLR.\"S1\" - 1]") << 0 << QStringLiteral("[TABLO_GLR.\"S1\" - 1]");
        QTest::newRow("count") << QStringLiteral("İŞLEM SAYISI: [COUNT(MasterData1)]") << 0
                               << QStringLiteral("İŞLEM SAYISI: 4");
        QTest::newRow("count of an unknown band stays")
            << QStringLiteral("[COUNT(MasterData9)]") << 0 << QStringLiteral("[COUNT(MasterData9)]");
        // 1.500,50 - 250,00 + ,50; the empty cell counts as nothing
        QTest::newRow("sum of Turkish amounts")
            << QStringLiteral("[FormatFloat('#,##0.00', SUM(<TABLO_GLR.\"S2\">, MasterData1))]") << 0
            << QStringLiteral("1.251,00");
        QTest::newRow("sum keeps the current row")
            << QStringLiteral("[SUM(TABLO_GLR.\"S2\")] [TABLO_GLR.\"S1\"]") << 2
            << QStringLiteral("1251 NOT");
        QTest::newRow("format without leading zero")
            << QStringLiteral("[FormatFloat('#,##.00', TABLO_GLR.\"S2\")]") << 3 << QStringLiteral(",50");
        QTest::newRow("upper case, Turkish")
            << QStringLiteral("[UpperCase('istanbul ışık')]") << 0 << QStringLiteral("İSTANBUL IŞIK");
        QTest::newRow("deep nesting stays")
            << QLatin1Char('[') + QString(5000, QLatin1Char('(')) + QLatin1Char(']') << 0
            << QLatin1Char('[') + QString(5000, QLatin1Char('(')) + QLatin1Char(']');
        QTest::newRow("nesting within bounds")
            << QStringLiteral("[((((((((((1))))))))))]") << 0 << QStringLiteral("1");
        const QString longSum = QStringLiteral("1") + QStringLiteral("+1").repeated(3000);
        QTest::newRow("very long expression stays") << QLatin1Char('[') + longSum + QLatin1Char(']') << 0
                                                    << QLatin1Char('[') + longSum + QLatin1Char(']');
        QTest::newRow("unknown function stays")
            << QStringLiteral("[Foo(1)]") << 0 << QStringLiteral("[Foo(1)]");
    }
    void expand()
    {
        QFETCH(QString, text);
        QFETCH(int, row);
        QFETCH(QString, expected);
        FakeScope scope;
        scope.row = row;
        QCOMPARE(expandText(text, scope), expected);
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole") << 12.0 << QStringLiteral("12");
        QTest::newRow("negative whole") << -3.0 << QStringLiteral("-3");
        QTest::newRow("fraction") << 2.5 << QStringLiteral("2,5");
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(valueText(ReportValue(value)), expected);
    }
};

QTEST_GUILESS_MAIN(TestReportExpression)
#include "tst_report_expression.moc"
