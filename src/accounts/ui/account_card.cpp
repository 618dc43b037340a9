#include "accounts/ui/account_card.h"

#include "accounts/account_book.h"
#include "accounts/book_settings.h"
#include "accounts/open_items.h"
#include "accounts/ui/detail_window.h"
#include "accounts/ui/entry_window.h"
#include "data/clock.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "widgets/accessibility.h"
#include "widgets/db_error_message.h"
#include "widgets/list_export_action.h"
#include "widgets/list_sorting.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>

namespace kalvora {

namespace {

enum Column { ColDescription, ColAmount, ColCurrency, ColDate, ColTime, ColOpen, ColDue };

constexpr int listLeft = 60;
constexpr int listTop = 3720;

QString statusStyle(const QString& word)
{
    if (word == QStringLiteral("BORÇLU"))
        return QStringLiteral("color: rgb(160, 0, 0); font-weight: bold;");
    if (word == QLatin1String("ALACAKLI"))
        return QStringLiteral("color: rgb(0, 96, 0); font-weight: bold;");
    return QStringLiteral("color: black; font-weight: bold;");
}

} // namespace

AccountCard::AccountCard(Store& store, QWidget* parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("CARİ HESAP KARTI"));
    setStyleSheet(accountWindowStyle(objectName()));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    buildPersonFields();
    buildFigures();
    buildButtons();
    buildList();
    m_detail = new DetailWindow(this);
    setMinimumSize(twips(15000), twips(6000));
    resize(twips(15200), twips(9000));
}

AccountCard::~AccountCard() = default;

void AccountCard::buildPersonFields()
{
    const char* captions[7] = {
        "KOD:", "ADI SOYADI:", "İŞ TELEFONU:", "CEP TELEFONU:", "TC KİMLİK NO:", "VERGİ DAİRESİ:", "ADRES:"};
    for (int i = 0; i < 7; ++i) {
        const int top = 120 + i * 330;
        auto* caption = new QLabel(QString::fromUtf8(captions[i]), this);
        caption->setObjectName(QStringLiteral("Caption%1").arg(15 + i));
        caption->setGeometry(twipsRect(120, top, 1680, 300));
        auto* value = new QLabel(this);
        value->setObjectName(QStringLiteral("Label%1").arg(15 + i));
        value->setGeometry(twipsRect(1860, top, 4800, i == 6 ? 600 : 300));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setTextFormat(Qt::PlainText);
        if (i == 6) {
            value->setWordWrap(true);
            value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        describeByCaption(caption, value);
        m_personLabels[i] = value;
    }
}

void AccountCard::buildFigures()
{
    const char* captions[4] = {"TÜRK LİRASI", "DOLAR", "EURO", "İŞLEM SAYISI"};
    const char* valueNames[3] = {"Label12", "Label22", "Label25"};
    for (int i = 0; i < 4; ++i) {
        const int top = 120 + i * 330;
        auto* caption = new QLabel(QString::fromUtf8(captions[i]), this);
        caption->setObjectName(QStringLiteral("Caption") +
                               (i < 3 ? QString::fromLatin1(valueNames[i]).mid(5) : QStringLiteral("4")));
        caption->setGeometry(twipsRect(7000, top, 1500, 300));
        auto* value = new QLabel(i < 3 ? QStringLiteral("0,00") : QStringLiteral("00"), this);
        value->setObjectName(i < 3 ? QString::fromLatin1(valueNames[i]) : QStringLiteral("Label4"));
        value->setGeometry(twipsRect(8580, top, 1800, 300));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        value->setStyleSheet(QStringLiteral("background-color: white;"));
        describeByCaption(caption, value);
        if (i == 3) {
            m_count = value;
            break;
        }
        m_balance[i] = value;
        auto* status = new QLabel(QStringLiteral("TEMİZ"), this);
        status->setObjectName(QStringLiteral("temiz%1").arg(i + 1));
        status->setGeometry(twipsRect(10500, top, 1500, 300));
        status->setStyleSheet(statusStyle(status->text()));
        describeValueLabel(status, caption->text() + QStringLiteral(" DURUMU"));
        m_status[i] = status;
    }

    auto* kindCaption = new QLabel(QStringLiteral("LİSTELEME TÜRÜ"), this);
    kindCaption->setObjectName(QStringLiteral("CaptionCombo1"));
    kindCaption->setGeometry(twipsRect(7000, 1620, 1500, 330));
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("Combo1"));
    m_kind->setGeometry(twipsRect(8580, 1620, 1800, 330));
    // Each currency carries its Currency; "TÜMÜ" carries none.
    for (Currency c : allCurrencies)
        m_kind->addItem(currencyText(c), static_cast<int>(c));
    m_kind->addItem(QStringLiteral("TÜMÜ"));
    m_kind->setCurrentIndex(-1);
    nameByCaption(kindCaption, m_kind);
    connect(m_kind, &QComboBox::activated, this, &AccountCard::listingKindChosen);
}

