#include "book_moves.h"

#include "data/program_options.h"

#include <QTextStream>

namespace kalvora::tasi {

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    ProgramOptions options(
        QStringLiteral("kalvora-tasi"),
        QStringLiteral("--data-dir KLASÖR --server ADRES | --server ADRES --to-folder KLASÖR"),
        QStringLiteral(
            "BİR VERİ KLASÖRÜNÜN DEFTERİNİ BOŞ BİR SUNUCU VERİTABANINA, YA DA BİR SUNUCU DEFTERİNİ\n"
            "BOŞ BİR VERİ KLASÖRÜNE TAŞIR; SONRA HER TABLOYU VE HER BAKİYEYİ DENETLER.\n"
            "ÇIKIŞ KODU: 0 BAŞARILI, 1 REDDEDİLDİ YA DA DENETİM TUTMADI, 2 HATALI KOMUT SATIRI"));
    options.add(QCommandLineOption(QStringLiteral("data-dir"), QStringLiteral("TAŞINACAK VERİ KLASÖRÜ."),
                                   QStringLiteral("KLASÖR")));
    options.add(QCommandLineOption(
        QStringLiteral("server"), QStringLiteral("SUNUCU ADRESİ (postgresql://KULLANICI@SUNUCU/VERİTABANI)."),
        QStringLiteral("ADRES")));
    options.add(QCommandLineOption(QStringLiteral("to-folder"),
                                   QStringLiteral("SUNUCUDAKİ DEFTERİ BU VERİ KLASÖRÜNE TAŞIR."),
                                   QStringLiteral("KLASÖR")));
    auto usage = [&](const QString& problem) {
        err << problem << QStringLiteral("\n\n") << options.helpText() << Qt::flush;
        return int(ExitUsage);
    };
    if (const std::optional<int> exit = options.parseOrExit(arguments, out, err))
        return *exit;
    const QString server = options.value(QStringLiteral("server"));
    const QString folder = options.value(QStringLiteral("data-dir"));
    const QString toFolder = options.value(QStringLiteral("to-folder"));
    if (server.isEmpty())
        return usage(QStringLiteral("SUNUCU ADRESİ VERİLMEDİ (--server)."));
    if (options.isSet(QStringLiteral("to-folder")) && options.isSet(QStringLiteral("data-dir")))
        return usage(QStringLiteral("--data-dir İLE --to-folder BİRLİKTE VERİLMEZ."));
    if (folder.isEmpty() && toFolder.isEmpty())
        return usage(QStringLiteral("VERİ KLASÖRÜ VERİLMEDİ (--data-dir YA DA --to-folder)."));
    const MoveResult result =
        toFolder.isEmpty() ? folderToServer(folder, server) : serverToFolder(server, toFolder);
    (result.exitCode == ExitOk ? out : err) << result.text << Qt::endl;
    return result.exitCode;
}

} // namespace kalvora::tasi
