// The export run: names the file and creates it under a temporary name,
// gathers the documents and marks their contractors, writes the contractors
// and then the documents, reads the finished file back and only then puts
// it in the place of the export file.
#include "export/export_run.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "contract/host_protocol.h"
#include "export/export_text.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/platform.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kDateSlotSize = 256;
inline constexpr int kProgressWindowKind = 856;
inline constexpr int kPrepareForReading = 255;
// The file is written under the export file's name with this ending and
// gets the name itself only when it is complete.
inline constexpr char kTemporaryEnding[] = ".tmp";

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

// A block from the host for one of the run's buffers.
template <typename T>
bool Allocate(T*& block, int bytes)
{
    block = static_cast<T*>(HostAlloc(bytes));
    return block != nullptr;
}

template <std::size_t N>
bool PutLines(OutputLines& out, const Literal (&lines)[N])
{
    for (const Literal& line : lines)
        if (!PutLine(out, line))
            return false;
    return true;
}

// A count in decimal, for messages: byte counts pass 32 bits.
void CountText(char* destination, std::size_t size, long long count)
{
    std::snprintf(destination, size, "%lld", count);
}

} // namespace

void AddNoticeCase(NoticeCases& cases, const char* text)
{
    if (cases.count < kNoticeCasesNamed) {
        const std::size_t used = std::strlen(cases.named);
        std::snprintf(cases.named + used, sizeof cases.named - used, "%s\n", text);
    }
    ++cases.count;
}

void ShowNoticeCases(const NoticeCases& cases, const char* format)
{
    if (cases.count == 0)
        return;
    char count[24], more[24];
    CountText(count, sizeof count, cases.count);
    char list[kNoticeCasesSize + 64];
    std::snprintf(list, sizeof list, "%s", cases.named);
    if (cases.count > kNoticeCasesNamed) {
        CountText(more, sizeof more, cases.count - kNoticeCasesNamed);
        const std::size_t used = std::strlen(list);
        std::snprintf(list + used, sizeof list - used, kCasesMore.c_str(), more);
    }
    ShowMessage(kTitleNotice, format, kNoticeFlags, count, list);
}

