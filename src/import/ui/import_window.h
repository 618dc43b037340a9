#pragma once

#include "import/book_import.h"
#include "import/list_mapping.h"
#include "import/list_reader.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace kalvora {

class Store;

// IceAktar: brings the old program's Access folder, an Excel list or a CSV list into the book. The
// user picks the source, looks at the preview (for a list: its first rows with each column's field,
// rows that do not read in red with the reason), imports with a progress bar that can be cancelled
// (a cancel changes nothing) and reads the report, which can be saved as text. Whoever opens it
// connects imported() to a reload of the main list.
class ImportWindow final : public QDialog {
    Q_OBJECT
public:
    enum class Source { Access, Xlsx, Csv };

    explicit ImportWindow(Store& store, QWidget* parent = nullptr);

    void setSource(Source source, const QString& path);
    // Reads the source and shows what would come in.
    void preview();
    // Imports what the preview shows, with the options chosen.
    void runImport();
    // Writes the report to the file; false, after saying so, when it cannot be written.
    bool saveReport(const QString& path);

    QTableWidget* previewTable() const { return m_preview; }
    QTableWidget* mappingTable() const { return m_mapping; }
    const std::optional<ImportReport>& report() const { return m_report; }
    const QList<ListField>& fields() const { return m_fields; }
    void setField(int column, ListField field);

    // Not while an import runs: its cancel button ends it first.
    void reject() override;

Q_SIGNALS:
    void imported();

private:
    void buildControls();
    void chooseSource();
    ImportBook currentBook();
    void showMapping();
    void markProblems();
    bool progressed(qsizetype done, qsizetype total);
    void showReport(const ImportReport& report);

    Store& m_store;
    Source m_source = Source::Access;
    QString m_path;
    std::optional<SourceTable> m_table;
    QList<ListField> m_fields;
    QStringList m_fieldsFor; // the columns m_fields were chosen for
    std::optional<ImportReport> m_report;
    bool m_cancel = false;
    bool m_running = false;

    QRadioButton* m_accessChoice = nullptr;
    QRadioButton* m_xlsxChoice = nullptr;
    QRadioButton* m_csvChoice = nullptr;
    QLineEdit* m_pathBox = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_separator = nullptr;
    QComboBox* m_encoding = nullptr;
    QDateEdit* m_openingDate = nullptr;
    QCheckBox* m_leaveOut = nullptr;
    QCheckBox* m_addToBook = nullptr;
    QTableWidget* m_mapping = nullptr;
    QTableWidget* m_preview = nullptr;
    QPlainTextEdit* m_reportView = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_previewButton = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace kalvora
