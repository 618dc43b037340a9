#include "accounts/ui/archive_restore_link.h"

#include "accounts/archive_restore.h"
#include "archive/ui/cancellation_archive_window.h"

namespace kalvora {

void connectArchiveRestore(CancellationArchiveWindow& window, Store& store)
{
    QObject::connect(&window, &CancellationArchiveWindow::restoreRequested, &window,
                     [&window, &store](qint64 key) {
                         CancellationArchive::Restore outcome;
                         try {
                             outcome = ArchiveRestore(store).restore(key);
                         } catch (const DbError& e) {
                             window.restoreFailed(e.turkishText());
                             return;
                         }
                         window.restoreDone(outcome);
                     });
}

} // namespace kalvora
