#include "sending/message_template.h"

#include <QRegularExpression>

namespace kalvora {

namespace {

const QRegularExpression& fieldPattern()
{
    static const QRegularExpression re(QStringLiteral("\\{([^{}\\s]+)\\}"));
    return re;
}

} // namespace

QString defaultSubjectTemplate()
{
    return QStringLiteral("CARİ HESAP DURUMU ({TARIH})");
}

QString defaultBodyTemplate()
{
    return QStringLiteral("SAYIN {ADI},\n\n{TARIH} TARİHİ İTİBARIYLA CARİ HESAP BAKİYENİZ: {BAKIYE}\n\n"
                          "HESAP BELGENİZ EKTEDİR. BİLGİLERİNİZE SUNARIZ.\n\nSAYGILARIMIZLA,\n{FIRMA}");
}

QString fillTemplate(const QString& text, const MessageFields& fields)
{
    const QMap<QString, QString> values{{QStringLiteral("ADI"), fields.name},
                                        {QStringLiteral("BAKIYE"), fields.balance},
                                        {QStringLiteral("TARIH"), fields.date},
                                        {QStringLiteral("FIRMA"), fields.company}};
    QString out;
    qsizetype last = 0;
    auto it = fieldPattern().globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const auto value = values.constFind(m.captured(1));
        if (value == values.constEnd())
            continue;
        out += QStringView(text).mid(last, m.capturedStart() - last);
        out += *value;
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out.trimmed();
}

QStringList unknownFields(const QString& text)
{
    static const QStringList known{QStringLiteral("ADI"), QStringLiteral("BAKIYE"), QStringLiteral("TARIH"),
                                   QStringLiteral("FIRMA")};
    QStringList found;
    auto it = fieldPattern().globalMatch(text);
    while (it.hasNext()) {
        const QString name = it.next().captured(1);
        if (!known.contains(name) && !found.contains(name))
            found.append(name);
    }
    return found;
}

} // namespace kalvora
