#include "data/pg/server_schema.h"

namespace kalvora {

namespace {

// 2: CDATE without capture groups, the ledgers' index of free-form dates.
// 3: the ids of recent saves; the archive's server stamps, its restore log and the restore function.
// 4: a loan's due date in the rows and their archive copies, the book's settings (AYARLAR).
// 5: the sender's details (FIRMA_BILGILERI) and the record of what was sent (GONDERILENLER).
// A book of an older version is brought up to date by the first desk that starts on it.
constexpr int schemaVersion = 6;

const char* const bookSchemas[] = {"cari", "iptal", "gelir", "gider", "kalvora"};

// cdbl and CDATE read the texts exactly as readNumber and readDateText do for the embedded store:
// cdbl trims what QString::trimmed trims, takes an optional leading minus, skips dots, allows one
// decimal comma, needs a digit, and rounds like std::from_chars (the server's strtod rounds the same);
// a value beyond the double range is no number. CDATE trims ASCII blanks only, as \s does there.
const char* const functions = R"SQL(
CREATE TABLE kalvora.schema_version (version integer NOT NULL);
CREATE COLLATION kalvora.turkish (provider = icu, locale = 'tr-TR');

CREATE FUNCTION kalvora.cdbl(t text) RETURNS double precision
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $f$
DECLARE
    s text := substring(t FROM
        '^[\t\n\v\f\r \u0085\u00a0\u1680\u2000-\u200a\u2028\u2029\u202f\u205f\u3000]*'
        '(-?[0-9.]*(?:,[0-9.]*)?)'
        '[\t\n\v\f\r \u0085\u00a0\u1680\u2000-\u200a\u2028\u2029\u202f\u205f\u3000]*$');
    plain text;
BEGIN
    IF s IS NULL OR s !~ '[0-9]' THEN
        RETURN NULL;
    END IF;
    plain := translate(s, ',.', '.');
    -- Up to 300 digits neither overflows nor underflows, so only longer texts pay for the guard.
    -- Adding zero turns -0 into 0.
    IF length(plain) <= 300 THEN
        RETURN plain::double precision + 0;
    END IF;
    BEGIN
        RETURN plain::double precision + 0;
    EXCEPTION WHEN numeric_value_out_of_range THEN
        RETURN NULL;
    END;
END
$f$;

-- Every desk listening on the channel hears, at commit, which schema another desk changed.
CREATE FUNCTION kalvora.notify_change() RETURNS trigger LANGUAGE plpgsql AS $f$
BEGIN
    PERFORM pg_notify('kalvora_degisti', TG_TABLE_SCHEMA);
    RETURN NULL;
END
$f$;

-- The version changes with the person's own data only: a balance written back after another desk's
-- loan must not make this desk's edit of the address fail.
CREATE FUNCTION kalvora.person_row_version() RETURNS trigger LANGUAGE plpgsql AS $f$
BEGIN
    IF (NEW.adisoyadi, NEW.istel, NEW.ceptel, NEW.tc, NEW.verdai, NEW.adres)
            IS DISTINCT FROM (OLD.adisoyadi, OLD.istel, OLD.ceptel, OLD.tc, OLD.verdai, OLD.adres) THEN
        NEW.row_version := OLD.row_version + 1;
    ELSE
        NEW.row_version := OLD.row_version;
    END IF;
    RETURN NEW;
END
$f$;

-- The person's data copied into each row follows an edit of the person; that is no change of the
-- transaction itself.
CREATE FUNCTION kalvora.transaction_row_version() RETURNS trigger LANGUAGE plpgsql AS $f$
BEGIN
    IF (NEW.uye_kodu, NEW.aylar, NEW.tutar, NEW.durum, NEW.tarih, NEW.para_cinsi, NEW.para)
            IS DISTINCT FROM (OLD.uye_kodu, OLD.aylar, OLD.tutar, OLD.durum, OLD.tarih, OLD.para_cinsi, OLD.para) THEN
        NEW.row_version := OLD.row_version + 1;
    ELSE
        NEW.row_version := OLD.row_version;
    END IF;
    RETURN NEW;
END
$f$;
)SQL";

const char* const cdateFunction = R"SQL(
CREATE OR REPLACE FUNCTION kalvora.cdate(t text) RETURNS bigint
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $f$
DECLARE
    s text;
    d int;
    mo int;
    y int;
    last int;
BEGIN
    -- A match without capture groups takes the regex engine's fast path; regexp_match with groups
    -- costs about a hundred times more, which every card and ledger reading would pay per row.
    IF t !~ '^[\t\n\v\f\r ]*[0-9]{1,2}\.[0-9]{1,2}\.[0-9]{4}[\t\n\v\f\r ]*$' THEN
        RETURN NULL;
    END IF;
    s := btrim(t, E' \t\n\f\r' || chr(11));
    d := split_part(s, '.', 1)::int;
    mo := split_part(s, '.', 2)::int;
    y := split_part(s, '.', 3)::int;
    last := CASE
        WHEN mo = 2 THEN CASE WHEN (y % 4 = 0 AND y % 100 <> 0) OR y % 400 = 0 THEN 29 ELSE 28 END
        WHEN mo IN (4, 6, 9, 11) THEN 30
        ELSE 31 END;
    IF y < 1 OR mo < 1 OR mo > 12 OR d < 1 OR d > last THEN
        RETURN NULL;
    END IF;
    RETURN y::bigint * 10000 + mo * 100 + d;
END
$f$;
)SQL";

