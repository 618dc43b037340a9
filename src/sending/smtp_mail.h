#pragma once

#include <QString>
#include <QStringList>

namespace kalvora {

// The user's own mail server: kept in the user's configuration (smtp.ini), never in the book; the
// password in a file of its own beside it (smtp-sifre), readable by the user alone.
struct SmtpSettings {
    enum class Security { StartTls, Tls, None };
    QString host;
    int port = 587;
    Security security = Security::StartTls;
    QString user;
    QString password;
    QString from;   // the sender's address; empty: the user name
    QString caFile; // certificates to trust besides the system's (a company's own server); empty: none

    bool isSet() const { return !host.trimmed().isEmpty(); }
};

// $XDG_CONFIG_HOME/kalvora (~/.config/kalvora).
QString sendingConfigFolder();
// Reads the settings; nothing set when there are none.
SmtpSettings loadSmtpSettings(const QString& folder = sendingConfigFolder());
// Writes the settings and the password file (mode 0600, written whole or not at all). False, with a
// Turkish text, when a file cannot be written.
bool saveSmtpSettings(const SmtpSettings& settings, QString* error,
                      const QString& folder = sendingConfigFolder());

struct MailMessage {
    QString to;
    QString subject;
    QString body;
    QString attachment; // a PDF file; empty: none
};

struct MailResult {
    bool sent = false;
    QString error; // Turkish, naming what the server said; never the password
};

// Sends one message through the server with libcurl (MIME: the text and the PDF). Blocks until the
// server answers or the time runs out; safe on any thread.
MailResult sendMail(const SmtpSettings& settings, const MailMessage& message, int timeoutSeconds = 60);

// A plausible e-mail address (something@domain.tld, no blanks).
bool looksLikeEmail(const QString& address);

} // namespace kalvora
