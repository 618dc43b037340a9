#include "command_line.h"

#include "backups.h"
#include "data/data_folder.h"
#include "data/database.h"
#include "data/program_options.h"
#include "data/server_choice.h"
#include "folder_setting.h"

#include <QDir>
#include <QTextStream>

#include <memory>

namespace kalvora::backup {

namespace {

std::unique_ptr<ProgramOptions> yedekleOptions()
{
    auto options = std::make_unique<ProgramOptions>(
        QStringLiteral("yedekle"),
        QStringLiteral("[ŞİFRE] [--auto [KLASÖR]] [--data-dir KLASÖR] [--server ADRES]"),
        QStringLiteral("KALVORA VERİLERİNİ YEDEKLER, YEDEKLERİ DOĞRULAR VE GERİ YÜKLER.\n"
                       "ÇIKIŞ KODU: 0 BAŞARILI, 1 YEDEK ALINAMADI, 2 HATALI KOMUT SATIRI"));
    options->add(QCommandLineOption(
        QStringLiteral("auto"),
        QStringLiteral("PENCERE AÇMADAN BİR YEDEK ALIR (KLASÖR YOKSA SON SEÇİLEN KLASÖR)."),
        QStringLiteral("[KLASÖR]")));
    options->add(QCommandLineOption(QStringLiteral("data-dir"),
                                    QStringLiteral("VERİ KLASÖRÜ (YOKSA KALVORA_DATA_DIR)."),
                                    QStringLiteral("KLASÖR")));
    options->add(QCommandLineOption(
        QStringLiteral("server"),
        QStringLiteral("DEFTERİ TUTAN SUNUCU (YOKSA KALVORA_SERVER, YOKSA VERİ KLASÖRÜNDEKİ sunucu.txt)."),
        QStringLiteral("ADRES")));
    return options;
}

// The folder after --auto may be left out: an --auto not followed by a plain argument gets an empty
// value, so the parser never takes the next option for it.
QStringList withAutoValue(const QStringList& arguments)
{
    QStringList out;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        const bool bare = i > 0 && (a == QLatin1String("--auto") || a == QLatin1String("-auto"));
        const bool valueFollows =
            i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1Char('-'));
        out << (bare && !valueFollows ? QStringLiteral("--auto=") : a);
    }
    return out;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine cl;
    const auto parsed = yedekleOptions();
    ProgramOptions& options = *parsed;
    if (!options.parse(withAutoValue(arguments))) {
        cl.error = options.error();
        return cl;
    }
    cl.help = options.helpRequested();
    cl.version = options.versionRequested();
    cl.automatic = options.isSet(QStringLiteral("auto"));
    cl.target = options.value(QStringLiteral("auto"));
    QStringList plain = options.positionalArguments();
    if (!plain.isEmpty())
        cl.key = plain.takeFirst();
    else
        cl.key = databasePassword();
    if (!plain.isEmpty() && cl.automatic && cl.target.isEmpty())
        cl.target = plain.takeFirst();
    if (!plain.isEmpty())
        cl.error = QStringLiteral("FAZLA ARGÜMAN: ") + plain.first();
    cl.dataFolder = DataFolder::resolve(options.value(QStringLiteral("data-dir")));
    // The main program says which book its desk works on: a server in KALVORA_SERVER, or the folder's
    // own files, whatever sunucu.txt says now.
    const QString server = options.value(QStringLiteral("server"));
    cl.server = server.isEmpty() && qEnvironmentVariable("KALVORA_FOLDER_BOOK") == QLatin1String("1")
                    ? QString()
                    : serverChoice(server, cl.dataFolder);
    return cl;
}

Backups::Options CommandLine::options() const
{
    Backups::Options o;
    o.server = server;
    return o;
}

QString usageText()
{
    return yedekleOptions()->helpText();
}

QString versionText()
{
    return yedekleOptions()->versionText();
}

int runAutomatic(const CommandLine& commandLine, const QString& settingsFile, QTextStream& out,
                 QTextStream& err)
{
    const QString target = commandLine.target.isEmpty()
                               ? FolderSetting(settingsFile).folder(commandLine.dataFolder)
                               : QDir(commandLine.target).absolutePath();
    // Without a window the console says once what the backup waits for.
    QString waitingFor;
    const ProgressFn progress = [&](const Progress& p) {
        if (p.text.startsWith(QLatin1String("DOSYA KULLANIMDA"))) {
            const QString what = p.text.section(QStringLiteral(" ("), 0, 0);
            if (what != waitingFor)
                err << what << Qt::endl;
            waitingFor = what;
        }
        return true;
    };
    const Outcome outcome = Backups(commandLine.dataFolder, commandLine.key, commandLine.options())
                                .create(target, Kind::Automatic, progress);
    if (outcome.ok) {
        out << outcome.text << Qt::endl;
        return ExitOk;
    }
    err << outcome.text << Qt::endl;
    return ExitFailed;
}

} // namespace kalvora::backup
