#include "host/firm/demo/demo_documents.h"

#include <algorithm>
#include <iterator>

#include "contract/host_records.h"
#include "host/common/civil_date.h"
#include "host/common/host_format.h"
#include "host/firm/demo/demo_settings.h"
#include "host/firm/demo/demo_text.h"
#include "host/firm/firm_records.h"

namespace demo_firm {

namespace {

constexpr std::size_t kInvoiceNipRoom = kInvoiceLayout.nip.room();
constexpr std::size_t kCorrectionNipRoom = kCorrectionLayout.nip.room();

constexpr Weighted<int16_t> kLineRates[] = {
    {1, 540}, {2, 120}, {3, 60}, {4, 15}, {5, 60}, {6, 8}, {8, 20}, {9, 30}, {11, 30}, {19, 7}, {39, 20}, {41, 40},
};

constexpr Weighted<int16_t> kDeductionKinds[] = {{0, 62}, {1, 20}, {2, 8}, {3, 7}, {4, 3}};

constexpr bool EveryLineRateHasARow()
{
    for (const Weighted<int16_t>& line : kLineRates) {
        bool found = false;
        for (const Rate& rate : kRates)
            found = found || rate.code == line.value;
        if (!found)
            return false;
    }
    return true;
}
static_assert(EveryLineRateHasARow(), "a line's rate code must have its row in vat_rate");

const char* const kInvoiceComments[] = {
    "Materiały biurowe",
    "Paliwo do samochodów służbowych",
    "Usługa księgowa za miesiąc",
    "Opłata za energię elektryczną",
    "Czynsz za lokal użytkowy",
    "Usługi telekomunikacyjne",
    "Części zamienne do maszyn",
    "Szkolenie BHP pracowników",
    "Środki czystości",
    "Zakup wózka widłowego",
    "Naprawa dźwigu towarowego",
    "Transport towaru z Gdańska",
    "Serwis klimatyzacji",
    "Materiały budowlane - budowa hali magazynowej",
    "Wyposażenie biura: krzesła, biurka, szafy",
    "Żwir i piasek na plac budowy",
    "Towar handlowy wg zamówienia 2/2021",
};

const char* const kCorrectionComments[] = {
    "Korekta ceny",      "Zwrot towaru", "Rabat posprzedażowy", "Błędna stawka VAT", "Korekta ilości - brak w dostawie",
    "Uznana reklamacja",
};

struct LinePlan {
    int16_t rateCode;
    int16_t deductionKind;
    bool fixedAsset;
    bool inUse;
};

enum class KeyPlan { Normal, ZeroKey, NoPeriodDate };

struct DocumentPlan {
    bool correction;
    KeyPlan key;
    int entryMode;
    int deductionSetting;
    int otherDeductionDate;
    std::vector<LinePlan> lines;
};

// Documents placed evenly over the year so that every class, rate code and
// kind of skipped document is there for any seed.
// Lines are {rate code, deduction kind, fixed asset, in use}.
// clang-format off
const DocumentPlan kShownDocuments[] = {
    // Gross invoice: B, N by deduction kind 2, W, fixed asset in B, buyer settles.
    {false, KeyPlan::Normal, 0, 0, 0,
     {{1, 0, false, true}, {2, 1, false, true}, {3, 2, false, true}, {11, 3, false, true}, {39, 0, true, true},
      {41, 0, false, true}}},
    // Net invoice: zw and np in N, the ignored codes, a line not in use.
    {false, KeyPlan::Normal, 1, 0, 0,
     {{5, 0, false, true}, {9, 1, false, true}, {8, 0, false, true}, {6, 0, false, true}, {19, 0, false, true},
      {1, 0, false, false}}},
    // Nothing deductible, VAT on another date; a fixed asset in N.
    {false, KeyPlan::Normal, 0, 2, 1, {{1, 0, false, true}, {2, 0, false, true}, {41, 1, true, true}}},
    // Net correction: W, a fixed asset in W.
    {true, KeyPlan::Normal, 1, 0, 0,
     {{1, 4, false, true}, {41, 0, true, true}, {4, 0, false, true}, {3, 3, true, true}}},
    {true, KeyPlan::Normal, 0, 0, 0, {}},
    {false, KeyPlan::ZeroKey, 0, 0, 0, {}},
    {false, KeyPlan::NoPeriodDate, 0, 0, 0, {{1, 0, false, true}}},
    {true, KeyPlan::ZeroKey, 0, 0, 0, {}},
    {true, KeyPlan::NoPeriodDate, 1, 0, 0, {{2, 0, false, true}}},
    {true, KeyPlan::Normal, 0, 2, 1, {{2, 0, false, true}, {5, 0, false, true}}},
};
// clang-format on
constexpr int kShownDocumentCount = static_cast<int>(std::size(kShownDocuments));

DocumentPlan RandomDocumentPlan(Random& random)
{
    DocumentPlan plan;
    plan.correction = random.PerMille(130);
    plan.key = KeyPlan::Normal;
    if (random.Below(10000) < 3)
        plan.key = random.PerMille(500) ? KeyPlan::ZeroKey : KeyPlan::NoPeriodDate;
    plan.entryMode = random.PerMille(200) ? 1 : 0;
    plan.deductionSetting = random.PerMille(40) ? 2 : 0;
    plan.otherDeductionDate = random.PerMille(70) ? 1 : 0;
    static const Weighted<int> kLineCounts[] = {{0, 20}, {1, 400}, {2, 250}, {3, 150}, {4, 90}, {5, 50}, {6, 40}};
    const int lineCount = PickWeighted(random, kLineCounts);
    // A zero key finds no lines of its own: lines of key 0 would belong to
    // every such document at once.
    if (plan.key == KeyPlan::ZeroKey)
        return plan;
    for (int i = 0; i < lineCount; ++i)
        plan.lines.push_back(LinePlan{PickWeighted(random, kLineRates), PickWeighted(random, kDeductionKinds),
                                      random.PerMille(50), !random.PerMille(15)});
    return plan;
}

// A net amount in grosze, from a few złoty to tens of thousands.
int64_t NetGrosze(Random& random)
{
    static const Weighted<int64_t> kScales[] = {{1, 20}, {10, 40}, {100, 30}, {1000, 10}};
    const int64_t units = 1000 + random.Below(99000);
    return units * PickWeighted(random, kScales) / 10;
}

// VAT of a net amount at a rate in tenths of a percent, rounded to the
// grosz, halves away from zero.
int64_t VatGrosze(int64_t net, int tenths)
{
    const int64_t magnitude = ((net < 0 ? -net : net) * tenths + 500) / 1000;
    return net < 0 ? -magnitude : magnitude;
}

std::string TransactionText(Random& random, bool correction, const CivilDate& issued)
{
    const int number = random.Between(1, 999);
    if (correction) {
        switch (random.Below(3)) {
        case 0: return HostFormat("FK %d/%02d/%04d", number, issued.month, issued.year);
        case 1: return HostFormat("KOR/%d/%04d", number, issued.year);
        default: return HostFormat("KFV %d/%02d/%04d", number, issued.month, issued.year);
        }
    }
    switch (random.Below(6)) {
    case 0: return HostFormat("FA/%04d/%02d/%05d", issued.year, issued.month, number);
    case 1: return HostFormat("%d/%04d", number, issued.year);
    case 2: return HostFormat("F %d/%02d/%02d", number, issued.month, issued.year % 100);
    case 3: return HostFormat("FVS-%d/%04d", number, issued.year);
    default: return HostFormat("FV %d/%02d/%04d", number, issued.month, issued.year);
    }
}

// The tax number as typed on a document: the contractor's, or its digits
// when the contractor's form does not fit the document's field.
std::string DocumentNip(Random& random, const std::string& contractorNip, std::size_t room)
{
    if (CharCount(contractorNip) <= room && random.PerMille(800))
        return contractorNip;
    std::string digits;
    for (const char c : contractorNip)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

// A day number as YYYY-MM-DD.
std::string DateText(int days)
{
    const CivilDate date = CivilFromDays(days);
    return HostFormat("%04d-%02d-%02d", date.year, date.month, date.day);
}

// The document of a plan (with its key, number and flags already in place):
// its supplier, texts, dates and lines.  Days are day numbers.
void MakeDocument(Random& random, const DocumentPlan& plan, const Contractor& contractor, int period, int issued,
                  int received, Document* document)
{
    const bool correction = plan.correction;
    const CivilDate issuedDate = CivilFromDays(correction ? period : issued);
    document->correction = correction;
    document->contractor = contractor.number;
    document->transaction = TransactionText(random, correction, issuedDate);
    document->nip = DocumentNip(random, contractor.nip, correction ? kCorrectionNipRoom : kInvoiceNipRoom);
    document->comment = random.PerMille(350)
        ? std::string()
        : std::string(correction ? Pick(random, kCorrectionComments) : Pick(random, kInvoiceComments));
    static const Weighted<int> kPaymentDays[] = {{0, 15}, {7, 25}, {14, 35}, {30, 20}, {60, 5}};
    document->paymentDays = PickWeighted(random, kPaymentDays);

    // The lines first: the document's amount is their gross sum.  Most
    // corrections lower the price; all lines of one go the same way.
    const bool lowers = correction && random.PerMille(750);
    document->lines.clear();
    int64_t gross = 0;
    for (const LinePlan& l : plan.lines) {
        int64_t net = NetGrosze(random);
        if (lowers)
            net = -net;
        const int64_t vat = VatGrosze(net, RateTenths(l.rateCode));
        const int16_t kind = RandomPurchaseKind(random, l.fixedAsset);
        document->lines.push_back(
            DocumentLine{plan.entryMode & 1 ? net : net + vat, vat, l.rateCode, kind, l.deductionKind, l.inUse});
        if (l.inUse)
            gross += net + vat;
    }
    if (plan.lines.empty())
        gross = NetGrosze(random) * (lowers ? -1 : 1);
    document->amount = gross;

    document->periodDate = plan.key == KeyPlan::NoPeriodDate ? std::string() : DateText(period);
    document->issueDate = DateText(issued);
    document->receiptDate = DateText(received);
    document->id2 = random.Word();
}

} // namespace

double Zloty(int64_t grosze) { return static_cast<double>(grosze) / 100.0; }

DocumentRegister::DocumentRegister(Random& random, const DemoFirmOptions& options,
                                   const std::vector<Contractor>& contractors)
    : random_(random)
    , options_(options)
    , contractors_(contractors)
    , nextKey_(1000 + random.Below(9000))
{
}

bool DocumentRegister::Next(Document* document)
{
    const int total = options_.documents;
    if (made_ >= total)
        return false;
    const int i = made_++;
    // Shown document j stands at the middle of the j-th of equal stretches;
    // with at least as many documents as shown ones, each gets its own place.
    DocumentPlan plan;
    if (nextShown_ < kShownDocumentCount &&
        i == static_cast<int>((2 * static_cast<int64_t>(nextShown_) + 1) * total / (2 * kShownDocumentCount)))
        plan = kShownDocuments[nextShown_++];
    else
        plan = RandomDocumentPlan(random_);

    // Months in order over the register, days at random within them.
    const int month = static_cast<int>(static_cast<int64_t>(i) * 12 / total) + 1;
    const int period = static_cast<int>(
        DaysFromCivil(options_.year, month, random_.Between(1, DaysInMonth(options_.year, month))));
    const int issued = period - (random_.PerMille(300) ? 0 : random_.Between(1, 12));
    const int received = random_.Between(issued, period);

    document->key = plan.key == KeyPlan::ZeroKey ? 0 : nextKey_;
    nextKey_ += random_.Between(1, 3);
    document->id1 = plan.correction ? ++correctionNumber_ : ++invoiceNumber_;
    document->entryMode = plan.entryMode;
    document->deductionSetting = plan.deductionSetting;
    document->otherDeductionDate = plan.otherDeductionDate;
    MakeDocument(random_, plan, PickContractor(), period, issued, received, document);
    return true;
}

// Frequent suppliers get most of the documents.
const Contractor& DocumentRegister::PickContractor()
{
    const int count = static_cast<int>(contractors_.size());
    const int regulars = std::max(1, count / 5);
    return contractors_[static_cast<std::size_t>(random_.PerMille(600) ? random_.Below(regulars)
                                                                       : random_.Below(count))];
}

} // namespace demo_firm