const char* const accounts = R"SQL(
CREATE TABLE cari.MUSTERILER (
    oto_kod bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    adisoyadi text NOT NULL DEFAULT '',
    istel text NOT NULL DEFAULT '',
    ceptel text NOT NULL DEFAULT '',
    tc text NOT NULL DEFAULT '',
    verdai text NOT NULL DEFAULT '',
    adres text NOT NULL DEFAULT '',
    SonBakiye text NOT NULL DEFAULT '',
    SonBakiye_usd text NOT NULL DEFAULT '',
    SonBakiye_euro text NOT NULL DEFAULT '',
    row_version bigint NOT NULL DEFAULT 1
);
CREATE TRIGGER musteriler_row_version BEFORE UPDATE ON cari.MUSTERILER
    FOR EACH ROW EXECUTE FUNCTION kalvora.person_row_version();

CREATE TABLE cari.CARIKART (
    otokod bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    uye_kodu text NOT NULL DEFAULT '',
    aylar text NOT NULL DEFAULT '',
    tutar text NOT NULL DEFAULT '',
    durum text NOT NULL DEFAULT '',
    tarih text NOT NULL DEFAULT '',
    para_cinsi text NOT NULL DEFAULT '',
    adisoyadi text NOT NULL DEFAULT '',
    istel text NOT NULL DEFAULT '',
    ceptel text NOT NULL DEFAULT '',
    tc text NOT NULL DEFAULT '',
    verdai text NOT NULL DEFAULT '',
    adres text NOT NULL DEFAULT '',
    para text NOT NULL DEFAULT '',
    row_version bigint NOT NULL DEFAULT 1
);
CREATE TRIGGER carikart_row_version BEFORE UPDATE ON cari.CARIKART
    FOR EACH ROW EXECUTE FUNCTION kalvora.transaction_row_version();
-- Only short, program-written columns are indexed: an index entry over a long free text would make its
-- insert fail (a B-tree entry holds at most about 2.7 kB), and the server reads rows without decrypting.
CREATE INDEX carikart_uye_kodu ON cari.CARIKART (uye_kodu);
CREATE INDEX carikart_para ON cari.CARIKART (para, para_cinsi);
)SQL";

