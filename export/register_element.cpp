// One REJESTR element per exported document, with its POZYCJA elements.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "export/export_run.h"
#include "export/export_text.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

enum class Value { Text, Amount, Integer, Account, TextIfSet, Fixed };

struct ElementLine {
    const char* tag;
    Value value;
    std::size_t offset; // of the field in ExportDocument
};

#define FIELD(name) offsetof(ExportDocument, name)

// Header elements, in the order of the target format (the issue date twice,
// the payment basis last).
const ElementLine kHeaderLines[] = {
    {"ID_REJESTRU", Value::Text, FIELD(registerId)},
    {"SYMBOL_DOKUMENTU", Value::Text, FIELD(documentSymbol)},
    {"DATA_WYSTAWIENIA_DOKUMENTU", Value::Text, FIELD(issueDate)},
    {"MIESIAC", Value::Text, FIELD(month)},
    {"ROK", Value::Text, FIELD(year)},
    {"OPIS", Value::Text, FIELD(description)},
    {"SYMBOL_REJESTRU", Value::Text, FIELD(registerSymbol)},
    {"MPZ", Value::Text, FIELD(mpz)},
    {"MPK", Value::Text, FIELD(mpk)},
    {"ID_FIRMY", Value::Integer, FIELD(firmId)},
    {"WYROZNIK_FAKTURA", Value::Text, FIELD(flagInvoice)},
    {"WYROZNIK_KOREKTA", Value::Text, FIELD(flagCorrection)},
    {"WYROZNIK_RACHUNEK", Value::Text, FIELD(flagBill)},
    {"WYROZNIK_PARAGON", Value::Text, FIELD(flagReceipt)},
    {"WYROZNIK_FAKTURA_RR", Value::Text, FIELD(flagRrInvoice)},
    {"TRANSAKCJA", Value::Text, FIELD(transaction)},
    {"KOREKTA", Value::Text, FIELD(correction)},
    {"KONTO", Value::Account, FIELD(accountMask)},
    {"NIP", Value::Text, FIELD(nip)},
    {"DATA_WYSTAWIENIA", Value::Text, FIELD(issueDate)},
    {"DATA_WPLYWU", Value::Text, FIELD(receiptDate)},
    {"TERMIN_ZAPLATY", Value::Text, FIELD(dueDate)},
    {"KWOTA", Value::Amount, FIELD(amount)},
    {"SYMBOL_WALUTY", Value::Text, FIELD(currency)},
    {"KOMENTARZ", Value::Text, FIELD(comment)},
    {"ODLICZENIE_VAT", Value::Text, FIELD(vatDeduction)},
    {"PLATNOSC_OD_DATY", Value::Text, FIELD(paymentFrom)},
};

// Position elements; the two comment lines are fixed.  Their texts, the
// misspelt "Komantarz vat" with them, are exactly what the receiving system
// has always been sent: do not correct them.
const ElementLine kPositionLines[] = {
    {"SYMBOL_ST_VAT", Value::Text, FIELD(rateText)},
    {"MPK_NETTO", Value::Text, FIELD(mpkNet)},
    {"KWOTA_NETTO", Value::Amount, FIELD(netAmount)},
    {"<KOMENTARZ_NETTO>Komentarz netto</KOMENTARZ_NETTO>", Value::Fixed, 0},
    {"MPK_VAT", Value::Text, FIELD(mpkVat)},
    {"KWOTA_VAT", Value::Amount, FIELD(vatAmount)},
    {"<KOMENTARZ_VAT>Komantarz vat</KOMENTARZ_VAT>", Value::Fixed, 0},
    {"WYROZNIK", Value::Text, FIELD(positionKind)},
    {"SRODKI_TRWALE", Value::Text, FIELD(fixedAsset)},
    {"VAT_ROZLICZA_NABYWCA", Value::TextIfSet, FIELD(buyerSettlesVat)},
};

#undef FIELD

const char* const kClosingSequence[] = {"</POZYCJE>", "<KSIEGOWANIA />", "<BLAD />", "</REJESTR>"};

// Every field is far shorter than this, so its escaped form always fits.
inline constexpr int kValueSize = 512;

void WriteElement(void* file, const char* tag, Value value, const unsigned char* field)
{
    char text[kValueSize];
    switch (value) {
    case Value::Fixed:
        WriteFixedLine(file, tag);
        return;
    case Value::Amount: {
        double amount;
        std::memcpy(&amount, field, sizeof amount);
        WriteFormattedLine(file, "<%s>%0.2f</%s>", tag, amount, tag);
        return;
    }
    case Value::Integer: {
        int32_t number;
        std::memcpy(&number, field, sizeof number);
        WriteFormattedLine(file, "<%s>%d</%s>", tag, number, tag);
        return;
    }
    case Value::Account:
        // Only the account's first three characters, right-aligned in three
        // columns, stand before the fixed mask.
        std::snprintf(text, sizeof text, "%3.3s", reinterpret_cast<const char*>(field));
        EscapeXml(text, kValueSize - 1);
        WriteFormattedLine(file, "<%s>%s-******-******</%s>", tag, text, tag);
        return;
    case Value::TextIfSet:
        if (field[0] == '\0')
            return;
        [[fallthrough]];
    case Value::Text: {
        const char* value = reinterpret_cast<const char*>(field);
        const std::size_t length = strnlen(value, sizeof text - 1);
        std::memcpy(text, value, length);
        text[length] = '\0';
        EscapeXml(text, kValueSize - 1);
        WriteFormattedLine(file, "<%s>%s</%s>", tag, text, tag);
        return;
    }
    }
}

} // namespace

void ExportRun::WriteRegisters()
{
    char status[256];
    status[0] = '\0';
    HostCopyField(status, kProgressWriting, sizeof status - 1);
    HostProgressText(status, nullptr);
    HostProgressUpdate();

    bool registerOpen = false;
    for (int i = 0; i < documentCount && !CommandAbandoned(); ++i) {
        const ExportDocument& d = documents[i];
        const unsigned char* base = reinterpret_cast<const unsigned char*>(&d);
        if (IsHeaderRecord(d)) {
            if (registerOpen)
                for (const char* line : kClosingSequence)
                    WriteFixedLine(outputFile, line);
            WriteFixedLine(outputFile, "<REJESTR>");
            registerOpen = true;
            for (const ElementLine& e : kHeaderLines)
                WriteElement(outputFile, e.tag, e.value, base + e.offset);
            WriteFixedLine(outputFile, "<POZYCJE>");
        } else {
            WriteFixedLine(outputFile, "<POZYCJA>");
            for (const ElementLine& e : kPositionLines)
                WriteElement(outputFile, e.tag, e.value, base + e.offset);
            WriteFixedLine(outputFile, "</POZYCJA>");
        }
    }
    if (documentCount != 0)
        for (const char* line : kClosingSequence)
            WriteFixedLine(outputFile, line);
}
