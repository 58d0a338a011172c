// Batch dialogs: the options dialog run over a loaded record with scripted
// answers, then OK (or Cancel) pressed.  The record starts with values in a
// disabled row, a ticked disabled box and a bit that belongs to no box, and
// bytes after a text's NUL: what nobody answered must come back byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/dialog/dialog_host.h"
#include "host/module/host_entry_impl.h"
#include "host/app/host_runtime.h"
#include "host/services/host_session.h"
#include "options/options_dialog_block.h"
#include "export/export_options.h"
#include "contract/dialog_base.h"
#include "contract/mazovia_literal.h"

namespace {

void ResetSession()
{
    HostSession& s = HostState();
    s.batch = true;
    s.dialogAnswers.clear();
    s.dialogCancel = false;
    s.dialogRefused = false;
}

void Copy(char* field, const char* text) { std::memcpy(field, text, std::strlen(text) + 1); }

std::string Hex(const ExportOptions& o)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&o);
    std::string out;
    char two[4];
    for (std::size_t i = 0; i < sizeof o; ++i) {
        std::snprintf(two, sizeof two, "%02X", bytes[i]);
        out += two;
        if (i % 32 == 31)
            out += '\n';
    }
    return out;
}

class DialogAnswers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSession();
        HostClearShownMessages();
        std::memset(&loaded, 0, sizeof loaded);
        Copy(loaded.dateFrom, "20200101");
        Copy(loaded.dateTo, "20201231");
        SetOptionsScope(loaded, 0x0204); // "Faktury sprzed." (disabled) and bit 9, which no box owns
        Copy(loaded.kinds[0].account, "ABC");
        std::memcpy(loaded.kinds[0].registerCode, "RZ\0old", 6);
        std::memcpy(loaded.kinds[2].account, "ZAB\0junk", 8);
        Copy(loaded.kinds[5].registerCode, "ZWROTY");
        SetOptionsFirmId(loaded, 5);
        record = loaded;
    }
    void TearDown() override
    {
        ResetSession();
        HostClearShownMessages();
    }

    // Each run is a command of its own: no dialog of it was confirmed yet.
    int Run(const std::vector<std::string>& answers, bool cancel = false)
    {
        HostState().dialogsConfirmed.clear();
        HostState().dialogAnswers = answers;
        HostState().dialogCancel = cancel;
        WDialogBase object{};
        tomiva::WDialogBaseConstruct(&object);
        object.vtable = HostDialogBaseVtable();
        const int result = tomiva::HostRunDialog(&object, ExportDialogTemplate(), kDialogOptions, &record, 0);
        tomiva::WDialogBaseDestroy(&object);
        return result;
    }

    std::string LastMessage() const
    {
        return HostShownMessages().empty() ? std::string() : HostShownMessages().back().text;
    }

    ExportOptions loaded;
    ExportOptions record;
};

TEST_F(DialogAnswers, EachKindOfControlTakesItsAnswer)
{
    EXPECT_EQ(Run({
                  "Od daty=2021-01-01",
                  "~D~o daty:=2021-01-31",
                  "faktury ZAKUPU=tak",
                  "7=1",
                  "Konto kh (brutto)=201-01",
                  "Rejestr KH=Rejestr zakupów",
                  "17=202-02",
                  "19=RKZ",
                  "KOD ODDZIALU=Łódź",
                  "Miejsce powstania=ŻÓŁW ĄĘ",
                  "ID firmy z KH=42",
              }),
              kButtonOk);
    EXPECT_TRUE(HostShownMessages().empty()) << LastMessage();
    EXPECT_FALSE(HostDialogRefused());
    EXPECT_TRUE(HostState().dialogAnswers.empty()); // used up by this dialog

    ExportOptions expected = loaded;
    Copy(expected.dateFrom, "20210101");
    Copy(expected.dateTo, "20210131");
    SetOptionsScope(expected, 0x0207);
    Copy(expected.kinds[0].account, "201-01");
    std::memset(expected.kinds[0].registerCode, 0, sizeof expected.kinds[0].registerCode);
    Copy(expected.kinds[0].registerCode, MazoviaText{u8"Rejestr zakupów"});
    Copy(expected.kinds[1].account, "202-02");
    Copy(expected.kinds[1].registerCode, "RKZ");
    Copy(expected.branchCode, MazoviaText{u8"Łódź"});
    Copy(expected.originPlace, MazoviaText{u8"ŻÓŁW ĄĘ"});
    SetOptionsFirmId(expected, 42);
    EXPECT_EQ(Hex(record), Hex(expected));
}

