#include "reports/report_data.h"
#include "reports/report_definition.h"
#include "reports/report_layout.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

const QDateTime preparedAt(QDate(2024, 3, 5), QTime(14, 7, 9));

// A 100 x 100 mm page with 10 mm margins: title 20, page header 10, rows 6, summary 10, footer 10.
// The body ends 80 mm from the top, so page 1 holds 6 rows (40..76) and later pages 10 (20..80).
QString smallReport(const QString& masterAttributes = QString(), const QString& rowMemos = QString(),
                    const QString& pageAttributes = QString())
{
    const QString memos = rowMemos.isEmpty()
                              ? QStringLiteral("<TfrxMemoView Name=\"Row\" Left=\"0\" Top=\"0\" Width=\"80\" "
                                               "Height=\"6\" Text=\"SATIR [T.&quot;S1&quot;]\"/>")
                              : rowMemos;
    return QStringLiteral(R"(<TfrxReport Title="KÜÇÜK">
 <TfrxReportPage Name="Page1" PaperWidth="100" PaperHeight="100" LeftMargin="10" RightMargin="10"
                 TopMargin="10" BottomMargin="10" %3>
  <TfrxReportTitle Name="Title1" Height="20">
   <TfrxMemoView Name="TitleText" Left="0" Top="0" Width="80" Height="20" Text="BAŞLIK"/>
  </TfrxReportTitle>
  <TfrxPageHeader Name="Header1" Height="10">
   <TfrxMemoView Name="HeaderText" Left="0" Top="0" Width="80" Height="10" Text="SÜTUNLAR"/>
  </TfrxPageHeader>
  <TfrxMasterData Name="MasterData1" Height="6" DataSet="T" %1>%2</TfrxMasterData>
  <TfrxReportSummary Name="Summary1" Height="10">
   <TfrxMemoView Name="SummaryText" Left="0" Top="0" Width="80" Height="10" Text="TOPLAM [COUNT(MasterData1)]"/>
  </TfrxReportSummary>
  <TfrxPageFooter Name="Footer1" Height="10">
   <TfrxMemoView Name="FooterText" Left="0" Top="0" Width="80" Height="10" Text="SAYFA [Page#] / [TotalPages#]"/>
  </TfrxPageFooter>
 </TfrxReportPage>
</TfrxReport>)")
        .arg(masterAttributes, memos, pageAttributes);
}

ReportDataSet rows(int count, const std::function<QString(int)>& text = {})
{
    ReportDataSet set;
    set.name = u"T"_s;
    set.columns = {u"S1"_s};
    for (int i = 1; i <= count; ++i)
        set.rows.append({text ? text(i) : QString::number(i)});
    return set;
}

PreparedReport lay(const QString& xml, const QList<ReportDataSet>& data)
{
    return layoutReport(ReportDefinition::parse(xml.toUtf8(), u"deneme.fr3"_s), data, preparedAt);
}

QList<const PreparedItem*> itemsNamed(const PreparedPage& page, const QString& name)
{
    QList<const PreparedItem*> out;
    for (const PreparedItem& it : page.items) {
        if (it.name == name)
            out.append(&it);
    }
    return out;
}

double mm(double v)
{
    return v * unitsPerMm;
}

} // namespace

class TestReportLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageBreaking_data()
    {
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QList<int>>("rowsPerPage");
        QTest::addColumn<int>("summaryPage");
        QTest::newRow("no rows") << 0 << QList<int>{0} << 1;
        QTest::newRow("fits with the summary") << 5 << QList<int>{5} << 1;
        QTest::newRow("summary moves on") << 6 << QList<int>{6, 0} << 2;
        QTest::newRow("second page full") << 16 << QList<int>{6, 10, 0} << 3;
        QTest::newRow("third page") << 17 << QList<int>{6, 10, 1} << 3;
        QTest::newRow("many") << 60 << QList<int>{6, 10, 10, 10, 10, 10, 4} << 7;
    }
    void pageBreaking()
    {
        QFETCH(int, rowCount);
        QFETCH(QList<int>, rowsPerPage);
        QFETCH(int, summaryPage);
        const PreparedReport report = lay(smallReport(), {rows(rowCount)});
        QCOMPARE(report.pages.size(), rowsPerPage.size());
        QCOMPARE(report.title, u"KÜÇÜK"_s);
        int next = 1;
        for (int p = 0; p < report.pages.size(); ++p) {
            const PreparedPage& page = report.pages.at(p);
            QCOMPARE(page.size, QSizeF(mm(100), mm(100)));
            QCOMPARE(itemsNamed(page, u"TitleText"_s).size(), p == 0 ? 1 : 0);
            const auto header = itemsNamed(page, u"HeaderText"_s);
            QCOMPARE(header.size(), 1);
            QCOMPARE(header.first()->rect.top(), mm(p == 0 ? 30 : 10));
            const auto footer = itemsNamed(page, u"FooterText"_s);
            QCOMPARE(footer.size(), 1);
            QCOMPARE(footer.first()->rect.top(), mm(80));
            QCOMPARE(footer.first()->text(), u"SAYFA %1 / %2"_s.arg(p + 1).arg(report.pages.size()));
            // the rows of the page, in order, one below the other between header and footer
            const auto rowItems = itemsNamed(page, u"Row"_s);
            QCOMPARE(rowItems.size(), rowsPerPage.at(p));
            double y = header.first()->rect.bottom();
            for (const PreparedItem* r : rowItems) {
                QCOMPARE(r->text(), u"SATIR "_s + QString::number(next++));
                QCOMPARE(r->rect.top(), y);
                y = r->rect.bottom();
            }
            QVERIFY(y <= footer.first()->rect.top());
            QCOMPARE(itemsNamed(page, u"SummaryText"_s).size(), p + 1 == summaryPage ? 1 : 0);
        }
        QCOMPARE(next, rowCount + 1);
        QCOMPARE(report.texts(u"SummaryText"_s), QStringList{u"TOPLAM "_s + QString::number(rowCount)});
    }

    // A long text in a stretching row wraps inside its box, the row grows and the next row starts
    // below it; a long text in a fixed row is cut at the box.
    void longCells_data()
    {
        QTest::addColumn<bool>("stretched");
        QTest::addColumn<QString>("text");
        const QString words = u"KİRA AİDAT ELEKTRİK SU DOĞALGAZ İNTERNET TELEFON ÇARŞI PAZAR "_s;
        QTest::newRow("words, stretching") << true << words.trimmed();
        QTest::newRow("one long word, stretching") << true << u"BÖLÜNMEYEN"_s.repeated(5);
        QTest::newRow("words, fixed") << false << words.repeated(4).trimmed();
        QTest::newRow("one long word, fixed") << false << u"BÖLÜNMEYEN"_s.repeated(12);
        QTest::newRow("line breaks, fixed") << false << u"A\nB\nC\nD\nE\nF"_s;
    }
    void longCells()
    {
        QFETCH(bool, stretched);
        QFETCH(QString, text);
        const QString memos = QStringLiteral(
            "<TfrxMemoView Name=\"Row\" Left=\"0\" Top=\"0\" Width=\"30\" Height=\"6\" "
            "Text=\"[T.&quot;S1&quot;]\" "
            "StretchMode=\"smActualHeight\"/>"
            "<TfrxMemoView Name=\"Other\" Left=\"30\" Top=\"0\" Width=\"20\" Height=\"6\" Text=\"X\" "
            "StretchMode=\"smMaxHeight\"/>");
        const QString attrs = stretched ? u"Stretched=\"True\""_s : QString();
        const PreparedReport report = lay(
            smallReport(attrs, memos), {rows(3, [&](int i) { return i == 2 ? text : QString::number(i); })});
        const PreparedPage& page = report.pages.first();
        const auto cells = itemsNamed(page, u"Row"_s);
        const auto others = itemsNamed(page, u"Other"_s);
        QCOMPARE(cells.size(), 3);
        const PreparedItem& cell = *cells.at(1);
        QVERIFY(!cell.lines.isEmpty());
        const QFontMetricsF fm(cell.font);
        for (const PreparedLine& l : cell.lines) {
            // inside the box, left and right, top and bottom
            QVERIFY2(l.baseline.x() >= cell.rect.left(), qPrintable(l.text));
            QVERIFY2(l.baseline.x() + fm.horizontalAdvance(l.text) <= cell.rect.right() + 1,
                     qPrintable(l.text));
            QVERIFY(l.baseline.y() - fm.ascent() >= cell.rect.top());
            QVERIFY(l.baseline.y() + fm.descent() <= cell.rect.bottom() + 1);
        }
        // the rows never overlap, and the neighbour follows the row's height
        QCOMPARE(cells.at(2)->rect.top(), cell.rect.bottom());
        QCOMPARE(others.at(1)->rect.bottom(), cell.rect.bottom());
        QString shown = cell.text();
        shown.remove(QLatin1Char('\n')).remove(QLatin1Char(' '));
        QString all = text;
        all.remove(QLatin1Char('\n')).remove(QLatin1Char(' '));
        if (stretched) {
            QVERIFY(cell.lines.size() > 1);
            QVERIFY(cell.rect.height() > mm(6));
            QCOMPARE(shown, all); // every character shown
        } else {
            QCOMPARE(cell.rect.height(), mm(6));
            QVERIFY2(all.startsWith(shown), qPrintable(shown));
            QVERIFY(shown.size() < all.size());
        }
    }

    // A row taller than a whole page is split between pages: every line once, in order, each part
    // inside the body of its page.
    void tallRowSplits()
    {
        QStringList lines;
        for (int i = 1; i <= 60; ++i)
            lines.append(u"SATIR-%1"_s.arg(i));
        const QString memos = QStringLiteral(
            "<TfrxMemoView Name=\"Row\" Left=\"0\" Top=\"0\" Width=\"60\" Height=\"6\" "
            "Text=\"[T.&quot;S1&quot;]\" "
            "StretchMode=\"smMaxHeight\" Frame.Typ=\"15\"/>"
            "<TfrxMemoView Name=\"Amount\" Left=\"60\" Top=\"0\" Width=\"20\" Height=\"6\" Text=\"12,50\" "
            "StretchMode=\"smMaxHeight\"/>");
        const PreparedReport report =
            lay(smallReport(u"Stretched=\"True\""_s, memos),
                {rows(3, [&](int i) { return i == 2 ? lines.join(QLatin1Char('\n')) : u"KISA"_s; })});
        QVERIFY(report.pages.size() >= 3);
        QStringList seen;
        for (const PreparedPage& page : report.pages) {
            const auto header = itemsNamed(page, u"HeaderText"_s);
            QCOMPARE(header.size(), 1);
            for (const PreparedItem* r : itemsNamed(page, u"Row"_s)) {
                QVERIFY(r->rect.top() >= header.first()->rect.bottom());
                QVERIFY(r->rect.bottom() <= mm(80) + 1);
                for (const PreparedLine& l : r->lines) {
                    QVERIFY(l.baseline.y() <= r->rect.bottom());
                    if (l.text.startsWith(QLatin1String("SATIR-")))
                        seen.append(l.text);
                }
            }
        }
        QCOMPARE(seen, lines);
        QCOMPARE(report.texts(u"Row"_s).last(), u"KISA"_s);
        QCOMPARE(report.texts(u"Amount"_s).first(), u"12,50"_s);
    }

    // A row that does not fit the rest of a page moves to the next one whole, unless it may be split.
    void rowMovesOrSplits_data()
    {
        QTest::addColumn<bool>("allowSplit");
        QTest::newRow("moves") << false;
        QTest::newRow("splits") << true;
    }
    void rowMovesOrSplits()
    {
        QFETCH(bool, allowSplit);
        // five rows fill page 1 up to 70 mm; the sixth needs 8 lines (about 30 mm)
        const QString memos =
            QStringLiteral("<TfrxMemoView Name=\"Row\" Left=\"0\" Top=\"0\" Width=\"80\" Height=\"6\" "
                           "Text=\"[T.&quot;S1&quot;]\" StretchMode=\"smActualHeight\"/>");
        const QString attrs =
            u"Stretched=\"True\" AllowSplit=\"%1\""_s.arg(allowSplit ? u"True"_s : u"False"_s);
        const QString tall = u"A1\nA2\nA3\nA4\nA5\nA6\nA7\nA8"_s;
        const PreparedReport report = lay(
            smallReport(attrs, memos), {rows(6, [&](int i) { return i == 6 ? tall : QString::number(i); })});
        const auto first = itemsNamed(report.pages.at(0), u"Row"_s);
        const auto second = itemsNamed(report.pages.at(1), u"Row"_s);
        if (allowSplit) {
            QCOMPARE(first.size(), 6);
            QVERIFY(first.last()->text().startsWith(QLatin1String("A1")));
            QCOMPARE(first.last()->text() + QLatin1Char('\n') + second.first()->text(), tall);
        } else {
            QCOMPARE(first.size(), 5);
            QCOMPARE(second.first()->text(), tall);
        }
    }

    void headerOrder_data()
    {
        QTest::addColumn<QString>("pageAttributes");
        QTest::addColumn<QString>("headerAttributes");
        QTest::addColumn<double>("titleTop");
        QTest::addColumn<double>("headerTop");
        QTest::newRow("title before header") << QString() << QString() << 10.0 << 30.0;
        QTest::newRow("header before title") << u"TitleBeforeHeader=\"False\""_s << QString() << 20.0 << 10.0;
        QTest::newRow("no header on page 1") << QString() << u"PrintOnFirstPage=\"False\""_s << 10.0 << -1.0;
    }
    void headerOrder()
    {
        QFETCH(QString, pageAttributes);
        QFETCH(QString, headerAttributes);
        QFETCH(double, titleTop);
        QFETCH(double, headerTop);
        QString xml = smallReport(QString(), QString(), pageAttributes);
        xml.replace(u"Name=\"Header1\""_s, u"Name=\"Header1\" "_s + headerAttributes);
        const PreparedReport report = lay(xml, {rows(20)});
        const PreparedPage& page = report.pages.first();
        QCOMPARE(itemsNamed(page, u"TitleText"_s).first()->rect.top(), mm(titleTop));
        const auto header = itemsNamed(page, u"HeaderText"_s);
        if (headerTop < 0)
            QVERIFY(header.isEmpty());
        else
            QCOMPARE(header.first()->rect.top(), mm(headerTop));
        QCOMPARE(itemsNamed(report.pages.at(1), u"HeaderText"_s).size(), 1);
    }

    // A growing text pushes what lies below it down; what lies beside it stays.
    void growingTextShiftsObjectsBelow()
    {
        const QString xml = QStringLiteral(R"(<TfrxReport><TfrxReportPage Name="P">
  <TfrxReportTitle Name="T1" Height="20" Stretched="True">
   <TfrxMemoView Name="Label" Left="0" Top="0" Width="30" Height="6" Text="ADI SOYADI:"/>
   <TfrxMemoView Name="Name" Left="30" Top="0" Width="40" Height="6" StretchMode="smActualHeight"
                 Text="ÇOK UZUN BİR İSİM SOYİSİM VE DAHA DA UZUN BİR ŞİRKET ADI LİMİTED ŞİRKETİ"/>
   <TfrxMemoView Name="Below" Left="0" Top="8" Width="100" Height="6" Text="BAKİYE"/>
   <TfrxLineView Name="Rule" Left="0" Top="15" Width="100" Height="0"/>
  </TfrxReportTitle></TfrxReportPage></TfrxReport>)");
        const PreparedReport report = lay(xml, {});
        const PreparedPage& page = report.pages.first();
        const PreparedItem* name = itemsNamed(page, u"Name"_s).first();
        const double growth = name->rect.height() - mm(6);
        QVERIFY(growth > 0);
        QCOMPARE(itemsNamed(page, u"Label"_s).first()->rect.top(), mm(10));
        QCOMPARE(itemsNamed(page, u"Below"_s).first()->rect.top(), mm(18) + growth);
        QCOMPARE(itemsNamed(page, u"Rule"_s).first()->line.y1(), mm(25) + growth);
    }

    void alignment_data()
    {
        QTest::addColumn<QString>("hAlign");
        QTest::addColumn<int>("side"); // -1 left, 0 centre, 1 right
        QTest::newRow("left") << u"haLeft"_s << -1;
        QTest::newRow("centre") << u"haCenter"_s << 0;
        QTest::newRow("right") << u"haRight"_s << 1;
    }
    void alignment()
    {
        QFETCH(QString, hAlign);
        QFETCH(int, side);
        const QString xml = QStringLiteral(R"(<TfrxReport><TfrxReportPage Name="P">
  <TfrxReportTitle Name="T1" Height="20"><TfrxMemoView Name="M" Left="10" Top="0" Width="60" Height="10"
    GapX="1" HAlign="%1" VAlign="vaBottom" Text="1.234,50"/></TfrxReportTitle></TfrxReportPage></TfrxReport>)")
                                .arg(hAlign);
        const PreparedReport report = lay(xml, {});
        const PreparedItem* m = itemsNamed(report.pages.first(), u"M"_s).first();
        const PreparedLine& l = m->lines.first();
        const double width = QFontMetricsF(m->font).horizontalAdvance(l.text);
        if (side < 0)
            QCOMPARE(l.baseline.x(), m->rect.left() + mm(1));
        else if (side > 0)
            QVERIFY(qAbs(l.baseline.x() + width - (m->rect.right() - mm(1))) < 1);
        else
            QVERIFY(qAbs(l.baseline.x() + width / 2 - m->rect.center().x()) < 1);
        QVERIFY(l.baseline.y() > m->rect.center().y()); // bottom aligned
    }

    void landscapeAndObjectText()
    {
        const QString xml = QStringLiteral(R"(<TfrxReport><TfrxReportPage Name="P" Orientation="poLandscape">
  <TfrxReportTitle Name="T1" Height="20">
   <TfrxMemoView Name="Memo11" Width="60" Height="6" AllowExpressions="False" Text="ALİ [VELİ]"/>
  </TfrxReportTitle>
  <TfrxPageFooter Name="F1" Height="10">
   <TfrxMemoView Name="Foot" Width="100" Height="6" Text="[Memo11] - [Date] [Time]"/>
  </TfrxPageFooter></TfrxReportPage></TfrxReport>)");
        const PreparedReport report = lay(xml, {});
        QCOMPARE(report.pages.first().size, QSizeF(mm(297), mm(210)));
        QCOMPARE(report.texts(u"Memo11"_s), QStringList{u"ALİ [VELİ]"_s});
        QCOMPARE(report.texts(u"Foot"_s), QStringList{u"ALİ [VELİ] - 05.03.2024 14:07:09"_s});
    }

    void badDefinitions_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("message");
        QTest::newRow("no page") << u"<TfrxReport/>"_s << u"SAYFA"_s;
        QTest::newRow("unknown data set")
            << QStringLiteral(
                   "<TfrxReport><TfrxReportPage Name=\"P\"><TfrxMasterData Name=\"M\" DataSet=\"YOK\" "
                   "Height=\"5\"/></TfrxReportPage></TfrxReport>")
            << u"\"YOK\" VERİ KÜMESİ BULUNAMADI"_s;
        QTest::newRow("header fills the page")
            << QStringLiteral(
                   "<TfrxReport><TfrxReportPage Name=\"P\"><TfrxPageHeader Name=\"H\" Height=\"290\"/>"
                   "</TfrxReportPage></TfrxReport>")
            << u"YER KALMIYOR"_s;
        QTest::newRow("paper too small")
            << u"<TfrxReport><TfrxReportPage Name=\"P\" PaperWidth=\"10\"/></TfrxReport>"_s
            << u"ÖLÇÜLERİ GEÇERSİZ"_s;
    }
    void badDefinitions()
    {
        QFETCH(QString, xml);
        QFETCH(QString, message);
        QString text;
        try {
            lay(xml, {rows(2)});
        } catch (const ReportError& e) {
            text = e.text();
        }
        QVERIFY2(text.contains(message), qPrintable(text));
    }

    void loadErrors_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray() << u"BULUNAMADI"_s;
        QTest::newRow("not XML") << QByteArray("merhaba") << u"BOZUK"_s;
        QTest::newRow("cut short") << QByteArray("<TfrxReport><TfrxReportPage>") << u"BOZUK"_s;
        QTest::newRow("another document") << QByteArray("<html/>") << u"RAPOR TANIMI DEĞİL"_s;
        QTest::newRow("empty") << QByteArray(" ") << u"BOZUK"_s;
        QTest::newRow("too deep") << QByteArray("<TfrxReport>") + QByteArray("<a>").repeated(100) +
                                         QByteArray("</a>").repeated(100) + QByteArray("</TfrxReport>")
                                  << u"DERİN"_s;
    }
    void loadErrors()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(u"r.fr3"_s);
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QString text;
        try {
            ReportDefinition::load(path);
        } catch (const ReportError& e) {
            text = e.text();
        }
        QVERIFY2(text.contains(message), qPrintable(text));
        QVERIFY2(text.contains(path), qPrintable(text));
    }

    // What the bridge writes comes back unchanged, and what it does not know is kept.
    void definitionRoundTrip()
    {
        ReportDefinition def =
            ReportDefinition::parse("<TfrxReport Bilinmeyen=\"1\"><TfrxReportPage Name=\"P\"><Ozel "
                                    "Name=\"X\" A=\"b\"/></TfrxReportPage>"
                                    "</TfrxReport>",
                                    u"x"_s);
        ReportObject* page = def.findObject(u"p"_s);
        QVERIFY(page);
        ReportObject* memo = def.createObject(page, u"TfrxMemoView"_s, u"Memo1"_s);
        const QString text = u"ALİ'NİN \"DÜKKANI\" <&> \n İKİ,,SATIR\t[Date]"_s;
        memo->setProperty(u"Text"_s, text + QChar(0x01));
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(u"r.fr3"_s);
        def.save(path);
        const ReportDefinition back = ReportDefinition::load(path);
        QCOMPARE(back.root().property(u"bilinmeyen"_s), u"1"_s);
        QCOMPARE(back.findObject(u"x"_s)->className(), u"Ozel"_s);
        QCOMPARE(back.findObject(u"X"_s)->property(u"A"_s), u"b"_s);
        QCOMPARE(back.findObject(u"MEMO1"_s)->property(u"Text"_s), text + QChar(0xFFFD));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"r.fr3"_s});
    }

    void connectionStrings_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("source");
        QTest::newRow("plain") << QStringLiteral(
                                      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a/FRData.mdb;Persist "
                                      "Security Info=False")
                               << u"/a/FRData.mdb"_s;
        QTest::newRow("key case and blanks") << u"provider=x; data source = /b/c.mdb ;"_s << u"/b/c.mdb"_s;
        QTest::newRow("double quotes")
            << u"Data Source=\"/x;y/F.mdb\";Persist Security Info=False"_s << u"/x;y/F.mdb"_s;
        QTest::newRow("single quotes") << u"Data Source='/x\"y/F.mdb'"_s << u"/x\"y/F.mdb"_s;
        QTest::newRow("absent") << u"Provider=x"_s << QString();
    }
    void connectionStrings()
    {
        QFETCH(QString, connection);
        QFETCH(QString, source);
        QCOMPARE(connectionStringValue(connection, u"Data Source"_s), source);
        if (!source.isEmpty()) {
            const QString written = connectionStringPart(u"Data Source"_s, source);
            QCOMPARE(connectionStringValue(written + u";Persist Security Info=False"_s, u"data source"_s),
                     source);
        }
    }
};

QTEST_MAIN(TestReportLayout)
#include "tst_report_layout.moc"
