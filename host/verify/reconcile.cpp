#include "host/verify/reconcile.h"

#include "host/common/host_date.h"
#include "host/verify/firm_prefetch.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <utility>

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

// The same positions in the same order, as a sound export writes them.
bool SamePositions(const FileDocument& f, const FirmDocument& e)
{
    if (f.positions.size() != e.positions.size())
        return false;
    for (std::size_t i = 0; i < f.positions.size(); ++i) {
        const FilePosition& p = f.positions[i];
        const ExpectedPosition& q = e.positions[i];
        if (p.net != q.net || p.vat != q.vat || p.positionClass != q.positionClass || p.rateText != q.rateText ||
            (p.fixedAsset == "T") != q.fixedAsset || (p.buyerSettles == "T") != q.buyerSettles)
            return false;
    }
    return true;
}

void ComparePositions(const FileDocument& f, const FirmDocument& e, const std::string& subject,
                      std::vector<VerifyIssue>* out)
{
    if (SamePositions(f, e))
        return;
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
    const std::string month = context.period.from.substr(5, 2);
    const std::string year = context.period.from.substr(0, 4);
    // A sound document costs no more than the comparisons.
    if (f.month == month && f.year == year && f.issueDate == e.issueDate && f.transaction == e.transaction &&
        f.nip == e.nip && f.issueDateAgain == e.issueDate && f.receiptDate == e.receiptDate &&
        f.dueDate == e.dueDate && f.amount == e.amount && f.comment == e.comment &&
        f.vatDeduction == e.vatDeduction && SamePositions(f, e))
        return;
    const std::string subject = DocumentSubject(f.registerId, f.transaction);
    struct Field {
        const char* element;
        const std::string& file;
        const std::string& firm;
    };
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

// What the firm's documents say of a contractor they refer to: the first
// of them, and how many.
struct Referral {
    std::string registerId, transaction;
    int documents = 0;
};

void ReconcileContractors(const std::vector<FileContractor>& file, const std::vector<FirmContractor>& firm,
                          const std::map<int32_t, Referral>& referred, Reconciliation* r)
{
    r->expectedContractors = static_cast<int>(firm.size());
    r->fileContractors = static_cast<int>(file.size());

    std::map<std::string, std::vector<std::size_t>> unmatchedFile; // by contents, in file order
    for (std::size_t i = 0; i < file.size(); ++i)
        unmatchedFile[Joined(Fields(file[i]))].push_back(i);
    std::vector<bool> used(file.size(), false);
    std::set<std::string> expectedContents;

    // Exactly as the firm holds them.
    std::vector<const FirmContractor*> unmatched;
    for (const FirmContractor& c : firm) {
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
        for (std::size_t i = 0; i < file.size(); ++i) {
            if (used[i])
                continue;
            const int agreeing = Agreeing(want, Fields(file[i]));
            if (agreeing > bestAgreeing)
                best = static_cast<int>(i), bestAgreeing = agreeing;
        }
        if (best < 0) {
            std::string by;
            if (const auto it = referred.find(c->number); it != referred.end())
                by = " (its documents include " + DocumentSubject(it->second.registerId, it->second.transaction) + ")";
            r->mismatches.push_back({0, ContractorSubject(*c), "is missing from the file" + by});
            continue;
        }
        const FileContractor& f = file[static_cast<std::size_t>(best)];
        used[static_cast<std::size_t>(best)] = true;
        const ContractorFields have = Fields(f);
        for (int i = 0; i < 7; ++i)
            if (have.values[i] != want.values[i])
                r->mismatches.push_back({f.line, ContractorSubject(*c),
                                         std::string(kContractorElements[i]) + " is " + Quoted(have.values[i]) +
                                             " in the file, " + Quoted(want.values[i]) + " in the firm"});
    }

    for (std::size_t i = 0; i < file.size(); ++i) {
        if (used[i])
            continue;
        const FileContractor& f = file[i];
        const bool twice = expectedContents.count(Joined(Fields(f))) != 0;
        r->mismatches.push_back({f.line, ContractorSubject(f),
                                 twice ? "is in the file more than once"
                                       : "is none of the contractors the documents of the export refer to"});
    }
}

// How far ahead of the file the firm's documents are read when the file's
// next document is not the firm's next: a document missing from the file
// (or a few) is passed over without losing step.
constexpr std::size_t kLookAhead = 256;

bool InPeriod(const FirmDocument& d, const Period& period)
{
    return d.key != 0 && !d.periodDate.empty() && period.from <= d.periodDate && d.periodDate <= period.to;
}

} // namespace