bool ExportRun::SetUp()
{
    invoiceCount = 0;
    correctionCount = 0;
    outputFile = nullptr;
    temporaryPath[0] = exportPath[0] = '\0';
    std::memset(&out, 0, sizeof out);
    std::memset(&vat, 0, sizeof vat);
    std::memset(&store, 0, sizeof store);
    std::memset(&sharedHeader, 0, sizeof sharedHeader);
    std::memset(&sharedPosition, 0, sizeof sharedPosition);
    failed = false;
    failure[0] = '\0';
    std::memset(&contractorsMissing, 0, sizeof contractorsMissing);
    firmFlags = nullptr;
    personFlags = nullptr;
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
    DiscardFile();
    Release(firmFlags);
    Release(personFlags);
    Release(out.text);
    Release(out.converted);
    Release(sharedHeader.text);
    Release(sharedPosition.text);
    Release(vat.sums);
    Release(vat.sumOfCode);
    Release(vat.rateTexts);
    vat.count = vat.capacity = 0;
    StoreRelease(store);
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

bool ExportRun::Fail(const char* reason, ...)
{
    if (!failed) {
        va_list args;
        va_start(args, reason);
        std::vsnprintf(failure, sizeof failure, reason, args);
        va_end(args);
        failed = true;
    }
    return false;
}

void ExportRun::ReportFailure()
{
    // Through the host's error notice: the host knows the command failed.
    char text[sizeof failure + 3 * kPathSize + 128];
    const int n = std::snprintf(text, sizeof text, kMsgExportNotWritten.c_str(), failure, exportPath);
    if (fileState == ExportFileState::LeftBehind && n > 0 && static_cast<std::size_t>(n) + 1 < sizeof text) {
        text[n] = '\n';
        std::snprintf(text + n + 1, sizeof text - static_cast<std::size_t>(n) - 1, kMsgTemporaryLeft.c_str(),
                      temporaryPath);
    }
    HostErrorMessage(text);
}

bool ExportRun::AllocateBuffers()
{
    // A handful of blocks whatever the number of documents: the output
    // batch and its conversion, the sums' index and the rate texts.  The
    // sums themselves grow when a document needs more of them.
    constexpr int kSumIndexBytes = kVatListCount * kRateCodeCount * static_cast<int>(sizeof(int32_t));
    if (!Allocate(out.text, kBatchSize) || !Allocate(out.converted, kConvertedSize) ||
        !Allocate(sharedHeader.text, kBatchSize) || !Allocate(sharedPosition.text, kBatchSize) ||
        !Allocate(vat.sumOfCode, kSumIndexBytes) || !Allocate(vat.rateTexts, static_cast<int>(sizeof(RateTextCache))))
        return Fail(kReasonNoMemory);
    std::memset(vat.sumOfCode, 0xFF, kSumIndexBytes); // every entry -1: no sum
    for (int32_t& code : vat.rateTexts->code)
        code = kNoRateCode;
    return true;
}

bool ExportRun::WriteContractors()
{
    // A key slot that is missing finds no contractor: every one is missing.
    int32_t* key = HostContractorKey();
    unsigned char* const tables[] = {firmFlags, personFlags};
    const char* const headings[] = {kProgressFirms, kProgressPersons};
    for (int t = 0; t < 2; ++t) {
        ShowProgressHeading(headings[t]);
        unsigned char* flags = tables[t];
        for (int n = 0; n < kContractorFlagCount; ++n) {
            if (flags[n] != kContractorMarked)
                continue;
            if (CommandAbandoned())
                return false;
            if (key != nullptr) {
                *key = t == 0 ? n : -n;
                if (HostFindContractor(kFindByKeySlot) != 0) {
                    if (!WriteContractor())
                        return false;
                    continue;
                }
            }
            flags[n] = kContractorMissing;
        }
    }
    return true;
}

bool ExportRun::WriteExport(const ExportOptions& options)
{
    const uint16_t scope = OptionsScope(options);
    const bool wantsDocuments = (scope & (ScopePurchaseInvoices | ScopePurchaseCorrections)) != 0;
    if (wantsDocuments && !CheckPurchaseKinds())
        return Fail(kReasonPurchaseKinds);
    if (!AllocateBuffers())
        return false;

    // The documents of the period, read once.
    if ((scope & ScopePurchaseInvoices) && !GatherDocuments(options, kInvoiceLayout, invoiceCount))
        return false;
    ShowProgressHeading(kProgressCorrections);
    if ((scope & ScopePurchaseCorrections) && !GatherDocuments(options, kCorrectionLayout, correctionCount))
        return false;

    static const Literal kOpening[] = {"<ROOT>", "<SYSTEM>QUORVEL</SYSTEM>", "<KONTRAHENCI>",
                                           "<WERSJA>1.0</WERSJA>"};
    static const Literal kBetween[] = {"</KONTRAHENCI>", "<REJESTRY_ZAKUPU>", "<WERSJA>1.0</WERSJA>"};
    if (!WriteByteOrderMark(out) || !PutLines(out, kOpening) || !WriteContractors() || !PutLines(out, kBetween))
        return false;

    char status[256];
    status[0] = '\0';
    HostCopyField(status, kProgressWriting, sizeof status - 1);
    HostProgressText(status, nullptr);
    HostProgressUpdate();
    if (!WriteDocuments(options))
        return false;

    static const Literal kClosing[] = {"</REJESTRY_ZAKUPU>", "</ROOT>"};
    return PutLines(out, kClosing) && FlushLines(out);
}

bool ExportRun::VerifyFile()
{
    // The file as the host wrote it, read back whole: it must hold every
    // byte that the run handed over, no more and no less, each line end
    // either as it was given ("\n") or as the CR LF of a text-mode file.
    outputFile = HostOpenFile(temporaryPath, "rb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (outputFile == nullptr)
        return Fail(kReasonReadBack, temporaryPath);
    // Reading stops past the most the file may hold: a device or a file
    // that keeps growing would never end.
    const long long most = out.bytesHanded + out.linesHanded;
    long long bytes = 0;
    while (bytes <= most) {
        const int read = HostReadFile(out.converted, 1, kConvertedSize, outputFile);
        if (read <= 0 || read > kConvertedSize)
            break;
        bytes += read;
    }
    HostCloseFile(outputFile);
    outputFile = nullptr;

    if (bytes == out.bytesHanded || bytes == out.bytesHanded + out.linesHanded)
        return true;
    char found[24], handed[24], lines[24];
    CountText(found, sizeof found, bytes);
    CountText(handed, sizeof handed, out.bytesHanded);
    CountText(lines, sizeof lines, out.linesHanded);
    return Fail(kReasonIncomplete, temporaryPath, found, handed, lines);
}

bool ExportRun::FinishFile()
{
    // The close has no result to trust; the reading back tells.
    HostCloseFile(outputFile);
    outputFile = nullptr;
    if (!VerifyFile())
        return false;
    if (CommandAbandoned())
        return false;
    if (!PlatformReplaceFile(temporaryPath, exportPath))
        return Fail(kReasonReplace, exportPath);
    temporaryPath[0] = '\0';
    fileState = ExportFileState::Written;
    return true;
}

void ExportRun::DiscardFile()
{
    if (outputFile != nullptr) {
        HostCloseFile(outputFile);
        outputFile = nullptr;
    }
    // A file that cannot be removed keeps its path, to be named and tried
    // again when the run is torn down.
    if (temporaryPath[0] != '\0') {
        if (PlatformRemoveFile(temporaryPath)) {
            temporaryPath[0] = '\0';
            fileState = ExportFileState::Removed;
        } else {
            fileState = ExportFileState::LeftBehind;
        }
    }
}

bool ExportRun::RunExport(const ExportOptions& chosen)
{
    // Without the host's tables or the flag tables there is nothing to run
    // on; the set-up's notice has said so, and is all the user is shown.
    if (!ready)
        return false;
    // The copy holds nothing to release: an abandoned run leaves it behind.
    ExportOptions options = chosen;
    TerminateOptionTexts(options);

    char today[kDateSlotSize];
    std::memset(today, 0, sizeof today);
    HostToday(today);
    int16_t year = 0, month = 0, day = 0;
    HostUnpackDate(today, &year, &month, &day, 0);
    char fileName[64], temporaryName[sizeof fileName + sizeof kTemporaryEnding];
    std::snprintf(fileName, sizeof fileName, "qPX_%04d-%02d-%02d.xml", year, month, day);
    std::snprintf(temporaryName, sizeof temporaryName, "%s%s", fileName, kTemporaryEnding);

    // Without its directory the run cannot know where its file would be
    // moved into place (only a missing entry's stand-in answers so).
    const char* directory = HostDataDirectory();
    if (directory == nullptr || directory[0] == '\0') {
        if (!CommandAbandoned()) {
            std::snprintf(exportPath, sizeof exportPath, "%s", fileName);
            Fail(kReasonNoDirectory);
            ReportFailure();
        }
        return false;
    }
    // The host appends without knowing the buffer's size: make sure the
    // directory, a separator and the longer name fit before asking it to.
    if (std::strlen(directory) + 1 + std::strlen(temporaryName) >= kPathSize) {
        ShowMessage(kTitleNotice, kMsgPathTooLong, kNoticeFlags, directory);
        return false;
    }
    std::snprintf(exportPath, sizeof exportPath, "%s", directory);
    HostAppendPath(exportPath, fileName);
    std::snprintf(temporaryPath, sizeof temporaryPath, "%s", directory);
    HostAppendPath(temporaryPath, temporaryName);
    if (CommandAbandoned()) {
        temporaryPath[0] = '\0';
        return false;
    }

    outputFile = HostOpenFile(temporaryPath, "wt", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (outputFile == nullptr) {
        if (!CommandAbandoned())
            ShowMessage(kTitleNotice, kMsgFileNotOpen, kNoticeFlags, temporaryPath);
        temporaryPath[0] = '\0';
        return false;
    }
    fileState = ExportFileState::Unfinished;
    out.file = outputFile;

    HostProgressOpen(kProgressWindowKind);
    ShowProgressHeading(kProgressInvoices);
    const bool written = WriteExport(options);
    HostProgressClose();

    if (CommandAbandoned() || !written || !FinishFile()) {
        // An abandoned command stops where it noticed the mark and tells the
        // user once itself; any other failure is told here.
        const bool abandoned = CommandAbandoned();
        if (!abandoned && !failed) // the lines' own failure
            Fail(out.failure == OutputFailure::Conversion ? kReasonConversion.c_str() : kReasonWrite.c_str(),
                 temporaryPath);
        DiscardFile();
        if (!abandoned)
            ReportFailure();
        return false;
    }
    ShowNoticeCases(contractorsMissing, kMsgContractorsMissing);
    ShowMessage(kTitleNotice, kMsgSummary, kNoticeFlags, static_cast<long>(invoiceCount),
                static_cast<long>(correctionCount));
    return true;
}