// One IPTALLER row per archived action; the rows it took away in IPTAL_HAREKETLER with their old keys.
const char* const archive = R"SQL(
CREATE TABLE iptal.IPTALLER (
    iptal_no bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    islem text NOT NULL DEFAULT '',
    tarih text NOT NULL DEFAULT '',
    saat text NOT NULL DEFAULT '',
    kullanici text NOT NULL DEFAULT '',
    bilgisayar text NOT NULL DEFAULT '',
    uye_kodu text NOT NULL DEFAULT '',
    adisoyadi text NOT NULL DEFAULT '',
    istel text NOT NULL DEFAULT '',
    ceptel text NOT NULL DEFAULT '',
    tc text NOT NULL DEFAULT '',
    verdai text NOT NULL DEFAULT '',
    adres text NOT NULL DEFAULT '',
    SonBakiye text NOT NULL DEFAULT '',
    SonBakiye_usd text NOT NULL DEFAULT '',
    SonBakiye_euro text NOT NULL DEFAULT ''
);
CREATE TABLE iptal.IPTAL_HAREKETLER (
    sira bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    iptal_no bigint NOT NULL,
    otokod bigint NOT NULL,
    uye_kodu text NOT NULL DEFAULT '',
    aylar text NOT NULL DEFAULT '',
    tutar text NOT NULL DEFAULT '',
    durum text NOT NULL DEFAULT '',
    tarih text NOT NULL DEFAULT '',
    para_cinsi text NOT NULL DEFAULT '',
    adisoyadi text NOT NULL DEFAULT '',
    istel text NOT NULL DEFAULT '',
    ceptel text NOT NULL DEFAULT '',
    tc text NOT NULL DEFAULT '',
    verdai text NOT NULL DEFAULT '',
    adres text NOT NULL DEFAULT '',
    para text NOT NULL DEFAULT ''
);
CREATE INDEX iptal_hareketler_iptal_no ON iptal.IPTAL_HAREKETLER (iptal_no);
)SQL";

// %1 is the ledger's schema. kayit_no identifies one entry, so a cancellation marks exactly the chosen
// row; the history reads one day, month or year through the parts of the date text.
const char* const ledger = R"SQL(
CREATE TABLE %1.GIDERLER (
    kayit_no bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    gider_ad text NOT NULL DEFAULT '',
    gider_tarihi text NOT NULL DEFAULT '',
    gider_aciklama text NOT NULL DEFAULT '',
    gider_saati text NOT NULL DEFAULT '',
    gider_yapan text NOT NULL DEFAULT '',
    gider_tutar text NOT NULL DEFAULT '',
    gider_iptal text NOT NULL DEFAULT ''
);
CREATE INDEX giderler_donem ON %1.GIDERLER (substr(gider_tarihi, 7, 4), substr(gider_tarihi, 4, 2),
    substr(gider_tarihi, 1, 2));
CREATE TABLE %1.KASA_NET (Kasa_net_bakiye text NOT NULL DEFAULT '');
INSERT INTO %1.KASA_NET (Kasa_net_bakiye) VALUES ('0');
)SQL";

// %1 is the ledger's schema. Date texts not written as dd.MM.yyyy are few; the history finds them here
// instead of reading the whole table (the predicate is the one the history's statement says).
const char* const ledgerFreeDates = R"SQL(
CREATE INDEX giderler_serbest_tarih ON %1.GIDERLER (gider_tarihi)
    WHERE gider_tarihi !~ '^[0-9][0-9]\.[0-9][0-9]\.[0-9][0-9][0-9][0-9]$';
)SQL";

// What version 2 added to a book of version 1; a new book is made as version 1 and then given the same,
// so a new book and an upgraded one cannot differ.
void addVersion2(PgConnection& conn)
{
    conn.exec(QString::fromLatin1(cdateFunction));
    for (const char* s : {"gelir", "gider"})
        conn.exec(QString::fromLatin1(ledgerFreeDates).arg(QString::fromLatin1(s)));
}

