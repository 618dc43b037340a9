#include "app/main_window.h"

#include "app/contact_window.h"
#include "app/main_list_texts.h"
#include "app/password_window.h"
#include "customers/customer_repository.h"
#include "data/clock.h"
#include "data/data_folder.h"
#include "data/database.h"
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

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <optional>

namespace kalvora {

namespace {

enum Column { ColTl, ColUsd, ColEuro, ColName, ColWork, ColMobile, ColTc, ColTax, ColAddress, ColKey };

struct ButtonDef {
    ButtonInfo info;
    int left;
    int top;
};

const ButtonDef buttonDefs[] = {
    {{"MyButton1", "YENİ KİŞİ &EKLE", "YENİ KİŞİ EKLE", "YENİ KİŞİLER EKLEMENİZİ SAĞLAR", "contact-new",
      QStyle::SP_FileDialogNewFolder},
     60,
     60},
    {{"MyButton2", "BİLGİLERİ &DÜZENLE", "BİLGİLERİ DÜZENLE",
      "EKLEDİĞİNİZ YENİ KİŞİLERİN DAHA ÖNCEKİ BİLGİLERİNİ DEĞİŞTİREBİLİRSİNİZ", "document-edit",
      QStyle::SP_FileDialogDetailedView},
     2070,
     60},
    {{"MyButton3", "KİŞİ &SİL", "KİŞİYİ SİL", "LİSTEDEN SEÇTİĞİNİZ KİŞİYİ SİLER", "edit-delete",
      QStyle::SP_TrashIcon},
     4080,
     60},
    {{"MyButton4", "HESAP &KARTI", "HESAP KARTI",
      "LİSTEDEN SEÇİLEN KİŞİNİN HESAP KARTINA GİRİŞ YAPABİLİRSİNİZ", "x-office-spreadsheet",
      QStyle::SP_FileDialogContentsView},
     6090,
     60},
    {{"MyButton6", "&YEDEKLEME", "YEDEKLEME", "PROGRAM VE DATALARINIZI YEDEKLEMENİZİ SAĞLAR", "document-save",
      QStyle::SP_DialogSaveButton},
     8100,
     60},
    {{"MyButton7", "&GÜVENLİ ÇIKIŞ", "GÜVENLİ ÇIKIŞ", "PROGRAMI KAPATMAK İÇİN BURAYI KULLANIN",
      "application-exit", QStyle::SP_DialogCloseButton},
     10110,
     60},
    {{"MyButton14", "İPTALLER", "İPTALLER", "SİLİNEN VE DEĞİŞTİRİLEN KAYITLARI GÖSTERİR", "edit-undo",
      QStyle::SP_ArrowBack},
     12120,
     60},
    {{"MyButton15", "EXCEL'E AKTAR", "EXCEL'E AKTAR", "KİŞİ LİSTESİNİ EXCEL YA DA CSV DOSYASINA AKTARIR",
      "x-office-spreadsheet", QStyle::SP_DialogSaveButton},
     14130,
     60},
    {{"MyButton16", "İÇE AKTAR", "İÇE AKTAR",
      "ESKİ PROGRAMIN DOSYALARINI, EXCEL VEYA CSV LİSTELERİNİ AKTARIR", "document-open",
      QStyle::SP_DialogOpenButton},
     16140,
     60},
    {{"MyButton9", "ŞİFRE DEĞİŞTİR", "ŞİFRE", "PROGRAMA GİRİŞ ŞİFRENİZİ DEĞİŞTİRMENİZİ SAĞLAR",
      "dialog-password", QStyle::SP_MessageBoxWarning},
     60,
     990},
    {{"MyButton12", "GELİR YAZ", "GELİR YAZ", "GÜNLÜK AYLIK YILLIK GELİRLERİNİZİ KAYIT ALTINA ALIRSINIZ",
      "go-down", QStyle::SP_ArrowDown},
     2070,
     990},
    {{"MyButton13", "GİDER YAZ", "GİDER YAZ", "GÜNLÜK AYLIK YILLIK GİDERLERİNİZİ KAYIT ALTINA ALIRSINIZ",
      "go-up", QStyle::SP_ArrowUp},
     4080,
     990},
    {{"MyButton8", "İLETİŞİM", "İLETİŞİM", "BİZİMLE İLETİŞİM YOLLARINI GÖREBİLİRSİNİZ", "mail-message",
      QStyle::SP_MessageBoxInformation},
     6090,
     990},
    {{"MyButton5", "RAPORLAR", "RAPORLAR", "GENEL PARA DURUMUNUZU GÖREBİLİRSİNİZ", "x-office-document",
      QStyle::SP_FileDialogInfoView},
     8100,
     990},
    {{"MyButton10", "T.C.M.B KURLARI", "RAPORLAR", "T.C.M.B KURLARINI  GÖREBİLİRSİNİZ", "view-refresh",
      QStyle::SP_BrowserReload},
     10110,
     990},
    {{"MyButton17", "FİRMA BİLGİLERİ", "FİRMA BİLGİLERİ",
      "EKSTRE VE MEKTUPLARIN ANTETİ, GÖNDERİM METİNLERİ VE E-POSTA SUNUCUSU", "preferences-system",
      QStyle::SP_FileDialogDetailedView},
     12120,
     990},
    {{"MyButton18", "TOPLU GÖNDER", "TOPLU GÖNDER",
      "MUTABAKAT MEKTUPLARINI TOPLU OLARAK E-POSTA İLE GÖNDERİR", "mail-send", QStyle::SP_ArrowForward},
     14130,
     990},
    {{"MyButton19", "GÖNDERİLENLER", "GÖNDERİLENLER", "GÖNDERİLEN EKSTRE VE MEKTUPLARI LİSTELER",
      "mail-message", QStyle::SP_FileDialogListView},
     16140,
     990},
};

} // namespace

MainWindow::MainWindow(Store& store, const QString& dataFolder, QWidget* parent)
    : QMainWindow(parent), m_store(store), m_dataFolder(dataFolder),
      m_installFolder(DataFolder::installationFolder())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ORVENTA KALVORA - "));
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    m_picture1 = new QFrame(central);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setFrameShape(QFrame::StyledPanel);
    m_picture1->setStyleSheet(
        QStringLiteral("#Picture1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                       "stop:0 #dde8f4, stop:1 #b9cde4); }"));
    buildButtons();

    m_list = new ReportList(central);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setAccessibleName(QStringLiteral("KİŞİ LİSTESİ"));
    m_list->setColumns({QStringLiteral("BAKİYESİ(TL)"), QStringLiteral("BAKİYESİ(DOLAR)"),
                        QStringLiteral("BAKİYESİ(EURO)"), QStringLiteral("ADI SOYADI"),
                        QStringLiteral("İŞ TELEFONU"), QStringLiteral("CEP TELEFONU"),
                        QStringLiteral("TC KİMLİK NO"), QStringLiteral("VERGİ DAİRESİ"),
                        QStringLiteral("ADRES"), QStringLiteral("OTO_KOD")});
    for (int c = ColTl; c <= ColEuro; ++c)
        m_list->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    connect(m_list, &ReportList::rowActivated, this, [this](int) { openAccountCard(); });
    connect(m_list, &ReportList::headerClicked, this, &MainWindow::headerClicked);

    m_picture2 = new QFrame(central);
    m_picture2->setObjectName(QStringLiteral("Picture2"));
    m_picture2->setFrameShape(QFrame::StyledPanel);
    auto* label4 = new QLabel(QStringLiteral("SÜZGEÇ:"), m_picture2);
    label4->setObjectName(QStringLiteral("Label4"));
    label4->setGeometry(twipsRect(60, 90, 800, 255));
    m_count = new QLabel(QStringLiteral("0"), m_picture2);
    m_count->setObjectName(QStringLiteral("Label2"));
    m_count->setGeometry(twipsRect(900, 90, 2000, 255));
    describeValueLabel(m_count, QStringLiteral("KİŞİ SAYISI"));
    m_filter = new QLineEdit(m_picture2);
    m_filter->setObjectName(QStringLiteral("Text1"));
    m_filter->setGeometry(twipsRect(30, 360, 1965, 375));
    m_filter->setToolTip(QStringLiteral("ÇİFT TIKLAMA KUTUYU BOŞALTIR"));
    m_filter->installEventFilter(this);
    nameByCaption(label4, m_filter);
    connect(m_filter, &QLineEdit::returnPressed, this, &MainWindow::search);
    auto* searchButton =
        new PictureButton(QStringLiteral("MyButton11"), QStringLiteral("ARA/BUL"), QStringLiteral("RAPORLAR"),
                          QStringLiteral("TÜM BİLGİLERE GÖRE ARAMA YAPAR"), m_picture2);
    searchButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    searchButton->setIconSize(QSize(16, 16));
    searchButton->setPicture(QStringLiteral("edit-find"), QStyle::SP_FileDialogContentsView);
    searchButton->setGeometry(twipsRect(2070, 360, 1185, 375));
    connect(searchButton, &QToolButton::clicked, this, &MainWindow::search);

    buildStatusBar();
    qApp->installEventFilter(this);
    setMinimumSize(twips(6000), twips(5000));
    resize(twips(12500), twips(9000));

    DetayliAra();
}

void MainWindow::buildButtons()
{
    QWidget* previous = nullptr;
    for (const ButtonDef& d : buttonDefs) {
        PictureButton* b = makePictureButton(d.info, m_picture1);
        b->setGeometry(twipsRect(d.left, d.top, 1965, 885));
        if (previous)
            setTabOrder(previous, b);
        previous = b;
    }
    auto button = [this](const char* name) {
        return m_picture1->findChild<PictureButton*>(QString::fromLatin1(name));
    };
    connect(button("MyButton1"), &QToolButton::clicked, this, &MainWindow::addPersonRequested);
    connect(button("MyButton2"), &QToolButton::clicked, this, [this] {
        withCurrent(
            &MainWindow::editPersonRequested,
            QStringLiteral("BİLGİLERİ DÜZENLENECEK KİŞİ YOK. YENİ KİŞİ EKLE FORMUNU KULLANABİLİRSİNİZ."),
            QStringLiteral("DİKKAT"));
    });
    connect(button("MyButton3"), &QToolButton::clicked, this, [this] {
        withCurrent(&MainWindow::deletePersonRequested, QStringLiteral("SİLİNECEK KİŞİ YOK."),
                    QStringLiteral("KİŞİ YOK"));
    });
    connect(button("MyButton4"), &QToolButton::clicked, this, &MainWindow::openAccountCard);
    connect(button("MyButton6"), &QToolButton::clicked, this, &MainWindow::startBackup);
    connect(button("MyButton7"), &QToolButton::clicked, this, &MainWindow::confirmExit);
    connect(button("MyButton15"), &QToolButton::clicked, this, [this] {
        exportList(this, m_list,
                   {ExportKind::Number, ExportKind::Number, ExportKind::Number, ExportKind::Text,
                    ExportKind::Text, ExportKind::Text, ExportKind::Text, ExportKind::Text, ExportKind::Text},
                   QStringLiteral("KİŞİ LİSTESİ"));
    });
    connect(button("MyButton9"), &QToolButton::clicked, this, [this] {
        PasswordWindow w(m_dataFolder, this);
        w.exec();
    });
    connect(button("MyButton12"), &QToolButton::clicked, this, &MainWindow::incomeLedgerRequested);
    connect(button("MyButton13"), &QToolButton::clicked, this, &MainWindow::expenseLedgerRequested);
    connect(button("MyButton5"), &QToolButton::clicked, this, &MainWindow::reportsRequested);
    connect(button("MyButton10"), &QToolButton::clicked, this, &MainWindow::ratesRequested);
    connect(button("MyButton14"), &QToolButton::clicked, this, &MainWindow::cancellationsRequested);
    connect(button("MyButton16"), &QToolButton::clicked, this, &MainWindow::importRequested);
    connect(button("MyButton17"), &QToolButton::clicked, this, &MainWindow::companyInfoRequested);
    connect(button("MyButton18"), &QToolButton::clicked, this, &MainWindow::bulkSendRequested);
    connect(button("MyButton19"), &QToolButton::clicked, this, &MainWindow::sentListRequested);
    connect(button("MyButton8"), &QToolButton::clicked, this, [this] {
        ContactWindow w(this);
        w.exec();
    });
}

void MainWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    const char* names[6] = {"Panel1", "Panel2", "Panel3", "Panel4", "Panel5", "Panel6"};
    for (int i = 0; i < 6; ++i) {
        m_panels[i] = new QLabel(bar);
        m_panels[i]->setObjectName(QString::fromLatin1(names[i]));
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setAlignment(Qt::AlignCenter);
        bar->addWidget(m_panels[i], i == 5 ? 1 : 0);
    }
    m_panels[2]->setText(QStringLiteral("CAPS"));
    m_panels[3]->setText(QStringLiteral("NUM"));
    m_panels[4]->setText(QStringLiteral("SCRL"));
    m_panels[5]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_panels[5]->setText(QStringLiteral(" VERİ KLASÖRÜ: ") + QDir::toNativeSeparators(m_dataFolder));
    m_overdue = new QLabel(bar);
    m_overdue->setObjectName(QStringLiteral("Panel7"));
    m_overdue->setFrameShape(QFrame::Panel);
    m_overdue->setFrameShadow(QFrame::Sunken);
    m_overdue->setStyleSheet(QStringLiteral("color: rgb(160, 0, 0); font-weight: bold;"));
    m_overdue->hide();
    bar->addPermanentWidget(m_overdue);
    auto* clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &MainWindow::updateClock);
    // What is overdue is looked at on the clock's first tick once the window is on screen (the filled
    // list first, the overdue window and count a moment later) and again on each new day.
    connect(clock, &QTimer::timeout, this, [this] {
        if (isVisible())
            checkDay();
    });
    clock->start(1000);
    updateClock();
}

