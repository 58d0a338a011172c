#include "host/verify/firm_expectations.h"

#include <sqlite3.h>

#include "host/common/sqlite_statement.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace {

struct DatabaseClose {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseClose>;

// The firm's settings of purchase kinds: block 13 holds one 16-bit code per
// kind; code 3 marks a fixed-asset purchase.
inline constexpr int kSettingsBlockPurchaseKindCodes = 13;
inline constexpr int kPurchaseKindCodes = 90;
inline constexpr int16_t kPurchaseKindFixedAsset = 3;

const char kInvoices[] =
    "SELECT rowid, document_key, period_date, issue_date, receipt_date, id1, id2, contractor, transaction_text, nip,"
    " payment_days, amount, comment, other_deduction_date, entry_mode, deduction_setting"
    " FROM purchase_invoice ORDER BY rowid";
const char kCorrections[] =
    "SELECT rowid, document_key, document_date, document_date, document_date, id1, id2, contractor, transaction_text,"
    " nip, payment_days, amount, comment, other_deduction_date, entry_mode, deduction_setting"
    " FROM purchase_correction ORDER BY rowid";
enum DocumentColumn {
    kRowid, kKey, kPeriodDate, kIssueDate, kReceiptDate, kId1, kId2, kContractor, kTransaction, kNip,
    kPaymentDays, kAmount, kComment, kOtherDeductionDate, kEntryMode, kDeductionSetting,
};
const char kLines[] =
    "SELECT in_use, amount, rate_code, vat, purchase_kind, deduction_kind FROM vat_line"
    " WHERE document_kind = ?1 AND document_key = ?2 ORDER BY line_no";
enum LineColumn { kInUse, kLineAmount, kRateCode, kVat, kPurchaseKind, kDeductionKind };
const char kRates[] = "SELECT code, percent FROM vat_rate";
const char kSettingsBlock[] = "SELECT data FROM settings_block WHERE number = ?1";
const char kContractorByNumber[] = "SELECT short_name, full_name, address, nip FROM contractor WHERE number = ?1";

std::string Column(sqlite3_stmt* row, int column)
{
    const unsigned char* text = sqlite3_column_text(row, column);
    const int bytes = sqlite3_column_bytes(row, column);
    if (text == nullptr || bytes <= 0)
        return {};
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
}

// One rate bucket while a document's lines are summed, in host units.
struct Bucket {
    int16_t rateCode;
    double net, vat;
};
struct ClassLists {
    std::vector<Bucket> ordinary, fixedAsset;
};

void AddLine(std::vector<Bucket>& list, int16_t rateCode, double net, double vat)
{
    auto bucket = std::find_if(list.begin(), list.end(), [&](const Bucket& b) { return b.rateCode == rateCode; });
    if (bucket == list.end()) {
        list.push_back({rateCode, 0.0, 0.0});
        bucket = list.end() - 1;
    }
    bucket->net += net;
    bucket->vat += vat;
}

// An input or output error, or memory refused: not the firm's fault.
bool OwnFailureCode(int code)
{
    const int primary = code & 0xFF;
    return primary == SQLITE_IOERR || primary == SQLITE_NOMEM;
}

} // namespace

class FirmReader::Impl {
public:
    explicit Impl(FirmReader* owner) : owner_(owner) {}

    bool Open(const std::string& path)
    {
        sqlite3* db = nullptr;
        const int status = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        db_.reset(db);
        if (status != SQLITE_OK)
            return Fail("the firm database " + path + " cannot be opened", status);
        sqlite3_extended_result_codes(db_.get(), 1);
        // One read transaction: every statement sees the same rows.
        const int begun = sqlite3_exec(db_.get(), "BEGIN", nullptr, nullptr, nullptr);
        if (begun != SQLITE_OK)
            return Fail("the firm database cannot be read", begun);
        return ReadSettings();
    }

