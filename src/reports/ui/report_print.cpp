#include "reports/ui/report_print.h"

#include "data/db_error.h"
#include "reports/report_templates.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QDir>

namespace kalvora {

bool runReportPrint(QWidget* parent, Store& store, const std::function<void(ReportBridge&)>& print,
                    const ReportOptions& options)
{
    const QString title = QStringLiteral("DÖKÜM ALINAMADI");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString failure;
    try {
        ReportBridge bridge(store, options);
        print(bridge);
    } catch (const ReportError& e) {
        failure = e.text();
    } catch (const DbError& e) {
        failure = e.turkishText();
    }
    QApplication::restoreOverrideCursor();
    if (failure.isEmpty())
        return true;
    MessageBox::error(parent, failure, title);
    return false;
}

bool printAccountStatement(QWidget* parent, Store& store, const QString& dataFolder,
                           const StatementData& data, const ReportOptions& options)
{
    const QString templatePath = QDir(dataFolder).filePath(QString::fromLatin1(templates::statement));
    return runReportPrint(
        parent, store, [&](ReportBridge& bridge) { printStatement(bridge, templatePath, data); }, options);
}

} // namespace kalvora
