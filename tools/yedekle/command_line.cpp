#include "command_line.h"

#include "backup.h"
#include "data/data_folder.h"
#include "data/database.h"

#include <QDir>
#include <QTextStream>

namespace kalvora::backup {

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine cl;
    bool keyGiven = false;
    for (int i = 1; i < arguments.size() && cl.error.isEmpty(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--auto")) {
            cl.automatic = true;
            if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1Char('-')))
                cl.target = arguments.at(++i);
        } else if (a.startsWith(QLatin1String("--auto="))) {
            cl.automatic = true;
            cl.target = a.mid(7);
        } else if (a == QLatin1String("--data-dir")) {
            if (i + 1 >= arguments.size())
                cl.error = QStringLiteral("--data-dir SEÇENEĞİNDEN SONRA BİR KLASÖR YAZILMALIDIR.");
            ++i;
        } else if (a.startsWith(QLatin1String("--data-dir="))) {
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            cl.help = true;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            cl.error = QStringLiteral("BİLİNMEYEN SEÇENEK: ") + a;
        } else if (!keyGiven) {
            cl.key = a;
            keyGiven = true;
        } else if (cl.automatic && cl.target.isEmpty()) {
            cl.target = a;
        } else {
            cl.error = QStringLiteral("FAZLA ARGÜMAN: ") + a;
        }
    }
    if (!keyGiven)
        cl.key = databasePassword();
    cl.dataFolder = DataFolder::resolve(arguments);
    return cl;
}

QString usageText()
{
    return QStringLiteral(
        "KULLANIM: yedekle [ŞİFRE] [--auto [KLASÖR]] [--data-dir KLASÖR]\n"
        "  --auto [KLASÖR]      PENCERE AÇMADAN BİR YEDEK ALIR (KLASÖR YOKSA SON SEÇİLEN KLASÖR)\n"
        "  --data-dir KLASÖR    VERİ KLASÖRÜ (YOKSA KALVORA_DATA_DIR)\n"
        "ÇIKIŞ KODU: 0 BAŞARILI, 1 YEDEK ALINAMADI, 2 HATALI KOMUT SATIRI");
}

int runAutomatic(const CommandLine& commandLine, const QString& settingsFile, QTextStream& out,
                 QTextStream& err)
{
    const QString target = commandLine.target.isEmpty()
                               ? FolderSetting(settingsFile).folder(commandLine.dataFolder)
                               : QDir(commandLine.target).absolutePath();
    const Outcome outcome = Backups(commandLine.dataFolder, commandLine.key).create(target, Kind::Automatic);
    if (outcome.ok) {
        out << outcome.text << Qt::endl;
        return ExitOk;
    }
    err << outcome.text << Qt::endl;
    return ExitFailed;
}

} // namespace kalvora::backup
