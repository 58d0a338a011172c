#include "host/verify/reconcile.h"

#include <map>
#include <set>
#include <tuple>

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// ---------------------------------------------------------------------------
// Positions: compared per class, fixed-asset class, rate text and the
// buyer-settles mark.  Two rate codes may share a text ("23%"), so the sums
// of a key are compared, not single positions.

struct PositionKey {
    std::string positionClass;
    bool fixedAsset;
    std::string rateText;
    bool buyerSettles;
    bool operator<(const PositionKey& o) const
    {
        return std::tie(positionClass, fixedAsset, rateText, buyerSettles) <
               std::tie(o.positionClass, o.fixedAsset, o.rateText, o.buyerSettles);
    }
};

std::string Label(const PositionKey& k)
{
    std::string label = k.positionClass + " " + (k.rateText.empty() ? "(no rate)" : k.rateText);
    if (k.fixedAsset)
        label += " fixed assets";
    if (k.buyerSettles)
        label += " buyer settles";
    return label;
}

struct Sums {
    Grosz net = 0, vat = 0;
    int line = 0; // of the first position in the file
};

std::string Amounts(const Sums& s) { return "net " + FormatGrosz(s.net) + ", VAT " + FormatGrosz(s.vat); }

void ComparePositions(const FileDocument& f, const FirmDocument& e, const std::string& subject,
                      std::vector<VerifyIssue>* out)
{
    std::map<PositionKey, Sums> inFile, inFirm;
    for (const FilePosition& p : f.positions) {
        Sums& s = inFile[{p.positionClass, p.fixedAsset == "T", p.rateText, p.buyerSettles == "T"}];
        if (s.line == 0)
            s.line = p.line;
        s.net += p.net;
        s.vat += p.vat;
    }
    for (const ExpectedPosition& p : e.positions) {
        Sums& s = inFirm[{p.positionClass, p.fixedAsset, p.rateText, p.buyerSettles}];
        s.net += p.net;
        s.vat += p.vat;
    }
    for (const auto& [key, file] : inFile) {
        const auto firm = inFirm.find(key);
        if (firm == inFirm.end())
            out->push_back({file.line, subject,
                            "position " + Label(key) + " (" + Amounts(file) +
                                ") is in the file; the firm's lines have none"});
        else if (file.net != firm->second.net || file.vat != firm->second.vat)
            out->push_back({file.line, subject,
                            "position " + Label(key) + ": " + Amounts(file) + " in the file, " + Amounts(firm->second) +
                                " in the firm"});
    }
    for (const auto& [key, firm] : inFirm)
        if (inFile.count(key) == 0)
            out->push_back({f.line, subject,
                            "position " + Label(key) + " (" + Amounts(firm) +
                                ") of the firm's lines is missing from the file"});
}

void CompareDocument(const FileDocument& f, const FirmDocument& e, const ReconcileContext& context,
                     std::vector<VerifyIssue>* out)
{
    const std::string subject = DocumentSubject(f.registerId, f.transaction);
    struct Field {
        const char* element;
        const std::string& file;
        const std::string& firm;
    };
    const std::string month = context.period.from.substr(5, 2);
    const std::string year = context.period.from.substr(0, 4);
    const std::string amount = FormatGrosz(f.amount), expectedAmount = FormatGrosz(e.amount);
    const Field fields[] = {
        {"MIESIAC", f.month, month},
        {"ROK", f.year, year},
        {"DATA_WYSTAWIENIA_DOKUMENTU", f.issueDate, e.issueDate},
        {"TRANSAKCJA", f.transaction, e.transaction},
        {"NIP", f.nip, e.nip},
        {"DATA_WYSTAWIENIA", f.issueDateAgain, e.issueDate},
        {"DATA_WPLYWU", f.receiptDate, e.receiptDate},
        {"TERMIN_ZAPLATY", f.dueDate, e.dueDate},
        {"KWOTA", amount, expectedAmount},
        {"KOMENTARZ", f.comment, e.comment},
        {"ODLICZENIE_VAT", f.vatDeduction, e.vatDeduction},
    };
    for (const Field& field : fields)
        if (field.file != field.firm)
            out->push_back({f.line, subject,
                            std::string(field.element) + " is " + Quoted(field.file) + " in the file, " +
                                Quoted(field.firm) + " in the firm"});
    ComparePositions(f, e, subject, out);
}

