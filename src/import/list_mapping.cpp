#include "import/list_mapping.h"

#include "accounts/account.h"
#include "data/turkish_text.h"

#include <QRegularExpression>

#include <cmath>

namespace kalvora {

namespace {

struct FieldInfo {
    ListField field;
    const char* name;
};

const FieldInfo fieldInfos[] = {
    {ListField::Ignore, "AKTARILMAZ"},
    {ListField::Name, "ADI SOYADI"},
    {ListField::WorkPhone, "İŞ TELEFONU"},
    {ListField::MobilePhone, "CEP TELEFONU"},
    {ListField::Phone, "TELEFON"},
    {ListField::IdNumber, "TC KİMLİK NO"},
    {ListField::TaxOffice, "VERGİ DAİRESİ"},
    {ListField::Address, "ADRES"},
    {ListField::BalanceTl, "BAKİYE (TL)"},
    {ListField::BalanceUsd, "BAKİYE (DOLAR)"},
    {ListField::BalanceEuro, "BAKİYE (EURO)"},
    {ListField::PersonKey, "KİŞİ KODU"},
    {ListField::Date, "TARİH"},
    {ListField::Amount, "TUTAR"},
    {ListField::Currency, "PARA BİRİMİ"},
    {ListField::Kind, "BORÇ / ÖDEME"},
    {ListField::Description, "AÇIKLAMA"},
};

bool has(const QString& text, const char* word)
{
    return text.contains(QString::fromUtf8(word));
}

ListField guess(const QString& header)
{
    // Upper case by the Turkish rules, punctuation as blanks: "Adı-Soyadı" and "ADI SOYADI" are one.
    QString h = BuyukHarf(header);
    for (QChar& c : h)
        if (!c.isLetterOrNumber())
            c = QLatin1Char(' ');
    h = QLatin1Char(' ') + h.simplified() + QLatin1Char(' ');
    if (has(h, "BAKİYE") || has(h, "BORÇ BAKİYE") || has(h, " DEVİR")) {
        if (has(h, "DOLAR") || has(h, "USD"))
            return ListField::BalanceUsd;
        if (has(h, "EURO") || has(h, "EUR"))
            return ListField::BalanceEuro;
        return ListField::BalanceTl;
    }
    if (has(h, "VERGİ"))
        return ListField::TaxOffice;
    if (has(h, " TC ") || has(h, "KİMLİK") || has(h, " TCKN "))
        return ListField::IdNumber;
    if (has(h, "ADRES"))
        return ListField::Address;
    if (has(h, " İŞ TEL") || has(h, " İŞ TELEFON"))
        return ListField::WorkPhone;
    if (has(h, " CEP") || has(h, " GSM"))
        return ListField::MobilePhone;
    if (has(h, " TEL") || has(h, "TELEFON"))
        return ListField::Phone;
    if (has(h, "TARİH"))
        return ListField::Date;
    if (has(h, "TUTAR") || has(h, "MİKTAR"))
        return ListField::Amount;
    if (has(h, "PARA BİRİM") || has(h, "DÖVİZ") || has(h, " CİNS") || has(h, " PARA "))
        return ListField::Currency;
    if (has(h, "AÇIKLAMA") || has(h, " NOT "))
        return ListField::Description;
    if (has(h, " İŞLEM") || has(h, " TÜR") || has(h, "BORÇ ALACAK") || has(h, " YÖN"))
        return ListField::Kind;
    if (has(h, " OTO KOD") || has(h, " KOD") || has(h, " NO ") || has(h, " NUMARA"))
        return ListField::PersonKey;
    if (has(h, " AD") || has(h, "İSİM") || has(h, "UNVAN") || has(h, "MÜŞTERİ") || has(h, " KİŞİ") ||
        has(h, " CARİ"))
        return ListField::Name;
    return ListField::Ignore;
}

std::optional<QString> currencyFrom(const QString& text)
{
    const QString t = BuyukHarf(text.trimmed());
    if (t.isEmpty() || t == u"TL" || t == u"TRY" || t == u"₺" || t == u"TÜRK LİRASI")
        return QStringLiteral("TL");
    if (t == u"DOLAR" || t == u"USD" || t == u"$")
        return QStringLiteral("DOLAR");
    if (t == u"EURO" || t == u"EUR" || t == u"€" || t == u"AVRO")
        return QStringLiteral("EURO");
    return std::nullopt;
}

// "100" lent, "200" paid back; nothing when the text says neither.
std::optional<QString> kindFrom(const QString& text)
{
    const QString t = BuyukHarf(text.trimmed());
    if (t == u"100" || t.startsWith(u"BORÇ") || t.contains(u"VERİL") || t == u"B")
        return loanKind();
    if (t == u"200" || t.contains(u"ÖDE") || t.contains(u"TAHSİL") || t.startsWith(u"ALACAK") ||
        t.contains(u"ALIN") || t == u"A")
        return repaymentKind();
    return std::nullopt;
}

QString rowNumber(qsizetype row)
{
    return QString::number(row + 2); // the header is the list's first line
}

struct Cells {
    const SourceTable& table;
    const QList<ListField>& fields;
    int of(ListField f) const
    {
        const auto i = fields.indexOf(f);
        return i >= 0 && i < table.columns.size() ? int(i) : -1;
    }
    QString value(const QStringList& row, ListField f) const
    {
        const int c = of(f);
        return c >= 0 && c < row.size() ? row.at(c).trimmed() : QString();
    }
};

} // namespace

QString fieldName(ListField field)
{
    for (const FieldInfo& f : fieldInfos)
        if (f.field == field)
            return QString::fromUtf8(f.name);
    return {};
}

QList<ListField> allListFields()
{
    QList<ListField> out;
    for (const FieldInfo& f : fieldInfos)
        out << f.field;
    return out;
}

QList<ListField> guessFields(const QStringList& headers)
{
    QList<ListField> out;
    for (const QString& h : headers) {
        const ListField f = guess(h);
        out << (f != ListField::Ignore && out.contains(f) ? ListField::Ignore : f);
    }
    return out;
}

bool usesDecimalPoint(const SourceTable& table, int column)
{
    static const QRegularExpression pointDecimals(QStringLiteral("^-?\\d*\\.\\d{1,2}$"));
    bool point = false;
    for (const QStringList& r : table.rows) {
        if (column >= r.size())
            continue;
        const QString v = r.at(column).trimmed();
        if (v.contains(QLatin1Char(',')))
            return false;
        point = point || pointDecimals.match(v).hasMatch();
    }
    return point;
}

std::optional<double> readListNumber(const QString& text, bool pointDecimal)
{
    QString t = text.trimmed();
    t.remove(QLatin1Char(' '));
    t.remove(QChar(0x00A0));
    if (pointDecimal)
        t.replace(QLatin1Char('.'), QLatin1Char(','));
    return readNumber(t);
}

ListConversion peopleFromList(const SourceTable& table, const QList<ListField>& fields,
                              const QDate& openingDate)
{
    ListConversion out;
    out.book.source = table.file;
    const Cells cells{table, fields};
    const bool separatePhone = cells.of(ListField::MobilePhone) >= 0;
    const ListField balances[3] = {ListField::BalanceTl, ListField::BalanceUsd, ListField::BalanceEuro};
    bool point[3];
    for (int c = 0; c < 3; ++c)
        point[c] = cells.of(balances[c]) >= 0 && usesDecimalPoint(table, cells.of(balances[c]));
    if (cells.of(ListField::Name) < 0) {
        out.book.refusals << QStringLiteral("ADI SOYADI SÜTUNU SEÇİLMEDİ.");
        return out;
    }
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        const QStringList& row = table.rows.at(r);
        const QString name = cells.value(row, ListField::Name);
        if (name.isEmpty()) {
            out.problems.append({r, QStringLiteral("ADI SOYADI BOŞ")});
            continue;
        }
        std::array<std::optional<double>, 3> amounts;
        bool readable = true;
        for (int c = 0; c < 3; ++c) {
            const QString text = cells.value(row, balances[c]);
            amounts[size_t(c)] = text.isEmpty() ? 0.0 : readListNumber(text, point[c]);
            if (!amounts[size_t(c)]) {
                out.problems.append({r, fieldName(balances[c]) + QStringLiteral(" OKUNAMADI: ") + text});
                out.book.unreadable.append({table.file, QStringLiteral("LİSTE"), rowNumber(r),
                                            table.columns.at(cells.of(balances[c])), text});
                readable = false;
            }
        }
        if (!readable)
            continue;
        const QString key = rowNumber(r);
        QStringList person{
            key,
            BuyukHarf(name),
            BuyukHarf(cells.value(row, ListField::WorkPhone)),
            BuyukHarf(cells.value(row, separatePhone ? ListField::MobilePhone : ListField::Phone)),
            BuyukHarf(cells.value(row, ListField::IdNumber)),
            BuyukHarf(cells.value(row, ListField::TaxOffice)),
            BuyukHarf(row.value(cells.of(ListField::Address))),
            QStringLiteral("0"),
            QStringLiteral("0"),
            QStringLiteral("0")};
        if (separatePhone && person.at(2).isEmpty())
            person[2] = BuyukHarf(cells.value(row, ListField::Phone));
        out.book.people.append(person);
        for (Currency c : allCurrencies) {
            const double v = *amounts[size_t(c)];
            if (std::llround(v * 100.0) == 0)
                continue;
            out.book.transactions.append({QString(), key, QStringLiteral("DEVİR"), plainNumberText(v),
                                          dateText(openingDate), QStringLiteral("00:00:00"), currencyText(c),
                                          person.at(1), person.at(2), person.at(3), person.at(4),
                                          person.at(5), person.at(6), v > 0 ? loanKind() : repaymentKind()});
        }
    }
    return out;
}

