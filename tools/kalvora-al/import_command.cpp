#include "import_command.h"

#include "customers/customer_repository.h"
#include "data/data_folder.h"
#include "data/db_error.h"
#include "data/program_options.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "import/book_import.h"
#include "import/list_mapping.h"
#include "import/list_reader.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <memory>

namespace kalvora::al {

namespace {

QString option(const char* name)
{
    return QString::fromLatin1(name);
}

} // namespace

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    ProgramOptions options(
        QStringLiteral("kalvora-al"),
        QStringLiteral("--access KLASÖR | --csv DOSYA | --xlsx DOSYA [--data-dir KLASÖR | --server ADRES] "
                       "[--kisiler | --hareketler] [--dry-run]"),
        QStringLiteral(
            "ESKİ PROGRAMIN ACCESS DOSYALARINI (uyeler.mdb, data.mdb, gelirmdb.mdb, gider.mdb) YA DA\n"
            "BİR EXCEL (.xlsx) VEYA CSV LİSTESİNİ DEFTERE TEK SEFERDE AKTARIR: YA HEPSİ YA HİÇBİRİ.\n"
            "BAKİYELER HAREKETLERDEN YENİDEN HESAPLANIR; RAPOR STANDART ÇIKIŞA YAZILIR.\n"
            "ÇIKIŞ KODU: 0 AKTARILDI (YA DA DENEME TUTTU), 1 REDDEDİLDİ, 2 HATALI KOMUT SATIRI"));
    options.add(
        {option("access"), QStringLiteral("ESKİ PROGRAMIN DOSYALARININ KLASÖRÜ."), QStringLiteral("KLASÖR")});
    options.add({option("csv"), QStringLiteral("CSV LİSTESİ."), QStringLiteral("DOSYA")});
    options.add({option("xlsx"), QStringLiteral("EXCEL (.xlsx) LİSTESİ."), QStringLiteral("DOSYA")});
    options.add({option("data-dir"), QStringLiteral("HEDEF VERİ KLASÖRÜ."), QStringLiteral("KLASÖR")});
    options.add({option("server"),
                 QStringLiteral("HEDEF SUNUCU ADRESİ (postgresql://KULLANICI@SUNUCU/VERİTABANI)."),
                 QStringLiteral("ADRES")});
    options.add(
        {option("kisiler"), QStringLiteral("LİSTE KİŞİLERİ TUTAR (VARSAYILAN); BAKİYELER DEVİR OLUR.")});
    options.add({option("hareketler"), QStringLiteral("LİSTE DEFTERDEKİ KİŞİLERİN HAREKETLERİNİ TUTAR.")});
    options.add({option("dry-run"), QStringLiteral("YALNIZCA DENETLER VE RAPORLAR; HİÇBİR ŞEY YAZMAZ.")});
    options.add({option("ekle"), QStringLiteral("BOŞ OLMAYAN DEFTERE KİŞİLERİ YENİ KİŞİLER OLARAK EKLER.")});
    options.add({option("okunmayanlari-atla"),
                 QStringLiteral("OKUNAMAYAN TUTAR VE TARİHLERİN SATIRLARINI DIŞARIDA BIRAKARAK AKTARIR.")});
    options.add({option("devir-tarihi"),
                 QStringLiteral("DEVİR SATIRLARININ TARİHİ (gg.aa.yyyy; VARSAYILAN BUGÜN)."),
                 QStringLiteral("TARİH")});
    options.add({option("ayirici"), QStringLiteral("CSV ALAN AYIRICISI (; , YA DA tab; VARSAYILAN: TAHMİN)."),
                 QStringLiteral("KARAKTER")});
    options.add({option("kodlama"),
                 QStringLiteral("CSV KODLAMASI: utf-8 YA DA windows-1254 (VARSAYILAN: TAHMİN)."),
                 QStringLiteral("KODLAMA")});
    auto usage = [&](const QString& problem) {
        err << problem << QStringLiteral("\n\n") << options.helpText() << Qt::flush;
        return int(ExitUsage);
    };
    if (const std::optional<int> exit = options.parseOrExit(arguments, out, err))
        return *exit;
    const int sources = int(options.isSet(option("access"))) + int(options.isSet(option("csv"))) +
                        int(options.isSet(option("xlsx")));
    if (sources != 1)
        return usage(QStringLiteral("BİR KAYNAK VERİLMELİ: --access, --csv YA DA --xlsx."));
    if (options.isSet(option("data-dir")) && options.isSet(option("server")))
        return usage(QStringLiteral("--data-dir İLE --server BİRLİKTE VERİLMEZ."));
    if (options.isSet(option("kisiler")) && options.isSet(option("hareketler")))
        return usage(QStringLiteral("--kisiler İLE --hareketler BİRLİKTE VERİLMEZ."));
    if (options.isSet(option("access")) &&
        (options.isSet(option("kisiler")) || options.isSet(option("hareketler"))))
        return usage(QStringLiteral("--kisiler VE --hareketler YALNIZCA LİSTELER İÇİNDİR."));
    QDate opening = QDate::currentDate();
    if (options.isSet(option("devir-tarihi"))) {
        opening = readDateText(options.value(option("devir-tarihi")));
        if (!opening.isValid())
            return usage(QStringLiteral("DEVİR TARİHİ OKUNAMADI: ") + options.value(option("devir-tarihi")));
    }
    CsvOptions csv;
    if (options.isSet(option("ayirici"))) {
        const QString s = options.value(option("ayirici"));
        if (s == u"tab")
            csv.separator = QLatin1Char('\t');
        else if (s.size() == 1)
            csv.separator = s.at(0);
        else
            return usage(QStringLiteral("AYIRICI TEK BİR KARAKTER OLMALI: ") + s);
    }
    if (options.isSet(option("kodlama"))) {
        const QString e = options.value(option("kodlama")).toLower();
        if (e == u"utf-8" || e == u"utf8")
            csv.encoding = ListEncoding::Utf8;
        else if (e == u"windows-1254" || e == u"cp1254")
            csv.encoding = ListEncoding::Windows1254;
        else
            return usage(QStringLiteral("BİLİNMEYEN KODLAMA: ") + e);
    }

