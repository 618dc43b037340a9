#include "import/source_table.h"

namespace kalvora {

qsizetype SourceTable::column(const QString& name) const
{
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace kalvora
