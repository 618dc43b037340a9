#pragma once

#include "backups.h"

#include <QString>
#include <QStringList>

class QTextStream;

namespace kalvora::backup {

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// yedekle [PASSWORD] [--auto [DIR]] [--data-dir DIR] [--server URI]
struct CommandLine {
    bool automatic = false;
    bool help = false;
    bool version = false;
    QString target;     // --auto DIR; empty: the remembered backup folder
    QString key;        // the one plain argument; the program's database password when absent
    QString dataFolder; // --data-dir, else $KALVORA_DATA_DIR, else the user's data folder
    QString server;     // --server, else $KALVORA_SERVER, else sunucu.txt: the book's server, if any
    QString error;      // Turkish, when the arguments cannot be used

    // The backup options this command line asks for.
    Backups::Options options() const;

    // arguments[0] is the program itself.
    static CommandLine parse(const QStringList& arguments);
};

QString usageText();
QString versionText();

// One backup without a window, for scheduled use: the new folder on out, the reason on err.
int runAutomatic(const CommandLine& commandLine, const QString& settingsFile, QTextStream& out,
                 QTextStream& err);

} // namespace kalvora::backup
