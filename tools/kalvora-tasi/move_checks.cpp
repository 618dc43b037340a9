#include "move_checks.h"

#include "data/turkish_text.h"

#include <algorithm>

namespace kalvora::tasi {

void BalanceCheck::person(const QStringList& row)
{
    m_people.append({row.at(0), row.at(1), {row.at(7), row.at(8), row.at(9)}});
}

void BalanceCheck::transaction(const QStringList& row)
{
    AccountRow r;
    r.key = row.at(0).toLongLong();
    r.amount = row.at(3);
    r.date = row.at(4);
    r.currency = row.at(6);
    r.kind = row.at(13);
    m_rows[row.at(1)].append(std::move(r));
}

QStringList BalanceCheck::mismatches() const
{
    QStringList out;
    for (const Person& p : m_people) {
        // Summed in the card's order, oldest date first (an unreadable date before every other).
        QList<AccountRow> rows = m_rows.value(p.key);
        std::stable_sort(rows.begin(), rows.end(), [](const AccountRow& a, const AccountRow& b) {
            const QDate da = readDateText(a.date);
            const QDate db = readDateText(b.date);
            if (da != db)
                return !da.isValid() || (db.isValid() && da < db);
            return a.key < b.key;
        });
        const AccountState state = summarize(std::move(rows));
        for (int i = 0; i < 3; ++i) {
            const Currency c = allCurrencies[static_cast<size_t>(i)];
            const QString sum = state.figures.balanceText(c);
            const std::optional<double> stored = readNumber(p.balances[i]);
            if (stored && formatAmount(*stored) == sum)
                continue;
            out << QStringLiteral("  %1 %2: %3 KAYITLI \"%4\", HAREKETLERİN TOPLAMI %5")
                       .arg(p.key, p.name, currencyText(c), p.balances[i], sum);
        }
    }
    return out;
}

QList<TableResult> copyTables(const RowsFn& from, const SinkFn& to, BalanceCheck& balances)
{
    QList<TableResult> results;
    for (const BookTable& t : bookTables) {
        TableResult r;
        r.table = &t;
        const auto source = from(t);
        const auto sink = to(t);
        QStringList row;
        while (source->next(row)) {
            sink->write(row);
            ++r.sourceRows;
            if (t.key)
                r.highestKey = std::max(r.highestKey, row.at(0).toLongLong());
            if (isCashBox(t))
                r.cashBox << row.at(0);
            if (qstrcmp(t.table, "MUSTERILER") == 0)
                balances.person(row);
            else if (qstrcmp(t.table, "CARIKART") == 0)
                balances.transaction(row);
        }
        sink->finish();
        results.append(r);
    }
    return results;
}

bool compareTables(const RowsFn& source, const RowsFn& target, QList<TableResult>& results)
{
    bool equal = true;
    for (TableResult& r : results) {
        const auto a = source(*r.table);
        const auto b = target(*r.table);
        QStringList ra;
        QStringList rb;
        qint64 sourceRows = 0;
        r.targetRows = 0;
        for (;;) {
            const bool hasA = a->next(ra);
            const bool hasB = b->next(rb);
            sourceRows += hasA;
            r.targetRows += hasB;
            if (!hasA && !hasB)
                break;
            if (r.difference.isEmpty() && (hasA != hasB || ra != rb)) {
                const QString key = hasA ? ra.value(0) : rb.value(0);
                r.difference = r.table->key ? QStringLiteral("ANAHTARI %1 OLAN SATIR FARKLI").arg(key)
                                            : QStringLiteral("%1. SATIR FARKLI").arg(sourceRows);
            }
        }
        if (sourceRows != r.sourceRows && r.difference.isEmpty())
            r.difference = QStringLiteral("KAYNAK KOPYALAMA SIRASINDA DEĞİŞTİ");
        equal = equal && r.difference.isEmpty();
    }
    return equal;
}

namespace {

QString countTable(const QList<TableResult>& results, const QString& sourceTitle, const QString& targetTitle)
{
    int width = 0;
    for (const TableResult& r : results)
        width = std::max(width, int(QString::fromUtf8(r.table->label).size()));
    auto line = [&](const QString& label, const QString& a, const QString& b, const QString& note) {
        return QStringLiteral("  ") + label.leftJustified(width + 2) + a.rightJustified(10) +
               b.rightJustified(10) + (note.isEmpty() ? QString() : QStringLiteral("  ") + note) +
               QLatin1Char('\n');
    };
    QString out = line(QStringLiteral("TABLO"), sourceTitle, targetTitle, QString());
    for (const TableResult& r : results)
        out += line(QString::fromUtf8(r.table->label), QString::number(r.sourceRows),
                    QString::number(r.targetRows), r.difference);
    for (const TableResult& r : results)
        if (isCashBox(*r.table))
            out +=
                QStringLiteral("  ") + QString::fromUtf8(r.table->label) + QStringLiteral(": ") +
                (r.cashBox.isEmpty() ? QStringLiteral("(SATIR YOK)") : r.cashBox.join(QStringLiteral(", "))) +
                (r.difference.isEmpty() ? QStringLiteral(" (İKİ TARAFTA AYNI)") : QString()) +
                QLatin1Char('\n');
    return out;
}

} // namespace

MoveResult summary(const QString& title, const QString& from, const QString& to,
                   const QList<TableResult>& results, const BalanceCheck& balances)
{
    const QStringList mismatches = balances.mismatches();
    MoveResult out;
    out.exitCode = mismatches.isEmpty() ? ExitOk : ExitFailed;
    out.text = title +
               (mismatches.isEmpty() ? QStringLiteral(".\n")
                                     : QStringLiteral(", ANCAK DENETİMDE UYUŞMAZLIK VAR.\n")) +
               QStringLiteral("KAYNAK: ") + from + QStringLiteral("\nHEDEF: ") + to + QStringLiteral("\n\n") +
               countTable(results, QStringLiteral("KAYNAK"), QStringLiteral("HEDEF")) + QLatin1Char('\n');
    if (mismatches.isEmpty()) {
        out.text += QStringLiteral("BAKİYELER: %1 KİŞİNİN ÜÇ BAKİYESİ İKİ TARAFTA AYNI VE HAREKETLERİNİN "
                                   "TOPLAMINA EŞİT.")
                        .arg(balances.people());
    } else {
        constexpr int shown = 50;
        out.text +=
            QStringLiteral("KAYITLI BAKİYESİ HAREKETLERİNİN TOPLAMINA EŞİT OLMAYAN KİŞİLER (KAYNAKTAKİ "
                           "GİBİ TAŞINDI, DÜZELTİLMEDİ):\n") +
            mismatches.mid(0, shown).join(QLatin1Char('\n'));
        if (mismatches.size() > shown)
            out.text += QStringLiteral("\n  ... VE %1 UYUŞMAZLIK DAHA").arg(mismatches.size() - shown);
    }
    return out;
}

QString differenceText(const QList<TableResult>& results)
{
    return QStringLiteral("KOPYA KAYNAKLA AYNI DEĞİL:\n") +
           countTable(results, QStringLiteral("KAYNAK"), QStringLiteral("HEDEF"));
}

} // namespace kalvora::tasi
