// kalvora-bench: generates a data folder of a named size and times the program's actions on it, on the
// data folder's files and, when asked, on a server book.
#include "bench_timer.h"
#include "book_moves.h"
#include "data_generator.h"
#include "desks.h"
#include "operations.h"

#include "data/db_error.h"
#include "data/pg/pg_connection.h"
#include "data/pg/server_schema.h"
#include "data/store.h"
#include "support/pg_server.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <memory>

using namespace kalvora::bench;

namespace {

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(f.readLine()).section(QLatin1Char(' '), 0, 2);
}

struct Row {
    QString name;
    QString ours;
    QString max;
    QString peak;
    QString base = QStringLiteral("-");
    QString ratio = QStringLiteral("-");
    double medianMs = 0;
};

struct TableRun {
    QList<Row> rows;
    int failures = 0;
    double ownPeakMb = 0;
    QString loadAfterOurs;
};

struct TableOptions {
    QString only; // just the operations whose name contains it
    int runs = 0; // timed runs per operation; 0: each operation's own
    int baselineRuns = 3;
    bool baseline = true;
};

// Our operations first, so the peak memory is the program's own; the baselines follow.
TableRun timeOperations(OperationSet& set, const TableOptions& o, QTextStream& out)
{
    TableRun run;
    auto guarded = [&](const QString& name, const std::function<void()>& op) {
        try {
            op();
        } catch (const kalvora::DbError& e) {
            ++run.failures;
            out << name << ": FAILED: " << e.turkishText() << "\n";
        } catch (const std::exception& e) {
            ++run.failures;
            out << name << ": FAILED: " << QString::fromStdString(e.what()) << "\n";
        }
        for (const QString& error : set.errorsShown()) {
            ++run.failures;
            out << name << ": error box: " << error << "\n";
        }
        out.flush();
    };
    const QList<Operation> ops = set.operations();
    for (const Operation& op : ops) {
        if (!o.only.isEmpty() && !op.name.contains(o.only))
            continue;
        Row row;
        row.name = op.name;
        guarded(op.name, [&] {
            if (op.setup)
                op.setup();
            const Timing t = measure(o.runs > 0 ? o.runs : op.runs, op.ours);
            row.medianMs = t.medianMs;
            row.ours = QString::number(t.medianMs, 'f', 1);
            row.max = QString::number(t.maxMs, 'f', 1);
            row.peak = QString::number(peakMemoryMb(), 'f', 0);
        });
        std::fprintf(stderr, "%s: %s ms\n", qPrintable(op.name), qPrintable(row.ours));
        run.rows.append(row);
    }
    run.ownPeakMb = peakMemoryMb();
    run.loadAfterOurs = loadAverage();
    if (!o.baseline)
        return run;
    for (const Operation& op : ops) {
        if ((!o.only.isEmpty() && !op.name.contains(o.only)) || !op.baseline)
            continue;
        guarded(op.name + QStringLiteral(" (baseline)"), [&] {
            if (op.setup)
                op.setup();
            if (op.baselineSetup)
                op.baselineSetup();
            const Timing b = measure(o.baselineRuns, op.baseline, false);
            for (Row& r : run.rows) {
                if (r.name == op.name) {
                    r.base = QString::number(b.medianMs, 'f', 1);
                    r.ratio =
                        QString::number(b.medianMs / std::max(r.medianMs, 0.001), 'f', 1) + QLatin1Char('x');
                }
            }
        });
        std::fprintf(stderr, "%s: baseline done\n", qPrintable(op.name));
    }
    return run;
}

void printTable(const TableRun& run, bool baseline, QTextStream& out)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("operation"), -44)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("max ms"), 10)
               .arg(QStringLiteral("baseline"), 10)
               .arg(QStringLiteral("ratio"), 8)
               .arg(QStringLiteral("peak MB"), 8);
    for (const Row& r : run.rows) {
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(r.name, -44)
                   .arg(r.ours, 10)
                   .arg(r.max, 10)
                   .arg(r.base, 10)
                   .arg(r.ratio, 8)
                   .arg(r.peak, 8);
    }
    out << "load average after our operations: " << run.loadAfterOurs
        << "; after the baselines: " << loadAverage() << "\n";
    out << "peak memory of our operations: " << QString::number(run.ownPeakMb, 'f', 0) << " MB";
    if (baseline)
        out << "; with the baselines: " << QString::number(peakMemoryMb(), 'f', 0) << " MB";
    out << "\n";
}

