#include "rates/rate_fetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

namespace kalvora {

namespace {

QByteArray charsetOf(const QByteArray& contentType)
{
    static const QRegularExpression re(QStringLiteral(R"(charset\s*=\s*["']?\s*([^"';\s]+))"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(contentType));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

bool fetchable(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() &&
           (scheme == u"https" || scheme == u"http" || (scheme == u"file" && url.isLocalFile()));
}

} // namespace

RateFetcher::RateFetcher(QNetworkAccessManager* network, std::chrono::milliseconds limit, QObject* parent)
    : QObject(parent), m_network(network), m_limit(limit)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { finish({}); });
}

RateFetcher::~RateFetcher()
{
    releaseReply();
}

QUrl RateFetcher::address()
{
    const QString custom = qEnvironmentVariable("KALVORA_KUR_URL").trimmed();
    if (!custom.isEmpty())
        return QUrl::fromUserInput(custom);
    return QUrl(QStringLiteral("https://www.tcmb.gov.tr/kurlar/today.xml"));
}

void RateFetcher::start(const QUrl& url)
{
    abort();
    m_running = true;
    m_rates = {};
    const quint64 generation = ++m_generation;
    if (!m_network || !fetchable(url)) {
        // Answered from the event loop like every other failure, so callers see one order of events.
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_generation)
                finish({});
        });
        return;
    }
    QNetworkRequest request(url);
    // Plain HTTP may move on to HTTPS, never back.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maximumRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("KALVORA"));
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &RateFetcher::checkAnnouncedSize);
    connect(m_reply, &QNetworkReply::readyRead, this, &RateFetcher::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &RateFetcher::replyFinished);
    m_timer.start(m_limit);
}

void RateFetcher::abort()
{
    releaseReply();
    m_timer.stop();
    m_body.clear();
    m_running = false;
}

void RateFetcher::checkAnnouncedSize()
{
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400)
        return;
    bool known = false;
    const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && length > maximumBody)
        finish({});
}

void RateFetcher::readBody()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(maximumBody + 1 - m_body.size());
    if (m_body.size() > maximumBody)
        finish({});
}

void RateFetcher::replyFinished()
{
    if (!m_reply)
        return;
    readBody();
    if (!m_reply)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (m_reply->error() != QNetworkReply::NoError ||
        (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))) {
        finish({});
        return;
    }
    finish(ratesFromPage(m_body, charsetOf(m_reply->rawHeader(QByteArrayLiteral("Content-Type")))));
}

void RateFetcher::finish(const ExchangeRates& rates)
{
    if (!m_running)
        return;
    abort();
    m_rates = rates;
    Q_EMIT finished(m_rates.dollar, m_rates.euro);
}

void RateFetcher::releaseReply()
{
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace kalvora
