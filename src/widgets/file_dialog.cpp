#include "widgets/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>
#include <QRegularExpression>

namespace kalvora {

namespace {

struct TestState {
    bool on = false;
    QQueue<QString> answers;
    QList<FileDialog::Asked> asked;
};

TestState& state()
{
    static TestState s;
    return s;
}

// "Excel (*.xlsx)" gives xlsx.
QString suffixOf(const QString& filter)
{
    static const QRegularExpression re(QStringLiteral(R"(\*\.([A-Za-z0-9]+))"));
    const QRegularExpressionMatch m = re.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

QString FileDialog::saveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                 const QStringList& filters)
{
    TestState& s = state();
    if (s.on) {
        s.asked.append({title, proposed, filters});
        return s.answers.isEmpty() ? QString() : s.answers.dequeue();
    }
    QFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("DosyaSec"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("KLASÖR:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("DOSYA ADI:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("DOSYA TÜRÜ:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&KAYDET"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("&VAZGEÇ"));
    dialog.setNameFilters(filters);
    const QString wanted = QFileInfo(proposed).suffix();
    for (const QString& f : filters) {
        if (suffixOf(f).compare(wanted, Qt::CaseInsensitive) == 0) {
            dialog.selectNameFilter(f);
            break;
        }
    }
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& f) { dialog.setDefaultSuffix(suffixOf(f)); });
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString FileDialog::openName(QWidget* parent, const QString& title, const QString& proposed,
                             const QStringList& filters)
{
    TestState& s = state();
    if (s.on) {
        s.asked.append({title, proposed, filters});
        return s.answers.isEmpty() ? QString() : s.answers.dequeue();
    }
    QFileDialog dialog(parent, title, proposed);
    dialog.setObjectName(QStringLiteral("DosyaSec"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (filters.isEmpty()) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(filters);
    }
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("KLASÖR:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("DOSYA ADI:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("DOSYA TÜRÜ:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&SEÇ"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("&VAZGEÇ"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void FileDialog::setTestMode(bool on)
{
    state().on = on;
    state().answers.clear();
    state().asked.clear();
}

bool FileDialog::testMode()
{
    return state().on;
}

void FileDialog::setNextAnswer(const QString& path)
{
    state().answers.enqueue(path);
}

const QList<FileDialog::Asked>& FileDialog::asked()
{
    return state().asked;
}

} // namespace kalvora
