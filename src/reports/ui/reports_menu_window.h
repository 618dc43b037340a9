#pragma once

#include <QDialog>

namespace kalvora {

class Store;

// Form13: the reports menu; each button opens its report window modally over it.
class ReportsMenuWindow final : public QDialog {
    Q_OBJECT
public:
    ReportsMenuWindow(Store& store, const QString& dataFolder, QWidget* parent = nullptr);

private:
    Store& m_store;
    QString m_dataFolder;
};

} // namespace kalvora
