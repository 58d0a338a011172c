// The export run: names and creates the file, has the builders gather the
// documents, then writes the whole XML document in one pass.
#include "export/export_run.h"

#include <cstdio>
#include <cstring>

#include "contract/host_protocol.h"
#include "export/export_text.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kDateSlotSize = 256;
inline constexpr int kProgressWindowKind = 856;
inline constexpr int kPrepareForReading = 255;

void ShowProgressHeading(const char* heading)
{
    HostProgressText(nullptr, heading);
    HostProgressUpdate();
}

// The options come from a file whose bytes are not checked: in the run's
// copy of them, a text field whose last byte is not its terminator is cut
// there, so that no text of the record runs into the next field.
void TerminateOptionTexts(ExportOptions& o)
{
    o.dateFrom[sizeof o.dateFrom - 1] = '\0';
    o.dateTo[sizeof o.dateTo - 1] = '\0';
    for (KindRow& row : o.kinds) {
        row.account[sizeof row.account - 1] = '\0';
        row.registerCode[sizeof row.registerCode - 1] = '\0';
    }
    o.branchCode[sizeof o.branchCode - 1] = '\0';
    o.originPlace[sizeof o.originPlace - 1] = '\0';
}

// Gives a block of the run state back to the host and forgets it.
template <typename T>
void Release(T*& block)
{
    if (block != nullptr)
        HostFree(block);
    block = nullptr;
}

} // namespace

bool ExportRun::SetUp()
{
    invoiceCount = 0;
    correctionCount = 0;
    outputFile = nullptr;
    firmFlags = nullptr;
    personFlags = nullptr;
    documents = nullptr;
    documentCount = 0;
    documentCapacity = 0;
    contractorRecord = invoiceRecord = correctionRecord = nullptr;
    ready = false;

    firmFlags = static_cast<unsigned char*>(HostAllocClear(kContractorFlagCount, 1));
    personFlags = static_cast<unsigned char*>(HostAllocClear(kContractorFlagCount, 1));
    contractorTable = HostOpenTable(kTableContractors);
    invoiceTable = HostOpenTable(kTablePurchaseInvoices);
    correctionTable = HostOpenTable(kTablePurchaseCorrections);

    if (contractorTable != nullptr && invoiceTable != nullptr && correctionTable != nullptr) {
        HostPrepareTable(contractorTable, kPrepareForReading);
        HostPrepareTable(invoiceTable, kPrepareForReading);
        HostPrepareTable(correctionTable, kPrepareForReading);
        contractorRecord = TableRecordBuffer(contractorTable);
        invoiceRecord = TableRecordBuffer(invoiceTable);
        correctionRecord = TableRecordBuffer(correctionTable);
    }

    ready = firmFlags != nullptr && personFlags != nullptr && contractorRecord != nullptr && invoiceRecord != nullptr &&
            correctionRecord != nullptr;
    if (CommandAbandoned())
        return false;
    if (!ready)
        HostMessageBox(kTitleNotice, kMsgConstructorFailed, kNoticeFlags);
    return ready;
}

void ExportRun::TearDown()
{
    if (outputFile != nullptr) {
        HostCloseFile(outputFile);
        outputFile = nullptr;
        if (std::remove(outputPath) == 0)
            outputPath[0] = '\0';
    }
    Release(firmFlags);
    Release(personFlags);
    Release(documents);
    documentCount = documentCapacity = 0;
}

bool ExportRun::CheckPurchaseKinds()
{
    std::memset(purchaseKindSettings, 0, sizeof purchaseKindSettings);
    HostReadSettings(kSettingsCurrentFirm, kSettingsPurchaseKindCodes, purchaseKindSettings,
                     sizeof purchaseKindSettings);

    char names[kPurchaseKindNameCount][kPurchaseKindNameSize];
    std::memset(names, 0, sizeof names);
    HostReadSettings(kSettingsCurrentFirm, kSettingsPurchaseKindNames, names, sizeof names);
    if (CommandAbandoned())
        return false;

    if (std::memcmp(names[0], kPurchaseKindsMarker, sizeof kPurchaseKindsMarker) != 0) {
        HostMessageBox(kTitleNotice, kMsgPurchaseKindsUndefined, kNoticeFlags);
        std::memset(purchaseKindSettings, 0, sizeof purchaseKindSettings);
        return false;
    }
    // A name without room for its end is settings the run cannot trust.
    for (const auto& name : names)
        if (std::memchr(name, '\0', kPurchaseKindNameSize) == nullptr)
            return false;

    for (int i = 0; i < kPurchaseKindCodeCount; ++i) {
        int16_t code;
        std::memcpy(&code, purchaseKindSettings + 2 * i, sizeof code);
        if (code < 1 || code > 9) {
            code = 1;
            std::memcpy(purchaseKindSettings + 2 * i, &code, sizeof code);
        }
    }
    return true;
}

