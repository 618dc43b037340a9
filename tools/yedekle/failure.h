#pragma once

#include <QString>

namespace kalvora::backup {

// A failure with its Turkish text; the action stops and whatever it began is undone.
struct Failure {
    QString text;
};
struct Cancelled {};

// The Turkish text of a file that could not be written, naming the path.
QString writeFailure(const QString& path, const QString& error);

} // namespace kalvora::backup
