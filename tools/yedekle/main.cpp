#include "backups.h"
#include "command_line.h"
#include "ui/backup_window.h"

#include "data/program_options.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

using namespace kalvora;
using namespace kalvora::backup;

namespace {

// The main program's names, so the data folder defaults to the same place.
void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("orventa"));
    QCoreApplication::setApplicationName(QStringLiteral("kalvora"));
}

} // namespace

int main(int argc, char** argv)
{
    nameApplication();
    // Read before any application object: --help, --version and a wrong command line need no screen.
    const CommandLine cl = CommandLine::parse(argumentList(argc, argv));
    if (!cl.error.isEmpty()) {
        std::fputs((cl.error + QStringLiteral("\n\n") + usageText() + QLatin1Char('\n')).toUtf8().constData(),
                   stderr);
        return ExitUsage;
    }
    if (cl.help || cl.version) {
        std::fputs((cl.help ? usageText() : versionText()).toUtf8().constData(), stdout);
        return ExitOk;
    }

    // Scheduled runs have no screen: no GUI application is made for them.
    if (cl.automatic) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        const FileReplacement::Recovery left = Backups::finishInterrupted(cl.dataFolder);
        if (left.found)
            (left.finished ? out : err) << left.text << Qt::endl;
        if (left.found && !left.finished)
            return ExitFailed;
        return runAutomatic(cl, QString(), out, err);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    if (const FileReplacement::Recovery left = Backups::finishInterrupted(cl.dataFolder); left.found) {
        if (left.finished)
            MessageBox::information(nullptr, left.text, QStringLiteral("YEDEKLEME"));
        else
            MessageBox::error(nullptr, left.text, QStringLiteral("YEDEKLEME"));
    }
    const QString keyProblem = Backups(cl.dataFolder, cl.key).checkKey();
    if (!keyProblem.isEmpty())
        MessageBox::error(
            nullptr,
            QStringLiteral("VERİLER BU ŞİFREYLE AÇILAMIYOR. YEDEK ALINAMAZ, YEDEKLER DOĞRULANAMAZ.\n\n") +
                keyProblem,
            QStringLiteral("YEDEKLEME"));
    BackupWindow window(cl.dataFolder, cl.key);
    window.setOptions(cl.options());
    window.show();
    return QApplication::exec();
}
