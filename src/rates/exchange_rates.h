#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace kalvora {

// The day's dollar and euro rates as the texts shown in TCMB_KUR; an empty text when unknown.
struct ExchangeRates {
    QString dollar;
    QString euro;

    friend bool operator==(const ExchangeRates&, const ExchangeRates&) = default;
};

// The body as text. The charset named by the server (or by the page itself) wins; otherwise UTF-8 when the
// bytes are valid UTF-8, else the Turkish Windows code page older pages were written in. Empty when the body
// holds control characters, so it is no text page at all.
std::optional<QString> decodePage(const QByteArray& body, const QByteArray& declaredCharset = {});

// The central bank's daily XML document (root Tarih_Date): the ForexBuying of the currencies USD and EUR,
// as published with "." turned into ",". Empty when the body is not such a document; both texts empty when
// the document is broken.
std::optional<ExchangeRates> ratesFromXml(const QByteArray& body, const QByteArray& declaredCharset = {});

// The same document's ForexSelling of USD and EUR.
std::optional<ExchangeRates> sellingRatesFromXml(const QByteArray& body,
                                                 const QByteArray& declaredCharset = {});

// The old text page: six characters cut 46 places after the first occurrence of the code, "." turned into
// ",". Empty when the page lacks the code.
QString cutRate(const QString& page, QStringView code);
ExchangeRates ratesFromText(const QString& page);

// The XML document when the body is one, else the text page; both texts empty for anything else.
ExchangeRates ratesFromPage(const QByteArray& body, const QByteArray& declaredCharset = {});

} // namespace kalvora