void MainWindow::setOverduePeople(int count)
{
    m_overdue->setText(QStringLiteral(" VADESİ GEÇEN: %1 KİŞİ ").arg(count));
    m_overdue->setAccessibleName(m_overdue->text().trimmed());
    m_overdue->setVisible(count > 0);
}

void MainWindow::checkDay()
{
    const QDate today = Clock::today();
    if (today == m_checkedDay)
        return;
    m_checkedDay = today;
    Q_EMIT overdueCheckRequested();
}

void MainWindow::updateClock()
{
    const QDateTime now = Clock::now();
    m_panels[0]->setText(timeText(now.time()));
    m_panels[1]->setText(dateText(now.date()));
    const QString on = QStringLiteral("color: black;");
    const QString off = QStringLiteral("color: gray;");
    m_panels[2]->setStyleSheet(m_caps ? on : off);
    m_panels[3]->setStyleSheet(m_num ? on : off);
    m_panels[4]->setStyleSheet(m_scroll ? on : off);
}

namespace {

// The person as the list shows them: the delete check reads the shown balances.
Customer shownCustomer(Customer c)
{
    c.balanceTl = displayAmount(c.balanceTl);
    c.balanceUsd = displayAmount(c.balanceUsd);
    c.balanceEuro = displayAmount(c.balanceEuro);
    return c;
}

} // namespace