// The firm's documents of both kinds by identifier, in the firm's order.
using DocumentIndex = std::multimap<std::string, const FirmDocument*>;

// Why a document of the file is none of the period and scope.
std::string WhyNotExpected(const FileDocument& f, DocumentKind kind, const DocumentIndex& index,
                           const ReconcileContext& context)
{
    const FirmDocument* same = nullptr;
    const FirmDocument* otherKind = nullptr;
    const auto [first, last] = index.equal_range(f.registerId);
    for (auto it = first; it != last; ++it) {
        const FirmDocument& d = *it->second;
        if (d.kind == kind && same == nullptr)
            same = &d;
        else if (d.kind != kind && otherKind == nullptr)
            otherKind = &d;
    }
    const std::string kindName = KindName(kind);
    auto withArticle = [](DocumentKind k) { return k == DocumentKind::Invoice ? "an invoice" : "a correction"; };
    if (same == nullptr && otherKind != nullptr)
        return std::string("the file has it as ") + withArticle(kind) + ", the firm as " + withArticle(otherKind->kind);
    if (same == nullptr)
        return "the firm has no " + kindName + " with this identifier";
    if (!context.scope.Has(kind))
        return kindName + "s are not in the scope of the check";
    if (same->key == 0)
        return "the firm's " + kindName + " has no key, which the export passes over";
    if (same->periodDate.empty())
        return "the firm's " + kindName + " has no period date, which the export passes over";
    return "its period date " + same->periodDate + " lies outside the period " + context.period.from + " to " +
           context.period.to;
}

void ReconcileDocuments(const ExportFile& file, const FirmExpectations& firm, const ReconcileContext& context,
                        Reconciliation* r)
{
    using Key = std::pair<DocumentKind, std::string>;
    std::map<Key, std::vector<const FirmDocument*>> expected;
    DocumentIndex index;
    for (const FirmDocument& d : firm.documents) {
        index.emplace(d.registerId, &d);
        if (d.exported) {
            expected[{d.kind, d.registerId}].push_back(&d);
            ++r->expectedDocuments;
        }
    }

    std::map<Key, std::vector<const FileDocument*>> present;
    for (const FileDocument& f : file.documents) {
        DocumentKind kind;
        if (!FileDocumentKind(f, &kind)) {
            r->mismatches.push_back({f.line, DocumentSubject(f.registerId, f.transaction),
                                     "WYROZNIK_FAKTURA " + f.flagInvoice + " and WYROZNIK_KOREKTA " + f.flagCorrection +
                                         " name neither an invoice nor a correction"});
            continue;
        }
        present[{kind, f.registerId}].push_back(&f);
    }
    r->fileDocuments = static_cast<int>(file.documents.size());

    bool outsidePeriod = false;
    for (const auto& [key, files] : present) {
        const auto found = expected.find(key);
        const std::size_t wanted = found == expected.end() ? 0 : found->second.size();
        for (std::size_t i = 0; i < files.size(); ++i) {
            const FileDocument& f = *files[i];
            const std::string subject = DocumentSubject(f.registerId, f.transaction);
            if (i < wanted) {
                CompareDocument(f, *found->second[i], context, &r->mismatches);
            } else if (wanted > 0) {
                r->mismatches.push_back({f.line, subject,
                                         "is in the file " + std::to_string(files.size()) + " times; the firm has it " +
                                             std::to_string(wanted) + " time" + (wanted == 1 ? "" : "s")});
            } else {
                const std::string why = WhyNotExpected(f, key.first, index, context);
                outsidePeriod = outsidePeriod || why.find("outside the period") != std::string::npos;
                r->mismatches.push_back({f.line, subject, "is not a document of the export: " + why});
            }
        }
    }
    for (const auto& [key, documents] : expected) {
        const auto found = present.find(key);
        const std::size_t have = found == present.end() ? 0 : found->second.size();
        for (std::size_t i = have; i < documents.size(); ++i) {
            const FirmDocument& d = *documents[i];
            r->mismatches.push_back({0, DocumentSubject(d.registerId, d.transaction),
                                     "is missing from the file (" + std::string(KindName(d.kind)) + ", period date " +
                                         d.periodDate + ")"});
        }
    }
    if (outsidePeriod && !context.periodGiven)
        r->notes.push_back("The period was taken from MIESIAC and ROK, the month of the export's first date; "
                           "for an export of a longer period give its dates (--from, --to).");
}

