// The scripted answers of tomiva --answer, applied to the options dialog the
// plug-in hands over.  Input: answers, one per line.
//   - answers are taken all or not at all: refused, every control keeps its
//     value and each offence is named; taken, nothing is named;
//   - what answers can set is a value the dialog accepts (a real date, a
//     number in range, a text that fits), and the record written from the
//     controls keeps every text field terminated.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_options.h"
#include "fuzz_support.h"
#include "host/dialog/dialog_state.h"
#include "options/options_dialog_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> answers;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        answers.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }

    RunningDialog d;
    std::string error;
    FUZZ_CHECK(ReadDialogFromBlock(ExportDialogTemplate(), kDialogOptions, &d.layout, &error));
    ExportOptions record{};
    d.data = reinterpret_cast<unsigned char*>(&record);
    d.state.resize(d.layout.controls.size());
    for (int n = 1; n <= d.count(); ++n)
        d.at(n).enabled = !d.control(n).disabledInTemplate();
    WDialogBase standIn{HostDialogBaseVtable(), {}};
    d.object = &standIn;
    DialogAttachment attachment(d);
    LoadDialogFromRecord(d);

    const std::vector<DialogControlState> before = d.state;
    std::vector<std::string> problems;
    const bool taken = ApplyDialogAnswers(d, answers, &problems);
    FUZZ_CHECK(taken == problems.empty());
    if (!taken) {
        FUZZ_CHECK(problems.size() <= answers.size());
        for (int n = 1; n <= d.count(); ++n) {
            FUZZ_CHECK(d.at(n).text == before[static_cast<std::size_t>(n - 1)].text);
            FUZZ_CHECK(d.at(n).number == before[static_cast<std::size_t>(n - 1)].number);
            FUZZ_CHECK(d.at(n).checked == before[static_cast<std::size_t>(n - 1)].checked);
        }
        return 0;
    }
    for (int n = 1; n <= d.count(); ++n)
        if (d.control(n).carriesData() && d.at(n).enabled)
            FUZZ_CHECK(DialogValueProblem(d, n).empty());
    StoreDialogIntoRecord(d);
    auto terminated = [](const char* field, std::size_t size) { return std::memchr(field, '\0', size) != nullptr; };
    FUZZ_CHECK(terminated(record.dateFrom, sizeof record.dateFrom) && terminated(record.dateTo, sizeof record.dateTo));
    for (const KindRow& row : record.kinds)
        FUZZ_CHECK(terminated(row.account, sizeof row.account) &&
                   terminated(row.registerCode, sizeof row.registerCode));
    FUZZ_CHECK(terminated(record.branchCode, sizeof record.branchCode) &&
               terminated(record.originPlace, sizeof record.originPlace));
    return 0;
}
