#include "host/firm/demo/demo_database.h"

#include <vector>

#include "host/common/error_text.h"
#include "host/common/sqlite_statement.h"
#include "host/firm/demo/demo_contractors.h"
#include "host/firm/demo/demo_documents.h"
#include "host/firm/demo/demo_random.h"
#include "host/firm/demo/demo_settings.h"
#include "host/firm/firm_schema.h"

namespace demo_firm {

namespace {

class Writer {
public:
    Writer(sqlite3* db, const DemoFirmOptions& options)
        : db_(db)
        , options_(options)
        , random_(options.seed)
    {
    }

    bool Write()
    {
        if (!Exec("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536; BEGIN") ||
            !Exec(kFirmSchemaSql) || !PrepareAll())
            return false;
        if (!WriteRates() || !WriteSettings())
            return false;
        contractors_ = MakeContractors(random_, options_.documents);
        for (const Contractor& c : contractors_)
            if (!WriteContractor(c))
                return false;
        DocumentRegister documents(random_, options_, contractors_);
        Document document;
        while (documents.Next(&document))
            if (!WriteDocument(document))
                return false;
        return Exec("COMMIT");
    }

    const std::string& error() const { return error_; }

private:
    bool Fail(const char* what)
    {
        error_ = std::string(what) + ": " + sqlite3_errmsg(db_);
        return false;
    }

    bool Exec(const char* sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        error_ = std::string("cannot write the firm database: ") + (message != nullptr ? message : "SQLite error");
        sqlite3_free(message);
        return false;
    }

    bool Prepare(const char* sql, Statement* statement)
    {
        return PrepareStatement(db_, sql, statement) || Fail("cannot prepare an insert");
    }

    bool PrepareAll()
    {
        return Prepare(
                   "INSERT INTO contractor (number, short_name, full_name, address, nip) VALUES (?1, ?2, ?3, ?4, ?5)",
                   &contractor_) &&
            Prepare("INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, id1, id2,"
                    " contractor, transaction_text, nip, payment_days, amount, comment, other_deduction_date,"
                    " entry_mode, deduction_setting)"
                    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)",
                    &invoice_) &&
            Prepare("INSERT INTO purchase_correction (document_key, document_date, id1, id2, contractor,"
                    " transaction_text, nip, payment_days, amount, comment, other_deduction_date, entry_mode,"
                    " deduction_setting)"
                    " VALUES (?1, ?2, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)",
                    &correction_) &&
            Prepare("INSERT INTO vat_line (document_kind, document_key, line_no, in_use, amount, rate_code, vat,"
                    " purchase_kind, deduction_kind) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
                    &line_);
    }

    bool Step(const Statement& statement, const char* what)
    {
        const int status = sqlite3_step(statement.get());
        sqlite3_reset(statement.get());
        return status == SQLITE_DONE || Fail(what);
    }

    static void BindText(const Statement& s, int index, const std::string& text)
    {
        sqlite3_bind_text(s.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    }

    bool WriteRates()
    {
        Statement rate;
        if (!Prepare("INSERT INTO vat_rate (code, percent) VALUES (?1, ?2)", &rate))
            return false;
        for (const Rate& r : kRates) {
            sqlite3_bind_int(rate.get(), 1, r.code);
            sqlite3_bind_double(rate.get(), 2, r.tenths / 10.0);
            if (!Step(rate, "cannot write a VAT rate"))
                return false;
        }
        return true;
    }

    bool WriteSettings()
    {
        Statement block;
        if (!Prepare("INSERT INTO settings_block (number, data) VALUES (?1, ?2)", &block))
            return false;
        for (const SettingsBlock& settings : PurchaseKindBlocks()) {
            sqlite3_bind_int(block.get(), 1, settings.number);
            sqlite3_bind_blob(block.get(), 2, settings.data.data(), static_cast<int>(settings.data.size()),
                              SQLITE_STATIC);
            if (!Step(block, "cannot write a settings block"))
                return false;
        }
        return true;
    }

    bool WriteContractor(const Contractor& c)
    {
        sqlite3_bind_int(contractor_.get(), 1, c.number);
        BindText(contractor_, 2, c.shortName);
        BindText(contractor_, 3, c.fullName);
        BindText(contractor_, 4, c.address);
        BindText(contractor_, 5, c.nip);
        return Step(contractor_, "cannot write a contractor");
    }

    bool WriteDocument(const Document& d)
    {
        const Statement& document = d.correction ? correction_ : invoice_;
        sqlite3_bind_int(document.get(), 1, d.key);
        BindText(document, 2, d.periodDate);
        if (!d.correction) {
            BindText(document, 3, d.issueDate);
            BindText(document, 4, d.receiptDate);
        }
        sqlite3_bind_int64(document.get(), 5, d.id1);
        sqlite3_bind_int64(document.get(), 6, d.id2);
        sqlite3_bind_int(document.get(), 7, d.contractor);
        BindText(document, 8, d.transaction);
        BindText(document, 9, d.nip);
        sqlite3_bind_int(document.get(), 10, d.paymentDays);
        sqlite3_bind_double(document.get(), 11, Zloty(d.amount));
        BindText(document, 12, d.comment);
        sqlite3_bind_int(document.get(), 13, d.otherDeductionDate);
        sqlite3_bind_int(document.get(), 14, d.entryMode);
        sqlite3_bind_int(document.get(), 15, d.deductionSetting);
        if (!Step(document, "cannot write a document"))
            return false;

        static const std::string kInvoiceKind = "invoice", kCorrectionKind = "correction";
        int lineNo = 0;
        for (const DocumentLine& l : d.lines) {
            BindText(line_, 1, d.correction ? kCorrectionKind : kInvoiceKind);
            sqlite3_bind_int(line_.get(), 2, d.key);
            sqlite3_bind_int(line_.get(), 3, ++lineNo);
            sqlite3_bind_int(line_.get(), 4, l.inUse ? 1 : 0);
            sqlite3_bind_double(line_.get(), 5, Zloty(l.amount));
            sqlite3_bind_int(line_.get(), 6, l.rateCode);
            sqlite3_bind_double(line_.get(), 7, Zloty(l.vat));
            sqlite3_bind_int(line_.get(), 8, l.purchaseKind);
            sqlite3_bind_int(line_.get(), 9, l.deductionKind);
            if (!Step(line_, "cannot write a VAT line"))
                return false;
        }
        return true;
    }

    sqlite3* db_;
    const DemoFirmOptions& options_;
    Random random_;
    std::vector<Contractor> contractors_;
    Statement contractor_, invoice_, correction_, line_;
    std::string error_;
};

} // namespace

bool WriteFirmRows(sqlite3* db, const DemoFirmOptions& options, std::string* error)
{
    Writer writer(db, options);
    if (writer.Write())
        return true;
    SetError(error, writer.error());
    return false;
}

} // namespace demo_firm
