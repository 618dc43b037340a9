// kalvora-bench: generates a data folder of a named size and times the program's actions on it.
#include "bench_timer.h"
#include "data_generator.h"
#include "operations.h"

#include "data/db_error.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

using namespace kalvora::bench;

namespace {

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(f.readLine()).section(QLatin1Char(' '), 0, 2);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2 || args.contains(QStringLiteral("--help"))) {
        std::printf(
            "usage: kalvora-bench small|large|huge [--dir DIR] [--keep] [--no-baseline] [--only TEXT]\n");
        return 2;
    }
    DataSize size;
    try {
        size = sizeByName(args.at(1));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    QTemporaryDir temp;
    QString folder = temp.path();
    const int dirArg = static_cast<int>(args.indexOf(QStringLiteral("--dir")));
    if (dirArg > 0 && dirArg + 1 < args.size())
        folder = args.at(dirArg + 1);
    temp.setAutoRemove(!args.contains(QStringLiteral("--keep")) && dirArg < 0);
    const bool baseline = !args.contains(QStringLiteral("--no-baseline"));
    // --only TEXT: just the operations whose name contains TEXT (for profiling one of them).
    const int onlyArg = static_cast<int>(args.indexOf(QStringLiteral("--only")));
    const QString only = onlyArg > 0 && onlyArg + 1 < args.size() ? args.at(onlyArg + 1) : QString();

    QTextStream out(stdout);
    if (!QFile::exists(QDir(folder).filePath(QStringLiteral("data.mdb")))) {
        QElapsedTimer t;
        t.start();
        QDir().mkpath(folder);
        generate(folder, size);
        out << "generated " << size.name << " (" << size.people << " people, " << size.transactions
            << " transactions, " << size.ledgerEntries << " entries per ledger) in " << t.elapsed()
            << " ms\n";
    } else {
        out << "using existing data folder " << folder << "\n";
    }
    out.flush();

    OperationSet set(folder);
    out << set.personDescription() << "; load average before: " << loadAverage() << "\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("operation"), -44)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("max ms"), 10)
               .arg(QStringLiteral("baseline"), 10)
               .arg(QStringLiteral("ratio"), 8);
    out.flush();
    int failures = 0;
    for (const Operation& op : set.operations()) {
        if (!only.isEmpty() && !op.name.contains(only))
            continue;
        try {
            if (op.setup)
                op.setup();
            const Timing ours = measure(op.runs, op.ours);
            QString base = QStringLiteral("-");
            QString ratio = QStringLiteral("-");
            if (baseline && op.baseline) {
                const Timing b = measure(std::min(3, op.runs), op.baseline, false);
                base = QString::number(b.medianMs, 'f', 1);
                ratio =
                    QString::number(b.medianMs / std::max(ours.medianMs, 0.001), 'f', 1) + QLatin1Char('x');
            }
            out << QStringLiteral("%1 %2 %3 %4 %5\n")
                       .arg(op.name, -44)
                       .arg(ours.medianMs, 10, 'f', 1)
                       .arg(ours.maxMs, 10, 'f', 1)
                       .arg(base, 10)
                       .arg(ratio, 8);
        } catch (const kalvora::DbError& e) {
            ++failures;
            out << op.name << ": FAILED: " << e.turkishText() << "\n";
        } catch (const std::exception& e) {
            ++failures;
            out << op.name << ": FAILED: " << QString::fromStdString(e.what()) << "\n";
        }
        for (const QString& error : set.errorsShown()) {
            ++failures;
            out << "  error box: " << error << "\n";
        }
        out.flush();
    }
    out << "load average after: " << loadAverage() << "\n";
    out << "peak memory: " << QString::number(peakMemoryMb(), 'f', 0) << " MB\n";
    return failures == 0 ? 0 : 1;
}