// The per-person actions with their list refresh, whose target on a local server is 30 ms.
bool perPersonAction(const QString& name)
{
    for (const char* prefix : {"lending save", "edit (", "cancel (", "card open"})
        if (name.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

// The server figures beside the embedded ones: the ratio is server / embedded.
void printServerTable(const TableRun& embedded, const TableRun& server, QTextStream& out)
{
    out << "on the server book (baselines read the data folder's files: none here)\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("operation"), -44)
               .arg(QStringLiteral("server ms"), 10)
               .arg(QStringLiteral("max ms"), 10)
               .arg(QStringLiteral("embedded"), 10)
               .arg(QStringLiteral("ratio"), 8)
               .arg(QStringLiteral("target"), 14);
    for (qsizetype i = 0; i < server.rows.size(); ++i) {
        const Row& r = server.rows.at(i);
        // Both runs list the same operations in the same order; several share a name.
        const Row* e =
            i < embedded.rows.size() && embedded.rows.at(i).name == r.name ? &embedded.rows.at(i) : nullptr;
        const QString embeddedMs = e && !e->ours.isEmpty() ? e->ours : QStringLiteral("-");
        QString ratio = QStringLiteral("-");
        if (e && !e->ours.isEmpty() && !r.ours.isEmpty())
            ratio = QString::number(r.medianMs / std::max(e->medianMs, 0.001), 'f', 1) + QLatin1Char('x');
        QString target;
        if (perPersonAction(r.name))
            target =
                QStringLiteral("<= 30 ") +
                (!r.ours.isEmpty() && r.medianMs <= 30 ? QStringLiteral("met") : QStringLiteral("MISSED"));
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(r.name, -44)
                   .arg(r.ours, 10)
                   .arg(r.max, 10)
                   .arg(embeddedMs, 10)
                   .arg(ratio, 8)
                   .arg(target, 14);
    }
    out << "load average after the server operations: " << server.loadAfterOurs << "\n";
}

qint64 folderCount(kalvora::Store& folder, const char* table)
{
    return folder.accounts()
        .scalar(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table))
        .toLongLong();
}

// Makes the server database hold the data folder's book: moved there when the database is empty,
// kept when it holds a book of the same counts, refused otherwise.
bool prepareServerBook(const QString& folder, const QString& uri, QTextStream& out)
{
    using namespace kalvora;
    try {
        const char* const tables[] = {"main.MUSTERILER", "cari.CARIKART"};
        {
            PgConnection conn = PgConnection::open(uri);
            const ServerSchemaState state = inspectServerSchema(conn);
            if (state.kind == ServerSchemaState::Kind::Foreign) {
                out << "the server database holds other tables (" << state.object << ")\n";
                return false;
            }
            if (state.kind == ServerSchemaState::Kind::Book) {
                const qint64 people =
                    conn.scalar(QStringLiteral("SELECT count(*) FROM cari.MUSTERILER")).toLongLong();
                qint64 rows = conn.scalar(QStringLiteral("SELECT count(*) FROM cari.CARIKART")).toLongLong();
                if (people > 0 || rows > 0) {
                    QTemporaryDir scratch;
                    if (const int left = removeDeskRows(*Store::onServer(scratch.path(), uri)))
                        out << "removed " << left << " rows an interrupted desks run left behind\n";
                    rows = conn.scalar(QStringLiteral("SELECT count(*) FROM cari.CARIKART")).toLongLong();
                    Store local(folder);
                    if (people != folderCount(local, tables[0]) || rows != folderCount(local, tables[1])) {
                        out << "the server database holds another book (" << people << " people, " << rows
                            << " transactions)\n";
                        return false;
                    }
                    out << "using the book already on the server\n";
                    return true;
                }
            }
        }
        QElapsedTimer t;
        t.start();
        const tasi::MoveResult moved = tasi::folderToServer(folder, uri);
        if (moved.exitCode != tasi::ExitOk) {
            out << "moving the book onto the server failed: " << moved.text << "\n";
            return false;
        }
        out << "moved the book onto the server in " << t.elapsed() << " ms\n";
        return true;
    } catch (const DbError& e) {
        out << "the server: " << e.turkishText() << "\n";
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() >= 2 && args.at(1) == QLatin1String("--desk"))
        return runDesk(args.mid(2));
    if (args.size() < 2 || args.contains(QStringLiteral("--help"))) {
        std::printf(
            "usage: kalvora-bench small|large|huge [--dir DIR] [--keep] [--no-baseline] [--only TEXT]\n"
            "       [--runs N] [--baseline-runs N] [--server URI | --start-server]\n"
            "       [--desks N [--saves N] [--same-order]]\n"
            "  --server URI     also time the operations on that server book (the data folder's book is\n"
            "                   moved onto an empty database first)\n"
            "  --start-server   the same on a throwaway local PostgreSQL 15 server\n"
            "  --desks N        instead of the table: N desk processes saving at once on the server book\n"
            "                   (--saves N each, default 500; --same-order: all desks on one person at a "
            "time)\n");
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
    auto textOption = [&args](const char* name) {
        const int i = static_cast<int>(args.indexOf(QString::fromLatin1(name)));
        return i > 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
    };
    auto intOption = [&textOption](const char* name, int fallback) {
        const QString text = textOption(name);
        return text.isEmpty() ? fallback : text.toInt();
    };
    TableOptions options;
    options.baseline = !args.contains(QStringLiteral("--no-baseline"));
    // --only TEXT: just the operations whose name contains TEXT (for profiling one of them).
    options.only = textOption("--only");
    // --runs N: timed runs per operation instead of each operation's own; --baseline-runs N (default 3).
    options.runs = intOption("--runs", 0);
    options.baselineRuns = std::max(1, intOption("--baseline-runs", 3));
    QString serverUri = textOption("--server");
    const int desks = intOption("--desks", 0);
    const int saves = std::max(1, intOption("--saves", 500));

    QTextStream out(stdout);
    std::unique_ptr<kalvora::test::PgServer> localServer;
    if (args.contains(QStringLiteral("--start-server"))) {
        localServer = std::make_unique<kalvora::test::PgServer>();
        localServer->setDurable(true);
        if (!localServer->start() ||
            (serverUri = localServer->createDatabase(QStringLiteral("kalvora_bench"))).isEmpty()) {
            out << "the local server did not start: " << localServer->error() << "\n";
            return 1;
        }
        out << "local PostgreSQL 15 server (default durability) at " << localServer->socketFolder() << "\n";
    }
    if (desks > 0 && serverUri.isEmpty()) {
        out << "--desks needs --server URI or --start-server\n";
        return 2;
    }

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
    if (!serverUri.isEmpty() && !prepareServerBook(folder, serverUri, out))
        return 1;
    out.flush();
    if (desks > 0)
        return runDesks(serverUri, desks, saves, args.contains(QStringLiteral("--same-order")), out);

    TableRun embedded;
    {
        OperationSet set(folder);
        out << set.personDescription() << "; load average before: " << loadAverage() << "\n";
        out.flush();
        embedded = timeOperations(set, options, out);
    }
    printTable(embedded, options.baseline, out);
    if (serverUri.isEmpty())
        return embedded.failures == 0 ? 0 : 1;
    out.flush();

    TableRun server;
    {
        OperationSet set(folder, serverUri);
        out << "server book: " << set.personDescription() << "; load average before: " << loadAverage()
            << "\n";
        out.flush();
        TableOptions serverOptions = options;
        serverOptions.baseline = false;
        server = timeOperations(set, serverOptions, out);
    }
    printServerTable(embedded, server, out);
    return embedded.failures == 0 && server.failures == 0 ? 0 : 1;
}
