#include "sending/ui/letter_window.h"

#include "accounts/account_book.h"
#include "data/clock.h"
#include "data/db_error.h"
#include "data/turkish_text.h"
#include "reports/report_definition.h"
#include "reports/ui/list_printing.h"
#include "sending/document_sender.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"

#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

#include <tuple>

namespace kalvora {

std::pair<QDateEdit*, QSpinBox*> addLetterDateInputs(QGridLayout* grid, int row, const char* daysName)
{
    QWidget* parent = grid->parentWidget();
    auto* dateCaption = new QLabel(QStringLiteral("MUTABAKAT TARİHİ:"), parent);
    auto* date = new QDateEdit(Clock::today(), parent);
    date->setObjectName(QStringLiteral("DTPicker1"));
    date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    date->setCalendarPopup(true);
    nameByCaption(dateCaption, date);
    grid->addWidget(dateCaption, row, 0);
    grid->addWidget(date, row, 1);
    auto* daysCaption = new QLabel(QStringLiteral("CEVAP SÜRESİ (GÜN):"), parent);
    auto* days = new QSpinBox(parent);
    days->setObjectName(QString::fromLatin1(daysName));
    days->setRange(1, 90);
    days->setValue(15);
    nameByCaption(daysCaption, days);
    grid->addWidget(daysCaption, row + 1, 0);
    grid->addWidget(days, row + 1, 1);
    return {date, days};
}

LetterWindow::LetterWindow(Store& store, const Customer& person, QWidget* parent)
    : QDialog(parent), m_store(store), m_person(person)
{
    setObjectName(QStringLiteral("Mutabakat"));
    setWindowTitle(QStringLiteral("MUTABAKAT MEKTUBU"));
    try {
        m_sender = loadCompanyInfo(store);
    } catch (const DbError&) {
        // The letter is printed without a letterhead.
    }
    auto* grid = new QGridLayout(this);
    auto* name = new QLabel(person.name, this);
    name->setObjectName(QStringLiteral("Label1"));
    name->setTextFormat(Qt::PlainText);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    describeValueLabel(name, QStringLiteral("ADI SOYADI"));
    grid->addWidget(name, 0, 0, 1, 2);

    std::tie(m_date, m_days) = addLetterDateInputs(grid, 1, "Text1");

    struct Def {
        ButtonInfo info;
        void (LetterWindow::*action)();
    };
    const Def defs[] = {
        {{"MyButton1", "&YAZDIR", "YAZDIR", "MEKTUBU GÖRÜNTÜLEYİP YAZDIRIR", "document-print",
          QStyle::SP_FileIcon},
         &LetterWindow::print},
        {{"MyButton2", "&PDF KAYDET", "PDF KAYDET", "MEKTUBU PDF DOSYASI OLARAK KAYDEDER", "document-save",
          QStyle::SP_DialogSaveButton},
         &LetterWindow::savePdf},
        {{"MyButton3", "&GÖNDER", "GÖNDER", "MEKTUBU E-POSTA YA DA WHATSAPP İLE GÖNDERİR", "mail-send",
          QStyle::SP_ArrowForward},
         &LetterWindow::send},
        {{"MyButton4", "&KAPAT", "KAPAT", "FORMU KAPATIR", "window-close", QStyle::SP_DialogCloseButton},
         nullptr},
    };
    auto* buttons = new QHBoxLayout;
    for (const Def& d : defs) {
        PictureButton* b = makePictureButton(d.info, this);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        if (d.action)
            connect(b, &QToolButton::clicked, this, d.action);
        else
            connect(b, &QToolButton::clicked, this, &QDialog::reject);
        buttons->addWidget(b);
    }
    grid->addLayout(buttons, 3, 0, 1, 2);
}

void LetterWindow::setDate(const QDate& date)
{
    m_date->setDate(date);
}

ConfirmationLetter LetterWindow::letter()
{
    QList<AccountRow> rows;
    showingDbError(this, [&] { rows = AccountBook(m_store).load(m_person.key).rows; });
    return buildConfirmationLetter(m_person, rows, m_date->date(), m_days->value());
}

void LetterWindow::print()
{
    const DirectReport r = letterReport(letter(), m_sender,
                                        QDir(m_store.folder()).filePath(QString::fromLatin1(letterTemplate)));
    ListPrintJob job;
    job.templateName = QString::fromLatin1(letterTemplate);
    for (const QString& c : r.columns)
        job.columns += c + QStringLiteral("#/");
    for (const QStringList& row : r.rows) {
        ListPrintJob::Pairs cells;
        for (int c = 0; c < r.columns.size(); ++c)
            cells.append({r.columns.at(c), row.value(c)});
        job.rows.append(cells);
    }
    for (const auto& [memo, column] : r.memoFields)
        job.memoFields.append({memo, column.toLower()});
    job.memoTexts = r.memoTexts;
    job.letterhead = r.letterhead;
    job.logoPng = r.logoPng;
    printList(this, m_store, m_store.folder(), job, m_reportOptions);
}

void LetterWindow::savePdf()
{
    const ConfirmationLetter l = letter();
    const QString proposed =
        QDir(m_store.folder())
            .filePath(QStringLiteral("MUTABAKAT ") + m_person.name + QLatin1Char(' ') +
                      l.date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".pdf"));
    const QString path = FileDialog::saveFileName(this, QStringLiteral("PDF KAYDET"), proposed,
                                                  {QStringLiteral("PDF (*.pdf)")});
    if (path.isEmpty())
        return;
    try {
        writeDirectReportPdf(
            letterReport(l, m_sender, QDir(m_store.folder()).filePath(QString::fromLatin1(letterTemplate))),
            path);
    } catch (const ReportError& e) {
        MessageBox::error(this, e.text());
    }
}

void LetterWindow::send()
{
    Q_EMIT sendRequested(letterDocument(letter(), m_sender, m_store.folder()));
}

} // namespace kalvora
