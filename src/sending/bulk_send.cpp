#include "sending/bulk_send.h"

#include <QTimer>

namespace kalvora {

BulkSend::BulkSend(DocumentSender& sender, DocumentFor documentFor, QList<BulkTarget> targets,
                   QObject* parent)
    : QObject(parent), m_sender(sender), m_documentFor(std::move(documentFor)), m_targets(std::move(targets))
{}

void BulkSend::start()
{
    if (m_running)
        return;
    m_running = true;
    m_stop = false;
    QTimer::singleShot(0, this, &BulkSend::turn);
}

void BulkSend::stop()
{
    m_stop = true;
}

bool BulkSend::sendNext()
{
    if (m_next >= m_targets.size())
        return false;
    const BulkTarget& t = m_targets.at(m_next);
    const SendOutcome out = m_sender.send(m_documentFor(t.person), m_sender.emailWay(), t.address);
    ++m_next;
    if (out.succeeded) {
        ++m_succeeded;
    } else {
        m_failures.append(t);
        Q_EMIT personFailed(t.person, out.error);
    }
    Q_EMIT progress(m_next, total());
    return m_next < m_targets.size();
}

void BulkSend::turn()
{
    if (m_stop || !sendNext()) {
        m_running = false;
        Q_EMIT finished(m_stop && m_next < m_targets.size());
        return;
    }
    QTimer::singleShot(0, this, &BulkSend::turn);
}

} // namespace kalvora
