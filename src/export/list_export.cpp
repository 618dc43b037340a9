#include "export/list_export.h"

#include "data/turkish_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <optional>

namespace kalvora {

namespace {

constexpr qsizetype progressStep = 500;
constexpr int widestColumn = 80;

ExportResult failed(const QString& path, const QString& why)
{
    ExportResult r;
    r.status = ExportResult::Status::Failed;
    r.error =
        QStringLiteral("DOSYA YAZILAMADI:\n") + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (!why.isEmpty())
        r.error += QStringLiteral("\n(") + why + QLatin1Char(')');
    return r;
}

ExportResult done(ExportResult::Status status)
{
    ExportResult r;
    r.status = status;
    return r;
}

bool goOn(const ExportProgress& progress, qsizetype done, qsizetype total)
{
    return !progress || progress(done, total);
}

struct ShownDate {
    QDate date;
    QTime time;
    bool hasTime = false;
};

// Digits at fixed places: the form every list shows ("dd.MM.yyyy" and "dd.MM.yyyy HH:mm:ss"), read
// without a pattern match, since a long list holds tens of thousands of them.
int digitsAt(QStringView t, qsizetype at, qsizetype count)
{
    int v = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

std::optional<ShownDate> readFixedDate(QStringView t)
{
    if ((t.size() != 10 && t.size() != 19) || t[2] != u'.' || t[5] != u'.')
        return std::nullopt;
    ShownDate out;
    out.date = QDate(digitsAt(t, 6, 4), digitsAt(t, 3, 2), digitsAt(t, 0, 2));
    if (!out.date.isValid())
        return std::nullopt;
    if (t.size() == 19) {
        if (t[10] != u' ' || t[13] != u':' || t[16] != u':')
            return std::nullopt;
        out.time = QTime(digitsAt(t, 11, 2), digitsAt(t, 14, 2), digitsAt(t, 17, 2));
        if (!out.time.isValid())
            return std::nullopt;
        out.hasTime = true;
    }
    return out;
}

std::optional<ShownDate> readShownDate(const QString& text)
{
    if (auto fixed = readFixedDate(text))
        return fixed;
    const QString t = text.trimmed();
    const qsizetype blank = t.indexOf(QLatin1Char(' '));
    ShownDate out;
    out.date = readDateText(blank < 0 ? t : t.left(blank));
    if (!out.date.isValid())
        return std::nullopt;
    if (blank >= 0) {
        out.time = readTimeText(t.mid(blank + 1).trimmed());
        if (!out.time.isValid())
            return std::nullopt;
        out.hasTime = true;
    }
    return out;
}

// A text a spreadsheet would run as a formula is kept as text.
QString guardedText(const QString& text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        return QLatin1Char('\'') + text;
    return text;
}

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvCell(const QString& shown, ExportKind kind)
{
    if (kind == ExportKind::Number) {
        const QString n = csvNumber(shown);
        if (!n.isEmpty())
            return n;
    } else if (kind == ExportKind::Date && readShownDate(shown)) {
        return shown.trimmed();
    }
    return csvField(guardedText(shown));
}

// Worksheet names: at most 31 characters, none of []:*?/\ and no apostrophe at either end.
QByteArray sheetName(const QString& wanted)
{
    QString name = wanted.trimmed();
    for (const QChar c : QStringLiteral("[]:*?/\\"))
        name.remove(c);
    name = name.left(31);
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    if (name.isEmpty())
        name = QStringLiteral("LİSTE");
    return name.toUtf8();
}

int shownWidth(QStringView text)
{
    return static_cast<int>(text.size());
}

std::vector<int> columnWidths(const ExportTable& table, int columns)
{
    std::vector<int> widths(static_cast<size_t>(columns), 0);
    auto take = [&](int c, int w) {
        widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], w);
    };
    for (int c = 0; c < columns; ++c)
        take(c, c < table.headers.size() ? static_cast<int>(table.headers.at(c).size()) : 0);
    for (qsizetype r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < columns && c < table.cellCount(r); ++c)
            take(c, shownWidth(table.cell(r, c)));
    }
    for (int& w : widths)
        w = std::min(w + 2, widestColumn);
    return widths;
}

