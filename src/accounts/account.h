#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace kalvora {

// The three currencies of the current accounts, stored as their exact texts.
enum class Currency { Tl, Dolar, Euro };
inline constexpr std::array<Currency, 3> allCurrencies{Currency::Tl, Currency::Dolar, Currency::Euro};

QString currencyText(Currency currency); // "TL", "DOLAR", "EURO"
// Exact, case-sensitive match of a stored para_cinsi; any other text is no currency.
std::optional<Currency> currencyOf(const QString& text);

// CARIKART.para: money lent to the person, and money the person paid back (stored negative).
QString loanKind();      // "100"
QString repaymentKind(); // "200"

// One CARIKART row as the card reads it.
struct AccountRow {
    qint64 key = 0;      // otokod
    QString description; // aylar
    QString amount;      // tutar, as stored
    QString date;        // durum
    QString time;        // tarih
    QString currency;    // para_cinsi
    QString kind;        // para
    QString dueDate;     // vade: a date text, empty when the row has no due date of its own
    qint64 version = 0;  // row_version on a server book; 0 where none is kept
};

// The five texts of a card list row: description, amount through "#,##.00", currency, date, time.
QStringList rowTexts(const AccountRow& row);

// "BORÇLU", "ALACAKLI" or "TEMİZ" from a balance text as shown, so a sum that rounds to 0,00 is clean.
QString statusWord(const QString& balanceText);

// The figures of one person's rows: a balance per currency (plain sum of the signed amounts), the sums
// lent and paid back per currency, and the number of rows. A row with another currency text counts in
// no sum but in the number of rows.
class AccountFigures {
public:
    void add(const AccountRow& row);

    int count() const { return m_count; }
    double balance(Currency c) const { return m_balance[index(c)]; }
    double lent(Currency c) const { return m_lent[index(c)]; }
    double paidBack(Currency c) const { return m_paidBack[index(c)]; }

    // "#,##0.00" texts, as the card and the detail window show them.
    QString balanceText(Currency c) const;
    QString lentText(Currency c) const;
    QString paidBackText(Currency c) const;
    QString status(Currency c) const { return statusWord(balanceText(c)); }

    // The first currency, in the order TL, DOLAR, EURO, whose balance text is not zero.
    std::optional<Currency> firstOutstanding() const;

private:
    static size_t index(Currency c) { return static_cast<size_t>(c); }
    std::array<double, 3> m_balance{};
    std::array<double, 3> m_lent{};
    std::array<double, 3> m_paidBack{};
    int m_count = 0;
};

// What a load of the card shows: the rows in order and their figures.
struct AccountState {
    QList<AccountRow> rows;
    AccountFigures figures;
};
AccountState summarize(QList<AccountRow> rows);

// One entry typed into the lending, collecting or edit window.
struct Entry {
    QString description; // as typed; stored through BuyukHarf
    QString amount;      // the amount box's text
    QDate date;
    QString time; // the clock text at saving
    QString currency;
    // Names one save: a press repeated after the server's answer to the first was lost keeps it, so
    // a server book stores the row once. Empty: every call is a save of its own.
    QString saveId;
    QDate dueDate; // a loan's own due date; null for none (and always for a repayment)
};

// tutar of a new row: a loan keeps the typed text; a repayment stores the plain text of the negated
// number (1500,50 becomes -1500,5).
QString newRowAmount(const QString& typed, const QString& kind);
// tutar of an edited row: the box's text with any sign dropped, negated again for a repayment, so a
// repayment stays negative however its amount was retyped and a loan stays positive.
QString editedRowAmount(const QString& boxText, const QString& kind);

} // namespace kalvora
