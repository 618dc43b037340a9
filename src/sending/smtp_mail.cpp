#include "sending/smtp_mail.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QUuid>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace kalvora {

namespace {

const char* const settingsFile = "smtp.ini";
const char* const passwordFile = "smtp-sifre";

// A header text outside ASCII as an RFC 2047 encoded word.
QByteArray encodedHeader(const QString& text)
{
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 128 && c.unicode() >= 32;
    if (ascii)
        return text.toLatin1();
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

void initCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(curl_mime* m) const { curl_mime_free(m); }
    void operator()(curl_slist* s) const { curl_slist_free_all(s); }
};

} // namespace

QString sendingConfigFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("kalvora"));
}

SmtpSettings loadSmtpSettings(const QString& folder)
{
    SmtpSettings s;
    const QString path = QDir(folder).filePath(QString::fromLatin1(settingsFile));
    if (!QFileInfo::exists(path))
        return s;
    QSettings ini(path, QSettings::IniFormat);
    s.host = ini.value(QStringLiteral("smtp/host")).toString();
    s.port = ini.value(QStringLiteral("smtp/port"), 587).toInt();
    const QString sec = ini.value(QStringLiteral("smtp/security")).toString();
    s.security = sec == QStringLiteral("tls")    ? SmtpSettings::Security::Tls
                 : sec == QStringLiteral("none") ? SmtpSettings::Security::None
                                                 : SmtpSettings::Security::StartTls;
    s.user = ini.value(QStringLiteral("smtp/user")).toString();
    s.from = ini.value(QStringLiteral("smtp/from")).toString();
    s.caFile = ini.value(QStringLiteral("smtp/cafile")).toString();
    QFile pw(QDir(folder).filePath(QString::fromLatin1(passwordFile)));
    if (pw.open(QIODevice::ReadOnly))
        s.password = QString::fromUtf8(pw.readAll()).section(QLatin1Char('\n'), 0, 0);
    return s;
}

bool saveSmtpSettings(const SmtpSettings& s, QString* error, const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("AYAR KLASÖRÜ OLUŞTURULAMADI:\n") + folder;
        return false;
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    {
        QSettings ini(QDir(folder).filePath(QString::fromLatin1(settingsFile)), QSettings::IniFormat);
        ini.setValue(QStringLiteral("smtp/host"), s.host.trimmed());
        ini.setValue(QStringLiteral("smtp/port"), s.port);
        ini.setValue(QStringLiteral("smtp/security"),
                     QString::fromLatin1(s.security == SmtpSettings::Security::Tls    ? "tls"
                                         : s.security == SmtpSettings::Security::None ? "none"
                                                                                      : "starttls"));
        ini.setValue(QStringLiteral("smtp/user"), s.user.trimmed());
        ini.setValue(QStringLiteral("smtp/from"), s.from.trimmed());
        ini.setValue(QStringLiteral("smtp/cafile"), s.caFile.trimmed());
        ini.sync();
        if (ini.status() != QSettings::NoError) {
            *error = QStringLiteral("E-POSTA AYARLARI YAZILAMADI:\n") + ini.fileName();
            return false;
        }
    }
    // The temporary file gets the final mode before a byte is written, so the password is never readable
    // by others, not even for a moment.
    const QString pwPath = QDir(folder).filePath(QString::fromLatin1(passwordFile));
    QSaveFile pw(pwPath);
    if (!pw.open(QIODevice::WriteOnly) ||
        !pw.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        pw.write(s.password.toUtf8()) < 0 || !pw.commit()) {
        *error = QStringLiteral("E-POSTA ŞİFRE DOSYASI YAZILAMADI:\n") + pwPath;
        return false;
    }
    return true;
}

bool looksLikeEmail(const QString& address)
{
    // Never starting with "-": the mail program takes the address as an argument.
    static const QRegularExpression re(
        QStringLiteral("^[^-@\\s<>,;\"][^@\\s<>,;\"]*@[^@\\s<>,;\"]+\\.[^@\\s<>,;\"]+$"));
    return re.match(address.trimmed()).hasMatch();
}

MailResult sendMail(const SmtpSettings& s, const MailMessage& m, int timeoutSeconds)
{
    initCurl();
    MailResult result;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = QStringLiteral("E-POSTA GÖNDERİLEMEDİ: BAĞLANTI HAZIRLANAMADI.");
        return result;
    }
    CURL* c = curl.get();
    const QString scheme =
        s.security == SmtpSettings::Security::Tls ? QStringLiteral("smtps://") : QStringLiteral("smtp://");
    const QByteArray url = (scheme + s.host.trimmed() + QLatin1Char(':') + QString::number(s.port)).toUtf8();
    const QString fromAddress = (s.from.trimmed().isEmpty() ? s.user : s.from).trimmed();
    const QByteArray from = "<" + fromAddress.toUtf8() + ">";
    const QByteArray to = "<" + m.to.trimmed().toUtf8() + ">";
    const QByteArray user = s.user.toUtf8();
    const QByteArray password = s.password.toUtf8();
    const QByteArray caFile = QFile::encodeName(s.caFile);
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, long(timeoutSeconds));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 20L);
    if (s.security == SmtpSettings::Security::StartTls)
        curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    if (!s.caFile.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, caFile.constData());
    if (!s.user.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.constData());
    std::unique_ptr<curl_slist, CurlDeleter> rcpt(curl_slist_append(nullptr, to.constData()));
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt.get());

    const QByteArray domain = fromAddress.section(QLatin1Char('@'), 1).toUtf8();
    const QByteArray headerLines[] = {
        "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1(),
        "From: " + from,
        "To: " + to,
        "Subject: " + encodedHeader(m.subject),
        "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + "@" +
            (domain.isEmpty() ? QByteArray("kalvora") : domain) + ">",
    };
    curl_slist* headers = nullptr;
    for (const QByteArray& h : headerLines)
        headers = curl_slist_append(headers, h.constData());
    std::unique_ptr<curl_slist, CurlDeleter> headerList(headers);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);

    std::unique_ptr<curl_mime, CurlDeleter> mime(curl_mime_init(c));
    curl_mimepart* text = curl_mime_addpart(mime.get());
    const QByteArray body = m.body.toUtf8();
    curl_mime_data(text, body.constData(), size_t(body.size()));
    curl_mime_type(text, "text/plain; charset=UTF-8");
    curl_mime_encoder(text, "quoted-printable");
    const QByteArray attachment = QFile::encodeName(m.attachment);
    const QByteArray attachmentName = QFileInfo(m.attachment).fileName().toUtf8();
    if (!m.attachment.isEmpty()) {
        curl_mimepart* file = curl_mime_addpart(mime.get());
        if (curl_mime_filedata(file, attachment.constData()) != CURLE_OK) {
            result.error = QStringLiteral("EK DOSYA OKUNAMADI:\n") + m.attachment;
            return result;
        }
        curl_mime_filename(file, attachmentName.constData());
        curl_mime_type(file, "application/pdf");
        curl_mime_encoder(file, "base64");
    }
    curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());

    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    const CURLcode code = curl_easy_perform(c);
    if (code == CURLE_OK) {
        result.sent = true;
        return result;
    }
    long response = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response);
    QString detail = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    if (!password.isEmpty())
        detail.replace(s.password, QStringLiteral("***"));
    result.error =
        QStringLiteral("E-POSTA GÖNDERİLEMEDİ (") + m.to.trimmed() + QStringLiteral("): ") + detail;
    if (response > 0)
        result.error += QStringLiteral(" [SUNUCU YANITI ") + QString::number(response) + QLatin1Char(']');
    return result;
}

} // namespace kalvora
