#include "data/program_options.h"
#include "reports/report_definition.h"
#include "reports/report_layout.h"
#include "reports/report_render.h"
#include "reports/ui/report_viewer.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <optional>

using namespace kalvora;

namespace {

void printError(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

// Without a window: the definition straight to a PDF file; errors on standard error only.
int writePdfOnly(int argc, char** argv, const QString& definition, const QString& pdf)
{
    // Needs no display, so it also runs in scripts on machines without one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        writePdf(prepareReportFile(definition), pdf);
    } catch (const ReportError& e) {
        printError(e.text());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Read before any application object: --help, --version, a wrong command line and --pdf need no
    // display.
    ProgramOptions options(QStringLiteral("raporla"), QStringLiteral("[SEÇENEKLER] RAPOR_TANIMI.fr3"),
                           QStringLiteral("RAPOR TANIMINI GÖSTERİR, YAZDIRIR YA DA PDF OLARAK KAYDEDER."));
    options.add(QCommandLineOption(QStringLiteral("pdf"),
                                   QStringLiteral("PENCERE AÇMADAN RAPORU BU PDF DOSYASINA YAZAR."),
                                   QStringLiteral("ÇIKTI.pdf")));
    if (const auto exitCode = options.parseOrExit(argumentList(argc, argv)))
        return *exitCode;
    const QStringList files = options.positionalArguments();
    if (files.size() != 1) {
        printError((files.isEmpty() ? QStringLiteral("RAPOR TANIMI VERİLMEDİ.")
                                    : QStringLiteral("FAZLA ARGÜMAN: ") + files.at(1)) +
                   QStringLiteral("\n\n") + options.helpText());
        return 2;
    }
    if (options.isSet(QStringLiteral("pdf")))
        return writePdfOnly(argc, argv, files.first(), options.value(QStringLiteral("pdf")));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("raporla"));
    QApplication::setOrganizationName(QStringLiteral("orventa"));
    PreparedReport report;
    try {
        report = prepareReportFile(files.first());
    } catch (const ReportError& e) {
        printError(e.text());
        MessageBox::error(nullptr, e.text(), QStringLiteral("RAPOR AÇILAMADI"));
        return 1;
    }
    ReportViewer viewer(std::move(report));
    viewer.show();
    return QApplication::exec();
}