// A save whose COMMIT was answered by a broken connection may come again with the same id: the id is
// written in the save's own transaction, so the second finds it (or waits for the first to end) and
// stores nothing. Ids older than a few days are dropped now and then. The function runs as the book's
// owner, so desks need no rights on the table.
const char* const saveIds = R"SQL(
CREATE TABLE kalvora.save_ids (
    id uuid PRIMARY KEY,
    saved_at timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX save_ids_saved_at ON kalvora.save_ids (saved_at);
CREATE FUNCTION kalvora.note_save(save_id uuid) RETURNS boolean
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
BEGIN
    INSERT INTO kalvora.save_ids (id) VALUES (save_id) ON CONFLICT (id) DO NOTHING;
    IF NOT FOUND THEN
        RETURN false;
    END IF;
    IF random() < 0.01 THEN
        DELETE FROM kalvora.save_ids WHERE saved_at < now() - interval '3 days';
    END IF;
    RETURN true;
END
$f$;
REVOKE ALL ON FUNCTION kalvora.note_save(uuid) FROM PUBLIC;
)SQL";

// Desks only add to the archive: who wrote an item, as the server knows the session, and when, are
// stamped by the server whatever the desk sends. Restores go through iptal.geri_al, which runs as the
// book's owner, puts the item's rows back before it removes the item, and logs who did it.
const char* const archiveGuard = R"SQL(
ALTER TABLE iptal.IPTALLER ADD COLUMN sunucu_kullanici text NOT NULL DEFAULT '',
    ADD COLUMN sunucu_zamani timestamptz;
CREATE FUNCTION kalvora.stamp_archive() RETURNS trigger LANGUAGE plpgsql AS $f$
BEGIN
    NEW.sunucu_kullanici := session_user;
    NEW.sunucu_zamani := now();
    RETURN NEW;
END
$f$;
CREATE TRIGGER iptaller_stamp BEFORE INSERT ON iptal.IPTALLER
    FOR EACH ROW EXECUTE FUNCTION kalvora.stamp_archive();

CREATE TABLE iptal.GERI_ALINANLAR (
    sira bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    iptal_no bigint NOT NULL,
    islem text NOT NULL DEFAULT '',
    uye_kodu text NOT NULL DEFAULT '',
    kullanici text NOT NULL DEFAULT '',
    bilgisayar text NOT NULL DEFAULT '',
    sunucu_kullanici text NOT NULL DEFAULT '',
    sunucu_zamani timestamptz NOT NULL DEFAULT now()
);

)SQL";

