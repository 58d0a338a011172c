// The export run: names the file and creates it under a temporary name,
// gathers the documents and marks their contractors, writes the contractors
// and then the documents, reads the finished file back and only then puts
// it in the place of the export file.
#include "export/export_run.h"

#include <cstdio>
#include <cstring>

#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "export/contractor_element.h"
#include "export/document_records.h"
#include "export/read_back.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/platform.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kDateSlotSize = 256;
inline constexpr int kProgressWindowKind = 856;
inline constexpr int kPrepareForReading = 255;
// The file is written under the export file's name with this ending and
// gets the name itself only when it is complete.  The name is created new:
// when anything is there already (another run's file, what a killed run
// left, a link), a name with a number before the ending is tried instead.
inline constexpr char kTemporaryEnding[] = ".tmp";
inline constexpr int kTemporaryNameTries = 32;
// "." and eight hex digits.
inline constexpr int kTemporaryNumberSize = 9;

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

} // namespace

bool ExportRun::SetUp()
{
    invoiceCount = 0;
    correctionCount = 0;
    outputFile = nullptr;
    temporaryPath[0] = exportPath[0] = '\0';
    PlatformNoFile(&temporaryFile);
    std::memset(&out, 0, sizeof out);
    std::memset(&vat, 0, sizeof vat);
    std::memset(&store, 0, sizeof store);
    std::memset(&records.sharedHeader, 0, sizeof records.sharedHeader);
    std::memset(&records.sharedPosition, 0, sizeof records.sharedPosition);
    std::memset(&failure, 0, sizeof failure);
    std::memset(&contractorsMissing, 0, sizeof contractorsMissing);
    flags.firms = nullptr;
    flags.persons = nullptr;
    contractorRecord = invoiceRecord = correctionRecord = nullptr;
    ready = false;

    flags.firms = static_cast<unsigned char*>(HostAllocClear(kContractorFlagCount, 1));
    flags.persons = static_cast<unsigned char*>(HostAllocClear(kContractorFlagCount, 1));
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

    ready = flags.firms != nullptr && flags.persons != nullptr && contractorRecord != nullptr && invoiceRecord != nullptr &&
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
    PlatformCloseNewFile(&temporaryFile);
    Release(flags.firms);
    Release(flags.persons);
    Release(out.text);
    Release(out.converted);
    Release(records.sharedHeader.text);
    Release(records.sharedPosition.text);
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

bool ExportRun::HoldsMemory() const
{
    return flags.firms != nullptr || flags.persons != nullptr || out.text != nullptr || store.blocks != nullptr;
}

void ExportRun::ReportFailure()
{
    // Through the host's error notice: the host knows the command failed.
    char text[sizeof failure.reason + 3 * kPathSize + 128];
    const int n = std::snprintf(text, sizeof text, kMsgExportNotWritten.c_str(), failure.reason, exportPath);
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
    if (!Allocate(out.text, kBatchSize) || !Allocate(out.converted, kConversionSize) ||
        !Allocate(records.sharedHeader.text, kBatchSize) || !Allocate(records.sharedPosition.text, kBatchSize) ||
        !Allocate(vat.sumOfCode, kSumIndexBytes) || !Allocate(vat.rateTexts, static_cast<int>(sizeof(RateTextCache))))
        return Fail(failure, kReasonNoMemory);
    std::memset(vat.sumOfCode, 0xFF, kSumIndexBytes); // every entry -1: no sum
    for (int32_t& code : vat.rateTexts->code)
        code = kNoRateCode;
    return true;
}

bool ExportRun::WriteExport(const ExportOptions& options)
{
    const uint16_t scope = OptionsScope(options);
    const bool wantsDocuments = (scope & (kScopePurchaseInvoices | kScopePurchaseCorrections)) != 0;
    if (wantsDocuments && !CheckPurchaseKinds())
        return Fail(failure, kReasonPurchaseKinds);
    if (!AllocateBuffers())
        return false;

    // The documents of the period, read once.
    if ((scope & kScopePurchaseInvoices) &&
        !GatherDocuments(options, kInvoiceLayout, invoiceRecord, purchaseKindSettings, vat, records.header, store,
                         flags, invoiceCount, failure))
        return false;
    ShowProgressHeading(kProgressCorrections);
    if ((scope & kScopePurchaseCorrections) &&
        !GatherDocuments(options, kCorrectionLayout, correctionRecord, purchaseKindSettings, vat, records.header,
                         store, flags, correctionCount, failure))
        return false;

    static const Literal kOpening[] = {"<ROOT>", "<SYSTEM>QUORVEL</SYSTEM>", "<KONTRAHENCI>",
                                           "<WERSJA>1.0</WERSJA>"};
    static const Literal kBetween[] = {"</KONTRAHENCI>", "<REJESTRY_ZAKUPU>", "<WERSJA>1.0</WERSJA>"};
    if (!WriteByteOrderMark(out) || !PutLines(out, kOpening) ||
        !WriteContractors(out, flags, contractorRecord) || !PutLines(out, kBetween))
        return false;

    char status[256];
    status[0] = '\0';
    HostCopyField(status, kProgressWriting, sizeof status - 1);
    HostProgressText(status, nullptr);
    HostProgressUpdate();
    if (!WriteDocuments(options, invoiceCount, correctionCount, store, *vat.rateTexts, flags, records,
                        contractorsMissing, out, failure))
        return false;

    static const Literal kClosing[] = {"</REJESTRY_ZAKUPU>", "</ROOT>"};
    return PutLines(out, kClosing) && FlushLines(out);
}

bool ExportRun::VerifyFile()
{
    // The file as the host wrote it, read back whole: it must hold every
    // byte that the run handed over, no more, no less and no other, as the
    // host's text mode may leave them: each line end as it was given ("\n")
    // or as CR LF, and a ^Z at the very end (read_back.h).
    outputFile = HostOpenFile(temporaryPath, "rb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (outputFile == nullptr)
        return Fail(failure, kReasonReadBack, temporaryPath);
    // Reading stops past the most the file may hold: a device or a file
    // that keeps growing would never end.
    const long long most = out.bytesHanded + out.linesHanded + 1;
    TextModeReading reading;
    ReadingStart(reading);
    while (reading.bytesRead <= most) {
        const int read = HostReadFile(out.converted, 1, kConversionSize, outputFile);
        if (read <= 0 || read > kConversionSize)
            break;
        ReadingAdd(reading, out.converted, read);
    }
    HostCloseFile(outputFile);
    outputFile = nullptr;

    switch (ReadingFinish(reading, out.handed)) {
    case ReadingVerdict::Same: return true;
    case ReadingVerdict::Altered: return Fail(failure, kReasonAltered, temporaryPath);
    case ReadingVerdict::OtherLength: break;
    }
    char found[24], handed[24], lines[24];
    CountText(found, sizeof found, reading.bytesRead);
    CountText(handed, sizeof handed, out.bytesHanded);
    CountText(lines, sizeof lines, out.linesHanded);
    return Fail(failure, kReasonIncomplete, temporaryPath, found, handed, lines);
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
    switch (PlatformCommitFile(&temporaryFile, temporaryPath, exportPath)) {
    case PlatformCommit::Done: break;
    case PlatformCommit::NotOurs: return Fail(failure, kReasonTemporaryTaken, temporaryPath);
    case PlatformCommit::NotFlushed: return Fail(failure, kReasonFlush, temporaryPath);
    case PlatformCommit::NotMoved: return Fail(failure, kReasonReplace, exportPath);
    }
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
        if (PlatformDiscardNewFile(&temporaryFile, temporaryPath)) {
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
    char fileName[64], temporaryName[sizeof fileName + kTemporaryNumberSize + sizeof kTemporaryEnding];
    std::snprintf(fileName, sizeof fileName, "qPX_%04d-%02d-%02d.xml", year, month, day);
    std::snprintf(temporaryName, sizeof temporaryName, "%s.00000000%s", fileName, kTemporaryEnding);

    // The directory's text is the host's, and any later call of the host may
    // use its buffer for something else: it is copied at once, and only the
    // copy is used.  A text that does not end within the copy is too long
    // for any path of the run.
    char directory[kPathSize];
    directory[0] = '\0';
    bool directoryTooLong = false;
    if (const char* given = HostDataDirectory()) {
        const std::size_t length = strnlen(given, sizeof directory);
        directoryTooLong = length == sizeof directory;
        const std::size_t kept = directoryTooLong ? sizeof directory - 1 : length;
        std::memcpy(directory, given, kept);
        directory[kept] = '\0';
    }
    // Without its directory the run cannot know where its file would be
    // moved into place (only a missing entry's stand-in answers so).
    if (directory[0] == '\0') {
        if (!CommandAbandoned()) {
            std::snprintf(exportPath, sizeof exportPath, "%s", fileName);
            Fail(failure, kReasonNoDirectory);
            ReportFailure();
        }
        return false;
    }
    // The host appends without knowing the buffer's size: make sure the
    // directory, a separator and the longer name fit before asking it to.
    if (directoryTooLong || std::strlen(directory) + 1 + std::strlen(temporaryName) >= kPathSize) {
        ShowMessage(kTitleNotice, kMsgPathTooLong, kNoticeFlags, directory);
        return false;
    }
    std::snprintf(exportPath, sizeof exportPath, "%s", directory);
    HostAppendPath(exportPath, fileName);
    if (CommandAbandoned())
        return false;

    // The temporary file is created new by the plug-in itself, and only
    // then handed to the host to write: nothing that was at its name
    // before is written through or moved.
    PlatformCreated created = PlatformCreated::Taken;
    for (int attempt = 0; attempt < kTemporaryNameTries && created == PlatformCreated::Taken; ++attempt) {
        if (attempt == 0)
            std::snprintf(temporaryName, sizeof temporaryName, "%s%s", fileName, kTemporaryEnding);
        else
            std::snprintf(temporaryName, sizeof temporaryName, "%s.%08x%s", fileName, PlatformUniqueNumber(),
                          kTemporaryEnding);
        std::snprintf(temporaryPath, sizeof temporaryPath, "%s", directory);
        HostAppendPath(temporaryPath, temporaryName);
        if (CommandAbandoned()) {
            temporaryPath[0] = '\0';
            return false;
        }
        created = PlatformCreateNewFile(temporaryPath, &temporaryFile);
    }
    if (created != PlatformCreated::New) {
        // Through the host's error notice: the host knows the command failed.
        Fail(failure, kReasonCreate, temporaryPath);
        temporaryPath[0] = '\0';
        ReportFailure();
        return false;
    }
    outputFile = HostOpenFile(temporaryPath, "wt", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (outputFile == nullptr) {
        const bool abandoned = CommandAbandoned();
        if (!abandoned)
            ShowMessage(kTitleNotice, kMsgFileNotOpen, kNoticeFlags, temporaryPath);
        if (!PlatformDiscardNewFile(&temporaryFile, temporaryPath))
            PlatformCloseNewFile(&temporaryFile);
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
        if (!abandoned && !failure.failed) // the lines' own failure
            Fail(failure, out.failure == OutputFailure::Conversion ? kReasonConversion.c_str() : kReasonWrite.c_str(),
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
