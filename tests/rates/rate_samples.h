#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

namespace kalvora::test {

// A daily rate document in the central bank's layout, with Turkish names around the two rates so that a
// wrong decoding would show.
inline QString todayXml(const QString& encoding)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="%1"?>
<?xml-stylesheet type="text/xsl" href="isokur.xsl"?>
<Tarih_Date Tarih="14.03.2025" Date="03/14/2025"  Bulten_No="2025/52" >
	<Currency CrossOrder="0" Kod="USD" CurrencyCode="USD">
			<Unit>1</Unit>
			<Isim>ABD DOLARI</Isim>
			<CurrencyName>US DOLLAR</CurrencyName>
			<ForexBuying>36.5318</ForexBuying>
			<ForexSelling>36.5976</ForexSelling>
			<BanknoteBuying>36.5062</BanknoteBuying>
			<BanknoteSelling>36.6525</BanknoteSelling>
				<CrossRateUSD/>
				<CrossRateOther/>
		</Currency>
	<Currency CrossOrder="2" Kod="DKK" CurrencyCode="DKK">
			<Unit>1</Unit>
			<Isim>DANİMARKA KRONU</Isim>
			<CurrencyName>DANISH KRONE</CurrencyName>
			<ForexBuying>5.3241</ForexBuying>
			<ForexSelling>5.3504</ForexSelling>
			<BanknoteBuying>5.3204</BanknoteBuying>
			<BanknoteSelling>5.3633</BanknoteSelling>
				<CrossRateUSD>6.8583</CrossRateUSD>
				<CrossRateOther/>
		</Currency>
	<Currency CrossOrder="9" Kod="EUR" CurrencyCode="EUR">
			<Unit>1</Unit>
			<Isim>EURO</Isim>
			<CurrencyName>EURO</CurrencyName>
			<ForexBuying>39.7451</ForexBuying>
			<ForexSelling>39.8167</ForexSelling>
			<BanknoteBuying>39.7173</BanknoteBuying>
			<BanknoteSelling>39.8764</BanknoteSelling>
				<CrossRateUSD/>
				<CrossRateOther>1.0880</CrossRateOther>
		</Currency>
	<Currency CrossOrder="10" Kod="GBP" CurrencyCode="GBP">
			<Unit>1</Unit>
			<Isim>İNGİLİZ STERLİNİ</Isim>
			<CurrencyName>POUND STERLING</CurrencyName>
			<ForexBuying>47.3084</ForexBuying>
			<ForexSelling>47.5551</ForexSelling>
			<BanknoteBuying>47.2753</BanknoteBuying>
			<BanknoteSelling>47.6264</BanknoteSelling>
				<CrossRateUSD>1.2947</CrossRateUSD>
				<CrossRateOther/>
		</Currency>
	<Currency CrossOrder="22" Kod="XDR" CurrencyCode="XDR">
			<Unit>1</Unit>
			<Isim>ÖZEL ÇEKME HAKKI (SDR)</Isim>
			<CurrencyName>SPECIAL DRAWING RIGHT (SDR)</CurrencyName>
			<ForexBuying>48.6213</ForexBuying>
			<ForexSelling/>
			<BanknoteBuying/>
			<BanknoteSelling/>
				<CrossRateUSD/>
				<CrossRateOther/>
		</Currency>
</Tarih_Date>
)")
        .arg(encoding);
}

inline QByteArray todayXmlUtf8()
{
    return todayXml(QStringLiteral("UTF-8")).toUtf8();
}

inline QByteArray todayXmlIso88599()
{
    QStringEncoder encoder("ISO-8859-9");
    return encoder.encode(todayXml(QStringLiteral("ISO-8859-9")));
}

inline const QString sampleDollar()
{
    return QStringLiteral("36,5318");
}

inline const QString sampleEuro()
{
    return QStringLiteral("39,7451");
}

// A line of the old text page: the rate stands 46 characters after the code.
inline QString textRow(const QString& code, const QString& name, const QString& rate)
{
    return (code + QLatin1Char(' ') + name).leftJustified(46, QLatin1Char(' ')) + rate +
           QStringLiteral("   ...\n");
}

} // namespace kalvora::test