void ExportRun::RunExport(const ExportOptions& chosen)
{
    // Without the host's tables or the flag tables there is nothing to run on.
    if (!ready) {
        HostMessageBox(kTitleNotice, kMsgRunNotReady, kNoticeFlags);
        return;
    }
    // The copy holds nothing to release: an abandoned run leaves it behind.
    ExportOptions options = chosen;
    TerminateOptionTexts(options);

    char today[kDateSlotSize];
    std::memset(today, 0, sizeof today);
    HostToday(today);
    int16_t year = 0, month = 0, day = 0;
    HostUnpackDate(today, &year, &month, &day, 0);
    char dateText[32];
    std::snprintf(dateText, sizeof dateText, "%04d-%02d-%02d", year, month, day);
    char fileName[64];
    std::snprintf(fileName, sizeof fileName, "qPX_%s.xml", dateText);

    // The host appends without knowing the buffer's size: make sure the
    // directory, a separator and the name fit before asking it to.
    char path[kExportPathSize];
    const char* directory = HostDataDirectory();
    if (directory == nullptr)
        directory = "";
    if (std::strlen(directory) + 1 + std::strlen(fileName) >= sizeof path) {
        ShowMessage(kTitleNotice, kMsgPathTooLong, kNoticeFlags, directory);
        return;
    }
    std::snprintf(path, sizeof path, "%s", directory);
    HostAppendPath(path, fileName);
    if (CommandAbandoned())
        return;

    outputFile = HostOpenFile(path, "wt", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (CommandAbandoned() || outputFile == nullptr) {
        if (!CommandAbandoned())
            ShowMessage(kTitleNotice, kMsgFileNotOpen, kNoticeFlags, path);
        return;
    }
    std::snprintf(outputPath, sizeof outputPath, "%s", path);

    HostProgressOpen(kProgressWindowKind);
    ShowProgressHeading(kProgressInvoices);

    const uint16_t scope = OptionsScope(options);
    const bool wantsDocuments = (scope & (ScopePurchaseInvoices | ScopePurchaseCorrections)) != 0;
    if (!wantsDocuments || CheckPurchaseKinds()) {
        if (scope & ScopePurchaseInvoices)
            BuildInvoiceDocuments(options);
        ShowProgressHeading(kProgressCorrections);
        if (scope & ScopePurchaseCorrections)
            BuildCorrectionDocuments(options);

        HostFilePrintf(outputFile, "%c%c%c", 0xEF, 0xBB, 0xBF);
        WriteFixedLine(outputFile, "<ROOT>");
        WriteFixedLine(outputFile, "<SYSTEM>QUORVEL</SYSTEM>");
        WriteFixedLine(outputFile, "<KONTRAHENCI>");
        WriteFixedLine(outputFile, "<WERSJA>1.0</WERSJA>");

        int32_t* key = HostContractorKey();
        ShowProgressHeading(kProgressFirms);
        for (int n = 0; n < kContractorFlagCount && !CommandAbandoned(); ++n) {
            if (firmFlags[n] == 0 || key == nullptr)
                continue;
            *key = n;
            if (HostFindContractor(kFindByKeySlot) != 0)
                WriteContractor();
        }
        ShowProgressHeading(kProgressPersons);
        for (int n = 0; n < kContractorFlagCount && !CommandAbandoned(); ++n) {
            if (personFlags[n] == 0 || key == nullptr)
                continue;
            *key = -n;
            if (HostFindContractor(kFindByKeySlot) != 0)
                WriteContractor();
        }

        WriteFixedLine(outputFile, "</KONTRAHENCI>");
        WriteFixedLine(outputFile, "<REJESTRY_ZAKUPU>");
        WriteFixedLine(outputFile, "<WERSJA>1.0</WERSJA>");
        WriteRegisters();
        WriteFixedLine(outputFile, "</REJESTRY_ZAKUPU>");
        WriteFixedLine(outputFile, "</ROOT>");
    }

    HostProgressClose();
    if (CommandAbandoned())
        return; // the unfinished file stays open for TearDown to remove
    if (outputFile != nullptr)
        HostCloseFile(outputFile);
    outputFile = nullptr;
    ShowMessage(kTitleNotice, kMsgSummary, kNoticeFlags, static_cast<long>(invoiceCount),
                static_cast<long>(correctionCount));
}
