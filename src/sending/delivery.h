#pragma once

#include "customers/customer.h"
#include "sending/phone_number.h"

#include <QDate>
#include <QString>

namespace kalvora {

class Store;

// The data folder's gonderilen/, made readable by its owner alone when missing; empty when it cannot be
// made.
QString sentFolder(const QString& dataFolder);
// A new file name there for the person's document of the date: "MUTABAKAT_12_AYSE_YILMAZ_2026-12-10.pdf",
// with a number added when the name is taken.
QString newSentFile(const QString& folder, const QString& prefix, const Customer& person, const QDate& date);
// Makes a written file readable by its owner alone, as the data folder's other files are.
void makeFilePrivate(const QString& path);

// The address the person's documents went to last; empty when none. Throws DbError.
QString rememberedEmail(Store& store, const QString& personKey);
// Keeps it for next time. Throws DbError.
void rememberEmail(Store& store, const QString& personKey, const QString& address);

// The user's own mail program with the message filled in and the file attached (xdg-email); false, with a
// Turkish text, when it cannot be started.
bool openMailProgram(const QString& to, const QString& subject, const QString& body, const QString& file,
                     QString* error);
// https://wa.me/<number>?text=<body> in the browser, and the folder of the file in the file manager so the
// user can attach it (xdg-open).
QString whatsAppAddress(const MobileNumber& number, const QString& body);
bool openWhatsApp(const MobileNumber& number, const QString& body, const QString& file, QString* error);

} // namespace kalvora
