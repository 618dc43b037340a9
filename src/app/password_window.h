#pragma once

#include <QDialog>

class QLineEdit;

namespace kalvora {

// Form9: sets a new login password by rewriting sifre.dll.
class PasswordWindow final : public QDialog {
    Q_OBJECT
public:
    PasswordWindow(const QString& dataFolder, QWidget* parent = nullptr);

private:
    void confirm();

    QString m_dataFolder;
    QLineEdit* m_text1;
};

} // namespace kalvora
