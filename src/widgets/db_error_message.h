#pragma once

#include "data/db_error.h"
#include "widgets/message_box.h"

#include <QString>

#include <utility>

class QWidget;

namespace kalvora {

// Runs a store action; a DbError it throws is shown over parent in Turkish (followed by note, when
// given) instead of escaping into the event loop. False after a failure.
template <typename Action>
bool showingDbError(QWidget* parent, Action&& action, const QString& note = QString())
{
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const DbError& e) {
        MessageBox::error(parent,
                          note.isEmpty() ? e.turkishText() : e.turkishText() + QStringLiteral("\n\n") + note);
        return false;
    }
}

// As showingDbError; when the change was refused because another desk had changed the row since it
// was listed, reload runs after the message, so the window shows the row as it now stands.
template <typename Action, typename Reload>
bool showingDbErrorThenReload(QWidget* parent, Action&& action, Reload&& reload,
                              const QString& note = QString())
{
    bool changedElsewhere = false;
    const bool done = showingDbError(
        parent,
        [&] {
            try {
                std::forward<Action>(action)();
            } catch (const RowChangedError&) {
                changedElsewhere = true;
                throw;
            }
        },
        note);
    if (changedElsewhere)
        std::forward<Reload>(reload)();
    return done;
}

} // namespace kalvora