// ---------------------------------------------------------------------------
// Contractors

struct ContractorFields {
    std::string values[7];
};
const char* const kContractorElements[7] = {"NAZWA_PELNA_1", "NAZWA_PELNA_2", "NAZWA_SKROCONA", "NIP",
                                            "KOD_POCZTOWY",  "MIASTO",        "ADRES_1"};

ContractorFields Fields(const FileContractor& c)
{
    return {{c.fullName1, c.fullName2, c.shortName, c.nip, c.postalCode, c.city, c.street}};
}
ContractorFields Fields(const FirmContractor& c)
{
    return {{c.name.first, c.name.second, c.shortName, c.nip, c.address.postalCode, c.address.city,
             c.address.street}};
}
std::string Joined(const ContractorFields& f)
{
    std::string key;
    for (const std::string& v : f.values)
        key += v + '\x1F';
    return key;
}
int Agreeing(const ContractorFields& a, const ContractorFields& b)
{
    int n = 0;
    for (int i = 0; i < 7; ++i)
        n += a.values[i] == b.values[i];
    return n;
}

std::string ContractorSubject(const FirmContractor& c)
{
    return "contractor " + std::to_string(c.number) + " " + Quoted(c.fullName);
}
std::string ContractorSubject(const FileContractor& c) { return "contractor " + Quoted(c.fullName1 + c.fullName2); }

void ReconcileContractors(const ExportFile& file, const FirmExpectations& firm, Reconciliation* r)
{
    r->expectedContractors = static_cast<int>(firm.contractors.size());
    r->fileContractors = static_cast<int>(file.contractors.size());

    std::map<std::string, std::vector<std::size_t>> unmatchedFile; // by contents, in file order
    for (std::size_t i = 0; i < file.contractors.size(); ++i)
        unmatchedFile[Joined(Fields(file.contractors[i]))].push_back(i);
    std::vector<bool> used(file.contractors.size(), false);
    std::set<std::string> expectedContents;

    // Exactly as the firm holds them.
    std::vector<const FirmContractor*> unmatched;
    for (const FirmContractor& c : firm.contractors) {
        const std::string key = Joined(Fields(c));
        expectedContents.insert(key);
        auto& candidates = unmatchedFile[key];
        if (candidates.empty()) {
            unmatched.push_back(&c);
            continue;
        }
        used[candidates.front()] = true;
        candidates.erase(candidates.begin());
    }

    // The rest: the file's contractor that agrees in most of its values
    // (four of seven at least) is taken to be the same one, its other values
    // wrong; without one the contractor is missing.
    for (const FirmContractor* c : unmatched) {
        const ContractorFields want = Fields(*c);
        int best = -1, bestAgreeing = 3;
        for (std::size_t i = 0; i < file.contractors.size(); ++i) {
            if (used[i])
                continue;
            const int agreeing = Agreeing(want, Fields(file.contractors[i]));
            if (agreeing > bestAgreeing)
                best = static_cast<int>(i), bestAgreeing = agreeing;
        }
        if (best < 0) {
            std::string by;
            for (const FirmDocument& d : firm.documents)
                if (d.exported && d.contractor == c->number) {
                    by = " (its documents include " + DocumentSubject(d.registerId, d.transaction) + ")";
                    break;
                }
            r->mismatches.push_back({0, ContractorSubject(*c), "is missing from the file" + by});
            continue;
        }
        const FileContractor& f = file.contractors[static_cast<std::size_t>(best)];
        used[static_cast<std::size_t>(best)] = true;
        const ContractorFields have = Fields(f);
        for (int i = 0; i < 7; ++i)
            if (have.values[i] != want.values[i])
                r->mismatches.push_back({f.line, ContractorSubject(*c),
                                         std::string(kContractorElements[i]) + " is " + Quoted(have.values[i]) +
                                             " in the file, " + Quoted(want.values[i]) + " in the firm"});
    }

    for (std::size_t i = 0; i < file.contractors.size(); ++i) {
        if (used[i])
            continue;
        const FileContractor& f = file.contractors[i];
        const bool twice = expectedContents.count(Joined(Fields(f))) != 0;
        r->mismatches.push_back({f.line, ContractorSubject(f),
                                 twice ? "is in the file more than once"
                                       : "is none of the contractors the documents of the export refer to"});
    }
}

