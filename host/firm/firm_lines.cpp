// The host's VAT-line entries.  The plug-in reads a document's lines in five
// steps: a line table for the document kind, a key for the document, a list
// of its lines, the lines loaded as an array of record pointers, and the
// release of the list and of the lines.  The host keeps its lists and line
// arrays in its own memory (not the allocation entries the plug-in uses).
// One indexed query fetches a document's lines at the list step; it reads
// on by key, so that the look-up of a later document goes on from where the
// last one stopped instead of searching the index again.  The host knows
// every list and line array it handed out: whatever a plug-in does not
// release (its command stopped where the release entry was missing) is
// released when the firm closes.
#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/firm/firm_database.h"
#include "host/firm/firm_queries.h"
#include "host/firm/firm_records.h"
#include "host/firm/firm_session.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"

namespace {

// Line-table numbers the host hands out for the two document kinds.
constexpr int kInvoiceLineTable = 53;
constexpr int kCorrectionLineTable = 55;

struct LineTable {
    int number;
    const char* documentKind; // vat_line.document_kind
    const LineLayout* layout;
};

constexpr LineTable kLineTables[] = {
    {kInvoiceLineTable, "invoice", &kInvoiceLineLayout},
    {kCorrectionLineTable, "correction", &kCorrectionLineLayout},
};

const LineTable* FindLineTable(int number)
{
    for (const LineTable& table : kLineTables)
        if (table.number == number)
            return &table;
    return nullptr;
}

// Rows of other documents that a look-up steps over before it searches the
// index anew: a search costs a few steps, and documents out of the period
// leave gaps that steps should not walk.
constexpr int kLinesSkippedBeforeSearch = 8;

// The key and status blocks belong to the plug-in; the host writes these
// into them (memcpy: the blocks need not be aligned).
struct LineKeyBlock {
    uint32_t mark;
    int32_t lineTable;
    int32_t documentKey;
};
struct LineStatusBlock {
    uint32_t mark;
    int32_t failed;
};
static_assert(sizeof(LineKeyBlock) <= static_cast<std::size_t>(kHostLineKeySize));
static_assert(sizeof(LineStatusBlock) <= static_cast<std::size_t>(kHostLineStatusSize));

constexpr uint32_t kKeyMark = 0x5945494C;    // "LIEY"
constexpr uint32_t kStatusMark = 0x5354534C; // "LSTS"

// The host with larger blocks takes the whole of both reservations; the
// plug-in hands them back to the status, look-up and load entries.
void CheckKeyWhole(const void* key, const char* where)
{
    LatitudeCheckBlockWhole("line key (HostLineKey)", key, kHostLineKeySize, sizeof(LineKeyBlock), where);
}
void CheckStatusWhole(const void* status, const char* where)
{
    LatitudeCheckBlockWhole("status block (HostLineKey)", status, kHostLineStatusSize, sizeof(LineStatusBlock), where);
}

void MarkFailed(void* status)
{
    const LineStatusBlock block{kStatusMark, 1};
    std::memcpy(status, &block, sizeof block);
}

// How a failed read names what it was reading.
std::string LinesOf(const LineTable& table, int32_t documentKey)
{
    return "table vat_line, the lines of the " + std::string(table.documentKind) + " with key " +
           std::to_string(documentKey);
}

// The list of one document's lines: their records, packed in line order,
// and the status block of the look-up that found them, where a load of them
// that fails is told.
struct LineList {
    const LineLayout* layout;
    int count;
    std::vector<unsigned char> records;
    void* status;
};

// Lines loaded for the plug-in: the records and the array of pointers to them.
struct LoadedLines {
    std::vector<unsigned char> records;
    std::vector<unsigned char*> pointers;
};

// What the plug-in holds: the lists and line arrays not yet released.
std::unordered_set<LineList*>& LiveLists()
{
    static std::unordered_set<LineList*> lists;
    return lists;
}
std::unordered_set<LoadedLines*>& LiveLines()
{
    static std::unordered_set<LoadedLines*> lines;
    return lines;
}

// Whether the document has any VAT line: asked only by the host with
// latitude (variation 32), which then reads the status of the look-up as
// failed for a document without lines.  A read that fails is told as every
// failed read of the firm, and also marks the status failed.
bool DocumentHasLines(FirmSession& firm, const LineTable& table, int32_t documentKey)
{
    auto where = [&] { return LinesOf(table, documentKey); };
    return FirmEntryGuard(false, where, [&] {
        Statement any;
        if (!PrepareStatement(firm.db,
                              "SELECT 1 FROM vat_line WHERE document_kind = ?1 AND document_key = ?2 LIMIT 1",
                              &any)) {
            FirmStepFailed(where(), firm.db, sqlite3_errcode(firm.db));
            return false;
        }
        sqlite3_bind_text(any.get(), 1, table.documentKind, -1, SQLITE_STATIC);
        sqlite3_bind_int64(any.get(), 2, documentKey);
        const int status = sqlite3_step(any.get());
        if (status != SQLITE_ROW && status != SQLITE_DONE)
            FirmStepFailed(where(), firm.db, status);
        return status == SQLITE_ROW;
    });
}

} // namespace