std::optional<qint64> MainWindow::dataVersion() const
{
    try {
        return m_store.accountsVersion();
    } catch (const DbError&) {
        return std::nullopt; // read again, and let that reading report the problem
    }
}

void MainWindow::DetayliAra()
{
    readEverybody(m_filter->text());
}

void MainWindow::readEverybody(const QString& filter)
{
    m_loaded = showingDbError(this, [this] { m_register.load(m_store); });
    if (!m_loaded)
        m_register = CustomerRegister();
    m_texts.prune(m_register);
    m_loadedVersion = dataVersion();
    showFiltered(filter);
}

void MainWindow::DetayliAra(const QString& changedKey)
{
    // Another program's commit or a new filter text can change any row: those read everybody again.
    if (!m_loaded || m_filter->text() != m_loadedFilter || !m_loadedVersion ||
        dataVersion() != m_loadedVersion) {
        DetayliAra();
        return;
    }
    std::optional<CustomerRegister::Person> old;
    if (const CustomerRegister::Person* p = m_register.find(changedKey))
        old = *p;
    if (!showingDbError(this, [&] { m_register.reread(m_store, changedKey); })) {
        DetayliAra();
        return;
    }
    if (m_headerSorted) {
        showFiltered(m_loadedFilter); // back in name order, as a reload leaves the list
        return;
    }
    const QString upper = BuyukHarf(m_loadedFilter);
    ListModel* model = m_list->listModel();
    if (old && CustomerRegister::matches(*old, upper)) {
        const int row = listPosition(*old);
        if (row < model->rowCount() && model->hidden(row).toString() == changedKey)
            model->removeRowAt(row);
    }
    const CustomerRegister::Person* now = m_register.find(changedKey);
    if (now && CustomerRegister::matches(*now, upper)) {
        const QStringList& texts = m_texts.of(*now).texts;
        model->insertRowAt(listPosition(*now), texts, changedKey);
        widenColumnsFor(texts);
    }
    finishLoad();
}

