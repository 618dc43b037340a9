#include "reports/report_definition.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QtNumeric>

namespace kalvora {

namespace {

const QString rootClass = QStringLiteral("TfrxReport");
constexpr int maxDepth = 64;
constexpr qint64 maxFileSize = 64 * 1024 * 1024;

// Characters XML 1.0 cannot carry; a text given by a caller must never make the file unreadable.
QString xmlSafe(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append(c);
            out.append(text.at(++i));
        } else if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || c.isSurrogate() || u == 0xFFFE ||
                   u == 0xFFFF) {
            out.append(QChar(0xFFFD));
        } else {
            out.append(c);
        }
    }
    return out;
}

void writeObject(QXmlStreamWriter& w, const ReportObject& o)
{
    w.writeStartElement(o.className());
    for (const auto& p : o.properties())
        w.writeAttribute(p.first, xmlSafe(p.second));
    for (const auto& c : o.children())
        writeObject(w, *c);
    w.writeEndElement();
}

} // namespace

ReportError::ReportError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}

ReportObject::ReportObject(const QString& className, const QString& name) : m_class(className)
{
    if (!name.isEmpty())
        setProperty(QStringLiteral("Name"), name);
}

bool ReportObject::isA(const char* className) const
{
    return m_class.compare(QLatin1String(className), Qt::CaseInsensitive) == 0;
}

bool ReportObject::hasProperty(const QString& key) const
{
    for (const auto& p : m_properties) {
        if (p.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString ReportObject::property(const QString& key, const QString& fallback) const
{
    for (const auto& p : m_properties) {
        if (p.first.compare(key, Qt::CaseInsensitive) == 0)
            return p.second;
    }
    return fallback;
}

void ReportObject::setProperty(const QString& key, const QString& value)
{
    for (auto& p : m_properties) {
        if (p.first.compare(key, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    m_properties.append({key, value});
}

double ReportObject::number(const QString& key, double fallback) const
{
    QString text = property(key).trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && qIsFinite(v) ? v : fallback;
}

bool ReportObject::flag(const QString& key, bool fallback) const
{
    const QString v = property(key).trimmed().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("1") || v == QLatin1String("yes"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("0") || v == QLatin1String("no"))
        return false;
    return fallback;
}

ReportObject* ReportObject::addChild(std::unique_ptr<ReportObject> child)
{
    child->m_parent = this;
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

ReportObject* ReportObject::find(const QString& name)
{
    return const_cast<ReportObject*>(std::as_const(*this).find(name));
}

const ReportObject* ReportObject::find(const QString& name) const
{
    if (name.isEmpty())
        return nullptr;
    if (this->name().compare(name, Qt::CaseInsensitive) == 0)
        return this;
    for (const auto& c : m_children) {
        if (const ReportObject* found = c->find(name))
            return found;
    }
    return nullptr;
}

QList<const ReportObject*> ReportObject::findAll(const char* className) const
{
    QList<const ReportObject*> out;
    for (const auto& c : m_children) {
        if (c->isA(className))
            out.append(c.get());
        out.append(c->findAll(className));
    }
    return out;
}

ReportDefinition::ReportDefinition() : m_root(std::make_unique<ReportObject>(rootClass)) {}

ReportDefinition ReportDefinition::load(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw ReportError(QStringLiteral("RAPOR DOSYASI BULUNAMADI:\n") + path);
    if (!info.isFile())
        throw ReportError(QStringLiteral("RAPOR DOSYASI OKUNAMADI (BİR DOSYA DEĞİL):\n") + path);
    if (info.size() > maxFileSize)
        throw ReportError(QStringLiteral("RAPOR DOSYASI OKUNAMADI (DOSYA ÇOK BÜYÜK):\n") + path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("RAPOR DOSYASI OKUNAMADI:\n") + path + QStringLiteral("\n(") +
                          file.errorString() + QLatin1Char(')'));
    ReportDefinition def = parse(file.readAll(), path);
    def.m_sourcePath = info.absoluteFilePath();
    return def;
}

ReportDefinition ReportDefinition::parse(const QByteArray& xml, const QString& sourceName)
{
    auto broken = [&](const QString& why) {
        return ReportError(QStringLiteral("RAPOR DOSYASI BOZUK, OKUNAMADI:\n") + sourceName +
                           QStringLiteral("\n(") + why + QLatin1Char(')'));
    };
    QXmlStreamReader reader(xml);
    ReportDefinition def;
    ReportObject* current = nullptr;
    int depth = 0;
    bool rootSeen = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString cls = reader.name().toString();
            if (!current) {
                if (rootSeen || cls != rootClass)
                    throw ReportError(QStringLiteral("DOSYA BİR RAPOR TANIMI DEĞİL:\n") + sourceName);
                rootSeen = true;
                current = def.m_root.get();
            } else {
                if (++depth > maxDepth)
                    throw broken(QStringLiteral("NESNELER ÇOK DERİN İÇ İÇE"));
                current = current->addChild(std::make_unique<ReportObject>(cls));
            }
            for (const QXmlStreamAttribute& a : reader.attributes())
                current->setProperty(a.qualifiedName().toString(), a.value().toString());
        } else if (token == QXmlStreamReader::EndElement) {
            if (current == def.m_root.get()) {
                current = nullptr;
            } else if (current) {
                current = current->parent();
                --depth;
            }
        }
    }
    if (reader.hasError())
        throw broken(QStringLiteral("SATIR ") + QString::number(reader.lineNumber()) + QStringLiteral(": ") +
                     reader.errorString());
    if (!rootSeen)
        throw ReportError(QStringLiteral("DOSYA BİR RAPOR TANIMI DEĞİL:\n") + sourceName);
    return def;
}

QByteArray ReportDefinition::toXml() const
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    writeObject(w, *m_root);
    w.writeEndDocument();
    return out;
}

void ReportDefinition::save(const QString& path) const
{
    QSaveFile file(path);
    const QByteArray data = toXml();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw ReportError(QStringLiteral("RAPOR DOSYASI YAZILAMADI:\n") + path + QStringLiteral("\n(") +
                          file.errorString() + QLatin1Char(')'));
}

ReportObject* ReportDefinition::createObject(ReportObject* parent, const QString& className,
                                             const QString& name)
{
    return (parent ? parent : m_root.get())->addChild(std::make_unique<ReportObject>(className, name));
}

} // namespace kalvora