ListConversion transactionsFromList(const SourceTable& table, const QList<ListField>& fields,
                                    const QList<BookPersonName>& bookPeople)
{
    ListConversion out;
    out.book.source = table.file;
    out.book.transactionsNameBookPeople = true;
    const Cells cells{table, fields};
    if (cells.of(ListField::Amount) < 0 || cells.of(ListField::Date) < 0 ||
        (cells.of(ListField::PersonKey) < 0 && cells.of(ListField::Name) < 0)) {
        out.book.refusals << QStringLiteral("TARİH, TUTAR VE KİŞİ (KOD YA DA AD) SÜTUNLARI SEÇİLMELİ.");
        return out;
    }
    const bool point = usesDecimalPoint(table, cells.of(ListField::Amount));
    QHash<QString, const BookPersonName*> byKey;
    QHash<QString, QList<const BookPersonName*>> byName;
    for (const BookPersonName& p : bookPeople) {
        byKey.insert(p.key, &p);
        byName[p.name].append(&p);
    }
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        const QStringList& row = table.rows.at(r);
        auto refuse = [&](const QString& column, const QString& reason) {
            out.problems.append({r, reason});
            out.book.unreadable.append({table.file, QStringLiteral("LİSTE"), rowNumber(r), column, reason});
        };
        const BookPersonName* person = nullptr;
        const QString key = cells.value(row, ListField::PersonKey);
        const QString name = BuyukHarf(cells.value(row, ListField::Name));
        if (!key.isEmpty()) {
            person = byKey.value(key);
        } else if (byName.value(name).size() == 1) {
            person = byName.value(name).first();
        } else if (byName.value(name).size() > 1) {
            refuse(QStringLiteral("KİŞİ"), QStringLiteral("BU ADDA BİRDEN ÇOK KİŞİ VAR: ") + name);
            continue;
        }
        if (!person) {
            refuse(QStringLiteral("KİŞİ"),
                   QStringLiteral("KİŞİ DEFTERDE YOK: ") + (key.isEmpty() ? name : key));
            continue;
        }
        const QString amountText = cells.value(row, ListField::Amount);
        const std::optional<double> amount = readListNumber(amountText, point);
        if (!amount || std::llround(*amount * 100.0) == 0) {
            refuse(QStringLiteral("TUTAR"), QStringLiteral("TUTAR OKUNAMADI: ") + amountText);
            continue;
        }
        const QString dateValue = cells.value(row, ListField::Date);
        const QDate date = readDateText(dateValue.section(QLatin1Char(' '), 0, 0));
        if (!date.isValid()) {
            refuse(QStringLiteral("TARİH"), QStringLiteral("TARİH OKUNAMADI: ") + dateValue);
            continue;
        }
        const std::optional<QString> currency = currencyFrom(cells.value(row, ListField::Currency));
        if (!currency) {
            refuse(QStringLiteral("PARA BİRİMİ"),
                   QStringLiteral("PARA BİRİMİ OKUNAMADI: ") + cells.value(row, ListField::Currency));
            continue;
        }
        std::optional<QString> kind = *amount > 0 ? loanKind() : repaymentKind();
        if (cells.of(ListField::Kind) >= 0) {
            kind = kindFrom(cells.value(row, ListField::Kind));
            if (!kind) {
                refuse(QStringLiteral("BORÇ / ÖDEME"), QStringLiteral("BORÇ YA DA ÖDEME OLDUĞU OKUNAMADI: ") +
                                                           cells.value(row, ListField::Kind));
                continue;
            }
        }
        const double magnitude = std::fabs(*amount);
        const QString stored = plainNumberText(*kind == loanKind() ? magnitude : -magnitude);
        out.book.transactions.append({QString(), person->key,
                                      BuyukHarf(cells.value(row, ListField::Description)), stored,
                                      dateText(date), QStringLiteral("00:00:00"), *currency, person->name,
                                      QString(), QString(), QString(), QString(), QString(), *kind});
    }
    return out;
}

} // namespace kalvora
