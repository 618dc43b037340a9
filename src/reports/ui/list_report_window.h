#pragma once

#include "export/list_export.h"
#include "reports/report_bridge.h"

#include <QDialog>

class QLabel;

namespace kalvora {

class ReportList;
class PictureButton;
class Store;

// The frame shared by the report list windows: a list that follows the window's size, a bottom strip with
// totals, "&DÖKÜM AL" and "&KAPAT". Opens maximised.
class ListReportWindow : public QDialog {
    Q_OBJECT
public:
    ReportList* list() const { return m_list; }
    // Where a print finds the viewer and leaves its definition (tests point these elsewhere).
    void setReportOptions(const ReportOptions& options) { m_reportOptions = options; }
    // Prints the list; called by "&DÖKÜM AL".
    virtual void print() = 0;
    // Writes the list as shown to a file; called by "EXCEL'E AKTAR".
    void exportFile();

protected:
    ListReportWindow(Store& store, const QString& dataFolder, QWidget* parent);

    // Adds a caption and a value label pair to the bottom strip; returns the value label.
    QLabel* addTotal(const char* captionName, const QString& caption, const char* valueName, int left);
    void setListTop(int twipsTop);
    void resizeEvent(QResizeEvent* event) override;

    Store& m_store;
    QString m_dataFolder;
    ReportList* m_list;
    QWidget* m_strip;
    ReportOptions m_reportOptions;
    // What the export needs of the window: each column's kind and the file's proposed name.
    QList<ExportKind> m_exportKinds;
    QString m_exportName;

private:
    int m_listTop = 120;
};

} // namespace kalvora
