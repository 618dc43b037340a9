#include "sending/amount_words.h"

#include <QStringList>

#include <cmath>

namespace kalvora {

namespace {

const char* const ones[] = {"", "BİR", "İKİ", "ÜÇ", "DÖRT", "BEŞ", "ALTI", "YEDİ", "SEKİZ", "DOKUZ"};
const char* const tens[] = {"",     "ON",     "YİRMİ",  "OTUZ",   "KIRK",
                            "ELLİ", "ALTMIŞ", "YETMİŞ", "SEKSEN", "DOKSAN"};
const char* const groups[] = {"", "BİN", "MİLYON", "MİLYAR", "TRİLYON", "KATRİLYON", "KENTİLYON"};

// 1..999 in words; a hundred alone is "YÜZ", never "BİR YÜZ".
void addHundreds(QStringList& words, int n)
{
    const int h = n / 100;
    const int t = (n / 10) % 10;
    const int o = n % 10;
    if (h > 1)
        words << QString::fromUtf8(ones[h]);
    if (h > 0)
        words << QStringLiteral("YÜZ");
    if (t > 0)
        words << QString::fromUtf8(tens[t]);
    if (o > 0)
        words << QString::fromUtf8(ones[o]);
}

struct CurrencyWords {
    const char* unit;
    const char* hundredth;
};

CurrencyWords wordsOf(Currency c)
{
    switch (c) {
    case Currency::Dolar:
        return {"ABD DOLARI", "SENT"};
    case Currency::Euro:
        return {"EURO", "SENT"};
    case Currency::Tl:
        break;
    }
    return {"TÜRK LİRASI", "KURUŞ"};
}

} // namespace

QString numberInWords(qint64 number)
{
    if (number < 0)
        number = -number;
    if (number == 0)
        return QStringLiteral("SIFIR");
    QList<int> parts; // groups of three digits, lowest first
    while (number > 0) {
        parts.append(int(number % 1000));
        number /= 1000;
    }
    QStringList words;
    for (qsizetype g = parts.size() - 1; g >= 0; --g) {
        const int n = parts.at(g);
        if (n == 0)
            continue;
        // "BİN", not "BİR BİN"; every larger group keeps its one ("BİR MİLYON").
        if (!(g == 1 && n == 1))
            addHundreds(words, n);
        if (g > 0)
            words << QString::fromUtf8(groups[g]);
    }
    return words.join(QLatin1Char(' '));
}

QString amountInWords(qint64 hundredths, Currency currency)
{
    if (hundredths < 0)
        hundredths = -hundredths;
    const CurrencyWords w = wordsOf(currency);
    const qint64 whole = hundredths / 100;
    const qint64 part = hundredths % 100;
    QStringList words;
    if (whole > 0 || part == 0)
        words << numberInWords(whole) << QString::fromUtf8(w.unit);
    if (part > 0)
        words << numberInWords(part) << QString::fromUtf8(w.hundredth);
    return words.join(QLatin1Char(' '));
}

QString amountInWords(double amount, Currency currency)
{
    return amountInWords(qint64(std::llround(amount * 100.0)), currency);
}

} // namespace kalvora
