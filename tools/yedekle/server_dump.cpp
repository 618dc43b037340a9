#include "server_dump.h"

#include "data/pg/pg_client_programs.h"
#include "data/pg/pg_connection.h"
#include "data/pg/server_schema.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <libpq-fe.h>

namespace kalvora::backup::server {

namespace {

const char* const bookTables[] = {"cari.musteriler",        "cari.carikart",  "iptal.iptaller",
                                  "iptal.iptal_hareketler", "gelir.giderler", "gelir.kasa_net",
                                  "gider.giderler",         "gider.kasa_net"};
const char* const bookSchemas[] = {"cari", "iptal", "gelir", "gider", "kalvora"};

QString pgFailure(const PgError& e)
{
    return e.turkishText();
}

PgConnection connect(const QString& uri)
{
    try {
        return PgConnection::open(uri);
    } catch (const PgError& e) {
        throw ServerFailure{pgFailure(e)};
    }
}

TableCounts countRows(PgConnection& conn)
{
    TableCounts out;
    for (const char* t : bookTables)
        out.insert(
            QString::fromLatin1(t),
            conn.scalar(QStringLiteral("SELECT count(*) FROM ") + QString::fromLatin1(t)).toLongLong());
    return out;
}

// Runs one of PostgreSQL's programs with the login through the environment; lineFn, when given,
// receives standard output line by line. Throws ServerFailure with the program's own words.
void runProgram(const QString& name, const QString& uri, QStringList args, const Tick& tick,
                const std::function<void(const QByteArray&)>& lineFn = {}, bool connects = true)
{
    const QString path = pgProgramPath(name);
    if (path.isEmpty())
        throw ServerFailure{name + QStringLiteral(" BULUNAMADI. (Debian: postgresql-client paketi)")};
    QProcess p;
    QString password;
    if (connects) {
        const PgProgramLogin login = programLogin(uri);
        if (!login.error.isEmpty())
            throw ServerFailure{login.error};
        p.setProcessEnvironment(login.environment);
        password = login.environment.value(QStringLiteral("PGPASSWORD"));
        args << QStringLiteral("--dbname=") + login.connection;
    }
    if (!lineFn)
        p.setStandardOutputFile(QProcess::nullDevice());
    p.start(path, args);
    if (!p.waitForStarted(30000))
        throw ServerFailure{name + QStringLiteral(" BAŞLATILAMADI: ") + p.errorString()};
    QByteArray errors;
    try {
        for (;;) {
            const bool running = p.state() != QProcess::NotRunning;
            if (running)
                p.waitForReadyRead(100);
            if (lineFn)
                while (p.canReadLine())
                    lineFn(p.readLine());
            errors += p.readAllStandardError();
            if (errors.size() > 64 * 1024)
                errors = errors.right(64 * 1024);
            if (tick)
                tick();
            if (!running)
                break;
        }
        if (lineFn) {
            const QByteArray rest = p.readAllStandardOutput();
            if (!rest.isEmpty())
                lineFn(rest);
        }
    } catch (...) {
        p.kill();
        p.waitForFinished(10000);
        throw;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QString text = QString::fromLocal8Bit(errors).trimmed();
        if (!password.isEmpty())
            text.replace(password, QStringLiteral("***"));
        throw ServerFailure{name + QStringLiteral(" BAŞARISIZ OLDU (ÇIKIŞ KODU %1):\n").arg(p.exitCode()) +
                            text};
    }
}

} // namespace

QString serverLabel(const QString& uri)
{
    char* err = nullptr;
    PQconninfoOption* opts = PQconninfoParse(uri.toUtf8().constData(), &err);
    PQfreemem(err);
    if (!opts)
        return QStringLiteral("(SUNUCU ADRESİ OKUNAMADI)");
    QString host;
    QString port;
    QString db;
    for (PQconninfoOption* o = opts; o->keyword; ++o) {
        const QString value = o->val ? QString::fromUtf8(o->val) : QString();
        if (qstrcmp(o->keyword, "host") == 0)
            host = value;
        else if (qstrcmp(o->keyword, "port") == 0)
            port = value;
        else if (qstrcmp(o->keyword, "dbname") == 0)
            db = value;
    }
    PQconninfoFree(opts);
    QString label = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (!port.isEmpty())
        label += QLatin1Char(':') + port;
    if (!db.isEmpty())
        label += QStringLiteral(" (VERİTABANI: ") + db + QLatin1Char(')');
    return label;
}

bool hasBook(const QString& uri)
{
    PgConnection conn = connect(uri);
    try {
        const ServerSchemaState state = inspectServerSchema(conn);
        if (state.kind == ServerSchemaState::Kind::Foreign)
            throw ServerFailure{QStringLiteral("SUNUCUDAKİ VERİTABANI BİR KALVORA DEFTERİ DEĞİL (") +
                                state.object + QStringLiteral(").")};
        return state.kind == ServerSchemaState::Kind::Book;
    } catch (const PgError& e) {
        throw ServerFailure{pgFailure(e)};
    }
}

DumpResult dump(const QString& uri, const QString& file, const Tick& tick)
{
    PgConnection conn = connect(uri);
    DumpResult out;
    out.server = conn.server();
    try {
        if (inspectServerSchema(conn).kind != ServerSchemaState::Kind::Book)
            throw ServerFailure{QStringLiteral("SUNUCUDA KALVORA DEFTERİ YOK: ") + conn.server()};
        // The transaction exports its snapshot and stays open until pg_dump has taken it over.
        PgTransaction tx(conn);
        conn.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
        const QString snapshot = conn.scalar(QStringLiteral("SELECT pg_export_snapshot()")).toString();
        out.counts = countRows(conn);
        // pg_dump writes into the file as it is, so the dump is its owner's alone from the start.
        QFile(file).open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner);
        QStringList args{QStringLiteral("--format=custom"), QStringLiteral("--snapshot=") + snapshot,
                         QStringLiteral("--file=") + file};
        for (const char* s : bookSchemas)
            args << QStringLiteral("--schema=") + QString::fromLatin1(s);
        runProgram(QStringLiteral("pg_dump"), uri, args, tick);
    } catch (const PgError& e) {
        throw ServerFailure{pgFailure(e)};
    }
    return out;
}

