#!/usr/bin/env python3
"""A straightforward exporter of the same file over the same firm database.

A yardstick for bench/scale_bench.sh, not a product: it reads the firm's
tables with the sqlite3 module the way the plug-in reads the host's (the
documents in order, each document's lines, each contractor by number), does
what the plug-in does in the plainest way (every register element held in
memory as text, strings built and joined) and writes qPX_YYYY-MM-DD.xml
byte for byte as the plug-in writes it natively, for the options the
benchmark answers the dialog with.

Usage: straight_exporter.py FIRM_DB OUT_DIR [--today YYYY-MM-DD] [--from ...]
       [--to ...] [--account ...] [--register ...] [--correction-account ...]
       [--correction-register ...] [--branch ...] [--origin ...] [--firm-id N]
"""
import argparse
import datetime
import decimal
import os
import sqlite3
import struct

IGNORED_RATES = {6, 7, 10, 19, 30, 31, 40}
ENTITIES = {"<": "&lt;", ">": "&gt;", "'": "&apos;", "&": "&amp;", '"': "&quot;"}


def units(zloty):
    """The host's amount: the decimal value times 10000, halves away from zero."""
    value = decimal.Decimal(repr(float(zloty))).scaleb(4)
    whole = value.quantize(decimal.Decimal(1), rounding=decimal.ROUND_HALF_UP)
    return float(whole) + 0.0  # never -0.0


def escape(text):
    return "".join(" " if ord(c) < 0x20 else ENTITIES.get(c, c) for c in text)


def amount(value):
    return "%0.2f" % value


def date_time(iso):
    if not iso:
        return "0000-00-00T00:00:00"
    return iso + "T00:00:00"


def due_date(issue, days):
    if days == 0 or not issue:
        return date_time(issue)
    try:
        moved = datetime.date.fromisoformat(issue) + datetime.timedelta(days=days)
    except OverflowError:
        return date_time(issue)
    return date_time(moved.isoformat())


def register_id(key, contractor, id1, id2):
    moved = -contractor + 70000 if contractor < 0 else contractor
    return "%08X-%s-%s-%s-%s" % (key & 0xFFFFFFFF, ("%04X" % moved)[:4], ("%08X" % id1)[:4],
                                 ("%08X" % id1)[4:], "%012X" % id2)


def digits(text):
    return "".join(c for c in text if c in "0123456789")


def postal_code_at(w, i):
    def digit(k):
        return k < len(w) and w[k] in "0123456789"
    return (digit(i) and digit(i + 1) and i + 2 < len(w) and w[i + 2] == "-" and digit(i + 3) and digit(i + 4)
            and digit(i + 5) and not digit(i + 6))


def split_address(address):
    """Street, postal code and city of a one-line address."""
    work = "".join(" " if ord(c) < 0x20 else c for c in address[:255])
    n = len(work)
    street = postal = city = ""
    if n:
        p = c = u = -1
        for i in range(n):
            if postal_code_at(work, i):
                p, c = i, i + 7
            if work[i:i + 3].lower() in ("ul.", "os."):
                u = i
        if c > n:
            c = -1
        if u == -1:
            if p == 0:
                u = 25
            elif p > 0:
                u = 0

        def part(start, end):
            if start < 0 or start >= n:
                return ""
            return work[start:] if end < 0 else work[start:end]
        if p < c < u:
            postal, city, street = part(p, p + 6), part(c, u), part(u, -1)
        elif u < p < c:
            postal, city, street = part(p, p + 6), part(c, -1), part(u, p)
        elif p == -1 and c == -1 and u == -1:
            city = work
    blanks = " \t\r\n"
    return street.strip(blanks), postal.strip(blanks), city.strip(blanks)


def split_name(name):
    def part_end(start):
        end = min(start + 70, len(name))
        if end < len(name):
            for i in range(end - 1, start - 1, -1):
                if name[i] == ";":
                    break
                if name[i] == "&":
                    end = i
                    break
        return end
    first = part_end(0)
    return name[:first], name[first:part_end(first)]


def rate_text(code, rates):
    fixed = {0: "", 5: "zw", 6: "----", 7: "----", 10: "----", 8: "opk", 9: "np", 11: "0%", 39: "6.5%", 41: ""}
    if code in fixed:
        return fixed[code]
    return "%.0f%%" % rates.get(code, 0.0)


def element(tag, value):
    return "<%s>%s</%s>" % (tag, value, tag)


