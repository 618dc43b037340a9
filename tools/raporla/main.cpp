#include "widgets/message_box.h"
#include "reports/report_definition.h"
#include "reports/report_layout.h"
#include "reports/report_render.h"
#include "reports/ui/report_viewer.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

using namespace kalvora;

namespace {

const char* const usage = "KULLANIM: raporla RAPOR_TANIMI.fr3\n"
                          "          raporla --pdf CIKTI.pdf RAPOR_TANIMI.fr3\n";

void printError(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

// Without a window: the definition straight to a PDF file.
int writePdfOnly(int argc, char** argv)
{
    // Needs no display, so it also runs in scripts on machines without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 4) {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        writePdf(prepareReportFile(args.at(3)), args.at(2));
    } catch (const ReportError& e) {
        printError(e.text());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--pdf") == 0)
        return writePdfOnly(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("raporla"));
    QApplication::setOrganizationName(QStringLiteral("orventa"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fputs(usage, stderr);
        MessageBox::error(nullptr, QString::fromUtf8(usage), QStringLiteral("RAPORLA"));
        return 2;
    }
    PreparedReport report;
    try {
        report = prepareReportFile(args.at(1));
    } catch (const ReportError& e) {
        printError(e.text());
        MessageBox::error(nullptr, e.text(), QStringLiteral("RAPOR AÇILAMADI"));
        return 1;
    }
    ReportViewer viewer(std::move(report));
    viewer.show();
    return QApplication::exec();
}