int MainWindow::listPosition(const CustomerRegister::Person& person) const
{
    // The rows stand in name order: the first row that does not come before the person.
    const ListModel* model = m_list->listModel();
    int low = 0;
    int high = model->rowCount();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        CustomerRegister::Person shown;
        shown.customer.name = model->cell(mid, ColName);
        shown.sortKey = turkishSortKey(shown.customer.name);
        shown.number = model->cell(mid, ColKey).toLongLong();
        if (CustomerRegister::before(shown, person))
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

void MainWindow::refreshForOtherDesks()
{
    // Another desk's commit: everybody is read again through the filter the list was loaded with, the
    // chosen person stays chosen and the list where it was scrolled; the filter box is not touched.
    const QString chosen = m_list->hiddenValue(m_list->currentRow()).toString();
    const int top = m_list->verticalScrollBar()->value();
    readEverybody(m_loadedFilter);
    const int row = chosen.isEmpty() ? -1 : m_list->listModel()->rowOfHidden(chosen);
    if (row >= 0)
        m_list->setCurrentRow(row);
    m_list->verticalScrollBar()->setValue(top);
}

void MainWindow::showFiltered(const QString& filter)
{
    m_loadedFilter = filter;
    const QString upper = BuyukHarf(m_loadedFilter);
    QList<QStringList> texts;
    QList<QVariant> keys;
    for (const CustomerRegister::Person& p : m_register.people()) {
        if (!CustomerRegister::matches(p, upper))
            continue;
        MainListTexts::Row& row = m_texts.of(p);
        texts.append(row.texts);
        keys.append(p.customer.key);
    }
    m_list->setRows(std::move(texts), std::move(keys));
    m_headerSorted = false;
    SutunlariSigdir(m_list);
    finishLoad();
}

void MainWindow::widenColumnsFor(const QStringList& texts)
{
    // A new or changed row can only need a wider column; the fit of the next reload may narrow them.
    const QFontMetrics metrics(m_list->font());
    const int margins = 2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
    for (int c = 0; c < ColKey && c < texts.size(); ++c) {
        int widest = 0;
        for (const QString& line : texts.at(c).split(QLatin1Char('\n')))
            widest = std::max(widest, metrics.horizontalAdvance(line));
        if (widest + margins > m_list->columnWidth(c))
            m_list->setColumnWidth(c, widest + margins);
    }
}

void MainWindow::finishLoad()
{
    m_count->setText(QString::number(m_list->rowCount()));
    m_list->setColumnWidth(ColKey, 0);
    if (m_list->rowCount() > 0)
        m_list->setCurrentRow(0);
}

Customer MainWindow::customerAt(int row) const
{
    if (row < 0 || row >= m_list->rowCount())
        return {};
    const CustomerRegister::Person* p = m_register.find(m_list->hiddenValue(row).toString());
    return p ? shownCustomer(p->customer) : Customer();
}

bool MainWindow::currentCustomer(Customer* out) const
{
    if (m_list->rowCount() == 0)
        return false;
    int row = m_list->currentRow();
    if (row < 0)
        row = 0;
    *out = customerAt(row);
    return true;
}

void MainWindow::withCurrent(void (MainWindow::*signal)(const Customer&), const QString& emptyText,
                             const QString& emptyTitle)
{
    Customer c;
    if (!currentCustomer(&c)) {
        MessageBox::information(this, emptyText, emptyTitle);
        return;
    }
    Q_EMIT(this->*signal)(c);
}

void MainWindow::openAccountCard()
{
    withCurrent(&MainWindow::accountCardRequested, QStringLiteral("KAYITLI KİŞİ YOK. LÜTFEN KİŞİ KAYDEDİN."),
                QStringLiteral("ÜYE YOK"));
}

void MainWindow::search()
{
    DetayliAra();
    m_filter->setFocus();
    m_filter->selectAll();
}

void MainWindow::headerClicked(int column)
{
    // Only the three balances, the name and the two telephones sort; the other headers do nothing.
    if (column > ColMobile)
        return;
    SutunSirala(m_list, column, SortKind::Text);
    m_headerSorted = true;
}

void MainWindow::confirmExit()
{
    if (MessageBox::question(this, QStringLiteral("PROGRAMDAN ÇIKMAK İSTEDİĞİNİZE EMİN MİSİNİZ?"),
                             QStringLiteral("DİKKAT!"))) {
        m_closeAllowed = true;
        Q_EMIT quitRequested();
    }
}

void MainWindow::startBackup()
{
    const QString program = QDir(m_installFolder).filePath(QStringLiteral("yedekle"));
    const QFileInfo info(program);
    if (!info.exists() || !info.isExecutable()) {
        MessageBox::information(this, QStringLiteral("YEDEKLEME ÜNİTESİNE ULAŞILAMIYOR.."));
        return;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({databasePassword()});
    process.setWorkingDirectory(m_dataFolder);
    // The utility backs up the book this desk works on. The server's address may carry a password, so
    // it travels in the environment, never on the command line that every user of the machine can read.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KALVORA_DATA_DIR"), m_dataFolder);
    env.remove(QStringLiteral("KALVORA_SERVER"));
    env.remove(QStringLiteral("KALVORA_FOLDER_BOOK"));
    if (m_store.onServer())
        env.insert(QStringLiteral("KALVORA_SERVER"), m_store.serverUri());
    else
        env.insert(QStringLiteral("KALVORA_FOLDER_BOOK"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    if (!process.startDetached())
        MessageBox::information(this, QStringLiteral("YEDEKLEME ÜNİTESİNE ULAŞILAMIYOR.."));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closeAllowed) {
        event->accept();
        return;
    }
    event->ignore();
    MessageBox::information(this, QStringLiteral("LÜTFEN GÜVENLİ ÇIKIŞI KULLANIN."));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutChildren();
}

void MainWindow::layoutChildren()
{
    QWidget* central = centralWidget();
    const int w = central->width();
    const int h = central->height();
    const int stripHeight = twips(855);
    m_picture2->setGeometry(0, h - stripHeight, w, stripHeight);
    // The panel and the list follow the width; the list fills the height between the panel and the
    // filter strip. A size that cannot be applied (a very small window) leaves them as they were.
    const int width = w - twips(250) + twips(60);
    const int listTop = twips(2010);
    const int listHeight = h - stripHeight - listTop - twips(30);
    if (width <= 0)
        return;
    m_picture1->setGeometry(twips(60), twips(30), width, twips(1965));
    if (listHeight <= 0)
        return;
    m_list->setGeometry(twips(60), listTop, width, listHeight);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_filter && event->type() == QEvent::MouseButtonDblClick) {
        m_filter->clear(); // the box's own emptying handler
        return true;
    }
    // Each key press reaches the window object once before it is delivered to the widgets.
    if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock)
            m_caps = !m_caps;
        else if (key == Qt::Key_NumLock)
            m_num = !m_num;
        else if (key == Qt::Key_ScrollLock)
            m_scroll = !m_scroll;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace kalvora
