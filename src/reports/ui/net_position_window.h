#pragma once

#include <QDialog>

class QLabel;

namespace kalvora {

class Store;

// Form16: money out, money back and the net position per currency.
class NetPositionWindow final : public QDialog {
    Q_OBJECT
public:
    explicit NetPositionWindow(Store& store, QWidget* parent = nullptr);

    // Computes and shows the nine figures.
    void NETDURUM();
    // Another desk changed the book: the figures are computed again.
    void refreshForOtherDesks() { NETDURUM(); }

private:
    Store& m_store;
    QLabel* m_given[3];
    QLabel* m_received[3];
    QLabel* m_net[3];
};

} // namespace kalvora
