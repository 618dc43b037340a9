#include "rates/exchange_rates.h"

#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace kalvora {

namespace {

// The charset a page names for itself: the XML declaration or an HTML meta tag near its start.
QByteArray charsetInPage(const QByteArray& body)
{
    static const QRegularExpression re(
        QStringLiteral(R"((?:encoding|charset)\s*=\s*["']?\s*([A-Za-z0-9._:-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(body.left(1024)));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

std::optional<QString> decodeAs(const QByteArray& body, const QByteArray& charset)
{
    if (charset.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return decoder.decode(body);
}

QString decodeUnlabelled(const QByteArray& body)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    if (auto turkish = decodeAs(body, QByteArrayLiteral("windows-1254")))
        return *turkish;
    return QString::fromLatin1(body);
}

bool isText(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\v' && u != u'\f' && u != u'\r') || u == 0x7f)
            return false;
    }
    return true;
}

QString shownRate(QString published)
{
    return published.trimmed().replace(u'.', u',');
}

std::optional<ExchangeRates> xmlRates(const QString& text, QStringView field = u"ForexBuying")
{
    QXmlStreamReader xml(text);
    while (!xml.atEnd() && !xml.isStartElement())
        xml.readNext();
    if (!xml.isStartElement() || xml.name() != u"Tarih_Date")
        return std::nullopt;

    ExchangeRates rates;
    bool dollarSeen = false;
    bool euroSeen = false;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"Currency") {
            xml.skipCurrentElement();
            continue;
        }
        QString code = xml.attributes().value(QStringLiteral("CurrencyCode")).trimmed().toString();
        if (code.isEmpty())
            code = xml.attributes().value(QStringLiteral("Kod")).trimmed().toString();
        QString value;
        while (xml.readNextStartElement()) {
            if (xml.name() == field)
                value = xml.readElementText(QXmlStreamReader::SkipChildElements);
            else
                xml.skipCurrentElement();
        }
        if (code == u"USD" && !dollarSeen) {
            rates.dollar = shownRate(value);
            dollarSeen = true;
        } else if (code == u"EUR" && !euroSeen) {
            rates.euro = shownRate(value);
            euroSeen = true;
        }
    }
    // A document cut short or spoilt after the rates is no trustworthy publication.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return ExchangeRates{};
    return rates;
}

} // namespace

std::optional<QString> decodePage(const QByteArray& body, const QByteArray& declaredCharset)
{
    std::optional<QString> text;
    if (const auto bom = QStringConverter::encodingForData(body)) {
        text = QStringDecoder(*bom).decode(body);
    } else {
        text = decodeAs(body, declaredCharset.trimmed());
        if (!text)
            text = decodeAs(body, charsetInPage(body));
        if (!text)
            text = decodeUnlabelled(body);
    }
    if (!isText(*text))
        return std::nullopt;
    return text;
}

std::optional<ExchangeRates> ratesFromXml(const QByteArray& body, const QByteArray& declaredCharset)
{
    const auto text = decodePage(body, declaredCharset);
    if (!text)
        return std::nullopt;
    return xmlRates(*text);
}

std::optional<ExchangeRates> sellingRatesFromXml(const QByteArray& body, const QByteArray& declaredCharset)
{
    const auto text = decodePage(body, declaredCharset);
    if (!text)
        return std::nullopt;
    return xmlRates(*text, u"ForexSelling");
}

QString cutRate(const QString& page, QStringView code)
{
    const qsizetype at = page.indexOf(code);
    // Without the code there is no rate; the characters at a fixed place of the page would only pose as one.
    if (at < 0)
        return QString();
    return page.mid(at + 46, 6).replace(u'.', u',');
}

ExchangeRates ratesFromText(const QString& page)
{
    return {cutRate(page, u"USD"), cutRate(page, u"EUR")};
}

ExchangeRates ratesFromPage(const QByteArray& body, const QByteArray& declaredCharset)
{
    const auto text = decodePage(body, declaredCharset);
    if (!text)
        return {};
    if (auto rates = xmlRates(*text))
        return *rates;
    return ratesFromText(*text);
}

} // namespace kalvora
