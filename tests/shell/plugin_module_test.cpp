// The plug-in as the host meets it: a module loaded from its file, its entry
// points found by number, its menu entry registered and run.  The export it
// writes is the golden one.
#include <gtest/gtest.h>

#include <cstring>

#include "export/export_options.h"
#include "host/app/host_runtime.h"
#include "host/plugins/plugin_registry.h"
#include "host/services/host_messages.h"
#include "host/common/mazovia.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

void Put(char* field, std::size_t width, const std::string& utf8)
{
    std::string text;
    ASSERT_TRUE(Utf8ToMazovia(utf8, &text, nullptr));
    ASSERT_LT(text.size(), width);
    std::memcpy(field, text.c_str(), text.size() + 1);
}

// The golden export's options, as the settings file holds them.
std::string GoldenSettings()
{
    ExportOptions o;
    std::memset(&o, 0, sizeof o);
    Put(o.dateFrom, sizeof o.dateFrom, "20210101");
    Put(o.dateTo, sizeof o.dateTo, "20210131");
    SetOptionsScope(o, kScopePurchaseInvoices | kScopePurchaseCorrections | kScopeSalesInvoices);
    Put(o.kinds[0].account, sizeof o.kinds[0].account, "2021");
    Put(o.kinds[0].registerCode, sizeof o.kinds[0].registerCode, "FZK-ZAKUP");
    Put(o.kinds[1].account, sizeof o.kinds[1].account, "7");
    Put(o.kinds[1].registerCode, sizeof o.kinds[1].registerCode, "KOR");
    Put(o.branchCode, sizeof o.branchCode, "ODDZ&1");
    Put(o.originPlace, sizeof o.originPlace, "Łódź <MPK>");
    SetOptionsFirmId(o, 7);
    return std::string(reinterpret_cast<const char*>(&o), sizeof o);
}

TEST(PluginModule, LoadedModuleRegistersItsEntryAndExportsTheGoldenFile)
{
    TestDir dir;
    const std::string firm = dir.file("firm.db");
    ASSERT_EQ(CreateFirmDatabase(firm, ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_firm.sql")), "");
    WriteFileBytes(dir.file("a_mas.cfg"), GoldenSettings());
    HostConfig config;
    config.firmPath = firm;
    config.dataDirectory = dir.path();
    config.today = "2021-02-10";
    std::string error;
    ASSERT_TRUE(HostStart(config, &error)) << error;
    HostClearShownMessages();

    ASSERT_TRUE(HostLoadPlugin(VENTALOR_PLUGIN_MODULE, &error)) << error;
    ASSERT_EQ(HostMenuEntries().size(), 1u);
    EXPECT_EQ(HostMenuEntries()[0].name, "Eksport Ventalor (txt)");
    EXPECT_EQ(HostMenuEntries()[0].module, VENTALOR_PLUGIN_MODULE);

    ASSERT_TRUE(HostRunMenuEntry("Eksport Ventalor (txt)"));
    EXPECT_FALSE(HostDialogRefused());
    const std::string path = dir.file("qPX_2021-02-10.xml");
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_expected.xml"));
    EXPECT_EQ(XmlLintErrors(path), "");
    // Confirming rewrote the settings unchanged.
    EXPECT_EQ(ReadFileBytes(dir.file("a_mas.cfg")), GoldenSettings());

    std::vector<std::string> texts;
    for (const auto& m : HostShownMessages())
        texts.push_back(m.text);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Zainstalowano wtyczkę do programu:\nEksport Ventalor (txt)",
                         "W pliku brak kontrahentów 2 dokumentów: ich numery leżą poza zakresem\n"
                         "od -65999 do 65999 albo nie ma ich w kartotece kontrahentów.\n"
                         "brak kontrahenta (000003EE-0028-0000-000D-00000000000E), kontrahent 40\n"
                         "<script>&'x' (FFFFFC0F-1117-0000-0011-000000000012), kontrahent 70000\n",
                         "Ilość wyeksportowanych faktur zakupu:     7\nIlość wyeksportowanych korekt zakupu:     2\n"}));

    HostUnloadPlugins();
    EXPECT_TRUE(HostMenuEntries().empty());
    HostStop();
}

} // namespace
