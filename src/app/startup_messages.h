#pragma once

#include "data/file_replacement.h"
#include "widgets/message_box.h"

#include <QList>
#include <QString>

namespace kalvora {

class InstanceLock;
struct StoreProblem;

// A message of the start-up, before the login window: what the box says and how.
struct StartupMessage {
    MessageBox::Icon icon = MessageBox::Icon::Information;
    QString text;
    QString title;
};

// Another copy holds the data folder.
StartupMessage alreadyRunningMessage();
// The lock of the data folder could not be written; names the folder and the cause.
StartupMessage lockFailedMessage(const QString& folder, const QString& cause);
// What the lock's state asks to say; empty text when it was taken.
StartupMessage lockMessage(const InstanceLock& lock);
// A file of the data folder that did not open; it was left as it was.
StartupMessage storeProblemMessage(const StoreProblem& problem);

// A replacement of files that a restore or a move left half done: finished, or why not.
StartupMessage replacementMessage(const FileReplacement::Recovery& recovery);

// Shows the box and writes its text on standard error, for a start from a terminal or a script.
void showStartupMessage(const StartupMessage& message);

} // namespace kalvora
