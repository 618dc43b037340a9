#pragma once

#include "customers/customer.h"
#include "sending/document_sender.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace kalvora {

// One person of a bulk sending and the address it goes to.
struct BulkTarget {
    Customer person;
    QString address;
};

// Sends one document to each of many people by e-mail, one person per turn of the event loop, so the
// windows keep answering and a stop takes effect after the person being sent. A failure (no address, a
// refused recipient) is reported and kept, and the others go on.
class BulkSend final : public QObject {
    Q_OBJECT
public:
    using DocumentFor = std::function<SendDocument(const Customer&)>;
    BulkSend(DocumentSender& sender, DocumentFor documentFor, QList<BulkTarget> targets,
             QObject* parent = nullptr);

    void start();
    void stop();
    bool isRunning() const { return m_running; }
    // Sends the next person; false when none is left. start() calls it until the end.
    bool sendNext();

    int total() const { return int(m_targets.size()); }
    int done() const { return m_next; }
    int succeeded() const { return m_succeeded; }
    // The targets that failed, for a second run of those alone.
    const QList<BulkTarget>& failures() const { return m_failures; }

Q_SIGNALS:
    void progress(int done, int total);
    void personFailed(const Customer& person, const QString& error);
    void finished(bool stopped);

private:
    void turn();

    DocumentSender& m_sender;
    DocumentFor m_documentFor;
    QList<BulkTarget> m_targets;
    QList<BulkTarget> m_failures;
    int m_next = 0;
    int m_succeeded = 0;
    bool m_running = false;
    bool m_stop = false;
};

} // namespace kalvora
