// The schema of the export format: it takes the files the plug-in writes and
// rejects hand-broken ones, both as tomiva verify applies it (compiled in,
// through libxml2) and as docs/export-file.xsd (through xmllint).
#include <gtest/gtest.h>

#include <string>

#include "host/verify/export_file.h"
#include "support/test_files.h"

namespace {

std::string Golden() { return ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_expected.xml"); }

// The golden file with the first occurrence of `from` replaced by `to`.
std::string Edited(const std::string& from, const std::string& to)
{
    std::string text = Golden();
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "the golden file has no " << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string AllProblems(const FileReading& reading)
{
    std::string all;
    for (const FileProblem& p : reading.problems)
        all += "line " + std::to_string(p.line) + ": " + p.message + "\n";
    return all;
}

TEST(ExportSchema, TakesWhatThePluginWrites)
{
    std::string crlf;
    for (const char c : Golden())
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string name71 = std::string(69, 'a') + "&quot;"; // 70 characters once read
    const struct {
        const char* why;
        std::string text;
    } cases[] = {
        {"the golden export", Golden()},
        {"the golden export with the Windows build's CR LF line ends", crlf},
        {"an export without documents",
         "\xEF\xBB\xBF<ROOT>\n<SYSTEM>QUORVEL</SYSTEM>\n<KONTRAHENCI>\n<WERSJA>1.0</WERSJA>\n</KONTRAHENCI>\n"
         "<REJESTRY_ZAKUPU>\n<WERSJA>1.0</WERSJA>\n</REJESTRY_ZAKUPU>\n</ROOT>\n"},
        {"a name part of 70 characters, an entity among them",
         Edited("<NAZWA_PELNA_1>Jan Kowalski<", "<NAZWA_PELNA_1>" + name71 + "<")},
        {"a document without a date", Edited("2021-01-27T00:00:00", "0000-00-00T00:00:00")},
    };
    TestDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const FileReading reading = ReadExportBytes(c.text, "export.xml");
        EXPECT_TRUE(reading.valid) << AllProblems(reading);
        const std::string path = dir.file("export.xml");
        WriteFileBytes(path, c.text);
        EXPECT_EQ(XmlLintErrors(path), "");
    }
}

TEST(ExportSchema, RejectsHandBrokenFiles)
{
    const std::string text21 = std::string(21, 'x');
    const std::string name71 = std::string(70, 'a') + "&amp;";
    // why, what is replaced, by what, a word the complaint must hold
    const struct {
        const char* why;
        std::string from, to;
        const char* names;
    } cases[] = {
        {"an element missing", "<SYSTEM>QUORVEL</SYSTEM>\n", "", "SYSTEM"},
        {"elements out of order", "<MIESIAC>01</MIESIAC>\n<ROK>2021</ROK>", "<ROK>2021</ROK>\n<MIESIAC>01</MIESIAC>",
         "ROK"},
        {"an element the format does not have", "<KOMENTARZ></KOMENTARZ>", "<KOMENTARZ></KOMENTARZ><UWAGI/>", "UWAGI"},
        {"a day that no month has", "<DATA_WPLYWU>2021-01-27T", "<DATA_WPLYWU>2021-01-32T", "DATA_WPLYWU"},
        {"a date without its time", "<DATA_WPLYWU>2021-01-27T00:00:00", "<DATA_WPLYWU>2021-01-27", "DATA_WPLYWU"},
        {"a date with another time", "<TERMIN_ZAPLATY>2021-02-08T00:00:00", "<TERMIN_ZAPLATY>2021-02-08T12:00:00",
         "TERMIN_ZAPLATY"},
        {"an amount with three decimals", "<KWOTA_NETTO>1100.00<", "<KWOTA_NETTO>1100.001<", "KWOTA_NETTO"},
        {"an amount with a decimal comma", "<KWOTA>1230.00<", "<KWOTA>1230,00<", "KWOTA"},
        {"an amount without decimals", "<KWOTA_VAT>253.00<", "<KWOTA_VAT>253<", "KWOTA_VAT"},
        {"a register id in lower case", "1A2B3C4D-000C", "1a2b3c4d-000C", "ID_REJESTRU"},
        {"a register id grouped wrongly", "1A2B3C4D-000C-1111-2222-00000000ABCD", "1A2B3C4D-000C-1111-22220-0000000ABCD",
         "ID_REJESTRU"},
        {"a flag X", "<WYROZNIK_FAKTURA>T<", "<WYROZNIK_FAKTURA>X<", "WYROZNIK_FAKTURA"},
        {"a fixed-asset flag X", "<SRODKI_TRWALE>N<", "<SRODKI_TRWALE>X<", "SRODKI_TRWALE"},
        {"a class letter Q", "<WYROZNIK>B<", "<WYROZNIK>Q<", "WYROZNIK"},
        {"a transaction text over 20 characters", "<TRANSAKCJA>FZ/2<", "<TRANSAKCJA>" + text21 + "<", "TRANSAKCJA"},
        {"a name part over 70 characters", "<NAZWA_PELNA_1>Jan Kowalski<", "<NAZWA_PELNA_1>" + name71 + "<",
         "NAZWA_PELNA_1"},
        {"a short name over 16 characters", "<NAZWA_SKROCONA>Kowalski<", "<NAZWA_SKROCONA>Kowalski-Wiśniewska<",
         "NAZWA_SKROCONA"},
        {"a place of origin over 20 characters", "<MPK>Łódź &lt;MPK&gt;<", "<MPK>" + text21 + "<", "MPK"},
        {"a tax number with a letter", "<NIP>5210001122<", "<NIP>521000112X<", "NIP"},
        {"a postal code without its dash", "<KOD_POCZTOWY>00-950<", "<KOD_POCZTOWY>00950<", "KOD_POCZTOWY"},
        {"an element that is always empty, filled", "<KOREKTA></KOREKTA>", "<KOREKTA>1</KOREKTA>", "KOREKTA"},
        {"a VAT deduction the format does not know", "<ODLICZENIE_VAT>INNY<", "<ODLICZENIE_VAT>INNA<", "ODLICZENIE_VAT"},
        {"the buyer-settles mark N", "<VAT_ROZLICZA_NABYWCA>T<", "<VAT_ROZLICZA_NABYWCA>N<", "VAT_ROZLICZA_NABYWCA"},
        {"another currency", "<SYMBOL_WALUTY>PLN<", "<SYMBOL_WALUTY>EUR<", "SYMBOL_WALUTY"},
        {"a month 13", "<MIESIAC>01<", "<MIESIAC>13<", "MIESIAC"},
        {"not well-formed", "</KONTRAHENCI>", "", "KONTRAHENCI"},
    };
    TestDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string text = Edited(c.from, c.to);
        const FileReading reading = ReadExportBytes(text, "broken.xml");
        EXPECT_FALSE(reading.valid);
        EXPECT_NE(AllProblems(reading).find(c.names), std::string::npos) << AllProblems(reading);
        const std::string path = dir.file("broken.xml");
        WriteFileBytes(path, text);
        EXPECT_NE(XmlLintErrors(path).find(c.names), std::string::npos) << XmlLintErrors(path);
    }
}

} // namespace
