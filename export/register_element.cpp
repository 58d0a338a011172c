// The REJESTR element of a document, with its POZYCJA elements, written as
// the document is read.
#include "export/register_element.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

enum class Value { Text, Amount, Integer, Account, TextIfSet, Fixed };

struct ElementLine {
    Literal tag;
    Value value;
    std::size_t offset; // of the field in ExportDocument
    // The same for every document of a kind (or every position of a run):
    // rendered once, then copied.
    bool shared = false;
};

inline constexpr bool kShared = true;

#define FIELD(name) offsetof(ExportDocument, name)

// Header elements, in the order of the target format (the issue date twice,
// the payment basis last).
const ElementLine kHeaderLines[] = {
    {"ID_REJESTRU", Value::Text, FIELD(registerId)},
    {"SYMBOL_DOKUMENTU", Value::Text, FIELD(documentSymbol), kShared},
    {"DATA_WYSTAWIENIA_DOKUMENTU", Value::Text, FIELD(issueDate)},
    {"MIESIAC", Value::Text, FIELD(month), kShared},
    {"ROK", Value::Text, FIELD(year), kShared},
    {"OPIS", Value::Text, FIELD(description), kShared},
    {"SYMBOL_REJESTRU", Value::Text, FIELD(registerSymbol), kShared},
    {"MPZ", Value::Text, FIELD(mpz), kShared},
    {"MPK", Value::Text, FIELD(mpk), kShared},
    {"ID_FIRMY", Value::Integer, FIELD(firmId), kShared},
    {"WYROZNIK_FAKTURA", Value::Text, FIELD(flagInvoice), kShared},
    {"WYROZNIK_KOREKTA", Value::Text, FIELD(flagCorrection), kShared},
    {"WYROZNIK_RACHUNEK", Value::Text, FIELD(flagBill), kShared},
    {"WYROZNIK_PARAGON", Value::Text, FIELD(flagReceipt), kShared},
    {"WYROZNIK_FAKTURA_RR", Value::Text, FIELD(flagRrInvoice), kShared},
    {"TRANSAKCJA", Value::Text, FIELD(transaction)},
    {"KOREKTA", Value::Text, FIELD(correction), kShared},
    {"KONTO", Value::Account, FIELD(accountMask), kShared},
    {"NIP", Value::Text, FIELD(nip)},
    {"DATA_WYSTAWIENIA", Value::Text, FIELD(issueDate)},
    {"DATA_WPLYWU", Value::Text, FIELD(receiptDate)},
    {"TERMIN_ZAPLATY", Value::Text, FIELD(dueDate)},
    {"KWOTA", Value::Amount, FIELD(amount)},
    {"SYMBOL_WALUTY", Value::Text, FIELD(currency), kShared},
    {"KOMENTARZ", Value::Text, FIELD(comment)},
    {"ODLICZENIE_VAT", Value::Text, FIELD(vatDeduction)},
    {"PLATNOSC_OD_DATY", Value::Text, FIELD(paymentFrom), kShared},
};

// Position elements; the two comment lines are fixed.  Their texts, the
// misspelt "Komantarz vat" with them, are exactly what the receiving system
// has always been sent: do not correct them.
const ElementLine kPositionLines[] = {
    {"SYMBOL_ST_VAT", Value::Text, FIELD(rateText)},
    {"MPK_NETTO", Value::Text, FIELD(mpkNet), kShared},
    {"KWOTA_NETTO", Value::Amount, FIELD(netAmount)},
    {"<KOMENTARZ_NETTO>Komentarz netto</KOMENTARZ_NETTO>", Value::Fixed, 0, kShared},
    {"MPK_VAT", Value::Text, FIELD(mpkVat), kShared},
    {"KWOTA_VAT", Value::Amount, FIELD(vatAmount)},
    {"<KOMENTARZ_VAT>Komantarz vat</KOMENTARZ_VAT>", Value::Fixed, 0, kShared},
    {"WYROZNIK", Value::Text, FIELD(positionKind)},
    {"SRODKI_TRWALE", Value::Text, FIELD(fixedAsset)},
    {"VAT_ROZLICZA_NABYWCA", Value::TextIfSet, FIELD(buyerSettlesVat)},
};

#undef FIELD