namespace tomiva {

int HOST_CONV_STDCALL HostLineTable(int kind)
{
    LatitudeEntered();
    if (kind == kInvoiceLayout.scanKind)
        return LatitudeLow16(kInvoiceLineTable);
    if (kind == kCorrectionLayout.scanKind)
        return LatitudeLow16(kCorrectionLineTable);
    return LatitudeLow16(0);
}

int HOST_CONV_STDCALL HostLineKey(int lineTable, void* key, void* status, int documentKey)
{
    LatitudeEntered();
    const bool ready = CurrentFirm() != nullptr && FindLineTable(lineTable) != nullptr && key != nullptr;
    if (key != nullptr) {
        const LineKeyBlock block = ready ? LineKeyBlock{kKeyMark, lineTable, documentKey} : LineKeyBlock{};
        std::memcpy(key, &block, sizeof block);
        LatitudeFillBlockWhole(key, kHostLineKeySize, sizeof block);
    }
    // The host with latitude reads a document without lines as a look-up
    // that could not be prepared.
    const bool failed = !ready || (LatitudeHas(LatitudeVariation::NoLinesReadsFailed) &&
                                   !DocumentHasLines(*CurrentFirm(), *FindLineTable(lineTable), documentKey));
    if (status != nullptr) {
        const LineStatusBlock block{kStatusMark, failed ? 1 : 0};
        std::memcpy(status, &block, sizeof block);
        LatitudeFillBlockWhole(status, kHostLineStatusSize, sizeof block);
    }
    return LatitudeUnused(ready ? 1 : 0);
}

int HOST_CONV_STDCALL HostStatusFailed(void* status)
{
    LatitudeEntered();
    if (status == nullptr)
        return LatitudeNonzero(1);
    LineStatusBlock block;
    std::memcpy(&block, status, sizeof block);
    if (block.mark == kStatusMark)
        CheckStatusWhole(status, "at HostStatusFailed (52467)");
    return LatitudeNonzero(block.mark != kStatusMark || block.failed != 0 ? 1 : 0);
}

// The list of a document's lines, or null when it has none.  A read that
// fails also gives null, and marks the status block failed, so that
// HostStatusFailed tells it from a document without lines; the user is told.
void* HOST_CONV_STDCALL HostFindLines(int lineTable, void* status, void* key, int* count)
{
    LatitudeEntered();
    if (count != nullptr)
        *count = 0;
    FirmSession* firm = CurrentFirm();
    const LineTable* table = FindLineTable(lineTable);
    if (firm == nullptr || table == nullptr || key == nullptr || HostStatusFailed(status))
        return nullptr;
    LineKeyBlock keyBlock;
    std::memcpy(&keyBlock, key, sizeof keyBlock);
    if (keyBlock.mark != kKeyMark || keyBlock.lineTable != lineTable)
        return nullptr;
    CheckKeyWhole(key, "at HostFindLines (50516)");

    auto where = [&] { return LinesOf(*table, keyBlock.documentKey); };
    sqlite3_stmt* lines = firm->linesOfDocument.get();
    LinesCursor& cursor = firm->lines;
    const int64_t wanted = keyBlock.documentKey;
    int stepped = SQLITE_DONE;
    const auto step = [&] {
        stepped = sqlite3_step(lines);
        cursor.onRow = stepped == SQLITE_ROW;
        if (cursor.onRow)
            cursor.rowKey = sqlite3_column_int64(lines, firm_sql::kLineDocumentKey);
        else
            sqlite3_reset(lines); // the end, or a failure: no read stays open
    };
    const auto search = [&] {
        Fresh(firm->linesOfDocument);
        sqlite3_bind_text(lines, 1, table->documentKind, -1, SQLITE_STATIC);
        sqlite3_bind_int64(lines, 2, wanted);
        cursor = LinesCursor{table->documentKind, wanted, false, 0};
        step();
    };
    bool answered = false; // the lines were read to their end
    LineList* list = FirmEntryGuard<LineList*>(nullptr, where, [&]() -> LineList* {
        // The statement goes on where it stands when it reads this kind and
        // has passed no line at or beyond the key, and when the key's lines
        // are at most a few rows on; otherwise it searches the index.
        const bool goesOn = cursor.documentKind == table->documentKind && wanted >= cursor.passedBelow &&
                            (!cursor.onRow || sqlite3_stmt_busy(lines));
        if (!goesOn)
            search();
        for (int skipped = 0; cursor.onRow && cursor.rowKey < wanted; ++skipped) {
            if (skipped == kLinesSkippedBeforeSearch) {
                search();
                break;
            }
            step();
        }
        const std::size_t size = table->layout->size;
        std::vector<unsigned char> records;
        int read = 0;
        while (cursor.onRow && cursor.rowKey == wanted) {
            records.resize(records.size() + size);
            PackLine(lines, *table->layout, records.data() + records.size() - size);
            if (!ColumnsReadWhole(firm->db)) {
                stepped = SQLITE_NOMEM;
                break;
            }
            ++read;
            step();
        }
        if (stepped != SQLITE_ROW && stepped != SQLITE_DONE) {
            FirmStepFailed(where(), firm->db, stepped);
            return nullptr;
        }
        cursor.passedBelow = wanted + 1;
        std::unique_ptr<LineList> found;
        if (read != 0) {
            found = std::make_unique<LineList>(LineList{table->layout, read, std::move(records), status});
            LiveLists().insert(found.get());
        }
        answered = true;
        if (count != nullptr)
            *count = read;
        return found.release();
    });
    // A failure, or something thrown, left the statement somewhere unknown:
    // it starts anew, and the status block tells the plug-in.
    if (!answered) {
        sqlite3_reset(lines);
        cursor = LinesCursor{};
        if (status != nullptr)
            MarkFailed(status);
    }
    return list;
}

// 1 when the lines were loaded; 0, with no lines, when memory ran short (the
// user is told, and the look-up's status block marked failed) or there was
// nothing to load.
int HOST_CONV_STDCALL HostLoadLines(unsigned char*** lines, void** aux, int* count, int wanted, void* key,
                                    void* list)
{
    LatitudeEntered();
    if (lines == nullptr || aux == nullptr || count == nullptr)
        return 0;
    *lines = nullptr;
    *aux = nullptr;
    *count = 0;
    const LineList* found = static_cast<const LineList*>(list);
    if (found == nullptr || wanted <= 0)
        return 0;
    if (LineKeyBlock keyBlock{}; key != nullptr && (std::memcpy(&keyBlock, key, sizeof keyBlock), keyBlock.mark == kKeyMark))
        CheckKeyWhole(key, "at HostLoadLines (52328)");
    const int loading = wanted < found->count ? wanted : found->count;
    auto where = [&] {
        LineKeyBlock keyBlock{};
        if (key != nullptr)
            std::memcpy(&keyBlock, key, sizeof keyBlock);
        const LineTable* table = FindLineTable(keyBlock.lineTable);
        return table != nullptr ? LinesOf(*table, keyBlock.documentKey) : std::string("table vat_line");
    };
    const std::size_t size = found->layout->size;
    // The host with latitude loads only the lines in use, and says how many.
    const bool inUseOnly = LatitudeHas(LatitudeVariation::LinesInUseOnly);
    auto inUse = [&](int i) { return found->layout->inUse.Read(found->records.data() + i * size) != 0; };
    int kept = loading;
    if (inUseOnly)
        for (int i = 0; i < loading; ++i)
            kept -= inUse(i) ? 0 : 1;
    if (kept == 0)
        return LatitudeUnused(1);
    const int done = FirmEntryGuard(0, where, [&] {
        auto loaded = std::make_unique<LoadedLines>();
        const auto record = [&](int i) { return found->records.begin() + static_cast<std::ptrdiff_t>(i * size); };
        if (!inUseOnly) {
            loaded->records.assign(record(0), record(loading));
        } else {
            loaded->records.reserve(static_cast<std::size_t>(kept) * size);
            for (int i = 0; i < loading; ++i)
                if (inUse(i))
                    loaded->records.insert(loaded->records.end(), record(i), record(i + 1));
        }
        for (int i = 0; i < kept; ++i)
            loaded->pointers.push_back(loaded->records.data() + i * size);
        LiveLines().insert(loaded.get());
        *lines = loaded->pointers.data();
        *aux = loaded.release();
        *count = kept;
        return 1;
    });
    if (done == 0 && found->status != nullptr)
        MarkFailed(found->status);
    return LatitudeUnused(done);
}

int HOST_CONV_STDCALL HostFreeList(void** list)
{
    LatitudeEntered();
    if (list == nullptr)
        return 0;
    LineList* found = static_cast<LineList*>(*list);
    if (LiveLists().erase(found) != 0)
        delete found;
    *list = nullptr;
    return LatitudeUnused(1);
}

int HOST_CONV_STDCALL HostReleaseLines(unsigned char*** lines, void** aux, int* count, int /*loaded*/,
                                       void* /*key*/, int /*reserved*/)
{
    LatitudeEntered();
    if (aux != nullptr) {
        LoadedLines* loaded = static_cast<LoadedLines*>(*aux);
        if (LiveLines().erase(loaded) != 0)
            delete loaded;
        *aux = nullptr;
    }
    if (lines != nullptr)
        *lines = nullptr;
    if (count != nullptr)
        *count = 0;
    return LatitudeUnused(1);
}

} // namespace tomiva

int FirmReleaseLeftLines()
{
    const int left = static_cast<int>(LiveLists().size() + LiveLines().size());
    for (LineList* list : LiveLists())
        delete list;
    for (LoadedLines* lines : LiveLines())
        delete lines;
    LiveLists().clear();
    LiveLines().clear();
    return left;
}
