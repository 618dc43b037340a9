#include "app/application.h"

#include "app/login_window.h"
#include "app/main_window.h"
#include "app/window_openers.h"
#include "data/data_folder.h"
#include "data/store.h"
#include "reports/report_templates.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QScreen>

#include <memory>

namespace kalvora {

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvora"));
    QApplication::setOrganizationName(QStringLiteral("orventa"));
    QApplication::setApplicationDisplayName(QString());

    const QString dataFolder = DataFolder::resolve(QApplication::arguments());
    QDir().mkpath(dataFolder);

    // One running copy per data folder. A lock left by a crashed copy is taken over (its process is gone).
    QLockFile lock(QDir(dataFolder).filePath(QStringLiteral("kalvora.lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        MessageBox::information(
            nullptr,
            QStringLiteral("PROGRAM ZATEN ÇALIŞIYOR. YADA PROGRAMI GÜVENLİ ÇIKIŞI KULLANMADAN "
                           "KAPATTINIZ. BİLGİSAYARINIZI YENİDEN BAŞLATMANIZI ÖNERİYORUZ."),
            QStringLiteral("TORVIN"));
        return 1;
    }

    Store store(dataFolder);
    const QList<StoreProblem> problems = store.initialize();
    installTemplates(DataFolder::installationFolder(), dataFolder);
    for (const StoreProblem& p : problems)
        MessageBox::error(nullptr, p.text + QStringLiteral("\n\nDOSYAYA DOKUNULMADI."),
                          QStringLiteral("VERİ DOSYASI AÇILAMADI"));

    LoginWindow login(dataFolder);
    MainWindow main(store, dataFolder);
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
