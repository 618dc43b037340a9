#include "app/application.h"

#include "accounts/open_item_store.h"
#include "app/instance_lock.h"
#include "app/login_window.h"
#include "app/main_window.h"
#include "app/startup_messages.h"
#include "app/window_openers.h"
#include "data/data_folder.h"
#include "data/program_options.h"
#include "data/store.h"
#include "reports/report_templates.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QScreen>

#include <cstdio>
#include <memory>

namespace kalvora {

int runApplication(int argc, char** argv)
{
    // Read before the application object exists: --help and --version need no display and touch no
    // data folder.
    ProgramOptions options(QStringLiteral("kalvora"), QStringLiteral("[SEÇENEKLER]"),
                           QStringLiteral("ORVENTA KALVORA - CARİ HESAP TAKİBİ."));
    options.add(QCommandLineOption(
        QStringLiteral("data-dir"),
        QStringLiteral("VERİ KLASÖRÜ (YOKSA KALVORA_DATA_DIR, YOKSA KULLANICININ UYGULAMA VERİ KLASÖRÜ)."),
        QStringLiteral("KLASÖR")));
    options.add(
        QCommandLineOption(QStringLiteral("server"),
                           QStringLiteral("DEFTERİ TUTAN SUNUCU: BİR POSTGRESQL BAĞLANTI ADRESİ (YOKSA "
                                          "KALVORA_SERVER, YOKSA VERİ KLASÖRÜNDEKİ sunucu.txt)."),
                           QStringLiteral("URI")));
    if (const auto exitCode = options.parseOrExit(argumentList(argc, argv)))
        return *exitCode;
    if (!options.positionalArguments().isEmpty()) {
        std::fputs((QStringLiteral("FAZLA ARGÜMAN: ") + options.positionalArguments().first() +
                    QStringLiteral("\n\n") + options.helpText())
                       .toUtf8()
                       .constData(),
                   stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvora"));
    QApplication::setOrganizationName(QStringLiteral("orventa"));
    QApplication::setApplicationDisplayName(QString());
    QGuiApplication::setDesktopFileName(QStringLiteral("tr.com.orventa.kalvora"));
    // The installed icon theme holds the program's icon; run from the build folder there is none.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tr.com.orventa.kalvora")));
    // Scripted runs: no box is shown, each takes its default answer (start-up messages still reach
    // standard error).
    if (qEnvironmentVariableIsSet("KALVORA_UNATTENDED"))
        MessageBox::setTestMode(true);

    const QString dataFolder = DataFolder::resolve(options.value(QStringLiteral("data-dir")));
    DataFolder::makePrivate(dataFolder);

    InstanceLock lock(dataFolder);
    if (lock.take() != InstanceLock::State::Taken) {
        showStartupMessage(lockMessage(lock));
        return 1;
    }
    // Renames a restore or a move left half done are finished before any file of the folder opens.
    if (const FileReplacement::Recovery left = FileReplacement::recover(dataFolder); left.found) {
        showStartupMessage(replacementMessage(left));
        if (!left.finished)
            return 1;
    }

    const QString server = DataFolder::serverUri(options.value(QStringLiteral("server")), dataFolder);
    const std::unique_ptr<Store> store =
        server.isEmpty() ? std::make_unique<Store>(dataFolder) : Store::onServer(dataFolder, server);
    const QList<StoreProblem> problems = store->initialize();
    installTemplates(DataFolder::sharedFolder(), dataFolder);
    bool usable = true;
    for (const StoreProblem& p : problems) {
        showStartupMessage(storeProblemMessage(p));
        usable = usable && !p.fatal;
    }
    // A server that cannot be reached or holds something else leaves nothing to work on.
    if (!usable)
        return 1;
    // A book just upgraded, or changed by something other than this program, gets its open items.
    OpenItemStore::settleWaitingAtStart(*store);

    LoginWindow login(dataFolder);
    MainWindow main(*store, dataFolder);
    connectWindowOpeners(main);
    main.setWindowTitle(QStringLiteral("ORVENTA KALVORA - CARİ HESAP TAKİBİ"));

    auto endNow = [&] {
        main.allowClose();
        QApplication::exit(0);
    };
    QObject::connect(&main, &MainWindow::quitRequested, &app, endNow);
    QObject::connect(&login, &LoginWindow::closeRequested, &app, endNow);
    QObject::connect(&login, &LoginWindow::accepted_, &app, [&] {
        // Without a window manager "maximised" means nothing, so take the screen's size first.
        if (const QScreen* screen = main.screen())
            main.setGeometry(screen->availableGeometry());
        main.showMaximized();
    });
    QApplication::setQuitOnLastWindowClosed(false);

    login.show();
    return QApplication::exec();
}

} // namespace kalvora