    bool Next(DocumentKind kind, const Period& period, const Scope& scope, FirmDocument* d)
    {
        Statement& rows = kind == DocumentKind::Invoice ? invoices_ : corrections_;
        if (rows == nullptr && !Prepare(kind == DocumentKind::Invoice ? kInvoices : kCorrections, &rows))
            return false;
        sqlite3_stmt* row = rows.get();
        const int status = sqlite3_step(row);
        if (status != SQLITE_ROW) {
            if (status != SQLITE_DONE)
                Fail("the firm database cannot be read", status);
            return false;
        }
        *d = FirmDocument{};
        d->kind = kind;
        d->rowid = sqlite3_column_int64(row, kRowid);
        d->key = static_cast<int32_t>(sqlite3_column_int64(row, kKey));
        d->contractor = static_cast<int32_t>(sqlite3_column_int64(row, kContractor));
        d->registerId = RegisterId(d->key, d->contractor, static_cast<uint32_t>(sqlite3_column_int64(row, kId1)),
                                   static_cast<uint32_t>(sqlite3_column_int64(row, kId2)));
        d->periodDate = Column(row, kPeriodDate);
        d->transaction = FileText(Column(row, kTransaction), 20);
        d->nip = DigitsOf(Column(row, kNip), 15);
        const std::string issue = Column(row, kIssueDate);
        d->issueDate = FileDate(issue);
        d->receiptDate = FileDate(Column(row, kReceiptDate));
        d->dueDate = FileDueDate(issue, static_cast<uint16_t>(sqlite3_column_int64(row, kPaymentDays)));
        d->comment = FileText(Column(row, kComment), 30);
        d->vatDeduction =
            static_cast<uint8_t>(sqlite3_column_int64(row, kOtherDeductionDate)) != 0 ? "INNY" : "DATA_WPLYWU";
        if (!GroszOfUnits(AmountUnits(sqlite3_column_double(row, kAmount)), &d->amount))
            return TooLarge(*d);
        d->exported = d->key != 0 && !d->periodDate.empty() && period.from <= d->periodDate &&
                      d->periodDate <= period.to && scope.Has(kind);
        if (d->exported) {
            const bool amountsIncludeVat = (static_cast<uint16_t>(sqlite3_column_int64(row, kEntryMode)) & 1) == 0;
            const int16_t deductionSetting = static_cast<int16_t>(sqlite3_column_int64(row, kDeductionSetting));
            if (!ReadPositions(d, amountsIncludeVat, deductionSetting))
                return false;
        }
        return true;
    }

    void Restart(DocumentKind kind)
    {
        Statement& rows = kind == DocumentKind::Invoice ? invoices_ : corrections_;
        if (rows != nullptr)
            sqlite3_reset(rows.get());
    }

    bool ReadContractor(int32_t number, FirmContractor* out, bool* found)
    {
        sqlite3_stmt* row = contractor_.get();
        sqlite3_reset(row);
        sqlite3_bind_int64(row, 1, number);
        const int status = sqlite3_step(row);
        *found = status == SQLITE_ROW;
        if (!*found)
            return status == SQLITE_DONE || Fail("the firm database cannot be read", status);
        out->number = number;
        out->fullName = Column(row, 1);
        out->name = SplitFullName(out->fullName);
        out->shortName = FileText(Column(row, 0));
        out->address = SplitAddressLine(Column(row, 2));
        out->nip = DigitsOf(Column(row, 3));
        return true;
    }

private:
    bool Fail(const std::string& what, int code)
    {
        owner_->ownFailure_ = OwnFailureCode(code);
        owner_->error_ = what + (db_ != nullptr ? std::string(": ") + sqlite3_errmsg(db_.get()) : std::string());
        return false;
    }

    bool Prepare(const char* sql, Statement* statement)
    {
        if (PrepareStatement(db_.get(), sql, statement))
            return true;
        return Fail("the firm database cannot be read", sqlite3_extended_errcode(db_.get()));
    }

    bool ReadSettings()
    {
        Statement rates;
        if (!Prepare(kRates, &rates))
            return false;
        int status;
        while ((status = sqlite3_step(rates.get())) == SQLITE_ROW)
            rates_[static_cast<int16_t>(sqlite3_column_int64(rates.get(), 0))] = sqlite3_column_double(rates.get(), 1);
        if (status != SQLITE_DONE)
            return Fail("the firm database cannot be read", status);

        // Codes outside 1 to 9 count as 1, as the export's check of the
        // purchase kinds makes them; a missing block reads as zeros.
        codes_.assign(kPurchaseKindCodes, 1);
        Statement block;
        if (!Prepare(kSettingsBlock, &block))
            return false;
        sqlite3_bind_int(block.get(), 1, kSettingsBlockPurchaseKindCodes);
        status = sqlite3_step(block.get());
        if (status == SQLITE_ROW) {
            const auto* data = static_cast<const unsigned char*>(sqlite3_column_blob(block.get(), 0));
            const int bytes = sqlite3_column_bytes(block.get(), 0);
            for (int i = 0; i < kPurchaseKindCodes && data != nullptr && 2 * i + 1 < bytes; ++i) {
                const int16_t code = static_cast<int16_t>(data[2 * i] | (data[2 * i + 1] << 8));
                codes_[static_cast<std::size_t>(i)] = code < 1 || code > 9 ? 1 : code;
            }
        } else if (status != SQLITE_DONE) {
            return Fail("the firm database cannot be read", status);
        }
        return Prepare(kLines, &lines_) && Prepare(kContractorByNumber, &contractor_);
    }