int columnCount(const ExportTable& table)
{
    qsizetype n = table.headers.size();
    for (qsizetype r = 0; r < table.rowCount(); ++r)
        n = std::max(n, qsizetype(table.cellCount(r)));
    return static_cast<int>(n);
}

// Builds the workbook in a scratch folder of its own; false on a library error (error set) or a cancel.
bool buildWorkbook(const QByteArray& file, const QByteArray& tmpDir, const ExportTable& table,
                   const ExportProgress& progress, bool* cancelled, QString* error)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go to disk as they are written
    options.tmpdir = const_cast<char*>(tmpDir.constData());
    lxw_workbook* book = workbook_new_opt(file.constData(), &options);
    if (!book) {
        *error = QStringLiteral("çalışma kitabı oluşturulamadı");
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName(table.sheetName).constData());
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* amount = workbook_add_format(book);
    format_set_num_format(amount, "#,##0.00");
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "dd.mm.yyyy");
    lxw_format* dateTime = workbook_add_format(book);
    format_set_num_format(dateTime, "dd.mm.yyyy hh:mm:ss");
    if (!sheet || !bold || !amount || !date || !dateTime) {
        lxw_workbook_free(book);
        *error = QStringLiteral("çalışma sayfası oluşturulamadı");
        return false;
    }

    const int columns = columnCount(table);
    const std::vector<int> widths = columnWidths(table, columns);
    for (int c = 0; c < columns; ++c)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             widths[static_cast<size_t>(c)], nullptr);
    // The preamble's lines, an empty line, then the headers: the rows start below them.
    const auto top = static_cast<lxw_row_t>(table.preamble.isEmpty() ? 0 : table.preamble.size() + 1);
    for (qsizetype p = 0; p < table.preamble.size(); ++p) {
        const QStringList& cells = table.preamble.at(p);
        for (qsizetype c = 0; c < cells.size(); ++c)
            worksheet_write_string(sheet, static_cast<lxw_row_t>(p), static_cast<lxw_col_t>(c),
                                   cells.at(c).toUtf8().constData(), c == 0 ? bold : nullptr);
    }
    worksheet_freeze_panes(sheet, top + 1, 0);
    for (int c = 0; c < table.headers.size(); ++c)
        worksheet_write_string(sheet, top, static_cast<lxw_col_t>(c),
                               table.headers.at(c).toUtf8().constData(), bold);

    const qsizetype total = table.rowCount();
    lxw_error failure = LXW_NO_ERROR;
    for (qsizetype r = 0; r < total && failure == LXW_NO_ERROR; ++r) {
        if (r % progressStep == 0 && !goOn(progress, r, total)) {
            lxw_workbook_free(book);
            *cancelled = true;
            return false;
        }
        const auto sheetRow = static_cast<lxw_row_t>(r + 1) + top;
        const int cells = table.cellCount(r);
        for (int c = 0; c < cells && failure == LXW_NO_ERROR; ++c) {
            const QStringView text = table.cell(r, c);
            if (text.isEmpty())
                continue;
            const auto col = static_cast<lxw_col_t>(c);
            const ExportKind kind = table.kind(c);
            if (kind == ExportKind::Number) {
                if (const std::optional<double> v = readNumber(text)) {
                    failure = worksheet_write_number(sheet, sheetRow, col, *v, amount);
                    continue;
                }
            } else if (kind == ExportKind::Date) {
                if (const auto d = readShownDate(text.toString())) {
                    const QTime t = d->hasTime ? d->time : QTime(0, 0);
                    lxw_datetime when{d->date.year(), d->date.month(), d->date.day(),
                                      t.hour(),       t.minute(),      static_cast<double>(t.second())};
                    failure =
                        worksheet_write_datetime(sheet, sheetRow, col, &when, d->hasTime ? dateTime : date);
                    continue;
                }
            }
            failure = worksheet_write_string(sheet, sheetRow, col, text.toUtf8().constData(), nullptr);
        }
    }
    if (failure != LXW_NO_ERROR) {
        lxw_workbook_free(book);
        *error = QString::fromUtf8(lxw_strerror(failure));
        return false;
    }
    if (!goOn(progress, total, total)) {
        lxw_workbook_free(book);
        *cancelled = true;
        return false;
    }
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        *error = QString::fromUtf8(lxw_strerror(closed));
        return false;
    }
    return true;
}

