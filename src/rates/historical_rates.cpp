#include "rates/historical_rates.h"

#include "data/db_error.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "rates/exchange_rates.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace kalvora {

namespace {

constexpr qint64 maximumBody = 1024 * 1024;

const char* const cacheSchema =
    "CREATE TABLE IF NOT EXISTS KUR_ARSIVI (tarih TEXT PRIMARY KEY, yayin TEXT NOT NULL, "
    "usd_satis TEXT NOT NULL DEFAULT '', eur_satis TEXT NOT NULL DEFAULT '')";

std::optional<double> rateOf(const QString& shown)
{
    const std::optional<double> v = readNumber(shown);
    if (!v || *v <= 0)
        return std::nullopt;
    return v;
}

QString storedRate(const std::optional<double>& v)
{
    return v ? QString::number(*v, 'f', 6) : QString();
}

std::optional<double> readStoredRate(const QString& text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v <= 0)
        return std::nullopt;
    return v;
}

} // namespace

HistoricalRates::HistoricalRates(Store& store, QNetworkAccessManager* network, const QUrl& today,
                                 std::chrono::milliseconds limit, QObject* parent)
    : QObject(parent), m_store(store), m_network(network), m_todayPage(today), m_limit(limit),
      m_clock([] { return QDate::currentDate(); })
{}

HistoricalRates::~HistoricalRates()
{
    releaseReply();
}

QUrl HistoricalRates::archivePage(const QUrl& today, const QDate& day)
{
    QUrl url = today;
    QString folder = today.path();
    folder.truncate(folder.lastIndexOf(QLatin1Char('/')) + 1);
    url.setPath(folder + day.toString(QStringLiteral("yyyyMM")) + QLatin1Char('/') +
                day.toString(QStringLiteral("ddMMyyyy")) + QStringLiteral(".xml"));
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

void HistoricalRates::fetch(const QList<QDate>& days)
{
    abort();
    m_queue.clear();
    for (const QDate& d : days) {
        if (d.isValid() && !m_queue.contains(d))
            m_queue.append(d);
    }
    m_total = static_cast<int>(m_queue.size());
    m_done = 0;
    m_running = true;
    // Answered from the event loop, so a caller connects first and always sees the same order of events.
    QTimer::singleShot(0, this, [this] {
        if (m_running && !m_reply)
            next();
    });
}

void HistoricalRates::abort()
{
    releaseReply();
    m_queue.clear();
    m_running = false;
}

std::optional<double> HistoricalRates::selling(Currency currency, const QDate& day) const
{
    if (currency == Currency::Tl)
        return 1.0;
    const auto it = m_known.constFind(day);
    if (it == m_known.constEnd())
        return std::nullopt;
    return currency == Currency::Dolar ? it->dollar : it->euro;
}

QDate HistoricalRates::publishedFor(const QDate& day) const
{
    return m_known.value(day).day;
}

bool HistoricalRates::fromCache(const QDate& day)
{
    if (m_known.contains(day))
        return true;
    try {
        Database& db = m_store.scratch();
        db.exec(QString::fromLatin1(cacheSchema));
        Statement st =
            db.prepare(QStringLiteral("SELECT yayin, usd_satis, eur_satis FROM KUR_ARSIVI WHERE tarih = ?1"));
        st.bind(1, dateText(day));
        if (!st.step())
            return false;
        Published p;
        p.day = readDateText(st.text(0));
        p.dollar = readStoredRate(st.text(1));
        p.euro = readStoredRate(st.text(2));
        if (!p.day.isValid())
            return false;
        m_known.insert(day, p);
        m_pages.insert(p.day, p);
        return true;
    } catch (const DbError&) {
        return false; // without the cache every day is fetched again
    }
}

void HistoricalRates::remember(const QDate& day, const Published& p)
{
    m_known.insert(day, p);
    // A day not yet over may still get its own publication; only the past is kept for good.
    if (!p.day.isValid() || day >= m_clock())
        return;
    try {
        Database& db = m_store.scratch();
        db.exec(QString::fromLatin1(cacheSchema));
        db.execute(QStringLiteral("INSERT OR REPLACE INTO KUR_ARSIVI (tarih, yayin, usd_satis, eur_satis) "
                                  "VALUES (?1, ?2, ?3, ?4)"),
                   {dateText(day), dateText(p.day), storedRate(p.dollar), storedRate(p.euro)});
    } catch (const DbError&) {
        // The rate is still used for this statement.
    }
}

void HistoricalRates::next()
{
    while (m_running && !m_queue.isEmpty()) {
        const QDate day = m_queue.takeFirst();
        if (fromCache(day)) {
            ++m_done;
            Q_EMIT progress(m_done, m_total);
            continue;
        }
        m_asked = day;
        m_trying = day;
        request(day);
        return;
    }
    finish();
}

void HistoricalRates::request(const QDate& day)
{
    for (QDate d = day; d >= m_asked.addDays(-maximumDaysBack); d = d.addDays(-1)) {
        if (m_unpublished.contains(d))
            continue;
        if (d != m_asked)
            fromCache(d); // a day asked before that was its own publication
        if (const auto it = m_pages.constFind(d); it != m_pages.constEnd()) {
            resolved(*it);
            return;
        }
        m_trying = d;
        if (!m_network) {
            giveUp();
            return;
        }
        QNetworkRequest req(archivePage(m_todayPage, d));
        req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        req.setMaximumRedirectsAllowed(5);
        req.setTransferTimeout(static_cast<int>(m_limit.count()));
        req.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("KALVORA"));
        m_reply = m_network->get(req);
        connect(m_reply, &QNetworkReply::finished, this, &HistoricalRates::replyFinished);
        return;
    }
    resolved(Published{}); // nothing published within reach
}

void HistoricalRates::replyFinished()
{
    QNetworkReply* reply = m_reply.data();
    if (!reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        giveUp(); // no answer from the server at all: the others would fare no better
        return;
    }
    std::optional<ExchangeRates> rates;
    if (reply->error() == QNetworkReply::NoError && status.toInt() >= 200 && status.toInt() <= 299 &&
        reply->bytesAvailable() <= maximumBody)
        rates = sellingRatesFromXml(reply->readAll());
    if (!rates || (rates->dollar.isEmpty() && rates->euro.isEmpty())) {
        m_unpublished.insert(m_trying);
        request(m_trying.addDays(-1));
        return;
    }
    Published p;
    p.day = m_trying;
    p.dollar = rateOf(rates->dollar);
    p.euro = rateOf(rates->euro);
    m_pages.insert(p.day, p);
    if (p.day != m_asked)
        remember(p.day, p);
    resolved(p);
}

void HistoricalRates::resolved(const Published& p)
{
    remember(m_asked, p);
    ++m_done;
    Q_EMIT progress(m_done, m_total);
    next();
}

void HistoricalRates::giveUp()
{
    m_queue.clear();
    m_done = m_total;
    Q_EMIT progress(m_done, m_total);
    finish();
}

void HistoricalRates::finish()
{
    if (!m_running)
        return;
    m_running = false;
    Q_EMIT finished();
}

void HistoricalRates::releaseReply()
{
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace kalvora
