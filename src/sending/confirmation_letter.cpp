#include "sending/confirmation_letter.h"

#include "accounts/period_statement.h"
#include "data/turkish_text.h"
#include "sending/amount_words.h"
#include "sending/document_sender.h"

#include <QDir>

#include <cmath>

namespace kalvora {

QString LetterBalance::amountText() const
{
    return formatAmount(std::fabs(amount));
}

QString LetterBalance::directionText() const
{
    const QString shown = formatAmount(amount);
    const QString status = statusWord(shown);
    if (status == QStringLiteral("BORÇLU"))
        return QStringLiteral("BORÇ (TARAFIMIZA BORÇLUSUNUZ)");
    if (status == QStringLiteral("ALACAKLI"))
        return QStringLiteral("ALACAK (TARAFINIZA BORÇLUYUZ)");
    return QStringLiteral("BAKİYE YOK");
}

QString LetterBalance::wordsText() const
{
    return QStringLiteral("YALNIZ ") + amountInWords(amount, currency);
}

ConfirmationLetter buildConfirmationLetter(const Customer& person, const QList<AccountRow>& rows,
                                           const QDate& date, int replyDays)
{
    ConfirmationLetter letter;
    letter.person = person;
    letter.date = date;
    letter.replyDays = replyDays;
    const PeriodStatement s =
        buildPeriodStatement(rows, date, date, {allCurrencies.begin(), allCurrencies.end()});
    for (const CurrencyStatement& c : s.currencies) {
        if (c.closingStatus() == QStringLiteral("TEMİZ"))
            continue;
        letter.balances.append({c.currency, c.closing});
    }
    if (letter.balances.isEmpty())
        letter.balances.append({Currency::Tl, 0});
    return letter;
}

QString balancesSummary(const QList<LetterBalance>& balances)
{
    QStringList parts;
    for (const LetterBalance& b : balances) {
        const QString status = statusWord(formatAmount(b.amount));
        const QString direction = status == QStringLiteral("BORÇLU")     ? QStringLiteral(" BORÇ")
                                  : status == QStringLiteral("ALACAKLI") ? QStringLiteral(" ALACAK")
                                                                         : QString();
        parts.append(b.amountText() + QLatin1Char(' ') + currencyText(b.currency) + direction);
    }
    return parts.join(QStringLiteral(", "));
}

QString personDetailsText(const Customer& person)
{
    QStringList lines;
    QStringList first{QStringLiteral("CARİ KODU: ") + person.key};
    const std::pair<const char*, QString> parts[] = {{"İŞ TEL: ", person.workPhone},
                                                     {"CEP TEL: ", person.mobilePhone},
                                                     {"VERGİ DAİRESİ: ", person.taxOffice}};
    for (const auto& [caption, value] : parts) {
        if (!value.trimmed().isEmpty())
            first.append(QString::fromUtf8(caption) + value.trimmed());
    }
    lines.append(first.join(QStringLiteral("   ")));
    if (!person.address.trimmed().isEmpty())
        lines.append(QStringLiteral("ADRES: ") + person.address.trimmed());
    return lines.join(QLatin1Char('\n'));
}

DirectReport letterReport(const ConfirmationLetter& letter, const CompanyInfo& sender,
                          const QString& templatePath)
{
    DirectReport r;
    r.templatePath = templatePath;
    r.columns = {QStringLiteral("S1"), QStringLiteral("S2"), QStringLiteral("S3"), QStringLiteral("S4")};
    for (const LetterBalance& b : letter.balances)
        r.rows.append({currencyText(b.currency), b.amountText(), b.directionText(), b.wordsText()});
    r.memoFields = {{QStringLiteral("Memo1"), QStringLiteral("S1")},
                    {QStringLiteral("Memo2"), QStringLiteral("S2")},
                    {QStringLiteral("Memo3"), QStringLiteral("S3")},
                    {QStringLiteral("Memo4"), QStringLiteral("S4")}};
    const QString date = dateText(letter.date);
    const QString request =
        QStringLiteral("KAYITLARIMIZA GÖRE ") + date +
        QStringLiteral(
            " TARİHİ İTİBARIYLA CARİ HESABINIZIN BAKİYESİ AŞAĞIDA GÖSTERİLMİŞTİR.\n"
            "BAKİYE KAYITLARINIZA UYGUN İSE MEKTUBUN ALTINDAKİ CEVAP KISMINI İMZALAYARAK, UYGUN DEĞİL "
            "İSE KENDİ HESAP EKSTRENİZİ ") +
        QString::number(letter.replyDays) +
        QStringLiteral(" GÜN İÇİNDE TARAFIMIZA GÖNDERMENİZİ RİCA EDERİZ.");
    r.memoTexts = {
        {QStringLiteral("Memo11"), letter.person.name},
        {QStringLiteral("Memo12"), personDetailsText(letter.person)},
        {QStringLiteral("Memo13"), QStringLiteral("TARİH: ") + date},
        {QStringLiteral("Memo16"), request},
        {QStringLiteral("Memo17"), sender.name.trimmed()},
        {QStringLiteral("Memo54"), QStringLiteral("YUKARIDA BİLDİRİLEN ") + date +
                                       QStringLiteral(" TARİHLİ BAKİYELERLE (UYGUN OLANI İŞARETLEYİNİZ):")}};
    r.letterhead = letterheadLines(sender);
    r.logoPng = sender.logoPng;
    return r;
}

} // namespace kalvora

namespace kalvora {

SendDocument letterDocument(const ConfirmationLetter& letter, const CompanyInfo& sender,
                            const QString& dataFolder)
{
    SendDocument d;
    d.person = letter.person;
    d.document = QStringLiteral("MUTABAKAT MEKTUBU");
    d.filePrefix = QStringLiteral("MUTABAKAT");
    d.date = letter.date;
    d.period = dateText(letter.date);
    d.balances = balancesSummary(letter.balances);
    d.report = letterReport(letter, sender, QDir(dataFolder).filePath(QString::fromLatin1(letterTemplate)));
    return d;
}

SendDocument statementDocument(const Customer& person, const PeriodStatement& statement, DirectReport report,
                               const QString& period)
{
    SendDocument d;
    d.person = person;
    d.document = QStringLiteral("HESAP EKSTRESİ");
    d.filePrefix = QStringLiteral("EKSTRE");
    d.date = statement.to;
    d.period = period;
    QList<LetterBalance> closing;
    for (const CurrencyStatement& c : statement.currencies)
        closing.append({c.currency, c.closing});
    if (closing.isEmpty())
        closing.append({Currency::Tl, 0});
    d.balances = balancesSummary(closing);
    d.report = std::move(report);
    return d;
}

} // namespace kalvora
