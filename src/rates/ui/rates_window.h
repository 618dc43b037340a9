#pragma once

#include "rates/rate_fetcher.h"

#include <QDialog>

#include <chrono>

class QLabel;
class QNetworkAccessManager;

namespace kalvora {

// TCMB_KUR: the day's dollar and euro rates of the central bank. The window appears at once; the rates
// fill in when the answer arrives, and stay empty when there is none.
class RatesWindow final : public QDialog {
    Q_OBJECT
public:
    // Without a network manager of the caller's the window uses one of its own.
    explicit RatesWindow(QWidget* parent = nullptr, QNetworkAccessManager* network = nullptr,
                         std::chrono::milliseconds limit = RateFetcher::defaultLimit);
    ~RatesWindow() override;

    // Fetches the rates (again): both labels empty and a busy cursor until the answer.
    void KURLARIAL();
    bool isFetching() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showRates(const QString& dollar, const QString& euro);

    QLabel* m_dolar = nullptr;
    QLabel* m_euro = nullptr;
    RateFetcher* m_inet1 = nullptr;
    bool m_loaded = false;
};

} // namespace kalvora