// ---------------------------------------------------------------------------
// Documents

class Reconciler::State {
public:
    struct Kind {
        std::deque<FirmDocument> ahead; // read from the firm, not yet met in the file
        std::map<std::string, std::deque<FirmDocument>> passedOver; // the file went past them
        bool end = false;               // the firm's rows of the kind are all read
        bool seen = false;              // the file has documents of the kind
        std::unique_ptr<FirmPrefetch> prefetch; // the documents the export takes, read ahead
    };
    Kind kinds[2];
    // The file's documents that met none of the firm's yet, in file order.
    std::vector<std::pair<DocumentKind, FileDocument>> unmet;
    std::vector<FileContractor> contractors;
    std::map<int32_t, Referral> referred; // contractors of the firm's documents of the export
    bool periodKnown = false;
    bool outsidePeriod = false;

    Kind& Of(DocumentKind kind) { return kinds[kind == DocumentKind::Invoice ? 0 : 1]; }
};


Reconciler::Reconciler(FirmReader* firm, const std::string& firmPath, const ReconcileContext& given)
    : firm_(firm), firmPath_(firmPath), context_(given), state_(new State)
{
    state_->periodKnown = context_.periodGiven;
    if (!context_.scopeGiven)
        context_.scope = Scope{true, true}; // until the file has told its kinds
}

Reconciler::~Reconciler() { delete state_; }

bool Reconciler::NextExported(DocumentKind kind, FirmDocument* document)
{
    State::Kind& k = state_->Of(kind);
    if (k.end)
        return false;
    if (k.prefetch == nullptr)
        k.prefetch = std::make_unique<FirmPrefetch>(firmPath_, kind, context_.period, context_.scope);
    if (k.prefetch->Next(document))
        return true;
    k.end = true;
    if (k.prefetch->failed()) {
        stop_ = Stop::FirmFailed;
        why_ = k.prefetch->error();
        firmOwnFailure_ = k.prefetch->ownFailure();
    }
    return false;
}

void Reconciler::Contractor(FileContractor&& contractor)
{
    state_->contractors.push_back(std::move(contractor));
}