// iptal.geri_al, the server's restore of an archived item. %1, %2 and %3 name the CARIKART columns a
// version added after the first, bare and as the table copy's and the archive's: each version that adds
// one replaces the function, so every column written with a row comes back with it.
const char* const restoreFunction = R"SQL(
-- The result: Restored, NotFound, PersonGone, RowGone or PersonExists, and the item's person. The
-- caller writes the person's balances back from the rows afterwards, in the same transaction.
CREATE OR REPLACE FUNCTION iptal.geri_al(item bigint, user_name text, computer text, date_text text, time_text text,
                              OUT result text, OUT person text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
DECLARE
    act text;
    key bigint;
    person_there boolean := false;
    row_key bigint;
    copy bigint;
BEGIN
    result := 'NotFound';
    SELECT i.islem, i.uye_kodu INTO act, person FROM iptal.iptaller i WHERE i.iptal_no = item FOR UPDATE;
    IF NOT FOUND OR act NOT IN ('İPTAL', 'DEĞİŞİKLİK', 'SIFIRLAMA', 'KİŞİ SİLME') THEN
        RETURN;
    END IF;
    IF person ~ '^[0-9]{1,18}$' THEN
        key := person::bigint;
        PERFORM 1 FROM cari.musteriler m WHERE m.oto_kod = key FOR UPDATE;
        person_there := FOUND;
    END IF;
    IF act = 'KİŞİ SİLME' THEN
        IF person_there THEN
            result := 'PersonExists';
            RETURN;
        END IF;
        INSERT INTO cari.musteriler (oto_kod, adisoyadi, istel, ceptel, tc, verdai, adres, sonbakiye,
                                     sonbakiye_usd, sonbakiye_euro) OVERRIDING SYSTEM VALUE
            SELECT key, i.adisoyadi, i.istel, i.ceptel, i.tc, i.verdai, i.adres, i.sonbakiye, i.sonbakiye_usd,
                   i.sonbakiye_euro
            FROM iptal.iptaller i WHERE i.iptal_no = item;
    ELSIF NOT person_there THEN
        result := 'PersonGone';
        RETURN;
    END IF;
    IF act = 'DEĞİŞİKLİK' THEN
        SELECT h.otokod INTO row_key FROM iptal.iptal_hareketler h WHERE h.iptal_no = item ORDER BY h.sira
            LIMIT 1;
        PERFORM 1 FROM cari.carikart c WHERE c.otokod = row_key FOR UPDATE;
        IF NOT FOUND THEN
            result := 'RowGone';
            RETURN;
        END IF;
        -- The version being replaced is kept in turn, so the restore itself can be undone.
        INSERT INTO iptal.iptaller (islem, tarih, saat, kullanici, bilgisayar, uye_kodu, adisoyadi)
            SELECT 'DEĞİŞİKLİK', date_text, time_text, user_name, computer, c.uye_kodu,
                   COALESCE((SELECT m.adisoyadi FROM cari.musteriler m WHERE m.oto_kod::text = c.uye_kodu),
                            c.adisoyadi)
            FROM cari.carikart c WHERE c.otokod = row_key
            RETURNING iptal_no INTO copy;
        INSERT INTO iptal.iptal_hareketler (iptal_no, otokod, uye_kodu, aylar, tutar, durum, tarih,
                                            para_cinsi, adisoyadi, istel, ceptel, tc, verdai, adres, para%1)
            SELECT copy, c.otokod, c.uye_kodu, c.aylar, c.tutar, c.durum, c.tarih, c.para_cinsi, c.adisoyadi,
                   c.istel, c.ceptel, c.tc, c.verdai, c.adres, c.para%2
            FROM cari.carikart c WHERE c.otokod = row_key;
        UPDATE cari.carikart c SET (uye_kodu, aylar, tutar, durum, tarih, para_cinsi, adisoyadi, istel,
                                    ceptel, tc, verdai, adres, para%1) =
            (SELECT h.uye_kodu, h.aylar, h.tutar, h.durum, h.tarih, h.para_cinsi, h.adisoyadi, h.istel,
                    h.ceptel, h.tc, h.verdai, h.adres, h.para%3
             FROM iptal.iptal_hareketler h WHERE h.iptal_no = item ORDER BY h.sira LIMIT 1)
            WHERE c.otokod = row_key;
    ELSE
        -- Rows under their old keys; a key taken meanwhile (data restored from a backup) gets a new one.
        INSERT INTO cari.carikart (uye_kodu, aylar, tutar, durum, tarih, para_cinsi, adisoyadi, istel,
                                   ceptel, tc, verdai, adres, para%1)
            SELECT h.uye_kodu, h.aylar, h.tutar, h.durum, h.tarih, h.para_cinsi, h.adisoyadi, h.istel,
                   h.ceptel, h.tc, h.verdai, h.adres, h.para%3
            FROM iptal.iptal_hareketler h
            WHERE h.iptal_no = item AND EXISTS (SELECT 1 FROM cari.carikart c WHERE c.otokod = h.otokod)
            ORDER BY h.sira;
        INSERT INTO cari.carikart (otokod, uye_kodu, aylar, tutar, durum, tarih, para_cinsi, adisoyadi,
                                   istel, ceptel, tc, verdai, adres, para%1) OVERRIDING SYSTEM VALUE
            SELECT h.otokod, h.uye_kodu, h.aylar, h.tutar, h.durum, h.tarih, h.para_cinsi, h.adisoyadi,
                   h.istel, h.ceptel, h.tc, h.verdai, h.adres, h.para%3
            FROM iptal.iptal_hareketler h
            WHERE h.iptal_no = item AND NOT EXISTS (SELECT 1 FROM cari.carikart c WHERE c.otokod = h.otokod)
            ORDER BY h.sira;
    END IF;
    DELETE FROM iptal.iptal_hareketler WHERE iptal_no = item;
    DELETE FROM iptal.iptaller WHERE iptal_no = item;
    INSERT INTO iptal.geri_alinanlar (iptal_no, islem, uye_kodu, kullanici, bilgisayar, sunucu_kullanici)
        VALUES (item, act, person, user_name, computer, session_user);
    result := 'Restored';
END
$f$;
REVOKE ALL ON FUNCTION iptal.geri_al(bigint, text, text, text, text) FROM PUBLIC;
)SQL";

