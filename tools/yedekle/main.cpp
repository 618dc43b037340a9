#include "backup.h"
#include "command_line.h"
#include "ui/backup_window.h"

#include "widgets/message_box.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>

using namespace kalvora;
using namespace kalvora::backup;

namespace {

bool windowless(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--auto") == 0 || std::strncmp(argv[i], "--auto=", 7) == 0 ||
            std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}

// The main program's names, so the data folder defaults to the same place.
void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("orventa"));
    QCoreApplication::setApplicationName(QStringLiteral("kalvora"));
}

} // namespace

int main(int argc, char** argv)
{
    // Scheduled runs have no screen: no GUI application is made for them.
    if (windowless(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        QTextStream out(stdout);
        QTextStream err(stderr);
        const CommandLine cl = CommandLine::parse(QCoreApplication::arguments());
        if (!cl.error.isEmpty()) {
            err << cl.error << '\n' << usageText() << Qt::endl;
            return ExitUsage;
        }
        if (cl.help) {
            out << usageText() << Qt::endl;
            return ExitOk;
        }
        return runAutomatic(cl, QString(), out, err);
    }

    QApplication app(argc, argv);
    nameApplication();
    QApplication::setApplicationDisplayName(QString());
    const CommandLine cl = CommandLine::parse(QCoreApplication::arguments());
    if (!cl.error.isEmpty()) {
        MessageBox::error(nullptr, cl.error + QStringLiteral("\n\n") + usageText(),
                          QStringLiteral("YEDEKLEME"));
        return ExitUsage;
    }
    const QString keyProblem = Backups(cl.dataFolder, cl.key).checkKey();
    if (!keyProblem.isEmpty())
        MessageBox::error(
            nullptr,
            QStringLiteral("VERİLER BU ŞİFREYLE AÇILAMIYOR. YEDEK ALINAMAZ, YEDEKLER DOĞRULANAMAZ.\n\n") +
                keyProblem,
            QStringLiteral("YEDEKLEME"));
    BackupWindow window(cl.dataFolder, cl.key);
    window.show();
    return QApplication::exec();
}