void Reconciler::Document(FileDocument&& f)
{
    ++result_.fileDocuments;
    if (stop_ != Stop::None)
        return;
    if (!state_->periodKnown) {
        // The month of MIESIAC/ROK of the first document, which is the month
        // of the export's first date.
        const std::string first = f.year + "-" + f.month + "-01";
        if (!IsCalendarDate(first) || f.year.size() != 4) {
            stop_ = Stop::PeriodUnknown;
            why_ = "MIESIAC/ROK " + f.month + "/" + f.year + " is no month: give the export's dates (--from, --to)";
            return;
        }
        context_.period = {first, LastDayOfMonth(std::stoi(f.year), std::stoi(f.month))};
        state_->periodKnown = true;
    } else if (!context_.periodGiven &&
               (f.year != context_.period.from.substr(0, 4) || f.month != context_.period.from.substr(5, 2))) {
        stop_ = Stop::PeriodUnknown;
        why_ = "the documents name different months in MIESIAC/ROK (" + context_.period.from.substr(5, 2) + "/" +
               context_.period.from.substr(0, 4) + ", " + f.month + "/" + f.year +
               "): give the export's dates (--from, --to)";
        return;
    }

    DocumentKind kind;
    if (!FileDocumentKind(f, &kind)) {
        result_.mismatches.push_back({f.line, DocumentSubject(f.registerId, f.transaction),
                                      "WYROZNIK_FAKTURA " + f.flagInvoice + " and WYROZNIK_KOREKTA " +
                                          f.flagCorrection + " name neither an invoice nor a correction"});
        return;
    }
    State::Kind& k = state_->Of(kind);
    k.seen = true;
    if (!context_.scope.Has(kind)) {
        state_->unmet.emplace_back(kind, std::move(f));
        return;
    }

    auto meet = [&](FirmDocument&& e) {
        ++result_.expectedDocuments;
        if (e.contractor != 0) {
            Referral& referral = state_->referred[e.contractor];
            if (referral.documents++ == 0)
                referral.registerId = e.registerId, referral.transaction = e.transaction;
        }
        CompareDocument(f, e, context_, &result_.mismatches);
    };
    // Passed over before: the file has it out of order.
    if (const auto passed = k.passedOver.find(f.registerId); passed != k.passedOver.end()) {
        FirmDocument e = std::move(passed->second.front());
        passed->second.pop_front();
        if (passed->second.empty())
            k.passedOver.erase(passed);
        meet(std::move(e));
        return;
    }
    // The firm's next, or one a little further on.
    for (std::size_t wanted = 1;; wanted = kLookAhead) {
        while (k.ahead.size() < wanted && !k.end) {
            FirmDocument e;
            if (!NextExported(kind, &e)) {
                if (stop_ != Stop::None)
                    return;
                break;
            }
            k.ahead.push_back(std::move(e));
        }
        const auto at = std::find_if(k.ahead.begin(), k.ahead.end(),
                                     [&](const FirmDocument& e) { return e.registerId == f.registerId; });
        if (at != k.ahead.end()) {
            for (auto it = k.ahead.begin(); it != at; ++it)
                k.passedOver[it->registerId].push_back(std::move(*it));
            FirmDocument e = std::move(*at);
            k.ahead.erase(k.ahead.begin(), at + 1);
            meet(std::move(e));
            return;
        }
        if (wanted == kLookAhead || k.end)
            break;
    }
    state_->unmet.emplace_back(kind, std::move(f));
}

