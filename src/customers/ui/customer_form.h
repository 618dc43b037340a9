#pragma once

#include "customers/customer.h"

#include <QDialog>

class QLabel;

namespace kalvora {

class AddressBox;
class ContactLineEdit;
class PictureButton;

// The common body of Form2 and Form3: the heading, the frame "KİŞİ BİLGİLERİ" with its six labelled
// boxes, three buttons, and the window's own key handling (the double quote is dropped everywhere;
// Enter does its usual work in the focused control and then moves the focus on, as Tab would).
class CustomerForm : public QDialog {
    Q_OBJECT
public:
    struct Texts {
        QString objectName;
        QString title;
        QString heading;
        int taxOfficeLimit;
        struct Button {
            QString caption;
            QString tipTitle;
            QString tipText;
        } save, clear, cancel;
    };

    CustomerForm(const Texts& texts, QWidget* parent);

    // The six boxes as they stand, untrimmed.
    CustomerContact contact() const;
    void setContact(const CustomerContact& contact);
    void clearBoxes();

    ContactLineEdit* nameBox() const { return m_text1; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Called by the first button.
    virtual void save() = 0;

private:
    void watchKeys(QWidget* control);

    ContactLineEdit* m_text1 = nullptr;
    ContactLineEdit* m_text2 = nullptr;
    ContactLineEdit* m_text3 = nullptr;
    ContactLineEdit* m_text4 = nullptr;
    ContactLineEdit* m_text5 = nullptr;
    AddressBox* m_text6 = nullptr;
    bool m_passingEnter = false;
};

} // namespace kalvora
