#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace kalvora {

// Every file dialog of the program goes through here: Qt's own (non-native) dialog with Turkish labels,
// and a test mode in which the questions are recorded and answered without blocking.
class FileDialog final {
public:
    struct Asked {
        QString title;
        QString proposed; // the path the dialog opened with
        QStringList filters;
    };

    // The file to save to; empty when the user gave none. A name without one of the filters' suffixes
    // takes the suffix of the filter chosen. The dialog does not ask about an existing file.
    static QString saveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                const QStringList& filters);

    // An existing file to read (filters given) or, with no filters, an existing folder; empty when the
    // user chose none.
    static QString openName(QWidget* parent, const QString& title, const QString& proposed,
                            const QStringList& filters = {});

    // Test mode: nothing is shown; each question is recorded and takes the next queued answer, or none
    // (as a cancel) when nothing is queued.
    static void setTestMode(bool on);
    static bool testMode();
    static void setNextAnswer(const QString& path);
    static const QList<Asked>& asked();
};

} // namespace kalvora