QString restoreFunctionWith(const QStringList& columns)
{
    QString bare, fromRow, fromArchive;
    for (const QString& c : columns) {
        bare += QStringLiteral(", ") + c;
        fromRow += QStringLiteral(", c.") + c;
        fromArchive += QStringLiteral(", h.") + c;
    }
    return QString::fromUtf8(restoreFunction).arg(bare, fromRow, fromArchive);
}

// What version 3 added to a book of version 2.
void addVersion3(PgConnection& conn)
{
    conn.exec(QString::fromLatin1(saveIds));
    conn.exec(QString::fromUtf8(archiveGuard));
    conn.exec(restoreFunctionWith({}));
}

// What version 4 added to a book of version 3: a loan's due date (vade, a date text like durum, empty
// for none) in the rows and in their archive copies, and the restore that carries it.
void addVersion4(PgConnection& conn)
{
    conn.exec(QStringLiteral("ALTER TABLE cari.CARIKART ADD COLUMN vade text NOT NULL DEFAULT ''"));
    conn.exec(QStringLiteral("ALTER TABLE iptal.IPTAL_HAREKETLER ADD COLUMN vade text NOT NULL DEFAULT ''"));
    conn.exec(restoreFunctionWith({QStringLiteral("vade")}));
    // The book's own settings (the default due term), shared by every desk.
    conn.exec(QStringLiteral("CREATE TABLE cari.AYARLAR (ad text NOT NULL DEFAULT '' PRIMARY KEY, deger text "
                             "NOT NULL DEFAULT '')"));
    conn.exec(QStringLiteral("CREATE TRIGGER notify_change AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "
                             "cari.AYARLAR FOR EACH STATEMENT EXECUTE FUNCTION kalvora.notify_change()"));
}