void Warnings(const ExportFile& file, const FirmExpectations& firm, const ReconcileContext& context, Reconciliation* r)
{
    for (const UnlistedContractor& u : firm.unlisted) {
        const std::string documents =
            u.documents == 1 ? "" : " and " + std::to_string(u.documents - 1) + " more document" +
                                        (u.documents == 2 ? "" : "s");
        r->warnings.push_back(
            {0, DocumentSubject(u.registerId, u.transaction) + documents,
             u.outOfRange ? "refers to contractor " + std::to_string(u.number) +
                                ", beyond the numbers the export lists (1 to 65999, -1 to -65999): "
                                "the file has no element for it"
                          : "refers to contractor " + std::to_string(u.number) +
                                ", which the firm does not have: the file has no element for it"});
    }
    if (!context.scopeGiven) {
        for (const DocumentKind kind : {DocumentKind::Invoice, DocumentKind::Correction}) {
            if (context.scope.Has(kind))
                continue;
            int inPeriod = 0;
            for (const FirmDocument& d : firm.documents)
                inPeriod += d.kind == kind && d.key != 0 && !d.periodDate.empty() &&
                            context.period.from <= d.periodDate && d.periodDate <= context.period.to;
            if (inPeriod > 0)
                r->warnings.push_back({0, std::string(KindName(kind)) + "s",
                                       "the file holds none, the firm has " + std::to_string(inPeriod) +
                                           " in the period: not checked, as the scope was taken from the file"});
        }
    }
    for (VerifyIssue& w : TaxNumberWarnings(file))
        r->warnings.push_back(std::move(w));
}

} // namespace

bool FileDocumentKind(const FileDocument& document, DocumentKind* kind)
{
    if (document.flagInvoice == "T" && document.flagCorrection == "N")
        *kind = DocumentKind::Invoice;
    else if (document.flagInvoice == "N" && document.flagCorrection == "T")
        *kind = DocumentKind::Correction;
    else
        return false;
    return true;
}

std::string DocumentSubject(const std::string& registerId, const std::string& transaction)
{
    return registerId + " " + Quoted(transaction);
}

Reconciliation Reconcile(const ExportFile& file, const FirmExpectations& firm, const ReconcileContext& context)
{
    Reconciliation r;
    ReconcileDocuments(file, firm, context, &r);
    ReconcileContractors(file, firm, &r);
    Warnings(file, firm, context, &r);
    return r;
}

std::vector<VerifyIssue> TaxNumberWarnings(const ExportFile& file)
{
    struct Seen {
        VerifyIssue first;
        int more = 0;
    };
    std::vector<Seen> seen;
    std::map<std::string, std::size_t> index; // number -> its place in seen
    auto check = [&](const std::string& nip, int line, const std::string& where) {
        if (nip.size() != 10 || NipCheckDigitRight(nip))
            return;
        const auto [at, added] = index.emplace(nip, seen.size());
        if (added)
            seen.push_back({{line, where, "tax number " + nip + " has a wrong check digit"}, 0});
        else
            ++seen[at->second].more;
    };
    for (const FileContractor& c : file.contractors)
        check(c.nip, c.line, ContractorSubject(c));
    for (const FileDocument& d : file.documents)
        check(d.nip, d.line, DocumentSubject(d.registerId, d.transaction));

    std::vector<VerifyIssue> warnings;
    for (Seen& s : seen) {
        if (s.more > 0)
            s.first.what += " (also in " + std::to_string(s.more) + " more place" + (s.more == 1 ? "" : "s") + ")";
        warnings.push_back(std::move(s.first));
    }
    return warnings;
}
