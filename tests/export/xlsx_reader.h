#pragma once

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

namespace kalvora::test {

// Reads an .xlsx file back with openpyxl (tests/export/read_xlsx.py); an empty object when it fails, with
// the reader's complaint in *error.
inline QJsonObject readXlsx(const QString& path, QString* error = nullptr)
{
    const QString python = qEnvironmentVariable("KALVORA_PYTHON", QStringLiteral("/usr/bin/python3"));
    const QString script = QDir(qEnvironmentVariable("KALVORA_SOURCE_DIR"))
                               .filePath(QStringLiteral("tests/export/read_xlsx.py"));
    QProcess p;
    p.start(python, {script, path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// The cell at row r, column c (0-based) of a readXlsx answer.
inline QJsonObject xlsxCell(const QJsonObject& book, int r, int c)
{
    return book.value(QStringLiteral("rows")).toArray().at(r).toArray().at(c).toObject();
}

} // namespace kalvora::test