// The sender's details and the sending record, as the data folder keeps them in uyeler.mdb. No change
// notification: nothing on another desk's screen shows them.
const char* const sending = R"SQL(
CREATE TABLE IF NOT EXISTS cari.FIRMA_BILGILERI (
    kayit_no bigint PRIMARY KEY,
    unvan text NOT NULL DEFAULT '',
    adres text NOT NULL DEFAULT '',
    telefon text NOT NULL DEFAULT '',
    vergi_dairesi text NOT NULL DEFAULT '',
    vergi_no text NOT NULL DEFAULT '',
    eposta text NOT NULL DEFAULT '',
    iban text NOT NULL DEFAULT '',
    logo text NOT NULL DEFAULT '',
    konu_sablonu text NOT NULL DEFAULT '',
    metin_sablonu text NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS cari.GONDERILENLER (
    kayit_no bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    uye_kodu text NOT NULL DEFAULT '',
    adisoyadi text NOT NULL DEFAULT '',
    belge text NOT NULL DEFAULT '',
    yol text NOT NULL DEFAULT '',
    alici text NOT NULL DEFAULT '',
    tarih text NOT NULL DEFAULT '',
    saat text NOT NULL DEFAULT '',
    kullanici text NOT NULL DEFAULT '',
    donem text NOT NULL DEFAULT '',
    bakiyeler text NOT NULL DEFAULT '',
    dosya text NOT NULL DEFAULT '',
    basarili integer NOT NULL DEFAULT 0,
    hata text NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS gonderilenler_uye_kodu ON cari.GONDERILENLER (uye_kodu, kayit_no);
CREATE TABLE IF NOT EXISTS cari.KISI_EPOSTA (
    uye_kodu text NOT NULL DEFAULT '' PRIMARY KEY,
    eposta text NOT NULL DEFAULT ''
);
)SQL";

// What version 5 added: the sending tables.
void addVersion5(PgConnection& conn)
{
    conn.exec(QString::fromLatin1(sending));
}

// What version 6 added: the open items kept beside the rows, as the data folder keeps them, and the
// trigger that notes every person whose rows change. The people of an existing book all wait for their
// items, which the first desk to start writes.
const char* const openItems = R"SQL(
CREATE TABLE cari.ACIK_KALEMLER (
    otokod bigint PRIMARY KEY,
    uye_kodu text NOT NULL DEFAULT '',
    para_cinsi text NOT NULL DEFAULT '',
    vade text NOT NULL DEFAULT '',
    acik bigint NOT NULL DEFAULT 0
);
CREATE INDEX acik_kalemler_uye_kodu ON cari.ACIK_KALEMLER (uye_kodu, para_cinsi, vade, acik);
CREATE TABLE cari.ACIK_OZET (
    uye_kodu text NOT NULL DEFAULT '',
    para_cinsi text NOT NULL DEFAULT '',
    borc bigint NOT NULL DEFAULT 0,
    avans bigint NOT NULL DEFAULT 0,
    ilk_vade text NOT NULL DEFAULT '',
    son_vade text NOT NULL DEFAULT '',
    PRIMARY KEY (uye_kodu, para_cinsi)
);
CREATE TABLE cari.ACIK_DEGISEN (
    uye_kodu text NOT NULL DEFAULT '' PRIMARY KEY
);
CREATE FUNCTION kalvora.acik_isaretle() RETURNS trigger LANGUAGE plpgsql AS $f$
BEGIN
    IF TG_OP <> 'INSERT' THEN
        INSERT INTO cari.ACIK_DEGISEN (uye_kodu) VALUES (OLD.uye_kodu) ON CONFLICT DO NOTHING;
    END IF;
    IF TG_OP <> 'DELETE' THEN
        INSERT INTO cari.ACIK_DEGISEN (uye_kodu) VALUES (NEW.uye_kodu) ON CONFLICT DO NOTHING;
    END IF;
    RETURN NULL;
END
$f$;
CREATE TRIGGER acik_isaretle AFTER INSERT OR DELETE OR UPDATE OF uye_kodu, tutar, durum, para_cinsi, vade
    ON cari.CARIKART FOR EACH ROW EXECUTE FUNCTION kalvora.acik_isaretle();
INSERT INTO cari.ACIK_DEGISEN (uye_kodu) SELECT DISTINCT uye_kodu FROM cari.CARIKART;
)SQL";

void addVersion6(PgConnection& conn)
{
    conn.exec(QString::fromLatin1(openItems));
}

} // namespace

QString accountsSearchPath()
{
    return QStringLiteral("cari, iptal, kalvora");
}

QString ledgerSearchPath(Ledger which)
{
    return which == Ledger::Income ? QStringLiteral("gelir, kalvora") : QStringLiteral("gider, kalvora");
}