    const QString folder = DataFolder::resolve(options.value(option("data-dir")));
    const QString uri = options.isSet(option("data-dir"))
                            ? QString()
                            : DataFolder::serverUri(options.value(option("server")), folder);
    std::unique_ptr<Store> store =
        uri.isEmpty() ? std::make_unique<Store>(folder) : Store::onServer(folder, uri);

    ImportBook book;
    if (options.isSet(option("access"))) {
        book = readAccessFolder(options.value(option("access")));
    } else {
        const bool isCsv = options.isSet(option("csv"));
        const QString file = options.value(option(isCsv ? "csv" : "xlsx"));
        QString problem;
        const std::optional<SourceTable> table =
            isCsv ? readCsv(file, csv, &problem) : readXlsx(file, &problem);
        if (!table) {
            book.source = file;
            book.refusals << problem;
        } else if (options.isSet(option("hareketler"))) {
            QList<BookPersonName> people;
            try {
                const QList<StoreProblem> problems = store->initialize();
                if (!problems.isEmpty()) {
                    err << problems.first().text << Qt::endl;
                    return ExitRefused;
                }
                for (const Customer& c : CustomerRepository(*store).readAll())
                    people.append({c.key, c.name});
            } catch (const DbError& e) {
                err << e.turkishText() << Qt::endl;
                return ExitRefused;
            }
            book = transactionsFromList(*table, guessFields(table->columns), people).book;
        } else {
            book = peopleFromList(*table, guessFields(table->columns), opening).book;
        }
        book.source = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
    }
    ImportOptions importOptions;
    importOptions.dryRun = options.isSet(option("dry-run"));
    importOptions.addToBook = options.isSet(option("ekle"));
    importOptions.leaveOutUnreadable = options.isSet(option("okunmayanlari-atla"));
    const ImportReport report = importBook(*store, book, importOptions);
    out << report.text() << Qt::flush;
    return report.refused() || report.outcome == ImportReport::Outcome::Cancelled ? ExitRefused : ExitOk;
}

} // namespace kalvora::al