void AccountCard::buildButtons()
{
    struct Def {
        ButtonInfo info;
        void (AccountCard::*action)();
    };
    const Def defs[] = {
        {{"MyButton1", "BORÇ ALSIN", "NAKİT PARA VER", "BOÇ PARA VERMEK İÇİN KULLANIN", "go-next",
          QStyle::SP_ArrowRight},
         &AccountCard::lend},
        {{"MyButton4", "BORÇ ÖDESİN", "NAKİT PARA AL", "KİŞİ SİZE OLAN BORCUNU ÖDER", "go-previous",
          QStyle::SP_ArrowLeft},
         &AccountCard::collect},
        {{"MyButton2", "DEĞİŞTİR", "DEĞİŞTİR", "YANLIŞ YAPILAN İŞLEMİ DEĞİŞTİRİR", "document-edit",
          QStyle::SP_FileDialogDetailedView},
         &AccountCard::editSelected},
        {{"MyButton3", "İPTAL", "İPTAL ET", "YANLIŞ İŞLEMİ SEÇİP SİLER", "edit-delete", QStyle::SP_TrashIcon},
         &AccountCard::cancelSelected},
        {{"MyButton6", "&DÖKÜM AL", "DÖKÜM AL", "HESAP KARTI DÖKÜMÜ", "document-print", QStyle::SP_FileIcon},
         &AccountCard::printStatement},
        {{"MyButton7", "HESABI SIFIRLA", "DÖKÜM AL", "TÜM HESABINI SIFIRLAR", "edit-clear",
          QStyle::SP_DialogResetButton},
         &AccountCard::resetAccount},
        {{"MyButton5", "KAPAT", "VAZGEÇ", "CARİ HESAP KARTINI KAPATIR", "window-close",
          QStyle::SP_DialogCloseButton},
         nullptr},
        {{"MyButton8", "EKSTRE", "EKSTRE", "SEÇİLEN TARİHLER ARASINDAKİ HESAP EKSTRESİ", "view-calendar",
          QStyle::SP_FileDialogListView},
         &AccountCard::periodStatementRequested},
        {{"MyButton10", "&MUTABAKAT", "MUTABAKAT", "MUTABAKAT MEKTUBU HAZIRLAR", "mail-message",
          QStyle::SP_FileDialogContentsView},
         &AccountCard::letterRequested},
        {{"MyButton11", "&GÖNDER", "GÖNDER", "BAKİYEYİ E-POSTA YA DA WHATSAPP İLE GÖNDERİR", "mail-send",
          QStyle::SP_ArrowForward},
         &AccountCard::sendRequested},
    };
    int left = 120;
    QWidget* previous = m_kind;
    for (const Def& d : defs) {
        PictureButton* b = makePictureButton(d.info, this);
        b->setIconSize(QSize(24, 24));
        // The letter and the sending stand above EXCEL'E AKTAR, so the row of the card's own buttons
        // still fits a screen 1280 pixels wide.
        const QString name = QString::fromLatin1(d.info.name);
        if (name == u"MyButton10" || name == u"MyButton11") {
            b->setGeometry(twipsRect(12300, name == u"MyButton10" ? 60 : 930, 1800, 810));
        } else {
            b->setGeometry(twipsRect(left, 2760, 1800, 840));
            left += 1860;
        }
        if (d.action)
            connect(b, &QToolButton::clicked, this, d.action);
        else
            connect(b, &QToolButton::clicked, this, &QDialog::accept);
        setTabOrder(previous, b);
        previous = b;
    }
    // Beside the figures, above the list it writes out.
    PictureButton* exportButton = makePictureButton({"MyButton9", "EXCEL'E AKTAR", "EXCEL'E AKTAR",
                                                     "HESAP HAREKETLERİNİ EXCEL YA DA CSV DOSYASINA AKTARIR",
                                                     "x-office-spreadsheet", QStyle::SP_DialogSaveButton},
                                                    this);
    exportButton->setIconSize(QSize(24, 24));
    exportButton->setGeometry(twipsRect(12300, 1800, 1800, 840));
    connect(exportButton, &QToolButton::clicked, this, &AccountCard::exportRows);
    setTabOrder(previous, exportButton);
}