    // The document's lines summed as the export sums them: per class (not
    // deductible N; else the third class W for deduction kinds above 1,
    // else B), per fixed-asset class and per rate code, in the order the
    // codes first occur.  Unlike the export, nothing is left out for want
    // of room: the firm's lines are what the file must agree with.
    bool ReadPositions(FirmDocument* d, bool amountsIncludeVat, int16_t deductionSetting)
    {
        sqlite3_stmt* row = lines_.get();
        sqlite3_reset(row);
        sqlite3_bind_text(row, 1, d->kind == DocumentKind::Invoice ? "invoice" : "correction", -1, SQLITE_STATIC);
        sqlite3_bind_int64(row, 2, d->key);
        for (ClassLists& lists : classes_)
            lists.ordinary.clear(), lists.fixedAsset.clear();
        int status;
        while ((status = sqlite3_step(row)) == SQLITE_ROW) {
            if (static_cast<int32_t>(sqlite3_column_int64(row, kInUse)) == 0)
                continue;
            const int16_t rateCode = static_cast<int16_t>(sqlite3_column_int64(row, kRateCode));
            const int16_t deductionKind = static_cast<int16_t>(sqlite3_column_int64(row, kDeductionKind));
            const int16_t purchaseKind = static_cast<int16_t>(sqlite3_column_int64(row, kPurchaseKind));
            const bool deductible = !(deductionSetting >= 2 || deductionKind == 2 || rateCode == 5 || rateCode == 9);
            ClassLists& lists = classes_[!deductible ? 1 : deductionKind > 1 ? 2 : 0];
            if (RateCodeIgnored(rateCode))
                continue;
            const double amount = AmountUnits(sqlite3_column_double(row, kLineAmount));
            const double vat = AmountUnits(sqlite3_column_double(row, kVat));
            // A purchase kind outside the list names no kind: an ordinary purchase.
            const bool fixedAsset = purchaseKind >= 0 && purchaseKind < kPurchaseKindCodes &&
                                    codes_[static_cast<std::size_t>(purchaseKind)] == kPurchaseKindFixedAsset;
            AddLine(fixedAsset ? lists.fixedAsset : lists.ordinary, rateCode, amountsIncludeVat ? amount - vat : amount,
                    vat);
        }
        if (status != SQLITE_DONE)
            return Fail("the firm database cannot be read", status);

        static const char* const kClassLetters[3] = {"B", "N", "W"};
        for (int c = 0; c < 3; ++c) {
            for (int fixed = 0; fixed < 2; ++fixed) {
                for (const Bucket& b : fixed ? classes_[c].fixedAsset : classes_[c].ordinary) {
                    ExpectedPosition p;
                    p.positionClass = kClassLetters[c];
                    p.fixedAsset = fixed != 0;
                    p.rateCode = b.rateCode;
                    const auto rate = rates_.find(b.rateCode);
                    p.rateText = RateText(b.rateCode, rate != rates_.end() ? rate->second : 0.0);
                    p.buyerSettles = b.rateCode == kRateCodeBuyerSettles;
                    if (!GroszOfUnits(b.net, &p.net) || !GroszOfUnits(b.vat, &p.vat))
                        return TooLarge(*d);
                    d->positions.push_back(std::move(p));
                }
            }
        }
        return true;
    }

    bool TooLarge(const FirmDocument& d)
    {
        owner_->ownFailure_ = false;
        owner_->error_ = "the amounts of document " + d.registerId + " are too large to compare";
        return false;
    }

    FirmReader* owner_;
    Database db_;
    std::map<int16_t, double> rates_;
    std::vector<int16_t> codes_;
    ClassLists classes_[3]; // B, N, W: kept from document to document
    Statement invoices_, corrections_, lines_, contractor_;
};

const char* KindName(DocumentKind kind) { return kind == DocumentKind::Invoice ? "invoice" : "correction"; }

FirmReader::FirmReader() : impl_(new Impl(this)) {}
FirmReader::~FirmReader() { delete impl_; }
bool FirmReader::Open(const std::string& path) { return impl_->Open(path); }
bool FirmReader::Next(DocumentKind kind, const Period& period, const Scope& scope, FirmDocument* document)
{
    return impl_->Next(kind, period, scope, document);
}
void FirmReader::Restart(DocumentKind kind) { impl_->Restart(kind); }
bool FirmReader::ReadContractor(int32_t number, FirmContractor* contractor, bool* found)
{
    return impl_->ReadContractor(number, contractor, found);
}
