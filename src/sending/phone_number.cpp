#include "sending/phone_number.h"

namespace kalvora {

MobileNumber turkishMobile(const QString& typed)
{
    QString s;
    for (const QChar c : typed) {
        if (c.isSpace() || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char('(') ||
            c == QLatin1Char(')') || c == QLatin1Char('/'))
            continue;
        s.append(c);
    }
    const QString shown = typed.trimmed();
    auto refuse = [&](const char* why) {
        return MobileNumber{QString(),
                            QStringLiteral("\"") + shown + QStringLiteral("\" ") + QString::fromUtf8(why)};
    };
    if (s.isEmpty())
        return MobileNumber{QString(), QStringLiteral("CEP TELEFONU NUMARASI GİRİLMEMİŞ.")};
    if (s.startsWith(QLatin1Char('+')))
        s.remove(0, 1);
    else if (s.startsWith(QLatin1String("00")))
        s.remove(0, 2);
    for (const QChar c : std::as_const(s)) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return refuse("BİR TELEFON NUMARASI DEĞİL.");
    }
    if (s.size() == 10 && s.startsWith(QLatin1Char('5')))
        s.prepend(QStringLiteral("90"));
    else if (s.size() == 11 && s.startsWith(QLatin1String("05")))
        s.prepend(QLatin1Char('9'));
    if (s.size() != 12 || !s.startsWith(QLatin1String("905")))
        return refuse("BİR CEP TELEFONU NUMARASI DEĞİL (05XX XXX XX XX BEKLENİR).");
    return MobileNumber{s, QString()};
}

} // namespace kalvora