TEST_F(DialogAnswers, CheckBoxSpellings)
{
    for (const char* yes : {"1", "t", "T", "tak", "Yes", "on"}) {
        record = loaded;
        EXPECT_EQ(Run({std::string("Faktury zakupu=") + yes}), kButtonOk) << yes;
        EXPECT_EQ(OptionsScope(record), 0x0205) << yes;
    }
    SetOptionsScope(loaded, 0x0207);
    for (const char* no : {"0", "n", "nie", "NO", "off"}) {
        record = loaded;
        EXPECT_EQ(Run({std::string("Korekty zakupu=") + no}), kButtonOk) << no;
        EXPECT_EQ(OptionsScope(record), 0x0205) << no;
    }
    EXPECT_FALSE(HostDialogRefused());
}

TEST_F(DialogAnswers, EmptyValueClearsTextAndDateAndLaterAnswersWin)
{
    EXPECT_EQ(Run({"Od daty=", "Konto kh (brutto)=", "ID firmy z KH=7", "41=9"}), kButtonOk);
    ExportOptions expected = loaded;
    std::memset(expected.dateFrom, 0, sizeof expected.dateFrom);
    std::memset(expected.kinds[0].account, 0, sizeof expected.kinds[0].account);
    SetOptionsFirmId(expected, 9);
    EXPECT_EQ(Hex(record), Hex(expected));
}

TEST_F(DialogAnswers, OkWithoutAnswersGivesTheRecordBackUnchanged)
{
    EXPECT_EQ(Run({}), kButtonOk);
    EXPECT_EQ(Hex(record), Hex(loaded));
    EXPECT_TRUE(HostShownMessages().empty());
}

TEST_F(DialogAnswers, CancelWritesNothing)
{
    EXPECT_EQ(Run({"Od daty=2021-01-01", "Faktury zakupu=1"}, true), kButtonCancel);
    EXPECT_EQ(Hex(record), Hex(loaded));
    EXPECT_FALSE(HostDialogRefused());
}

