#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace kalvora {

// The texts a message template may name: {ADI} the person, {BAKIYE} the balances sent, {TARIH} the
// date or period of the document, {FIRMA} the sender's name.
struct MessageFields {
    QString name;
    QString balance;
    QString date;
    QString company;
};

// The Turkish subject and body a book starts with.
QString defaultSubjectTemplate();
QString defaultBodyTemplate();

// The template with every known field replaced (a field without a value becomes empty); a field the
// template names but no one knows ({ADRES}) stays as it was typed, so the user sees it.
QString fillTemplate(const QString& text, const MessageFields& fields);
// The fields in braces that fillTemplate does not know, in order of appearance, without repeats.
QStringList unknownFields(const QString& text);

} // namespace kalvora
