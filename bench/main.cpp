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
            "usage: kalvora-bench small|large|huge [--dir DIR] [--keep] [--no-baseline] [--only TEXT]\n"
            "       [--runs N] [--baseline-runs N]\n");
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
    // --runs N: timed runs per operation instead of each operation's own; --baseline-runs N (default 3).
    auto intOption = [&args](const char* name, int fallback) {
        const int i = static_cast<int>(args.indexOf(QString::fromLatin1(name)));
        return i > 0 && i + 1 < args.size() ? args.at(i + 1).toInt() : fallback;
    };
    const int runs = intOption("--runs", 0);
    const int baselineRuns = std::max(1, intOption("--baseline-runs", 3));

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
    out.flush();

    struct Row {
        QString name;
        QString ours;
        QString max;
        QString peak;
        QString base = QStringLiteral("-");
        QString ratio = QStringLiteral("-");
        double medianMs = 0;
    };
    QList<Row> rows;
    int failures = 0;
    auto guarded = [&](const QString& name, const std::function<void()>& run) {
        try {
            run();
        } catch (const kalvora::DbError& e) {
            ++failures;
            out << name << ": FAILED: " << e.turkishText() << "\n";
        } catch (const std::exception& e) {
            ++failures;
            out << name << ": FAILED: " << QString::fromStdString(e.what()) << "\n";
        }
        for (const QString& error : set.errorsShown()) {
            ++failures;
            out << name << ": error box: " << error << "\n";
        }
        out.flush();
    };
    const QList<Operation> ops = set.operations();
    // Our operations first, so the peak memory is the program's own; the baselines follow.
    for (const Operation& op : ops) {
        if (!only.isEmpty() && !op.name.contains(only))
            continue;
        Row row;
        row.name = op.name;
        guarded(op.name, [&] {
            if (op.setup)
                op.setup();
            const Timing t = measure(runs > 0 ? runs : op.runs, op.ours);
            row.medianMs = t.medianMs;
            row.ours = QString::number(t.medianMs, 'f', 1);
            row.max = QString::number(t.maxMs, 'f', 1);
            row.peak = QString::number(peakMemoryMb(), 'f', 0);
        });
        std::fprintf(stderr, "%s: %s ms\n", qPrintable(op.name), qPrintable(row.ours));
        rows.append(row);
    }
    const double ownPeak = peakMemoryMb();
    const QString loadAfterOurs = loadAverage();
    if (baseline) {
        for (const Operation& op : ops) {
            if ((!only.isEmpty() && !op.name.contains(only)) || !op.baseline)
                continue;
            guarded(op.name + QStringLiteral(" (baseline)"), [&] {
                if (op.setup)
                    op.setup();
                if (op.baselineSetup)
                    op.baselineSetup();
                const Timing b = measure(baselineRuns, op.baseline, false);
                for (Row& r : rows) {
                    if (r.name == op.name) {
                        r.base = QString::number(b.medianMs, 'f', 1);
                        r.ratio = QString::number(b.medianMs / std::max(r.medianMs, 0.001), 'f', 1) +
                                  QLatin1Char('x');
                    }
                }
            });
            std::fprintf(stderr, "%s: baseline done\n", qPrintable(op.name));
        }
    }

    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("operation"), -44)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("max ms"), 10)
               .arg(QStringLiteral("baseline"), 10)
               .arg(QStringLiteral("ratio"), 8)
               .arg(QStringLiteral("peak MB"), 8);
    for (const Row& r : rows) {
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(r.name, -44)
                   .arg(r.ours, 10)
                   .arg(r.max, 10)
                   .arg(r.base, 10)
                   .arg(r.ratio, 8)
                   .arg(r.peak, 8);
    }
    out << "load average after our operations: " << loadAfterOurs
        << "; after the baselines: " << loadAverage() << "\n";
    out << "peak memory of our operations: " << QString::number(ownPeak, 'f', 0) << " MB";
    if (baseline)
        out << "; with the baselines: " << QString::number(peakMemoryMb(), 'f', 0) << " MB";
    out << "\n";
    return failures == 0 ? 0 : 1;
}