ExportResult exportXlsx(const QString& path, const ExportTable& table, const ExportProgress& progress)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return failed(path, out.errorString());
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return failed(path, scratch.errorString());
    const QString built = scratch.filePath(QStringLiteral("liste.xlsx"));
    bool cancelled = false;
    QString error;
    if (!buildWorkbook(QFile::encodeName(built), QFile::encodeName(scratch.path()), table, progress,
                       &cancelled, &error)) {
        out.cancelWriting();
        return cancelled ? done(ExportResult::Status::Cancelled) : failed(path, error);
    }
    QFile in(built);
    if (!in.open(QIODevice::ReadOnly))
        return failed(path, in.errorString());
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            return failed(path, out.errorString());
    }
    if (!out.commit())
        return failed(path, out.errorString());
    return done(ExportResult::Status::Written);
}

ExportResult exportCsv(const QString& path, const ExportTable& table, const ExportProgress& progress)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return failed(path, out.errorString());
    bool cancelled = false;
    if (!writeCsv(out, table, progress, &cancelled)) {
        out.cancelWriting();
        return cancelled ? done(ExportResult::Status::Cancelled) : failed(path, out.errorString());
    }
    if (!out.commit())
        return failed(path, out.errorString());
    return done(ExportResult::Status::Written);
}

} // namespace

ExportFormat exportFormatFor(const QString& fileName)
{
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? ExportFormat::Csv
                                                                          : ExportFormat::Xlsx;
}

QString csvNumber(const QString& shown)
{
    if (!readNumber(shown))
        return QString();
    QString n = shown.trimmed();
    n.remove(QLatin1Char('.'));
    const bool negative = n.startsWith(QLatin1Char('-'));
    if (negative)
        n.remove(0, 1);
    if (n.startsWith(QLatin1Char(',')))
        n.prepend(QLatin1Char('0'));
    if (n.endsWith(QLatin1Char(',')))
        n.chop(1);
    return negative ? QLatin1Char('-') + n : n;
}

bool writeCsv(QIODevice& device, const ExportTable& table, const ExportProgress& progress, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    QByteArray buffer = QByteArrayLiteral("\xEF\xBB\xBF");
    auto flush = [&](qsizetype atLeast) {
        if (buffer.size() < atLeast)
            return true;
        const bool ok = device.write(buffer) == buffer.size();
        buffer.clear();
        return ok;
    };
    auto line = [&](const QStringList& fields) {
        buffer += fields.join(QLatin1Char(';')).toUtf8();
        buffer += "\r\n";
    };
    for (const QStringList& cells : table.preamble) {
        QStringList fields;
        for (const QString& c : cells)
            fields.append(csvField(guardedText(c)));
        line(fields);
    }
    if (!table.preamble.isEmpty())
        line({});
    QStringList header;
    for (const QString& h : table.headers)
        header.append(csvField(guardedText(h)));
    line(header);
    const qsizetype total = table.rowCount();
    for (qsizetype r = 0; r < total; ++r) {
        if (r % progressStep == 0 && !goOn(progress, r, total)) {
            if (cancelled)
                *cancelled = true;
            return false;
        }
        const int cells = table.cellCount(r);
        QStringList fields;
        fields.reserve(cells);
        for (int c = 0; c < cells; ++c)
            fields.append(csvCell(table.cell(r, c).toString(), table.kind(c)));
        line(fields);
        if (!flush(1 << 16))
            return false;
    }
    if (!goOn(progress, total, total)) {
        if (cancelled)
            *cancelled = true;
        return false;
    }
    return flush(0);
}

ExportResult exportTable(const QString& path, const ExportTable& table, const ExportProgress& progress)
{
    return exportFormatFor(path) == ExportFormat::Csv ? exportCsv(path, table, progress)
                                                      : exportXlsx(path, table, progress);
}

} // namespace kalvora
