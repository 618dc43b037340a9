#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>
#include <stdexcept>
#include <vector>

namespace kalvora {

// A failure of the report engine or the printing bridge, with a Turkish text for the user that names
// what failed (the file, the object).
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& text);
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// One object of a report definition: its class ("TfrxMemoView"), its properties in file order
// (names compared without regard to case) and its child objects. Properties the engine does not know
// are kept, so a definition the user adapted is saved back unchanged.
class ReportObject final {
public:
    explicit ReportObject(const QString& className, const QString& name = QString());
    ReportObject(const ReportObject&) = delete;
    ReportObject& operator=(const ReportObject&) = delete;

    const QString& className() const { return m_class; }
    bool isA(const char* className) const;
    QString name() const { return property(QStringLiteral("Name")); }

    bool hasProperty(const QString& key) const;
    QString property(const QString& key, const QString& fallback = QString()) const;
    void setProperty(const QString& key, const QString& value);
    // A length in millimetres; accepts a decimal point or a decimal comma.
    double number(const QString& key, double fallback = 0) const;
    // "True"/"False" (also 1/0, yes/no).
    bool flag(const QString& key, bool fallback) const;
    const QList<QPair<QString, QString>>& properties() const { return m_properties; }

    ReportObject* parent() const { return m_parent; }
    const std::vector<std::unique_ptr<ReportObject>>& children() const { return m_children; }
    ReportObject* addChild(std::unique_ptr<ReportObject> child);

    // Depth first, this object included; names compared without regard to case.
    ReportObject* find(const QString& name);
    const ReportObject* find(const QString& name) const;
    // Every object of the class below this one, in file order.
    QList<const ReportObject*> findAll(const char* className) const;

private:
    QString m_class;
    QList<QPair<QString, QString>> m_properties;
    ReportObject* m_parent = nullptr;
    std::vector<std::unique_ptr<ReportObject>> m_children;
};

// A report definition file: an XML document whose elements are the objects (element name = class,
// attributes = properties). The root is a "TfrxReport"; "TfrxDataPage" named "Data" holds the
// connection ("TfrxADODatabase") and the queries ("TfrxADOQuery"); each "TfrxReportPage" holds the
// bands, and the bands hold the text objects ("TfrxMemoView") and lines ("TfrxLineView"). Lengths are
// millimetres, font sizes points.
class ReportDefinition final {
public:
    ReportDefinition();
    ReportDefinition(ReportDefinition&&) noexcept = default;
    ReportDefinition& operator=(ReportDefinition&&) noexcept = default;

    // Throws ReportError naming the file when it is missing, unreadable or not a definition.
    static ReportDefinition load(const QString& path);
    static ReportDefinition parse(const QByteArray& xml, const QString& sourceName);
    QByteArray toXml() const;
    // Written to a temporary file first and renamed, so a failure never leaves half a definition.
    void save(const QString& path) const;

    ReportObject& root() { return *m_root; }
    const ReportObject& root() const { return *m_root; }
    // The file it was loaded from (the base of relative data paths).
    const QString& sourcePath() const { return m_sourcePath; }

    ReportObject* findObject(const QString& name) { return m_root->find(name); }
    const ReportObject* findObject(const QString& name) const { return m_root->find(name); }
    ReportObject* createObject(ReportObject* parent, const QString& className, const QString& name);

private:
    std::unique_ptr<ReportObject> m_root;
    QString m_sourcePath;
};

} // namespace kalvora
