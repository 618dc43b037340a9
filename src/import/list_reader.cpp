#include "import/list_reader.h"

#include "data/turkish_text.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <zip.h>

#include <cmath>
#include <memory>

namespace kalvora {

namespace {

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString decode(const QByteArray& bytes, ListEncoding encoding)
{
    if (encoding == ListEncoding::Guess)
        encoding = guessEncoding(bytes);
    if (encoding == ListEncoding::Utf8) {
        QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless); // drops a BOM
        return d(bytes);
    }
    QStringDecoder d("windows-1254");
    return d(bytes);
}

QChar guessSeparator(const QString& text)
{
    int semicolons = 0, commas = 0, tabs = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
        else if (!quoted && c == QLatin1Char('\t'))
            ++tabs;
    }
    if (tabs > semicolons && tabs > commas)
        return QLatin1Char('\t');
    return commas > semicolons ? QLatin1Char(',') : QLatin1Char(';');
}

// Splits CSV text into records; a quoted field keeps separators and line breaks.
QList<QStringList> splitCsv(const QString& text, QChar separator)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool any = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == separator) {
            record << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            if (any || !field.isEmpty()) {
                record << field;
                records << record;
            }
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        record << field;
        records << record;
    }
    return records;
}

SourceTable tableOf(const QString& path, QList<QStringList> records)
{
    SourceTable t;
    t.file = QFileInfo(path).fileName();
    if (records.isEmpty())
        return t;
    t.columns = records.takeFirst();
    for (QString& c : t.columns)
        c = c.trimmed();
    for (QStringList& r : records) {
        while (r.size() < t.columns.size())
            r << QString();
        bool blank = true;
        for (const QString& v : std::as_const(r))
            blank = blank && v.trimmed().isEmpty();
        if (!blank)
            t.rows << r.mid(0, std::max(t.columns.size(), r.size()));
    }
    return t;
}

// --- xlsx --------------------------------------------------------------------------------------------

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};

std::optional<QByteArray> entry(zip_t* z, const QString& name)
{
    zip_stat_t st;
    zip_stat_init(&st);
    const QByteArray n = name.toUtf8();
    if (zip_stat(z, n.constData(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || st.size > (256u << 20))
        return std::nullopt;
    zip_file_t* f = zip_fopen(z, n.constData(), 0);
    if (!f)
        return std::nullopt;
    QByteArray data(qsizetype(st.size), Qt::Uninitialized);
    const zip_int64_t got = zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    if (got != zip_int64_t(st.size))
        return std::nullopt;
    return data;
}

// Characters XML cannot hold stand in a spreadsheet's strings as _xHHHH_ (CR as _x000D_, "_" before
// such a text as _x005F_).
QString unescaped(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression code(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype from = 0;
    for (auto it = code.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(from, m.capturedStart() - from);
        out += QChar(char16_t(m.captured(1).toUShort(nullptr, 16)));
        from = m.capturedEnd();
    }
    out += QStringView(text).mid(from);
    return out;
}

// Text of an <si> or <is>: its <t> and the <t> of its runs, phonetic hints left out.
QString stringItem(QXmlStreamReader& xml)
{
    QString text;
    const QString end = xml.name().toString();
    int skip = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"rPh")
                ++skip;
            else if (xml.name() == u"t" && skip == 0)
                text += xml.readElementText();
        } else if (xml.isEndElement()) {
            if (xml.name() == u"rPh")
                --skip;
            else if (xml.name() == end)
                break;
        }
    }
    return unescaped(text);
}

bool isDateFormat(int id, const QString& code)
{
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47))
        return true;
    if (code.isEmpty())
        return false;
    // Letters of a date outside quoted text and [colour]/[locale] parts.
    bool quoted = false;
    int bracket = 0;
    for (QChar c : code) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('['))
            ++bracket;
        else if (!quoted && c == QLatin1Char(']'))
            --bracket;
        else if (!quoted && bracket == 0 && QStringLiteral("dDyY").contains(c))
            return true;
    }
    return false;
}

int columnOf(QStringView ref)
{
    int col = 0;
    for (QChar c : ref) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        col = col * 26 + (c.unicode() - 'A' + 1);
    }
    return col - 1;
}

} // namespace

ListEncoding guessEncoding(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return ListEncoding::Utf8;
    QStringDecoder d(QStringDecoder::Utf8);
    const QString text = d.decode(bytes);
    Q_UNUSED(text);
    return d.hasError() ? ListEncoding::Windows1254 : ListEncoding::Utf8;
}

std::optional<SourceTable> readCsv(const QString& path, const CsvOptions& options, QString* problem)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("DOSYA AÇILAMADI: ") + shownPath(path);
        return std::nullopt;
    }
    const QByteArray bytes = f.readAll();
    if (bytes.contains('\0')) {
        *problem = QStringLiteral("DOSYA BİR CSV LİSTESİ DEĞİL: ") + shownPath(path);
        return std::nullopt;
    }
    const QString text = decode(bytes, options.encoding);
    const QChar separator = options.separator.isNull() ? guessSeparator(text) : options.separator;
    SourceTable t = tableOf(path, splitCsv(text, separator));
    // A spreadsheet's formula guard, as the program's own export writes it ("'=..."), comes off again.
    for (QStringList& r : t.rows)
        for (QString& v : r)
            if (v.size() > 1 && v.at(0) == QLatin1Char('\'') && QStringLiteral("=+-@").contains(v.at(1)))
                v.remove(0, 1);
    if (t.columns.isEmpty()) {
        *problem = QStringLiteral("DOSYA BOŞ: ") + shownPath(path);
        return std::nullopt;
    }
    return t;
}

