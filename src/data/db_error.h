#pragma once

#include <QString>

#include <stdexcept>

namespace kalvora {

// Every failure of the store: the SQLite result code, the engine's message and the file concerned.
class DbError : public std::runtime_error {
public:
    DbError(int code, const QString& message, const QString& file);

    int code() const { return m_code; }
    const QString& message() const { return m_message; }
    const QString& file() const { return m_file; }
    // The file's name without its folder, as messages name it.
    QString fileName() const;
    // A Turkish sentence for the user naming the file and what went wrong.
    QString turkishText() const;

private:
    int m_code;
    QString m_message;
    QString m_file;
};

} // namespace kalvora
