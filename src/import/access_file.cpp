#include "import/access_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <vector>

namespace kalvora {

namespace {

// A memo holds up to 65,535 characters, three bytes each in UTF-8 at most.
constexpr size_t bindBytes = 200 * 1024;

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

struct TableCloser {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

} // namespace

struct AccessFile::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

AccessFile::AccessFile(AccessFile&&) noexcept = default;
AccessFile& AccessFile::operator=(AccessFile&&) noexcept = default;
AccessFile::~AccessFile() = default;

std::optional<AccessFile> AccessFile::open(const QString& path, QString* problem)
{
    if (!QFileInfo(path).isFile()) {
        *problem = QStringLiteral("DOSYA BULUNAMADI: ") + shownPath(path);
        return std::nullopt;
    }
    AccessFile file;
    file.m_path = path;
    file.m_handle = std::make_unique<Handle>();
    file.m_handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!file.m_handle->mdb || !mdb_read_catalog(file.m_handle->mdb, MDB_TABLE)) {
        *problem = QStringLiteral("DOSYA BİR ACCESS VERİTABANI DEĞİL YA DA BOZUK: ") + shownPath(path);
        return std::nullopt;
    }
    mdb_set_bind_size(file.m_handle->mdb, bindBytes);
    return file;
}

QStringList AccessFile::tables() const
{
    QStringList names;
    MdbHandle* mdb = m_handle->mdb;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(mdb->catalog->pdata[i]);
        if (mdb_is_user_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

std::optional<SourceTable> AccessFile::read(const QString& table, QString* problem)
{
    MdbHandle* mdb = m_handle->mdb;
    MdbCatalogEntry* entry = nullptr;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(mdb->catalog->pdata[i]);
        if (mdb_is_user_table(e) &&
            QString::fromUtf8(e->object_name).compare(table, Qt::CaseInsensitive) == 0)
            entry = e;
    }
    if (!entry) {
        *problem = QStringLiteral("TABLO BULUNAMADI: ") + table + QStringLiteral(" (") + shownPath(m_path) +
                   QLatin1Char(')');
        return std::nullopt;
    }
    std::unique_ptr<MdbTableDef, TableCloser> def(mdb_read_table(entry));
    if (!def || !mdb_read_columns(def.get()) || mdb_rewind_table(def.get()) != 0) {
        *problem = QStringLiteral("TABLO OKUNAMADI: ") + table + QStringLiteral(" (") + shownPath(m_path) +
                   QLatin1Char(')');
        return std::nullopt;
    }
    SourceTable out;
    out.file = QFileInfo(m_path).fileName();
    out.table = QString::fromUtf8(entry->object_name);
    const unsigned count = def->num_cols;
    std::vector<std::vector<char>> buffers(count, std::vector<char>(bindBytes + 1));
    std::vector<int> lengths(count, 0);
    for (unsigned c = 0; c < count; ++c) {
        auto* column = static_cast<MdbColumn*>(def->columns->pdata[c]);
        out.columns << QString::fromUtf8(column->name);
        mdb_bind_column(def.get(), static_cast<int>(c) + 1, buffers[c].data(), &lengths[c]);
    }
    out.rows.reserve(def->num_rows);
    while (mdb_fetch_row(def.get())) {
        QStringList row;
        row.reserve(count);
        for (unsigned c = 0; c < count; ++c)
            row << QString::fromUtf8(buffers[c].data(), lengths[c] > 0 ? lengths[c] : 0);
        out.rows.append(std::move(row));
    }
    return out;
}

} // namespace kalvora
