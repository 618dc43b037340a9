#pragma once

#include "accounts/account.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace kalvora {

class Store;

// The central bank's selling rates (ForexSelling) of USD and EUR for past days, from the archive pages
// /kurlar/YYYYMM/DDMMYYYY.xml of the server that publishes today.xml. A day without a publication
// (weekend, holiday) takes the last published day before it, at most ten days back. Rates found are kept
// in the table KUR_ARSIVI of FRData.mdb, so each day is fetched once. Fetches run one after the other
// without blocking; a failure of the network itself stops the remaining ones, whose days stay unknown.
class HistoricalRates final : public QObject {
    Q_OBJECT
public:
    static constexpr int maximumDaysBack = 10;
    static constexpr std::chrono::milliseconds defaultLimit{20000};

    // today: the published today.xml (RateFetcher::address()); its folder holds the archive.
    HistoricalRates(Store& store, QNetworkAccessManager* network, const QUrl& today,
                    std::chrono::milliseconds limit = defaultLimit, QObject* parent = nullptr);
    ~HistoricalRates() override;

    static QUrl archivePage(const QUrl& today, const QDate& day);

    // Starts finding the rates of these days; finished() follows, also when every day was known.
    void fetch(const QList<QDate>& days);
    void abort();
    bool isRunning() const { return m_running; }

    // The selling rate for the day once known (TL is 1).
    std::optional<double> selling(Currency currency, const QDate& day) const;
    // The day whose publication answered for this day.
    QDate publishedFor(const QDate& day) const;

    // The clock that tells which days may still get a publication later (tests set it).
    void setClock(std::function<QDate()> today) { m_clock = std::move(today); }

Q_SIGNALS:
    void progress(int done, int total);
    void finished();

private:
    struct Published {
        QDate day;
        std::optional<double> dollar;
        std::optional<double> euro;
    };
    void next();
    void request(const QDate& day);
    void replyFinished();
    void resolved(const Published& p);
    void giveUp();
    bool fromCache(const QDate& day);
    void remember(const QDate& day, const Published& p);
    void finish();
    void releaseReply();

    Store& m_store;
    QNetworkAccessManager* m_network;
    QUrl m_todayPage;
    std::chrono::milliseconds m_limit;
    std::function<QDate()> m_clock;

    QHash<QDate, Published> m_known; // asked day -> publication
    QHash<QDate, Published> m_pages; // published day -> its rates, this session
    QSet<QDate> m_unpublished;       // days answered "not published" this session
    QList<QDate> m_queue;
    QDate m_asked;  // the day being resolved
    QDate m_trying; // the day whose page is being fetched
    int m_total = 0;
    int m_done = 0;
    bool m_running = false;
    QPointer<QNetworkReply> m_reply;
};

} // namespace kalvora
