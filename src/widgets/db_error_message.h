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

} // namespace kalvora
