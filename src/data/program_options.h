#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace kalvora {

// The command line of kalvora, raporla and yedekle, read before any application object exists, so
// that --help and --version need no display and touch nothing. -h/--help and -v/--version are always
// there; the options QApplication takes for itself (-platform NAME, -style NAME, -reverse, ...) are
// accepted and left to it. Every text is Turkish.
class ProgramOptions final {
public:
    // synopsis: what follows the program's name on the usage line ("[SEÇENEKLER] DOSYA").
    ProgramOptions(const QString& program, const QString& synopsis, const QString& summary);

    void add(const QCommandLineOption& option);

    // arguments[0] is the program. False on a usage error; error() says what.
    bool parse(const QStringList& arguments);
    const QString& error() const { return m_error; }
    bool helpRequested() const;
    bool versionRequested() const;

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }
    QStringList positionalArguments() const { return m_parser.positionalArguments(); }

    QString helpText() const;
    QString versionText() const;

    // Parses; answers --help and --version on standard output (0) and a usage error, with the usage,
    // on standard error (2). Empty when the program is to run.
    std::optional<int> parseOrExit(const QStringList& arguments);
    // The same on the given streams, with a positional argument counted as a usage error.
    std::optional<int> parseOrExit(const QStringList& arguments, QTextStream& out, QTextStream& err);

private:
    QString m_program;
    QString m_synopsis;
    QString m_summary;
    QList<QCommandLineOption> m_shown;
    QCommandLineParser m_parser;
    QString m_error;
};

// argv as texts in the local encoding, as QCoreApplication would read them.
QStringList argumentList(int argc, char** argv);

// The version of the programs, "1.0".
QString programVersion();

} // namespace kalvora
