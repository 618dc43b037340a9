#pragma once

#include "export/list_export.h"
#include "listview/sort_compare.h"
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
    // Reads the list again as the window's choices describe it.
    virtual void fill() = 0;
    // Another desk changed the book: the list is read again in the order the user sorted it, with the
    // chosen row and the scroll position kept.
    void refreshForOtherDesks();

protected:
    ListReportWindow(Store& store, const QString& dataFolder, QWidget* parent);

    // Adds a caption and a value label pair to the bottom strip; returns the value label.
    QLabel* addTotal(const char* captionName, const QString& caption, const char* valueName, int left,
                     int width = 3000);
    void setListTop(int twipsTop);
    // A header click: sorts by the column and remembers it for the next refresh.
    void sortBy(int column, SortKind kind);
    // The leading columns that tell one row from another in a list whose rows carry no key.
    void setIdentityColumns(int count) { m_identityColumns = count; }
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
    int m_identityColumns = -1;
    int m_sortColumn = -1;
    SortKind m_sortKind = SortKind::Text;
};

} // namespace kalvora