TEST_F(DialogAnswers, RefusalsNameTheControlAndChangeNothing)
{
    struct Case {
        std::string answer;
        std::string says;
    };
    const std::string twentyOne(21, 'R');
    const Case cases[] = {
        {"Nieznane pole=1", "the dialog has no control \"Nieznane pole\""},
        {"Kod oddziału=x", "the dialog has no control \"Kod oddziału\""}, // the caption has a plain l
        {"99=1", "the dialog has no control 99 (it has 43)"},
        {"0=1", "the dialog has no control 0"},
        {"=1", "it names no control"},
        {"Od daty", "answer \"Od daty\" has no '='"},
        {"Faktury sprzed.=1", "control 8 \"Faktury sprzed.\" is disabled"},
        {"Paragony=0", "control 10 \"Paragony\" is disabled"},
        {"21=X", "control 21 is disabled"},
        {"Zakres=1", "control 5 \"Zakres\" carries no data"},
        {"Anuluj=1", "control 43 \"Anuluj\" carries no data"},
        {"1=2021-01-01", "control 1 \"Od daty\" carries no data"},
        {"Od daty=2021-02-29", "control 2 \"Od daty\": \"2021-02-29\" is not a real date"},
        {"Do daty=2021-13-01", "control 4 \"Do daty\": \"2021-13-01\" is not a real date"},
        {"Od daty=20210101", "\"20210101\" is not a date in the form YYYY-MM-DD"},
        {"Od daty=2021-1-01", "is not a date in the form YYYY-MM-DD"},
        {"Konto kh (brutto)=12345678901", "control 13 \"Konto kh (brutto)\": \"12345678901\" has 11 characters; "
                                          "the field takes at most 10"},
        {"Rejestr KH=" + twentyOne, "control 15 \"Rejestr KH\": \"" + twentyOne + "\" has 21 characters"},
        // Messages are host text too: the character it lacks shows as '?'.
        {"Kod oddzialu=€uro", "control 37 \"Kod oddzialu\": \"?uro\" holds U+20AC"},
        {"Miejsce powstania=a\tb", "control 39 \"Miejsce powstania\": the value holds a control character"},
        {"ID firmy z KH=100", "control 41 \"ID firmy z KH\": \"100\" is outside the range 0 to 99"},
        {"ID firmy z KH=-1", "\"-1\" is outside the range 0 to 99"},
        {"ID firmy z KH=99999999999999999999", "is outside the range 0 to 99"},
        {"ID firmy z KH=4a", "\"4a\" is not a number"},
        {"ID firmy z KH=", "\"\" is not a number"},
        {"Faktury zakupu=maybe", "control 6 \"Faktury zakupu\": \"maybe\" is not 1 or 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ResetSession();
        HostClearShownMessages();
        record = loaded;
        // A good answer before the bad one is not applied either.
        EXPECT_EQ(Run({"Faktury zakupu=1", c.answer}), 0);
        EXPECT_TRUE(HostDialogRefused());
        EXPECT_EQ(Hex(record), Hex(loaded));
        ASSERT_EQ(HostShownMessages().size(), 1u);
        EXPECT_EQ(HostShownMessages()[0].kind, "error");
        EXPECT_EQ(HostShownMessages()[0].title, "Zakres eksportu dokumentów");
        EXPECT_NE(LastMessage().find(c.says), std::string::npos) << LastMessage();
        EXPECT_NE(LastMessage().find("nothing was changed"), std::string::npos) << LastMessage();
    }
}

TEST_F(DialogAnswers, EveryOffenceIsListedInOneMessage)
{
    EXPECT_EQ(Run({"Od daty=2021-02-30", "Paragony=1", "ID firmy z KH=100"}), 0);
    ASSERT_EQ(HostShownMessages().size(), 1u);
    const std::string& text = HostShownMessages()[0].text;
    EXPECT_NE(text.find("\nanswer \"Od daty=2021-02-30\": control 2"), std::string::npos) << text;
    EXPECT_NE(text.find("\nanswer \"Paragony=1\": control 10"), std::string::npos) << text;
    EXPECT_NE(text.find("\nanswer \"ID firmy z KH=100\": control 41"), std::string::npos) << text;
}

TEST_F(DialogAnswers, LoadedValueThatCannotBeKeptHoldsOkUntilAnswered)
{
    struct Case {
        const char* what;
        void (*spoil)(ExportOptions&);
        const char* says;
        const char* fix;
    };
    const Case cases[] = {
        {"date", [](ExportOptions& o) { Copy(o.dateTo, "2021AB01"); },
         "control 4 \"Do daty\": \"2021-AB-01\" is not a real date", "Do daty=2021-02-01"},
        {"number", [](ExportOptions& o) { SetOptionsFirmId(o, 150); },
         "control 41 \"ID firmy z KH\": 150 is outside 0 to 99", "ID firmy z KH=15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.spoil(loaded);
        record = loaded;
        EXPECT_EQ(Run({"Faktury zakupu=1"}), 0);
        EXPECT_TRUE(HostDialogRefused());
        EXPECT_EQ(Hex(record), Hex(loaded));
        EXPECT_NE(LastMessage().find(c.says), std::string::npos) << LastMessage();

        ResetSession();
        EXPECT_EQ(Run({c.fix}), kButtonOk);
        EXPECT_FALSE(HostDialogRefused());
    }
    // A disabled control is never judged: its value is kept, whatever it is.
    SetUp();
    Copy(loaded.kinds[3].account, "\x01\x02");
    record = loaded;
    EXPECT_EQ(Run({}), kButtonOk);
    EXPECT_EQ(Hex(record), Hex(loaded));
}

} // namespace
