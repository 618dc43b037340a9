#include "support/test_data.h"

#include "widgets/message_box.h"

#include <QStandardPaths>

namespace kalvora::test {

TestData::TestData()
{
    QStandardPaths::setTestModeEnabled(true);
    m_folder = m_dir.path();
    m_store = std::make_unique<Store>(m_folder);
    const auto problems = m_store->initialize();
    if (!problems.isEmpty())
        qFatal("test data folder could not be prepared: %s", qPrintable(problems.first().text));
}

qint64 TestData::addPerson(const QString& name, const QString& tl, const QString& usd, const QString& euro,
                           const QStringList& contact)
{
    QVariantList params{name};
    for (int i = 0; i < 5; ++i)
        params.append(i < contact.size() ? contact.at(i) : QString());
    params << tl << usd << euro;
    Database& db = m_store->accounts();
    db.execute(QStringLiteral("INSERT INTO MUSTERILER(adisoyadi,istel,ceptel,tc,verdai,adres,SonBakiye,"
                              "SonBakiye_usd,SonBakiye_euro) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9)"),
               params);
    return db.lastInsertRowId();
}

qint64 TestData::addTransaction(qint64 person, const QString& amount, const QString& currency,
                                const QString& date, const QString& kind, const QString& description)
{
    Database& db = m_store->accounts();
    db.execute(QStringLiteral("INSERT INTO CARIKART(uye_kodu,aylar,tutar,durum,tarih,para_cinsi,para) "
                              "VALUES (?1,?2,?3,?4,'12:00:00',?5,?6)"),
               {QString::number(person), description, amount, date, currency, kind});
    return db.lastInsertRowId();
}

MessageBoxCapture::MessageBoxCapture()
{
    MessageBox::setTestMode(true);
}

MessageBoxCapture::~MessageBoxCapture()
{
    MessageBox::setTestMode(false);
}

QString MessageBoxCapture::lastText() const
{
    return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().text;
}

QString MessageBoxCapture::lastTitle() const
{
    return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().title;
}

int MessageBoxCapture::count() const
{
    return static_cast<int>(MessageBox::shown().size());
}

} // namespace kalvora::test
