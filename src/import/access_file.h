#pragma once

#include "import/source_table.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace kalvora {

// One Access (Jet 3 or Jet 4) .mdb file, read through libmdb. The database password of a Jet file is a
// masked header field, not an encryption of the data, so a protected file reads without it.
class AccessFile final {
public:
    // Nothing, with `problem` set to a Turkish text naming the file, when it is missing or no Access file.
    static std::optional<AccessFile> open(const QString& path, QString* problem);
    AccessFile(AccessFile&&) noexcept;
    AccessFile& operator=(AccessFile&&) noexcept;
    ~AccessFile();

    // The user tables of the file.
    QStringList tables() const;
    // Every row of the table, an empty field (which libmdb gives as NULL) as "". Nothing, with `problem`
    // set, when the file holds no such table or its pages cannot be read.
    std::optional<SourceTable> read(const QString& table, QString* problem);

private:
    AccessFile() = default;
    struct Handle;
    QString m_path;
    std::unique_ptr<Handle> m_handle;
};

} // namespace kalvora
