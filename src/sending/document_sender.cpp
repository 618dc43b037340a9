#include "sending/document_sender.h"

#include <QSet>

#include "data/db_error.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "reports/report_definition.h"
#include "sending/delivery.h"
#include "sending/message_template.h"
#include "sending/phone_number.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <memory>

namespace kalvora {

DocumentSender::DocumentSender(Store& store, SmtpSettings smtp, CompanyInfo sender)
    : m_store(store), m_smtp(std::move(smtp)), m_sender(std::move(sender))
{}

namespace {

MessageFields fieldsOf(const SendDocument& doc, const CompanyInfo& sender)
{
    return {doc.person.name, doc.balances, doc.period, sender.name.trimmed()};
}

} // namespace

QString DocumentSender::subjectFor(const SendDocument& doc) const
{
    const QString t =
        m_sender.subjectTemplate.trimmed().isEmpty() ? defaultSubjectTemplate() : m_sender.subjectTemplate;
    return fillTemplate(t, fieldsOf(doc, m_sender)).simplified();
}

QString DocumentSender::bodyFor(const SendDocument& doc) const
{
    const QString t =
        m_sender.bodyTemplate.trimmed().isEmpty() ? defaultBodyTemplate() : m_sender.bodyTemplate;
    return fillTemplate(t, fieldsOf(doc, m_sender));
}

SendOutcome DocumentSender::send(const SendDocument& doc, SendWay way, const QString& recipient)
{
    SendOutcome out;
    SentItem item;
    item.personKey = doc.person.key;
    item.personName = doc.person.name;
    item.document = doc.document;
    item.way = sendWayText(way);
    item.recipient = recipient.trimmed();
    item.period = doc.period;
    item.balances = doc.balances;

    auto attempt = [&]() -> QString {
        MobileNumber mobile;
        if (way == SendWay::WhatsApp) {
            mobile = turkishMobile(recipient);
            if (!mobile.valid())
                return mobile.error;
            item.recipient = mobile.digits;
        } else if (recipient.trimmed().isEmpty()) {
            return QStringLiteral("E-POSTA ADRESİ YOK.");
        } else if (!looksLikeEmail(recipient)) {
            return QStringLiteral("\"") + recipient.trimmed() +
                   QStringLiteral("\" GEÇERLİ BİR E-POSTA ADRESİ DEĞİL.");
        }
        const QString folder = sentFolder(m_store.folder());
        if (folder.isEmpty())
            return QStringLiteral("GÖNDERİLEN BELGELER KLASÖRÜ OLUŞTURULAMADI.");
        const QString file = newSentFile(folder, doc.filePrefix, doc.person, doc.date);
        try {
            writeDirectReportPdf(doc.report, file);
        } catch (const ReportError& e) {
            return e.text();
        }
        makeFilePrivate(file);
        out.file = file;
        item.file = QFileInfo(file).fileName();
        QString error;
        switch (way) {
        case SendWay::Email: {
            // The server may take seconds to answer: the mail goes on a thread of its own while the event
            // loop keeps the windows painted and their timers running; a click waits for the answer, so
            // nothing starts a second sending meanwhile.
            const MailMessage message{recipient.trimmed(), subjectFor(doc), bodyFor(doc), file};
            MailResult r;
            std::unique_ptr<QThread> thread(QThread::create([&] { r = sendMail(m_smtp, message); }));
            QEventLoop wait;
            QObject::connect(thread.get(), &QThread::finished, &wait, &QEventLoop::quit);
            thread->start();
            if (!thread->isFinished())
                wait.exec(QEventLoop::ExcludeUserInputEvents);
            thread->wait();
            return r.sent ? QString() : r.error;
        }
        case SendWay::MailProgram:
            return openMailProgram(recipient, subjectFor(doc), bodyFor(doc), file, &error) ? QString()
                                                                                           : error;
        case SendWay::WhatsApp:
            return openWhatsApp(mobile, bodyFor(doc), file, &error) ? QString() : error;
        }
        return QString();
    };
    out.error = attempt();
    out.succeeded = out.error.isEmpty();
    item.succeeded = out.succeeded;
    item.error = out.error;
    try {
        SentRecord(m_store).add(item);
    } catch (const DbError& e) {
        out.error = (out.error.isEmpty() ? QString() : out.error + QLatin1Char('\n')) +
                    QStringLiteral("GÖNDERİM KAYDI YAZILAMADI: ") + e.turkishText();
    }
    return out;
}

PersonRule owesMoreThan(Currency currency, double amount)
{
    return [currency, amount](const Customer& p) {
        const QString& text = currency == Currency::Tl      ? p.balanceTl
                              : currency == Currency::Dolar ? p.balanceUsd
                                                            : p.balanceEuro;
        return numberValue(text) > amount;
    };
}

PersonRule isOneOf(const QStringList& keys)
{
    return [chosen = QSet<QString>(keys.cbegin(), keys.cend())](const Customer& p) {
        return chosen.contains(p.key);
    };
}

PersonRule hasOverdue(const QList<OverdueEntry>& entries, Currency currency)
{
    QStringList keys;
    for (const OverdueEntry& e : entries)
        if (e.currency == currency && e.open > 0)
            keys.append(e.personKey);
    return isOneOf(keys);
}

QList<Customer> selectPeople(const QList<Customer>& people, const QList<PersonRule>& rules)
{
    QList<Customer> chosen;
    for (const Customer& p : people) {
        bool all = true;
        for (const PersonRule& r : rules)
            all = all && r(p);
        if (all)
            chosen.append(p);
    }
    return chosen;
}

} // namespace kalvora
