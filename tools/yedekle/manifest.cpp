#include "manifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace kalvora::backup {

namespace {

const char* kindKey(Kind kind)
{
    switch (kind) {
    case Kind::Automatic:
        return "automatic";
    case Kind::BeforeRestore:
        return "before-restore";
    case Kind::Manual:
        break;
    }
    return "manual";
}

std::optional<Kind> kindFromKey(const QString& key)
{
    for (Kind k : {Kind::Manual, Kind::Automatic, Kind::BeforeRestore})
        if (key == QLatin1String(kindKey(k)))
            return k;
    return std::nullopt;
}

bool isHex(const QByteArray& text, int length)
{
    if (text.size() != length)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

qint64 Manifest::totalSize() const
{
    qint64 sum = 0;
    for (const FileEntry& f : files)
        sum += f.size;
    return sum;
}

const FileEntry* Manifest::file(const QString& name) const
{
    for (const FileEntry& f : files)
        if (f.name == name)
            return &f;
    return nullptr;
}

QByteArray Manifest::toJson() const
{
    QJsonArray list;
    for (const FileEntry& f : files)
        list.append(QJsonObject{{QStringLiteral("name"), f.name},
                                {QStringLiteral("size"), f.size},
                                {QStringLiteral("sha256"), QString::fromLatin1(f.sha256)},
                                {QStringLiteral("database"), f.database}});
    const QJsonObject countObject{{QStringLiteral("people"), counts.people},
                                  {QStringLiteral("transactions"), counts.transactions},
                                  {QStringLiteral("incomeEntries"), counts.incomeEntries},
                                  {QStringLiteral("expenseEntries"), counts.expenseEntries}};
    QJsonObject root{{QStringLiteral("program"), QStringLiteral("KALVORA")},
                     {QStringLiteral("format"), format},
                     {QStringLiteral("created"),
                      created.toOffsetFromUtc(created.offsetFromUtc()).toString(Qt::ISODateWithMs)},
                     {QStringLiteral("kind"), QString::fromLatin1(kindKey(kind))},
                     {QStringLiteral("sourceFolder"), sourceFolder},
                     {QStringLiteral("counts"), countObject},
                     {QStringLiteral("files"), list}};
    if (!server.isEmpty()) {
        QJsonObject tableObject;
        for (auto it = tables.cbegin(); it != tables.cend(); ++it)
            tableObject.insert(it.key(), it.value());
        root.insert(QStringLiteral("server"), server);
        root.insert(QStringLiteral("tables"), tableObject);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<Manifest> Manifest::fromJson(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("program")).toString() != QLatin1String("KALVORA"))
        return std::nullopt;
    Manifest m;
    m.format = root.value(QStringLiteral("format")).toInt(0);
    if (m.format != 1)
        return std::nullopt;
    m.created = QDateTime::fromString(root.value(QStringLiteral("created")).toString(), Qt::ISODateWithMs);
    if (!m.created.isValid())
        return std::nullopt;
    const auto kind = kindFromKey(root.value(QStringLiteral("kind")).toString());
    if (!kind)
        return std::nullopt;
    m.kind = *kind;
    m.sourceFolder = root.value(QStringLiteral("sourceFolder")).toString();
    const QJsonObject counts = root.value(QStringLiteral("counts")).toObject();
    auto count = [&](const char* key) {
        return static_cast<qint64>(counts.value(QLatin1String(key)).toDouble(-1));
    };
    m.counts = {count("people"), count("transactions"), count("incomeEntries"), count("expenseEntries")};
    m.server = root.value(QStringLiteral("server")).toString();
    const QJsonObject tables = root.value(QStringLiteral("tables")).toObject();
    for (auto it = tables.constBegin(); it != tables.constEnd(); ++it)
        m.tables.insert(it.key(), static_cast<qint64>(it.value().toDouble(-1)));
    // A server backup is checked against its table counts: without them it cannot be.
    if (!m.server.isEmpty() && m.tables.isEmpty())
        return std::nullopt;
    const QJsonValue files = root.value(QStringLiteral("files"));
    if (!files.isArray())
        return std::nullopt;
    for (const QJsonValue& v : files.toArray()) {
        const QJsonObject o = v.toObject();
        FileEntry f;
        f.name = o.value(QStringLiteral("name")).toString();
        f.size = static_cast<qint64>(o.value(QStringLiteral("size")).toDouble(-1));
        f.sha256 = o.value(QStringLiteral("sha256")).toString().toLatin1();
        f.database = o.value(QStringLiteral("database")).toBool();
        // A name with a folder in it would let a damaged manifest reach outside the backup folder.
        if (f.name.isEmpty() || f.name.contains(QLatin1Char('/')) || f.name.contains(QLatin1Char('\\')) ||
            f.name.startsWith(QLatin1Char('.')) || f.size < 0 || !isHex(f.sha256, 64) || m.file(f.name))
            return std::nullopt;
        m.files.append(f);
    }
    return m;
}

QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::Automatic:
        return QStringLiteral("OTOMATİK");
    case Kind::BeforeRestore:
        return QStringLiteral("GERİ YÜKLEME ÖNCESİ");
    case Kind::Manual:
        break;
    }
    return QStringLiteral("ELLE");
}

QString sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" BAYT");
    const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    QString number = turkish.toString(value, 'f', 1);
    // 1023,96 KB rounds to "1.024,0": show it as the next unit instead.
    if (unit < 3 && number == turkish.toString(1024.0, 'f', 1)) {
        number = turkish.toString(1.0, 'f', 1);
        ++unit;
    }
    return number + QLatin1Char(' ') + QString::fromLatin1(units[unit]);
}

} // namespace kalvora::backup
