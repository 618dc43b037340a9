#pragma once

#include "rates/exchange_rates.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace kalvora {

// Fetches the central bank's daily rates without blocking: one answer per start, through finished().
// Any failure (no connection, refusal, TLS, a status other than 2xx, too many redirects, a body over the
// size limit, the time limit) gives two empty texts.
class RateFetcher final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultLimit{60000};
    static constexpr qint64 maximumBody = 1024 * 1024;
    static constexpr int maximumRedirects = 5;

    RateFetcher(QNetworkAccessManager* network, std::chrono::milliseconds limit = defaultLimit,
                QObject* parent = nullptr);
    ~RateFetcher() override;

    // The published today.xml, or the address in KALVORA_KUR_URL when that is set.
    static QUrl address();

    // Starts a fetch, dropping one still running without an answer.
    void start(const QUrl& url);
    void start() { start(address()); }
    // Drops the running fetch; finished() is not emitted for it.
    void abort();
    bool isRunning() const { return m_running; }
    // The answer of the last finished fetch.
    const ExchangeRates& rates() const { return m_rates; }

Q_SIGNALS:
    void finished(const QString& dollar, const QString& euro);

private:
    void readBody();
    void checkAnnouncedSize();
    void replyFinished();
    void finish(const ExchangeRates& rates);
    void releaseReply();

    QNetworkAccessManager* m_network;
    std::chrono::milliseconds m_limit;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timer;
    QByteArray m_body;
    ExchangeRates m_rates;
    bool m_running = false;
    quint64 m_generation = 0;
};

} // namespace kalvora