const Literal kClosingSequence[] = {"</POZYCJE>", "<KSIEGOWANIA />", "<BLAD />", "</REJESTR>"};

bool WriteElement(OutputLines& out, Literal tag, Value value, const unsigned char* field)
{
    switch (value) {
    case Value::Fixed:
        return PutLine(out, tag);
    case Value::Amount: {
        double amount;
        std::memcpy(&amount, field, sizeof amount);
        char text[kAmountTextSize];
        return PutElement(out, tag, text, FormatAmount(text, amount));
    }
    case Value::Integer: {
        int32_t number;
        std::memcpy(&number, field, sizeof number);
        char text[12];
        return PutElement(out, tag, text, FormatInteger(text, number));
    }
    case Value::Account: {
        // Only the account's first three characters, right-aligned in three
        // columns ("%3.3s"), stand before the fixed mask.
        static constexpr char kMask[] = "-******-******";
        constexpr int kColumns = 3;
        char text[kValueSize];
        const int length = static_cast<int>(strnlen(reinterpret_cast<const char*>(field), kColumns));
        std::memset(text, ' ', kColumns - length);
        std::memcpy(text + kColumns - length, field, static_cast<std::size_t>(length));
        text[kColumns] = '\0';
        EscapeXml(text, kValueSize - 1);
        const std::size_t escaped = std::strlen(text);
        std::memcpy(text + escaped, kMask, sizeof kMask);
        return PutElement(out, tag, text, static_cast<int>(escaped + sizeof kMask - 1));
    }
    case Value::TextIfSet:
        if (field[0] == '\0')
            return true;
        [[fallthrough]];
    case Value::Text:
        return PutEscapedElement(out, tag, reinterpret_cast<const char*>(field));
    }
    return true;
}

template <std::size_t N>
void Render(RenderedLines& rendered, const ElementLine (&lines)[N], const ExportDocument& record)
{
    static_assert(N <= kRenderedSlots);
    const unsigned char* base = reinterpret_cast<const unsigned char*>(&record);
    // The shared lines take far less than a batch; were they ever to fill
    // it, they would not be ready and each would be written on its own.
    OutputLines scratch{};
    scratch.text = rendered.text;
    for (std::size_t i = 0; i < N; ++i) {
        rendered.start[i] = scratch.length;
        if (lines[i].shared)
            WriteElement(scratch, lines[i].tag, lines[i].value, base + lines[i].offset);
        rendered.end[i] = scratch.length;
    }
    rendered.ready = scratch.failure == OutputFailure::None;
}

// The elements of a record, each run of shared ones copied as rendered.
template <std::size_t N>
bool WriteElements(OutputLines& out, const ElementLine (&lines)[N], const ExportDocument& record,
                   const RenderedLines& rendered)
{
    const unsigned char* base = reinterpret_cast<const unsigned char*>(&record);
    for (std::size_t i = 0; i < N;) {
        if (!lines[i].shared || !rendered.ready) {
            if (!WriteElement(out, lines[i].tag, lines[i].value, base + lines[i].offset))
                return false;
            ++i;
            continue;
        }
        std::size_t last = i;
        while (last + 1 < N && lines[last + 1].shared)
            ++last;
        const int start = rendered.start[i];
        if (!PutRendered(out, rendered.text + start, rendered.end[last] - start, static_cast<int>(last - i + 1)))
            return false;
        i = last + 1;
    }
    return true;
}

} // namespace

void RenderSharedLines(RegisterRecords& records)
{
    Render(records.sharedHeader, kHeaderLines, records.header);
    Render(records.sharedPosition, kPositionLines, records.position);
}

bool WriteRegisterOpening(OutputLines& out, const RegisterRecords& records)
{
    return PutLine(out, "<REJESTR>") && WriteElements(out, kHeaderLines, records.header, records.sharedHeader) &&
           PutLine(out, "<POZYCJE>");
}

bool WritePosition(OutputLines& out, const RegisterRecords& records)
{
    return PutLine(out, "<POZYCJA>") &&
           WriteElements(out, kPositionLines, records.position, records.sharedPosition) &&
           PutLine(out, "</POZYCJA>");
}

bool WriteRegisterClosing(OutputLines& out) { return PutLines(out, kClosingSequence); }