void Reconciler::Finish()
{
    if (stop_ != Stop::None)
        return;
    if (!state_->periodKnown) {
        stop_ = Stop::PeriodUnknown;
        why_ = "the file holds no documents, so it names no period: give the export's dates (--from, --to)";
        return;
    }
    Reconciliation* r = &result_;
    if (!context_.scopeGiven)
        context_.scope = Scope{state_->kinds[0].seen, state_->kinds[1].seen};

    auto fail = [&] {
        stop_ = Stop::FirmFailed;
        why_ = firm_->error();
        firmOwnFailure_ = firm_->ownFailure();
    };

    // The file's documents not met yet, by kind and identifier.
    std::map<std::pair<DocumentKind, std::string>, std::deque<std::size_t>> unmet;
    for (std::size_t i = 0; i < state_->unmet.size(); ++i)
        unmet[{state_->unmet[i].first, state_->unmet[i].second.registerId}].push_back(i);
    std::vector<bool> met(state_->unmet.size(), false);

    for (const DocumentKind kind : {DocumentKind::Invoice, DocumentKind::Correction}) {
        State::Kind& k = state_->Of(kind);
        if (!context_.scope.Has(kind)) {
            // A kind the file has none of, the scope taken from the file:
            // not checked, but how many the firm has in the period is said.
            if (context_.scopeGiven)
                continue;
            int inPeriod = static_cast<int>(k.ahead.size());
            for (const auto& [id, passed] : k.passedOver)
                inPeriod += static_cast<int>(passed.size());
            const Scope none;
            FirmDocument e;
            while (!k.end && firm_->Next(kind, context_.period, none, &e))
                inPeriod += InPeriod(e, context_.period);
            if (firm_->failed())
                return fail();
            if (inPeriod > 0)
                r->warnings.push_back({0, std::string(KindName(kind)) + "s",
                                       "the file holds none, the firm has " + std::to_string(inPeriod) +
                                           " in the period: not checked, as the scope was taken from the file"});
            continue;
        }
        // What the firm holds beyond the file: in the file out of order, or
        // missing from it.
        auto rest = [&](FirmDocument&& e) {
            ++r->expectedDocuments;
            if (e.contractor != 0) {
                Referral& referral = state_->referred[e.contractor];
                if (referral.documents++ == 0)
                    referral.registerId = e.registerId, referral.transaction = e.transaction;
            }
            const auto found = unmet.find({kind, e.registerId});
            if (found != unmet.end() && !found->second.empty()) {
                const std::size_t i = found->second.front();
                found->second.pop_front();
                met[i] = true;
                CompareDocument(state_->unmet[i].second, e, context_, &r->mismatches);
                return;
            }
            r->mismatches.push_back({0, DocumentSubject(e.registerId, e.transaction),
                                     "is missing from the file (" + std::string(KindName(kind)) + ", period date " +
                                         e.periodDate + ")"});
        };
        for (auto& [id, passed] : k.passedOver)
            for (FirmDocument& e : passed)
                rest(std::move(e));
        k.passedOver.clear();
        for (FirmDocument& e : k.ahead)
            rest(std::move(e));
        k.ahead.clear();
        FirmDocument e;
        while (NextExported(kind, &e))
            rest(std::move(e));
        if (stop_ != Stop::None)
            return;
    }

    // The file's documents that are none of the export: the firm's rows of
    // their identifiers tell why.
    struct Known {
        const FirmDocument* same = nullptr;
        int sameRows = 0, exportedRows = 0;
        bool otherKind = false;
        DocumentKind other = DocumentKind::Invoice;
        FirmDocument first;
    };
    std::map<std::pair<DocumentKind, std::string>, Known> known;
    std::set<std::string> ids;
    for (std::size_t i = 0; i < state_->unmet.size(); ++i)
        if (!met[i]) {
            known[{state_->unmet[i].first, state_->unmet[i].second.registerId}];
            ids.insert(state_->unmet[i].second.registerId);
        }
    if (!known.empty()) {
        const Scope none;
        for (const DocumentKind kind : {DocumentKind::Invoice, DocumentKind::Correction}) {
            const DocumentKind otherKind = kind == DocumentKind::Invoice ? DocumentKind::Correction
                                                                         : DocumentKind::Invoice;
            firm_->Restart(kind);
            FirmDocument e;
            while (firm_->Next(kind, context_.period, none, &e)) {
                if (ids.count(e.registerId) == 0)
                    continue;
                if (const auto it = known.find({kind, e.registerId}); it != known.end()) {
                    Known& same = it->second;
                    if (same.sameRows++ == 0)
                        same.first = e;
                    same.exportedRows += InPeriod(e, context_.period) && context_.scope.Has(kind);
                }
                if (const auto it = known.find({otherKind, e.registerId}); it != known.end())
                    it->second.otherKind = true, it->second.other = kind;
            }
            if (firm_->failed())
                return fail();
        }
    }
    std::map<std::pair<DocumentKind, std::string>, int> inFile;
    for (std::size_t i = 0; i < state_->unmet.size(); ++i)
        if (!met[i])
            ++inFile[{state_->unmet[i].first, state_->unmet[i].second.registerId}];
    auto withArticle = [](DocumentKind k) { return k == DocumentKind::Invoice ? "an invoice" : "a correction"; };
    for (std::size_t i = 0; i < state_->unmet.size(); ++i) {
        if (met[i])
            continue;
        const auto& [kind, f] = state_->unmet[i];
        const Known& why = known[{kind, f.registerId}];
        const std::string subject = DocumentSubject(f.registerId, f.transaction);
        const std::string kindName = KindName(kind);
        if (why.exportedRows > 0) {
            const int times = why.exportedRows + inFile[{kind, f.registerId}];
            r->mismatches.push_back({f.line, subject,
                                     "is in the file " + std::to_string(times) + " times; the firm has it " +
                                         std::to_string(why.exportedRows) + " time" +
                                         (why.exportedRows == 1 ? "" : "s")});
            continue;
        }
        std::string reason;
        if (why.sameRows == 0 && why.otherKind)
            reason = std::string("the file has it as ") + withArticle(kind) + ", the firm as " + withArticle(why.other);
        else if (why.sameRows == 0)
            reason = "the firm has no " + kindName + " with this identifier";
        else if (!context_.scope.Has(kind))
            reason = kindName + "s are not in the scope of the check";
        else if (why.first.key == 0)
            reason = "the firm's " + kindName + " has no key, which the export passes over";
        else if (why.first.periodDate.empty())
            reason = "the firm's " + kindName + " has no period date, which the export passes over";
        else {
            reason = "its period date " + why.first.periodDate + " lies outside the period " + context_.period.from +
                     " to " + context_.period.to;
            state_->outsidePeriod = true;
        }
        r->mismatches.push_back({f.line, subject, "is not a document of the export: " + reason});
    }
    if (state_->outsidePeriod && !context_.periodGiven)
        r->notes.push_back("The period was taken from MIESIAC and ROK, the month of the export's first date; "
                           "for an export of a longer period give its dates (--from, --to).");

    // The contractors the documents refer to: firms by ascending number,
    // then natural persons; those beyond the numbers the export lists, or
    // that the firm does not have, get no element and are warned of.
    std::vector<int32_t> firms, persons;
    std::vector<UnlistedContractor> unlisted;
    auto unlist = [&](int32_t number, const Referral& referral, bool outOfRange) {
        UnlistedContractor u;
        u.number = number;
        u.outOfRange = outOfRange;
        u.registerId = referral.registerId;
        u.transaction = referral.transaction;
        u.documents = referral.documents;
        unlisted.push_back(std::move(u));
    };
    for (const auto& [number, referral] : state_->referred) {
        if (number >= 1 && number <= kContractorNumberLast)
            firms.push_back(number);
        else if (number <= -1 && number >= -kContractorNumberLast)
            persons.push_back(number);
        else
            unlist(number, referral, true);
    }
    std::sort(persons.begin(), persons.end(), [](int32_t a, int32_t b) { return a > b; });
    firms.insert(firms.end(), persons.begin(), persons.end());
    std::vector<FirmContractor> expected;
    for (const int32_t number : firms) {
        FirmContractor contractor;
        bool found = false;
        if (!firm_->ReadContractor(number, &contractor, &found))
            return fail();
        if (found)
            expected.push_back(std::move(contractor));
        else
            unlist(number, state_->referred[number], false);
    }
    std::sort(unlisted.begin(), unlisted.end(),
              [](const UnlistedContractor& a, const UnlistedContractor& b) { return a.number < b.number; });
    ReconcileContractors(state_->contractors, expected, state_->referred, r);

    for (const UnlistedContractor& u : unlisted) {
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
}

// ---------------------------------------------------------------------------

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

void TaxNumberCheck::Check(const std::string& nip, int line, const std::string& where)
{
    if (nip.size() != 10 || NipCheckDigitRight(nip))
        return;
    const auto [at, added] = index_.emplace(nip, seen_.size());
    if (added)
        seen_.push_back({{line, where, "tax number " + nip + " has a wrong check digit"}, 0});
    else
        ++seen_[at->second].more;
}

void TaxNumberCheck::Look(const FileContractor& c)
{
    if (c.nip.size() == 10)
        Check(c.nip, c.line, ContractorSubject(c));
}

void TaxNumberCheck::Look(const FileDocument& d)
{
    if (d.nip.size() == 10)
        Check(d.nip, d.line, DocumentSubject(d.registerId, d.transaction));
}

std::vector<VerifyIssue> TaxNumberCheck::Warnings() const
{
    std::vector<VerifyIssue> warnings;
    for (const Seen& s : seen_) {
        VerifyIssue w = s.first;
        if (s.more > 0)
            w.what += " (also in " + std::to_string(s.more) + " more place" + (s.more == 1 ? "" : "s") + ")";
        warnings.push_back(std::move(w));
    }
    return warnings;
}

std::vector<VerifyIssue> TaxNumberWarnings(const ExportFile& file)
{
    TaxNumberCheck check;
    for (const FileContractor& c : file.contractors)
        check.Look(c);
    for (const FileDocument& d : file.documents)
        check.Look(d);
    return check.Warnings();
}
