#pragma once

#include <QDialog>

#include <functional>

namespace kalvora {

class Store;

// Form13: the reports menu; each button opens its report window modally over it.
class ReportsMenuWindow final : public QDialog {
    Q_OBJECT
public:
    ReportsMenuWindow(Store& store, const QString& dataFolder, QWidget* parent = nullptr);

    // Another desk changed the book: the report window open over the menu reads it again.
    void refreshForOtherDesks();
    // Another desk changed a ledger: an open charts window reads its ledger chart again.
    void refreshLedgersForOtherDesks();

private:
    template <typename Window> void openReport(Window& window);

    Store& m_store;
    QString m_dataFolder;
    std::function<void()> m_refreshOpen;
    std::function<void()> m_refreshLedgers;
};

} // namespace kalvora
