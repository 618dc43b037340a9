#pragma once

#include <QString>

#include <stdexcept>

namespace kalvora {

// Every failure of the store: the SQLite result code, the engine's message and the file concerned.
// A server book's failures are a PgError, which derives from this, so every caller that shows a store
// failure shows those too.
class DbError : public std::runtime_error {
public:
    DbError(int code, const QString& message, const QString& file);

    int code() const { return m_code; }
    const QString& message() const { return m_message; }
    const QString& file() const { return m_file; }
    // The file's name without its folder, as messages name it.
    QString fileName() const;
    // A Turkish sentence for the user naming the file (or server) and what went wrong.
    virtual QString turkishText() const;

protected:
    // For the kinds of failure that word their own message.
    DbError(int code, const QString& message, const QString& file, const std::string& what);

private:
    int m_code;
    QString m_message;
    QString m_file;
};

// A change refused because another desk changed or removed the row after this desk listed it.
class RowChangedError : public DbError {
public:
    RowChangedError();
    QString turkishText() const override; // "BU KAYIT BAŞKA BİR BİLGİSAYARDA DEĞİŞTİRİLDİ."
};

} // namespace kalvora