void AccountCard::exportRows()
{
    exportList(this, m_list,
               {ExportKind::Text, ExportKind::Number, ExportKind::Text, ExportKind::Date, ExportKind::Text,
                ExportKind::Text, ExportKind::Date},
               QStringLiteral("CARİ HESAP ") + m_person.name);
}

void AccountCard::buildList()
{
    m_list = new ReportList(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setAccessibleName(QStringLiteral("HESAP HAREKETLERİ"));
    m_list->setColumns({QStringLiteral("AÇIKLAMA"), QStringLiteral("TUTARI"), QStringLiteral("PARA CİNSİ"),
                        QStringLiteral("TARİH"), QStringLiteral("SAAT"), QStringLiteral("DURUM"),
                        QStringLiteral("VADE")});
    const int widths[7] = {5200, 1440, 1300, 1300, 1100, 3400, 1300};
    for (int c = 0; c < 7; ++c)
        m_list->setColumnWidth(c, twips(widths[c]));
    for (int c : {ColAmount, ColDate, ColTime, ColDue})
        m_list->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    m_list->setGeometry(twipsRect(listLeft, listTop, 13800, 4800));
    connect(m_list, &ReportList::rowActivated, this, [this](int) { editSelected(); });
    connect(m_list, &ReportList::headerClicked, this, &AccountCard::headerClicked);
}

void AccountCard::setPerson(const Customer& person)
{
    m_person = person;
    const QString texts[7] = {person.key,      person.name,      person.workPhone, person.mobilePhone,
                              person.idNumber, person.taxOffice, person.address};
    for (int i = 0; i < 7; ++i)
        m_personLabels[i]->setText(texts[i]);
}

StatementData AccountCard::statementData() const
{
    StatementData d;
    d.name = m_person.name;
    StatementBalance* balances[3] = {&d.tl, &d.dollar, &d.euro};
    for (Currency c : allCurrencies)
        *balances[static_cast<int>(c)] = {m_shown.figures.balanceText(c), m_shown.figures.status(c)};
    for (int r = 0; r < m_list->rowCount(); ++r) {
        if (const AccountRow* row = rowAt(r)) {
            const QStringList t = rowTexts(*row);
            d.rows.append({t.at(ColDescription), t.at(ColAmount), t.at(ColCurrency), t.at(ColDate)});
        }
    }
    return d;
}

QList<QStringList> AccountCard::shownRows() const
{
    QList<QStringList> rows;
    rows.reserve(m_list->rowCount());
    for (int r = 0; r < m_list->rowCount(); ++r) {
        if (rowAt(r))
            rows.append(m_list->listModel()->rowTexts(r));
    }
    return rows;
}

const AccountRow* AccountCard::rowAt(int listRow) const
{
    if (listRow < 0 || listRow >= m_list->rowCount())
        return nullptr;
    const auto it = m_rowIndex.constFind(m_list->hiddenValue(listRow).toLongLong());
    return it == m_rowIndex.cend() ? nullptr : &m_shown.rows.at(*it);
}

int AccountCard::selectedRow() const
{
    if (m_list->rowCount() == 0)
        return -1;
    const int row = m_list->currentRow();
    return row < 0 ? 0 : row;
}

qint64 AccountCard::selectedRowKey() const
{
    const int row = selectedRow();
    return row < 0 ? 0 : m_list->hiddenValue(row).toLongLong();
}

void AccountCard::setFigure(Currency currency, const AccountFigures& figures)
{
    const int i = static_cast<int>(currency);
    m_balance[i]->setText(figures.balanceText(currency));
    const QString word = figures.status(currency);
    m_status[i]->setText(word);
    m_status[i]->setStyleSheet(statusStyle(word));
}

void AccountCard::showRows(const AccountState& state)
{
    m_shown = state;
    m_rowIndex.clear();
    // Currencies never pay each other, so the rows of one listed currency give that currency's figures.
    m_open = OpenItems::compute(state.rows, m_defaultTerm);
    const QDate today = Clock::today();
    QList<QStringList> texts;
    QList<QVariant> keys;
    texts.reserve(state.rows.size());
    keys.reserve(state.rows.size());
    for (int i = 0; i < state.rows.size(); ++i) {
        const AccountRow& r = state.rows.at(i);
        QStringList t = rowTexts(r);
        const OpenRow* open = m_open.row(r.key);
        t << (open ? openRowText(*open, today) : QString()) << r.dueDate;
        texts.append(std::move(t));
        keys.append(r.key);
        m_rowIndex.insert(r.key, i);
    }
    m_list->setRows(std::move(texts), std::move(keys));
    if (m_list->rowCount() > 0)
        m_list->setCurrentRow(0);
    m_count->setText(QString::number(m_list->rowCount()));
    for (Currency c : allCurrencies)
        setFigure(c, state.figures);
}

void AccountCard::showFull(const AccountState& state)
{
    showRows(state);
    m_detail->setFigures(state.figures, m_person.name);
}

bool AccountCard::KartiYukle2()
{
    return showingDbError(this, [this] {
        m_defaultTerm = BookSettings(m_store).defaultDueTerm();
        showFull(AccountBook(m_store).load(m_person.key));
    });
}

void AccountCard::refreshForOtherDesks()
{
    const QVariant chosen = m_list->hiddenValue(m_list->currentRow());
    KartiYukle2();
    const int row = chosen.isValid() ? m_list->listModel()->rowOfHidden(chosen) : -1;
    if (row >= 0)
        m_list->setCurrentRow(row);
}

bool AccountCard::KartiYukle()
{
    const QVariant chosen = m_kind->currentData();
    if (!chosen.isValid())
        return KartiYukle2();
    const QString currency = currencyText(static_cast<Currency>(chosen.toInt()));
    return showingDbError(this, [&] { showRows(AccountBook(m_store).load(m_person.key, currency)); });
}

void AccountCard::BakiyeGuncelle()
{
    const AccountFigures& f = m_shown.figures;
    showingDbError(this, [&] {
        AccountBook::BakiyeGuncelle(m_store.accounts(), m_person.key, f.balanceText(Currency::Tl),
                                    f.balanceText(Currency::Dolar), f.balanceText(Currency::Euro));
    });
}

void AccountCard::applyChange(const AccountState& state)
{
    showFull(state);
    Q_EMIT accountChanged(m_person.key);
}

void AccountCard::openOver(QDialog& window)
{
    window.exec();
    // Back on the card: it reloads whatever the listing kind shows.
    KartiYukle2();
}

void AccountCard::lend()
{
    LendWindow window(m_store, m_person, this);
    connect(&window, &EntryWindow::saved, this, &AccountCard::applyChange);
    openOver(window);
}

void AccountCard::collect()
{
    CollectWindow window(m_store, m_person, this);
    connect(&window, &EntryWindow::saved, this, &AccountCard::applyChange);
    openOver(window);
}

void AccountCard::editSelected()
{
    const AccountRow* row = rowAt(selectedRow());
    if (!row) {
        MessageBox::information(this, QStringLiteral("BİLGİLERİ DÜZENLENECEK İŞLEM YOK."),
                                QStringLiteral("DİKKAT"));
        return;
    }
    EditWindow window(m_store, m_person, *row, this);
    connect(&window, &EntryWindow::saved, this, &AccountCard::applyChange);
    connect(&window, &EntryWindow::rowChangedElsewhere, this, &AccountCard::KartiYukle2);
    openOver(window);
}

void AccountCard::cancelSelected()
{
    const AccountRow* row = rowAt(selectedRow());
    if (!row)
        return;
    const QStringList texts = rowTexts(*row);
    const QString question = texts.at(ColDescription) + QStringLiteral(" - ") + texts.at(ColAmount) +
                             QStringLiteral(" İŞLEMİ SİLİNSİN Mİ?");
    if (!MessageBox::question(this, question))
        return;
    iSlem_Sil();
}

void AccountCard::iSlem_Sil()
{
    const AccountRow* row = rowAt(selectedRow());
    if (!row || row->key == 0)
        return;
    const qint64 rowKey = row->key;
    const qint64 version = row->version;
    AccountState state;
    if (showingDbErrorThenReload(
            this, [&] { state = AccountBook(m_store).cancel(m_person.key, rowKey, version); },
            [this] { KartiYukle2(); }))
        applyChange(state);
}

bool AccountCard::refusedForBalance()
{
    if (const std::optional<Currency> c = m_shown.figures.firstOutstanding()) {
        const QString name = *c == Currency::Tl ? QStringLiteral("TÜRK LİRASI") : currencyText(*c);
        MessageBox::error(
            this,
            QStringLiteral("CARİNİN ") + name +
                QStringLiteral(" BAKİYESİ BULUNDUĞU İÇİN SIFIRLAYAMAZSINIZ. ÖNCE BORCUNU SIFIRLAYINIZ."),
            QStringLiteral("UYARI"));
        return true;
    }
    return false;
}

void AccountCard::resetAccount()
{
    if (!KartiYukle2() || refusedForBalance())
        return;
    if (!MessageBox::question(this,
                              QStringLiteral("BU KİŞİNİN HESAP KARTI SIFIRLANSIN MI? SIFIRLAMANIN ARDIN KİŞİ "
                                             "BİLGİLERİ KALACAK SADECE BORÇ ALACAK BİLGİERİ SİLİNECEKTİR.")))
        return;
    m_list->clear();
    AccountBook::ResetOutcome outcome;
    if (!showingDbError(this, [&] { outcome = AccountBook(m_store).reset(m_person.key); })) {
        KartiYukle2();
        return;
    }
    showFull(outcome.state);
    // Rows that changed after the check above are kept: the refusal is shown with the new figures.
    if (outcome.outstanding) {
        refusedForBalance();
        return;
    }
    // Only a stored copy that had drifted from 0,00 changes the main list.
    if (outcome.balancesChanged)
        Q_EMIT accountChanged(m_person.key);
}

void AccountCard::listingKindChosen(int index)
{
    if (!m_kind->itemData(index).isValid()) { // TÜMÜ
        if (KartiYukle2())
            openOver(*m_detail);
        return;
    }
    KartiYukle();
}

void AccountCard::headerClicked(int column)
{
    switch (column) {
    case ColDescription:
    case ColCurrency:
    case ColOpen:
        SutunSirala(m_list, column, SortKind::Text);
        break;
    case ColAmount:
        SutunSirala(m_list, column, SortKind::Number);
        break;
    case ColDate:
    case ColDue:
        SutunSirala(m_list, column, SortKind::Date);
        break;
    default:
        break; // SAAT does not sort
    }
}

void AccountCard::printStatement()
{
    Q_EMIT statementRequested(statementData());
}

void AccountCard::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The first activation loads the card; later ones come back from the windows opened over it.
    if (!m_loadedOnce) {
        m_loadedOnce = true;
        KartiYukle2();
    }
}

void AccountCard::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // The list follows the window: outer width less 100 twips and outer height less 4200 twips, held
    // inside the window; a size that cannot be applied is ignored.
    const QSize outer = frameGeometry().size();
    const int left = twips(listLeft);
    const int top = twips(listTop);
    const int w = qMin(outer.width() - twips(100), width() - 2 * left);
    const int h = qMin(outer.height() - twips(4200), height() - top - left);
    if (w <= 0 || h <= 0)
        return;
    m_list->setGeometry(left, top, w, h);
}

void AccountCard::keyPressEvent(QKeyEvent* event)
{
    // The card closes by its KAPAT button or its close box, not by Esc.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kalvora