ServerSchemaState inspectServerSchema(PgConnection& conn)
{
    if (!conn.scalar(QStringLiteral("SELECT to_regclass('kalvora.schema_version')")).isNull()) {
        const QVariant version =
            conn.scalar(QStringLiteral("SELECT max(version) FROM kalvora.schema_version"));
        if (version.toInt() >= 1 && version.toInt() <= schemaVersion)
            return {ServerSchemaState::Kind::Book, QString(), version.toInt()};
        return {ServerSchemaState::Kind::Foreign,
                QStringLiteral("kalvora.schema_version = ") + version.toString()};
    }
    const QVariant table = conn.scalar(QStringLiteral(
        "SELECT n.nspname || '.' || c.relname FROM pg_catalog.pg_class c "
        "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f', 'S') "
        "AND n.nspname NOT IN ('pg_catalog', 'information_schema') AND n.nspname NOT LIKE 'pg\\_%' "
        "ORDER BY 1 LIMIT 1"));
    if (!table.isNull())
        return {ServerSchemaState::Kind::Foreign, table.toString()};
    QStringList names;
    for (const char* s : bookSchemas)
        names << QString::fromLatin1(s);
    const QVariant schema = conn.scalar(
        QStringLiteral("SELECT nspname FROM pg_catalog.pg_namespace WHERE nspname = ANY ($1::text[]) "
                       "ORDER BY 1 LIMIT 1"),
        {QLatin1Char('{') + names.join(QLatin1Char(',')) + QLatin1Char('}')});
    if (!schema.isNull())
        return {ServerSchemaState::Kind::Foreign, schema.toString()};
    return {ServerSchemaState::Kind::Empty, QString()};
}

bool createServerSchema(PgConnection& conn)
{
    PgTransaction tx(conn);
    // Held to the end of the transaction: a second desk's first start waits, then finds the book.
    conn.exec(QStringLiteral("SELECT pg_advisory_xact_lock(1262571862)"));
    const ServerSchemaState state = inspectServerSchema(conn);
    if (state.kind == ServerSchemaState::Kind::Book)
        return false;
    if (state.kind == ServerSchemaState::Kind::Foreign)
        throw PgError(PgError::Kind::ForeignDatabase, QStringLiteral("55000"), state.object, conn.server());
    for (const char* s : bookSchemas)
        conn.exec(QStringLiteral("CREATE SCHEMA ") + QString::fromLatin1(s));
    conn.exec(QString::fromLatin1(functions));
    conn.execute(QStringLiteral("INSERT INTO kalvora.schema_version (version) VALUES ($1)"), {schemaVersion});
    conn.exec(QString::fromLatin1(accounts));
    conn.exec(QString::fromLatin1(archive));
    for (const char* s : {"gelir", "gider"})
        conn.exec(QString::fromLatin1(ledger).arg(QString::fromLatin1(s)));
    addVersion2(conn);
    addVersion3(conn);
    addVersion4(conn);
    addVersion5(conn);
    addVersion6(conn);
    // Every desk listening hears, at commit, which schema another desk changed.
    for (const char* table : {"cari.MUSTERILER", "cari.CARIKART", "iptal.IPTALLER", "gelir.GIDERLER",
                              "gelir.KASA_NET", "gider.GIDERLER", "gider.KASA_NET"})
        conn.exec(
            QStringLiteral("CREATE TRIGGER notify_change AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON ") +
            QString::fromLatin1(table) +
            QStringLiteral(" FOR EACH STATEMENT EXECUTE FUNCTION kalvora.notify_change()"));
    tx.commit();
    return true;
}

bool upgradeServerSchema(PgConnection& conn)
{
    PgTransaction tx(conn);
    conn.exec(QStringLiteral("SELECT pg_advisory_xact_lock(1262571862)"));
    const ServerSchemaState state = inspectServerSchema(conn);
    if (state.kind != ServerSchemaState::Kind::Book || state.version >= schemaVersion)
        return false;
    if (state.version < 2)
        addVersion2(conn);
    if (state.version < 3)
        addVersion3(conn);
    if (state.version < 4)
        addVersion4(conn);
    if (state.version < 5)
        addVersion5(conn);
    if (state.version < 6)
        addVersion6(conn);
    conn.execute(QStringLiteral("UPDATE kalvora.schema_version SET version = $1"), {schemaVersion});
    tx.commit();
    return true;
}

int currentServerSchemaVersion()
{
    return schemaVersion;
}

} // namespace kalvora
