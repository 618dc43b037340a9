#include "data/program_options.h"

#include <kalvora_version.h>

#include <QRegularExpression>

#include <cstdio>

namespace kalvora {

namespace {

const QString helpName = QStringLiteral("help");
const QString versionName = QStringLiteral("version");

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
    if (!text.endsWith(QLatin1Char('\n')))
        std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

ProgramOptions::ProgramOptions(const QString& program, const QString& synopsis, const QString& summary)
    : m_program(program), m_synopsis(synopsis), m_summary(summary)
{
    // "-platform offscreen" is one option, as QApplication reads it, not six single letters.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    add(QCommandLineOption({QStringLiteral("h"), helpName}, QStringLiteral("BU YARDIMI GÖSTERİR.")));
    add(QCommandLineOption({QStringLiteral("v"), versionName}, QStringLiteral("SÜRÜMÜ GÖSTERİR.")));
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
          "qwindowtitle", "display", "geometry", "style", "stylesheet", "session", "qmljsdebugger"}) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("x"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(o);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(o);
    }
}

void ProgramOptions::add(const QCommandLineOption& option)
{
    m_parser.addOption(option);
    m_shown.append(option);
}

bool ProgramOptions::parse(const QStringList& arguments)
{
    m_error.clear();
    if (m_parser.parse(arguments))
        return true;
    const QStringList unknown = m_parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        m_error = QStringLiteral("BİLİNMEYEN SEÇENEK: ") + dashed(unknown.first());
        return false;
    }
    // The parser's own texts are English; only the option's name is taken from them.
    const QString english = m_parser.errorText();
    static const QRegularExpression quotedName(QStringLiteral("'([^']*)'"));
    const QString name = quotedName.match(english).captured(1); // as written, dashes included
    if (english.startsWith(QLatin1String("Missing value")))
        m_error = QStringLiteral("SEÇENEĞİN DEĞERİ YAZILMAMIŞ: ") + name;
    else if (english.startsWith(QLatin1String("Unexpected value")))
        m_error = QStringLiteral("BU SEÇENEK DEĞER ALMAZ: ") + name;
    else
        m_error = QStringLiteral("KOMUT SATIRI OKUNAMADI: ") + english;
    return false;
}

bool ProgramOptions::helpRequested() const
{
    return m_parser.isSet(helpName);
}

bool ProgramOptions::versionRequested() const
{
    return m_parser.isSet(versionName);
}

QString ProgramOptions::helpText() const
{
    QStringList names;
    int width = 0;
    for (const QCommandLineOption& o : m_shown) {
        QStringList parts;
        for (const QString& n : o.names())
            parts << dashed(n);
        QString text = parts.join(QStringLiteral(", "));
        if (!o.valueName().isEmpty())
            text += QLatin1Char(' ') + o.valueName();
        names << text;
        width = std::max(width, int(text.size()));
    }
    QString out = QStringLiteral("KULLANIM: ") + m_program + QLatin1Char(' ') + m_synopsis +
                  QLatin1Char('\n') + m_summary + QStringLiteral("\n\nSEÇENEKLER:\n");
    for (int i = 0; i < m_shown.size(); ++i)
        out += QStringLiteral("  ") + names.at(i).leftJustified(width + 2) + m_shown.at(i).description() +
               QLatin1Char('\n');
    return out;
}

QString ProgramOptions::versionText() const
{
    return m_program + QStringLiteral(" (ORVENTA KALVORA) SÜRÜM ") + programVersion() + QLatin1Char('\n');
}

std::optional<int> ProgramOptions::parseOrExit(const QStringList& arguments)
{
    if (!parse(arguments)) {
        print(stderr, m_error + QStringLiteral("\n\n") + helpText());
        return 2;
    }
    if (helpRequested()) {
        print(stdout, helpText());
        return 0;
    }
    if (versionRequested()) {
        print(stdout, versionText());
        return 0;
    }
    return std::nullopt;
}

std::optional<int> ProgramOptions::parseOrExit(const QStringList& arguments, QTextStream& out,
                                               QTextStream& err)
{
    const auto usage = [&](const QString& problem) {
        err << problem << QStringLiteral("\n\n") << helpText() << Qt::flush;
        return 2;
    };
    if (!parse(arguments))
        return usage(m_error);
    if (helpRequested()) {
        out << helpText() << Qt::flush;
        return 0;
    }
    if (versionRequested()) {
        out << versionText() << Qt::flush;
        return 0;
    }
    if (!positionalArguments().isEmpty())
        return usage(QStringLiteral("FAZLA ARGÜMAN: ") + positionalArguments().first());
    return std::nullopt;
}

QStringList argumentList(int argc, char** argv)
{
    QStringList out;
    for (int i = 0; i < argc; ++i)
        out << QString::fromLocal8Bit(argv[i]);
    return out;
}

QString programVersion()
{
    return QStringLiteral(KALVORA_VERSION);
}

} // namespace kalvora
