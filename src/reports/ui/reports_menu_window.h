#pragma once

#include <QDialog>

namespace kalvora {

class Store;

// Form13: the reports menu; each button opens its report window modally over it.
class ReportsMenuWindow final : public QDialog {
    Q_OBJECT
public:
    ReportsMenuWindow(Store& store, const QString& dataFolder, QWidget* parent = nullptr);

    // Another desk changed the book: the report window open over the menu reads it again.
    void refreshForOtherDesks() { Q_EMIT bookChanged(); }
    // Another desk changed a ledger: an open charts window reads its ledger chart again.
    void refreshLedgersForOtherDesks() { Q_EMIT ledgersChanged(); }

Q_SIGNALS:
    // Tells the report window open over the menu; each report window is connected while it is open.
    void bookChanged();
    void ledgersChanged();

private:
    template <typename Window> void openReport(Window& window);

    Store& m_store;
    QString m_dataFolder;
};

} // namespace kalvora
