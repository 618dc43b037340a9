#include "data/pg/pg_client_programs.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <libpq-fe.h>

#include <algorithm>

namespace kalvora {

namespace {

QString quotedValue(const QString& value)
{
    QString out = value;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

} // namespace

PgProgramLogin programLogin(const QString& uri)
{
    PgProgramLogin out;
    char* err = nullptr;
    PQconninfoOption* opts = PQconninfoParse(uri.toUtf8().constData(), &err);
    if (!opts) {
        // libpq's text may quote the connection text, password included: it is not shown.
        PQfreemem(err);
        out.error = QStringLiteral("SUNUCU ADRESİ OKUNAMADI.");
        return out;
    }
    QStringList parts;
    QString password;
    for (PQconninfoOption* o = opts; o->keyword; ++o) {
        if (!o->val || !*o->val)
            continue;
        const QString keyword = QString::fromUtf8(o->keyword);
        const QString value = QString::fromUtf8(o->val);
        if (keyword == QLatin1String("password"))
            password = value;
        else if (keyword != QLatin1String("application_name")) // the programs name themselves
            parts << keyword + QLatin1Char('=') + quotedValue(value);
    }
    PQconninfoFree(opts);
    out.connection = parts.join(QLatin1Char(' '));
    out.environment = QProcessEnvironment::systemEnvironment();
    if (!password.isEmpty())
        out.environment.insert(QStringLiteral("PGPASSWORD"), password);
    return out;
}

QString pgProgramPath(const QString& name)
{
    // Debian's /usr/bin wrappers pick a version by the local clusters; the newest client reads every
    // older server's dumps, so it is taken directly.
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(found.begin(), found.end(),
              [&](const QString& a, const QString& b) { return numeric.compare(a, b) > 0; });
    for (const QString& v : std::as_const(found)) {
        const QString path = versions.filePath(v + QStringLiteral("/bin/") + name);
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return QStandardPaths::findExecutable(name);
}

} // namespace kalvora
