#include "customers/customer_repository.h"

#include "data/turkish_text.h"

namespace kalvora {

QList<Customer> CustomerRepository::all()
{
    QList<Customer> out;
    Statement st = m_store.accounts().prepare(
        QStringLiteral("SELECT oto_kod, adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, SonBakiye_usd, "
                       "SonBakiye_euro FROM MUSTERILER ORDER BY adisoyadi COLLATE TURKISH ASC, oto_kod ASC"));
    while (st.step()) {
        out.append(Customer{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5), st.text(6),
                            st.text(7), st.text(8), st.text(9)});
    }
    return out;
}

bool CustomerRepository::matches(const Customer& c, const QString& upperFilter)
{
    if (upperFilter.isEmpty())
        return true;
    for (const QString* field : {&c.key, &c.name, &c.workPhone, &c.mobilePhone, &c.idNumber, &c.taxOffice,
                                 &c.address}) {
        if (BuyukHarf(*field).contains(upperFilter))
            return true;
    }
    return false;
}

QList<Customer> CustomerRepository::search(const QString& filter)
{
    const QString upper = BuyukHarf(filter);
    QList<Customer> rows = all();
    if (upper.isEmpty())
        return rows;
    QList<Customer> out;
    for (Customer& c : rows)
        if (matches(c, upper))
            out.append(std::move(c));
    return out;
}

} // namespace kalvora
