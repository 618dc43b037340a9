#pragma once

#include "backups.h"

#include <QDialog>
#include <QHash>

#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;

namespace kalvora {

class PictureButton;
class ReportList;

namespace backup {

// The backup utility's window: take a backup, list, verify and restore the backups of one folder.
class BackupWindow final : public QDialog {
    Q_OBJECT
public:
    // settingsFile empty: the user's own settings (the remembered backup folder).
    BackupWindow(const QString& dataFolder, const QString& key, const QString& settingsFile = QString(),
                 QWidget* parent = nullptr);

    QString backupFolder() const;
    // Lists the backups of folder and remembers it for the next start.
    void setBackupFolder(const QString& folder);
    void refreshList();

    void takeBackup();      // MyButton1
    void verifySelected();  // MyButton2: the selected backup, or all when none is selected
    void restoreSelected(); // MyButton3
    void chooseFolder();    // MyButton4

    bool busy() const { return m_busy; }
    ReportList* list() const { return m_list; }

    // Asks for a folder; the standard folder dialog unless replaced.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& current)>;
    void setFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }
    void setOptions(const Backups::Options& options);
    // Called with every progress report before it is shown; returning false cancels.
    void setProgressHook(ProgressFn hook) { m_progressHook = std::move(hook); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // Which book the window works on: the data folder's files or the server.
    void showBook();
    void setBusy(bool on);
    ProgressFn progress();
    QString selectedFolder() const;
    void select(const QString& folder);
    void verifyOne(const QString& folder);
    void verifyAll();

    QString m_dataFolder;
    QString m_key;
    QString m_settingsFile;
    Backups::Options m_options;
    QString m_folder;
    QHash<QString, QString> m_states; // backup folder -> "SAĞLAM" / "BOZUK" after a verification
    FolderChooser m_chooser;
    ProgressFn m_progressHook;
    bool m_busy = false;
    bool m_cancel = false;

    ReportList* m_list = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_bar = nullptr;
    QList<PictureButton*> m_actions;
    PictureButton* m_cancelButton = nullptr;
};

} // namespace backup
} // namespace kalvora