std::optional<SourceTable> readXlsx(const QString& path, QString* problem)
{
    const auto foreign = [&] {
        *problem = QStringLiteral("DOSYA BİR EXCEL (.xlsx) DOSYASI DEĞİL YA DA BOZUK: ") + shownPath(path);
        return std::nullopt;
    };
    if (!QFileInfo(path).isFile()) {
        *problem = QStringLiteral("DOSYA BULUNAMADI: ") + shownPath(path);
        return std::nullopt;
    }
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> z(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error));
    if (!z)
        return foreign();

    // The first sheet of the workbook, through its relationship.
    const std::optional<QByteArray> workbook = entry(z.get(), QStringLiteral("xl/workbook.xml"));
    const std::optional<QByteArray> rels = entry(z.get(), QStringLiteral("xl/_rels/workbook.xml.rels"));
    if (!workbook)
        return foreign();
    QString sheetId;
    {
        QXmlStreamReader xml(*workbook);
        while (!xml.atEnd() && sheetId.isEmpty()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"sheet")
                for (const QXmlStreamAttribute& a : xml.attributes())
                    if (a.qualifiedName() == u"r:id")
                        sheetId = a.value().toString();
        }
    }
    QString sheetPath = QStringLiteral("xl/worksheets/sheet1.xml");
    if (rels && !sheetId.isEmpty()) {
        QXmlStreamReader xml(*rels);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"Relationship" &&
                xml.attributes().value(QLatin1String("Id")) == sheetId) {
                QString target = xml.attributes().value(QLatin1String("Target")).toString();
                sheetPath =
                    target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
            }
        }
    }

    QStringList shared;
    if (const auto data = entry(z.get(), QStringLiteral("xl/sharedStrings.xml"))) {
        QXmlStreamReader xml(*data);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si")
                shared << stringItem(xml);
        }
    }
    // Which cell styles show a date.
    QList<bool> dateStyle;
    if (const auto data = entry(z.get(), QStringLiteral("xl/styles.xml"))) {
        QHash<int, QString> codes;
        QXmlStreamReader xml(*data);
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"numFmt")
                codes.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                             xml.attributes().value(QLatin1String("formatCode")).toString());
            else if (xml.isStartElement() && xml.name() == u"cellXfs")
                inCellXfs = true;
            else if (xml.isEndElement() && xml.name() == u"cellXfs")
                inCellXfs = false;
            else if (inCellXfs && xml.isStartElement() && xml.name() == u"xf") {
                const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                dateStyle << isDateFormat(id, codes.value(id));
            }
        }
    }

    const std::optional<QByteArray> sheet = entry(z.get(), sheetPath);
    if (!sheet)
        return foreign();
    QList<QStringList> records;
    QXmlStreamReader xml(*sheet);
    QStringList row;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"row") {
            row.clear();
        } else if (xml.isEndElement() && xml.name() == u"row") {
            records << row;
        } else if (xml.isStartElement() && xml.name() == u"c") {
            const QXmlStreamAttributes a = xml.attributes();
            const QString type = a.value(QLatin1String("t")).toString();
            const int style = a.value(QLatin1String("s")).toInt();
            int col =
                a.hasAttribute(QLatin1String("r")) ? columnOf(a.value(QLatin1String("r"))) : int(row.size());
            if (col < 0 || col > 16383)
                col = int(row.size());
            QString value;
            QString raw;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"v")
                    raw = xml.readElementText();
                else if (xml.isStartElement() && xml.name() == u"is")
                    value = stringItem(xml);
                else if (xml.isEndElement() && xml.name() == u"c")
                    break;
            }
            if (type == u"s") {
                const int i = raw.toInt();
                value = i >= 0 && i < shared.size() ? shared.at(i) : QString();
            } else if (type == u"str" || type == u"e") {
                value = raw;
            } else if (type == u"b") {
                value = raw == u"1" ? QStringLiteral("1") : QStringLiteral("0");
            } else if (type != u"inlineStr" && !raw.isEmpty()) {
                bool ok = false;
                const double v = raw.toDouble(&ok);
                if (!ok)
                    value = raw;
                else if (style >= 0 && style < dateStyle.size() && dateStyle.at(style))
                    value = dateText(QDate(1899, 12, 30).addDays(qint64(std::floor(v))));
                else
                    value = plainNumberText(v);
            }
            while (row.size() < col)
                row << QString();
            if (row.size() == col)
                row << value;
            else
                row[col] = value;
        }
    }
    if (xml.hasError())
        return foreign();
    SourceTable t = tableOf(path, std::move(records));
    if (t.columns.isEmpty()) {
        *problem = QStringLiteral("DOSYA BOŞ: ") + shownPath(path);
        return std::nullopt;
    }
    return t;
}

} // namespace kalvora
