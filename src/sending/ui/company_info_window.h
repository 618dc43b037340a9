#pragma once

#include "reports/letterhead.h"
#include "sending/smtp_mail.h"

#include <QDialog>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace kalvora {

class Store;

// FirmaBilgileri, "FİRMA BİLGİLERİ": the sender's details printed as the letterhead (kept in the book),
// the message templates of the sendings (kept in the book) and the user's own mail server (kept in the
// user's configuration, the password in a file of its own).
class CompanyInfoWindow final : public QDialog {
    Q_OBJECT
public:
    CompanyInfoWindow(Store& store, QWidget* parent = nullptr,
                      const QString& configFolder = sendingConfigFolder());

    const CompanyInfo& info() const { return m_info; }
    // Reads the boxes into the details and saves them; false (with a message) when something is refused.
    bool save();
    // Takes a PNG or JPEG picture, scaled to fit logoPixels; false (with a message) when it does not read.
    bool setLogoFile(const QString& path);
    void removeLogo();

Q_SIGNALS:
    void saved();

private:
    QLineEdit* addLine(const char* name, const char* caption, int row, const QString& value);
    void showLogo();
    void chooseLogo();

    Store& m_store;
    QString m_configFolder;
    CompanyInfo m_info;
    SmtpSettings m_smtp;
    QList<QLineEdit*> m_lines;
    QPlainTextEdit* m_address = nullptr;
    QLineEdit* m_subject = nullptr;
    QPlainTextEdit* m_body = nullptr;
    QLabel* m_logo = nullptr;
    QLineEdit* m_host = nullptr;
    QSpinBox* m_port = nullptr;
    QComboBox* m_security = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_from = nullptr;
    QGridLayout* m_grid = nullptr;
};

} // namespace kalvora