QStringList check(const QString& file, const TableCounts& expected, const Tick& tick)
{
    QStringList problems;
    try {
        QByteArray list;
        runProgram(
            QStringLiteral("pg_restore"), QString(), {QStringLiteral("--list"), file}, tick,
            [&](const QByteArray& line) { list += line; }, false);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const QStringList parts = it.key().split(QLatin1Char('.'));
            const QRegularExpression entry(QStringLiteral("TABLE DATA %1 %2 ")
                                               .arg(QRegularExpression::escape(parts.value(0)),
                                                    QRegularExpression::escape(parts.value(1))));
            if (!entry.match(QString::fromUtf8(list)).hasMatch())
                problems << QString::fromLatin1(dumpFileName) + QStringLiteral(": ") + it.key() +
                                QStringLiteral(" TABLOSU YEDEKTE YOK.");
        }
        // Every row read back: the dump decompresses whole, and each table holds what it held.
        TableCounts found;
        QString current;
        static const QRegularExpression copyLine(QStringLiteral("^COPY ([^ ]+) \\("));
        runProgram(
            QStringLiteral("pg_restore"), QString(),
            {QStringLiteral("--data-only"), QStringLiteral("--file=-"), file}, tick,
            [&](const QByteArray& line) {
                if (!current.isEmpty()) {
                    if (line == "\\.\n" || line == "\\.")
                        current.clear();
                    else
                        ++found[current];
                    return;
                }
                if (line.startsWith("COPY ")) {
                    const auto m = copyLine.match(QString::fromUtf8(line));
                    if (m.hasMatch()) {
                        current = m.captured(1).remove(QLatin1Char('"'));
                        found[current] += 0;
                    }
                }
            },
            false);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            if (found.value(it.key(), -1) != it.value())
                problems << QString::fromLatin1(dumpFileName) + QStringLiteral(": ") + it.key() +
                                QStringLiteral(" TABLOSUNDA %1 SATIR OLMALI, YEDEKTE %2 VAR.")
                                    .arg(it.value())
                                    .arg(std::max<qint64>(0, found.value(it.key(), 0)));
    } catch (const ServerFailure& f) {
        problems << QString::fromLatin1(dumpFileName) + QStringLiteral(": ") + f.text;
    }
    return problems;
}

int otherDesks(const QString& uri)
{
    PgConnection conn = connect(uri);
    try {
        // A connection just closed (this program's own last one among them) stays listed for a moment
        // while its server process ends; a desk that is really there is still there a second later.
        int count = 0;
        for (int attempt = 0; attempt < 10; ++attempt) {
            count =
                conn.scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                                           "current_database() AND application_name = 'kalvora' AND pid <> "
                                           "pg_backend_pid()"))
                    .toInt();
            if (count == 0)
                break;
            QThread::msleep(100);
        }
        return count;
    } catch (const PgError& e) {
        throw ServerFailure{pgFailure(e)};
    }
}

TableCounts restore(const QString& uri, const QString& file, const Tick& tick)
{
    const int others = otherDesks(uri);
    if (others > 0)
        throw ServerFailure{
            QStringLiteral("SUNUCUDAKİ DEFTERE BAĞLI %1 BAŞKA KALVORA VAR. GERİ YÜKLEMEDEN ÖNCE "
                           "DİĞER BİLGİSAYARLARDA PROGRAMI KAPATINIZ.")
                .arg(others)};
    // One transaction: the dropped objects come back from the dump, or the book stays as it was.
    runProgram(QStringLiteral("pg_restore"), uri,
               {QStringLiteral("--clean"), QStringLiteral("--if-exists"),
                QStringLiteral("--single-transaction"), QStringLiteral("--exit-on-error"), file},
               tick);
    PgConnection conn = connect(uri);
    try {
        return countRows(conn);
    } catch (const PgError& e) {
        throw ServerFailure{pgFailure(e)};
    }
}

} // namespace kalvora::backup::server
