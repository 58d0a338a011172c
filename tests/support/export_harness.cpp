#include "support/export_harness.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "host/common/mazovia.h"
#include "shell/module_handles.h"

TestHost::TestHost(HostConfig config)
{
    HostClearShownMessages();
    started_ = HostStart(config, &error_);
    PluginProcessAttach(nullptr);
}

TestHost::~TestHost()
{
    if (started_)
        HostStop();
}

HostConfig TestConfig(const std::string& firm, const std::string& dataDirectory, const std::string& today)
{
    HostConfig config;
    config.firmPath = firm;
    config.dataDirectory = dataDirectory;
    config.today = today;
    config.batch = true;
    return config;
}

std::vector<std::string> ShownTexts()
{
    std::vector<std::string> texts;
    for (const auto& m : HostShownMessages())
        texts.push_back(m.text);
    return texts;
}

std::string ToHostText(const std::string& utf8)
{
    std::string out;
    char32_t offending = 0;
    EXPECT_TRUE(Utf8ToMazovia(utf8, &out, &offending)) << "not host text: " << utf8;
    return out;
}

static void CopyInto(char* field, std::size_t width, const std::string& utf8)
{
    const std::string text = ToHostText(utf8);
    ASSERT_LT(text.size(), width) << utf8;
    std::memcpy(field, text.c_str(), text.size() + 1);
}

ExportOptions MakeOptions(const OptionsInput& input)
{
    ExportOptions o;
    std::memset(&o, 0, sizeof o);
    CopyInto(o.dateFrom, sizeof o.dateFrom, input.dateFrom);
    CopyInto(o.dateTo, sizeof o.dateTo, input.dateTo);
    SetOptionsScope(o, input.scope);
    CopyInto(o.kinds[kKindRowInvoices].account, sizeof o.kinds[0].account, input.invoiceAccount);
    CopyInto(o.kinds[kKindRowInvoices].registerCode, sizeof o.kinds[0].registerCode, input.invoiceRegister);
    CopyInto(o.kinds[kKindRowCorrections].account, sizeof o.kinds[1].account, input.correctionAccount);
    CopyInto(o.kinds[kKindRowCorrections].registerCode, sizeof o.kinds[1].registerCode, input.correctionRegister);
    CopyInto(o.branchCode, sizeof o.branchCode, input.branchCode);
    CopyInto(o.originPlace, sizeof o.originPlace, input.originPlace);
    SetOptionsFirmId(o, input.firmId);
    return o;
}

std::unique_ptr<CExportVentalorTxt> NewDialogObject()
{
    auto object = std::make_unique<CExportVentalorTxt>();
    std::memset(object.get(), 0, sizeof *object);
    return object;
}

bool RunExportOver(const ExportOptions& options)
{
    ExportRun run{};
    const bool ready = run.SetUp();
    const bool written = run.RunExport(options);
    run.TearDown();
    return ready && written;
}

std::vector<std::string> ContractBreaches()
{
    std::vector<std::string> texts;
    for (const HostFailure& f : HostState().failures)
        if (f.kind == HostFailureKind::ContractBroken)
            texts.push_back(f.text);
    return texts;
}
