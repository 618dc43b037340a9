#pragma once

#include <QDialog>

class QLineEdit;
class QLabel;

namespace kalvora {

class PictureButton;

// Form8: asks for the password at start; on a match hides itself and shows the main window.
class LoginWindow final : public QDialog {
    Q_OBJECT
public:
    LoginWindow(const QString& dataFolder, QWidget* parent = nullptr);

    QLineEdit* passwordBox() const { return m_text1; }

Q_SIGNALS:
    void accepted_();      // the password matched
    void closeRequested(); // "KAPAT": end the program

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void login();

    QString m_dataFolder;
    QLineEdit* m_text1;
};

} // namespace kalvora
