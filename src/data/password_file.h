#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kalvora {

// The login password kept in sifre.dll: one line, the password between double quotes, CR LF.
class PasswordFile final {
public:
    // The first field of the file's content: a quoted text up to its closing quote, else the text up
    // to the first comma or line end. No field (empty content) gives no value.
    static std::optional<QString> parse(const QByteArray& content);
    // The stored password; no value when the file is missing, unreadable or holds no field, in which
    // case only the empty password opens the program.
    static std::optional<QString> read(const QString& path);
    // Whether typed matches the stored password (a missing one equals only the empty text).
    static bool accepts(const QString& path, const QString& typed);
    // Writes the file whole and atomically; false with a Turkish reason when it cannot be written.
    static bool write(const QString& path, const QString& password, QString* error = nullptr);
    static QByteArray encode(const QString& password);
};

} // namespace kalvora
