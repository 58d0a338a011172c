// Message boxes and error notices: recorded for tests in UTF-8, with the
// host's emphasis and display-attribute bytes dropped.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "host/host_entry_impl.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"

namespace {

class HostMessages : public ::testing::Test {
protected:
    void SetUp() override { HostClearShownMessages(); }
    void TearDown() override { HostClearShownMessages(); }
};

// The plug-in's ShowMessage passes its arguments on as a va_list.
int ShowMessage(const char* title, const char* format, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int result = tomiva::HostMessageBoxV(0, title, format, flags, args);
    va_end(args);
    return result;
}

TEST_F(HostMessages, EveryKindIsRecordedInUtf8)
{
    // "Uwaga", "\x02Błąd\x01 zapisu" with emphasis, and Polish letters in
    // formats and in arguments.
    EXPECT_EQ(tomiva::HostMessageBox("Uwaga", "\x02" "B\x92\x86" "d\x01 zapisu", 1), 1);
    EXPECT_EQ(tomiva::HostMessageBoxF("STOP!!!", "Modu\x92 \"%s\"\n", 0xC001, "Eksport \x9E"), 1);
    EXPECT_EQ(ShowMessage("Uwaga", "Ilo\x9E\x8D: %5ld\n%s", 1, 42L, "ko\x91"), 1);
    EXPECT_EQ(tomiva::HostErrorMessage("Operacja konwersji nieudana"), 1);

    const auto& shown = HostShownMessages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].kind, "box");
    EXPECT_EQ(shown[0].title, "Uwaga");
    EXPECT_EQ(shown[0].text, "Błąd zapisu");
    EXPECT_EQ(shown[1].title, "STOP!!!");
    EXPECT_EQ(shown[1].text, "Moduł \"Eksport ś\"\n");
    EXPECT_EQ(shown[2].text, "Ilość:    42\nkoę");
    EXPECT_EQ(shown[3].kind, "error");
    EXPECT_EQ(shown[3].text, "Operacja konwersji nieudana");
}

TEST_F(HostMessages, AllFiveAttributeBytesAreDroppedAndNothingElse)
{
    tomiva::HostMessageBox("\x03Tytu\x92\x04", "\x01\x02\x03\x04\x05x\x06y\tz~A~", 1);
    ASSERT_EQ(HostShownMessages().size(), 1u);
    EXPECT_EQ(HostShownMessages()[0].title, "Tytuł");
    EXPECT_EQ(HostShownMessages()[0].text, "x\x06y\tz~A~");
}

TEST_F(HostMessages, LongFormattedTextIsKeptWhole)
{
    const std::string word(6000, 'w');
    ShowMessage("Uwaga", "Plik %s nie jest otwarty!", 1, word.c_str());
    ASSERT_EQ(HostShownMessages().size(), 1u);
    EXPECT_EQ(HostShownMessages()[0].text, "Plik " + word + " nie jest otwarty!");
}

TEST_F(HostMessages, NullTextsShowAsEmpty)
{
    tomiva::HostMessageBox(nullptr, nullptr, 1);
    tomiva::HostErrorMessage(nullptr);
    ASSERT_EQ(HostShownMessages().size(), 2u);
    EXPECT_EQ(HostShownMessages()[0].text, "");
    EXPECT_EQ(HostShownMessages()[1].text, "");
}

// While a dialog holds the terminal, the host prints nothing over it: its
// messages and notes go to the dialog's line (one line, one after another),
// and are recorded as ever.
TEST_F(HostMessages, WhileADialogHoldsTheTerminalMessagesGoToItsLine)
{
    std::string line;
    HostState().dialogMessageLine = &line;
    testing::internal::CaptureStderr();
    tomiva::HostMessageBox("Uwaga", "Pole \"Od daty\" jest puste!\nPodaj", 1);
    HostNote("cannot open x for reading: it is a FIFO (named pipe), not a file");
    const std::string printed = testing::internal::GetCapturedStderr();
    HostState().dialogMessageLine = nullptr;

    EXPECT_EQ(printed, "");
    EXPECT_EQ(line, "Pole \"Od daty\" jest puste! Podaj  cannot open x for reading: it is a FIFO (named pipe), not a file");
    ASSERT_EQ(HostShownMessages().size(), 1u);
    EXPECT_EQ(HostShownNotes().size(), 1u);
}

} // namespace
