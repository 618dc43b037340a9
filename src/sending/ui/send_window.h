#pragma once

#include "sending/document_sender.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace kalvora {

class Store;

// Gonder, "GÖNDER": one document to its person by e-mail (the user's mail server, or the mail program
// when none is set) or by WhatsApp. Shows the subject and text as they will go; the PDF is written into
// gonderilen/ when it is sent.
class SendWindow final : public QDialog {
    Q_OBJECT
public:
    SendWindow(Store& store, SendDocument document, QWidget* parent = nullptr,
               const QString& configFolder = sendingConfigFolder());

    SendWay way() const;
    void setWay(SendWay way);
    void setRecipient(const QString& text);
    // GÖNDER: false (after the message) when it did not go.
    bool send();
    const SendOutcome& outcome() const { return m_outcome; }

Q_SIGNALS:
    void sent(const SendOutcome& outcome);

private:
    void wayChanged();

    Store& m_store;
    SendDocument m_document;
    CompanyInfo m_sender;
    SmtpSettings m_smtp;
    SendOutcome m_outcome;
    QComboBox* m_way = nullptr;
    QLabel* m_recipientCaption = nullptr;
    QLineEdit* m_recipient = nullptr;
    QLineEdit* m_subject = nullptr;
    QPlainTextEdit* m_body = nullptr;
    QString m_email;
};

} // namespace kalvora
