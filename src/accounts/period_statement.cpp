#include "accounts/period_statement.h"

#include <algorithm>

namespace kalvora {

namespace {

QString amountText(double v)
{
    return formatAmount(v);
}

} // namespace

QList<Currency> statementCurrencies(std::optional<Currency> chosen)
{
    if (chosen)
        return {*chosen};
    return {allCurrencies.begin(), allCurrencies.end()};
}

PeriodStatement buildPeriodStatement(const QList<AccountRow>& rows, const QDate& from, const QDate& to,
                                     const QList<Currency>& currencies)
{
    struct Dated {
        QDate date;
        const AccountRow* row;
    };
    std::vector<Dated> dated;
    dated.reserve(static_cast<size_t>(rows.size()));
    for (const AccountRow& r : rows)
        dated.push_back({readDateText(r.date), &r});
    // Unreadable dates first, as the date order of the card puts them; then date, then the order written.
    std::stable_sort(dated.begin(), dated.end(), [](const Dated& a, const Dated& b) {
        if (a.date.isValid() != b.date.isValid())
            return !a.date.isValid();
        if (a.date != b.date)
            return a.date < b.date;
        return a.row->key < b.row->key;
    });

    PeriodStatement out;
    out.from = from;
    out.to = to;
    for (Currency c : allCurrencies) {
        if (!currencies.contains(c))
            continue;
        CurrencyStatement s;
        s.currency = c;
        double balance = 0;
        for (const Dated& d : dated) {
            const AccountRow& r = *d.row;
            if (currencyOf(r.currency) != c)
                continue;
            const double amount = numberValue(r.amount);
            if (!d.date.isValid() || d.date < from) {
                s.carriedIn += amount;
                balance += amount;
                continue;
            }
            if (d.date > to)
                continue;
            balance += amount;
            StatementEntry e;
            e.rowKey = r.key;
            e.date = d.date;
            e.dateText = r.date;
            e.description = r.description;
            e.amount = amount;
            // The kind decides the column; a row of another kind goes by its sign, so that carried-in
            // balance, lent and paid back always add up to the closing balance.
            const bool loan = r.kind == loanKind() || (r.kind != repaymentKind() && amount >= 0);
            if (loan)
                e.lent = amount;
            else
                e.paidBack = -amount;
            e.balance = balance;
            s.lentTotal += e.lent;
            s.paidBackTotal += e.paidBack;
            s.entries.append(std::move(e));
        }
        s.closing = balance;
        if (s.entries.isEmpty() && numberValue(s.carriedInText()) == 0)
            continue;
        out.currencies.append(std::move(s));
    }
    return out;
}

QString rateText(double rate)
{
    return QString::number(rate, 'f', 4).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString rateUnavailableText()
{
    return QStringLiteral("KUR ALINAMADI");
}

ExportTable statementTable(const PeriodStatement& statement, const RateLookup& rate)
{
    ExportTable t;
    t.headers = {QStringLiteral("PARA CİNSİ"), QStringLiteral("TARİH"),  QStringLiteral("AÇIKLAMA"),
                 QStringLiteral("ALDIKLARI"),  QStringLiteral("ÖDENEN"), QStringLiteral("BAKİYE"),
                 QStringLiteral("DURUM")};
    t.kinds = {ExportKind::Text,   ExportKind::Date,   ExportKind::Text, ExportKind::Number,
               ExportKind::Number, ExportKind::Number, ExportKind::Text};
    if (rate) {
        t.headers << QStringLiteral("KUR") << QStringLiteral("TL KARŞILIĞI");
        t.kinds << ExportKind::Text << ExportKind::Number;
    }
    t.sheetName = QStringLiteral("HESAP EKSTRESİ");
    const qsizetype width = t.headers.size();
    auto line = [&](const QStringList& texts) {
        QStringList row = texts;
        while (row.size() < width)
            row.append(QString());
        t.rows.append(row);
    };
    for (const CurrencyStatement& s : statement.currencies) {
        const QString code = currencyText(s.currency);
        line({code, dateText(statement.from), QStringLiteral("DEVİR"), QString(), QString(),
              s.carriedInText(), statusWord(s.carriedInText())});
        for (const StatementEntry& e : s.entries) {
            QStringList row{code,
                            e.dateText,
                            e.description,
                            e.lent != 0 ? amountText(e.lent) : QString(),
                            e.paidBack != 0 ? amountText(e.paidBack) : QString(),
                            amountText(e.balance),
                            QString()};
            if (rate && s.currency != Currency::Tl) {
                if (const std::optional<double> r = rate(s.currency, e.date))
                    row << rateText(*r) << amountText(e.amount * *r);
                else
                    row << rateUnavailableText() << rateUnavailableText();
            }
            line(row);
        }
        line({code, QString(), QStringLiteral("DÖNEM TOPLAMI"), amountText(s.lentTotal),
              amountText(s.paidBackTotal), QString(), QString()});
        line({code, dateText(statement.to), QStringLiteral("KAPANIŞ BAKİYESİ"), QString(), QString(),
              s.closingText(), s.closingStatus()});
    }
    return t;
}

} // namespace kalvora