def main():
    a = argparse.ArgumentParser()
    a.add_argument("firm")
    a.add_argument("out")
    a.add_argument("--today", default="2021-12-31")
    a.add_argument("--from", dest="date_from", default="2021-01-01")
    a.add_argument("--to", dest="date_to", default="2021-12-31")
    a.add_argument("--account", default="202")
    a.add_argument("--register", default="ZAKUP")
    a.add_argument("--correction-account", default="202")
    a.add_argument("--correction-register", default="KOREKTY")
    a.add_argument("--branch", default="CENTRALA")
    a.add_argument("--origin", default="MPK-01")
    a.add_argument("--firm-id", type=int, default=1)
    o = a.parse_args()

    db = sqlite3.connect(o.firm)
    settings = dict(db.execute("SELECT number, data FROM settings_block"))
    names = bytes(settings.get(2, b""))
    if names[:11] != b"9876543210\0":
        raise SystemExit("the firm's purchase kinds are not defined")
    codes = bytes(settings.get(13, b"")).ljust(544, b"\0")
    kind_codes = [c if 1 <= c <= 9 else 1 for c in struct.unpack("<90h", codes[:180])]
    rates = dict(db.execute("SELECT code, percent FROM vat_rate"))

    def lines(kind, key):
        return db.execute("SELECT in_use, amount, rate_code, vat, purchase_kind, deduction_kind FROM vat_line"
                          " WHERE document_kind = ? AND document_key = ? ORDER BY line_no", (kind, key))

    kinds = [
        ("invoice", "SELECT document_key, period_date, issue_date, receipt_date, id1, id2, contractor,"
         " transaction_text, nip, payment_days, amount, comment, other_deduction_date, entry_mode,"
         " deduction_setting FROM purchase_invoice ORDER BY rowid", o.account, o.register, 13),
        ("correction", "SELECT document_key, document_date, document_date, document_date, id1, id2, contractor,"
         " transaction_text, nip, payment_days, amount, comment, other_deduction_date, entry_mode,"
         " deduction_setting FROM purchase_correction ORDER BY rowid", o.correction_account,
         o.correction_register, 15),
    ]
    year, month = o.date_from[:4], o.date_from[5:7]
    registers, marked, counts = [], set(), []
    for kind, sql, account, register, nip_room in kinds:
        count = 0
        for (key, period, issue, receipt, id1, id2, contractor, transaction, nip, days, total, comment, other,
             entry_mode, deduction_setting) in db.execute(sql):
            if key == 0 or not period or not (o.date_from <= period <= o.date_to):
                continue
            count += 1
            if 1 <= abs(contractor) <= 65999:
                marked.add(contractor)
            sums = {}
            for in_use, line_amount, code, vat, purchase, deduction in lines(kind, key):
                if in_use == 0 or code in IGNORED_RATES:
                    continue
                deductible = not (deduction_setting >= 2 or deduction == 2 or code in (5, 9))
                klass = 1 if not deductible else 2 if deduction > 1 else 0
                fixed = 0 <= purchase < 90 and kind_codes[purchase] == 3
                gross, tax = units(line_amount), units(vat)
                net = gross - tax if entry_mode & 1 == 0 else gross
                bucket = sums.setdefault((klass * 2 + fixed, code), [0.0, 0.0])
                bucket[0] += net
                bucket[1] += tax
            out = ["<REJESTR>",
                   element("ID_REJESTRU", register_id(key, contractor, id1, id2)),
                   element("SYMBOL_DOKUMENTU", escape(register[:4])),
                   element("DATA_WYSTAWIENIA_DOKUMENTU", date_time(issue)),
                   element("MIESIAC", month), element("ROK", year),
                   element("OPIS", escape("Opis " + register[:20])),
                   element("SYMBOL_REJESTRU", escape(register[:4])),
                   element("MPZ", escape(o.branch[:20])), element("MPK", escape(o.origin[:20])),
                   element("ID_FIRMY", str(o.firm_id)),
                   element("WYROZNIK_FAKTURA", "T" if kind == "invoice" else "N"),
                   element("WYROZNIK_KOREKTA", "N" if kind == "invoice" else "T"),
                   element("WYROZNIK_RACHUNEK", "N"), element("WYROZNIK_PARAGON", "N"),
                   element("WYROZNIK_FAKTURA_RR", "N"),
                   element("TRANSAKCJA", escape(transaction[:20])), element("KOREKTA", ""),
                   element("KONTO", escape(account[:3].rjust(3)) + "-******-******"),
                   element("NIP", digits(nip[:nip_room])),
                   element("DATA_WYSTAWIENIA", date_time(issue)), element("DATA_WPLYWU", date_time(receipt)),
                   element("TERMIN_ZAPLATY", due_date(issue, days)),
                   element("KWOTA", amount(units(total) / 10000.0)), element("SYMBOL_WALUTY", "PLN"),
                   element("KOMENTARZ", escape(comment[:30])),
                   element("ODLICZENIE_VAT", "INNY" if other else "DATA_WPLYWU"),
                   element("PLATNOSC_OD_DATY", "WYSTAWIENIA"), "<POZYCJE>"]
            for position in range(6):
                for (which, code), (net, tax) in sums.items():
                    if which != position:
                        continue
                    out += ["<POZYCJA>", element("SYMBOL_ST_VAT", rate_text(code, rates)),
                            element("MPK_NETTO", escape(o.origin[:20])),
                            element("KWOTA_NETTO", amount(net / 10000.0)),
                            "<KOMENTARZ_NETTO>Komentarz netto</KOMENTARZ_NETTO>",
                            element("MPK_VAT", escape(o.origin[:20])), element("KWOTA_VAT", amount(tax / 10000.0)),
                            "<KOMENTARZ_VAT>Komantarz vat</KOMENTARZ_VAT>",
                            element("WYROZNIK", "BNW"[position // 2]),
                            element("SRODKI_TRWALE", "T" if position % 2 else "N")]
                    if code == 41:
                        out.append(element("VAT_ROZLICZA_NABYWCA", "T"))
                    out.append("</POZYCJA>")
            out += ["</POZYCJE>", "<KSIEGOWANIA />", "<BLAD />", "</REJESTR>"]
            registers.append("\n".join(out))
        counts.append(count)

    people = []
    for number in sorted(n for n in marked if n > 0) + sorted((n for n in marked if n < 0), reverse=True):
        found = db.execute("SELECT short_name, full_name, address, nip FROM contractor WHERE number = ?",
                           (number,)).fetchone()
        if found is None:
            continue
        short, full, address, nip = found
        first, second = split_name(escape(full))
        street, postal, city = split_address(address)
        people.append("\n".join([
            "<KONTRAHENT>", element("NAZWA_PELNA_1", first), element("NAZWA_PELNA_2", second),
            element("NAZWA_SKROCONA", escape(short)), element("NIP", digits(nip)), "<REGON/>", "<PESEL/>",
            "<DOSTAWCA>T</DOSTAWCA>", "<ODBIORCA>T</ODBIORCA>", "<DETALISTA>N</DETALISTA>",
            "<KONTRAHENT_PL>T</KONTRAHENT_PL>", "<KONTRAHENT_UE>N</KONTRAHENT_UE>",
            "<KONTRAHENT_POZA_UE>N</KONTRAHENT_POZA_UE>", "<ADRESY>", "<ADRES>",
            "<TYP_POLOZENIA_PUNKTU_SPRZEDAZY>N</TYP_POLOZENIA_PUNKTU_SPRZEDAZY>",
            "<TYP_DRUKOWANY_NA_FAKTURZE>T</TYP_DRUKOWANY_NA_FAKTURZE>", element("KOD_POCZTOWY", postal),
            element("MIASTO", escape(city)), "<PANSTWO>POLSKA</PANSTWO>", "<NR_DOMU/>", "<NR_LOKALU/>",
            "<ULICA/>", element("ADRES_1", escape(street)), "<ADRES_2></ADRES_2>", "</ADRES>", "</ADRESY>",
            "</KONTRAHENT>"]))

    text = "\n".join(["<ROOT>", "<SYSTEM>QUORVEL</SYSTEM>", "<KONTRAHENCI>", "<WERSJA>1.0</WERSJA>"] + people +
                     ["</KONTRAHENCI>", "<REJESTRY_ZAKUPU>", "<WERSJA>1.0</WERSJA>"] + registers +
                     ["</REJESTRY_ZAKUPU>", "</ROOT>"]) + "\n"
    with open(os.path.join(o.out, "qPX_%s.xml" % o.today), "wb") as f:
        f.write(b"\xef\xbb\xbf" + text.encode("utf-8"))
    print("invoices %d, corrections %d" % tuple(counts))


if __name__ == "__main__":
    main()
