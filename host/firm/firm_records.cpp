#include "host/firm/firm_records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "host/firm/firm_queries.h"
#include "host/services/mazovia.h"

std::string_view ColumnText(sqlite3_stmt* row, int column)
{
    const unsigned char* text = sqlite3_column_text(row, column);
    const int bytes = sqlite3_column_bytes(row, column);
    if (text == nullptr || bytes <= 0)
        return {};
    return {reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes)};
}

namespace {

int64_t ColumnInt(sqlite3_stmt* row, int column) { return sqlite3_column_int64(row, column); }


// The text in Mazovia, cut to the field's room.  The firm was validated when
// it opened, so the cut and the empty field on a failed conversion are only
// a guard against a file changed behind the host's back.
template <std::size_t N>
void PackText(unsigned char* record, TextField<N> field, sqlite3_stmt* row, int column)
{
    std::string mazovia;
    if (!Utf8ToMazovia(ColumnText(row, column), &mazovia, nullptr))
        return;
    field.Write(record, mazovia);
}

// "YYYY-MM-DD" becomes the host's "YYYYMMDD"; an empty date stays empty.
void PackDate(unsigned char* record, HostDateField field, sqlite3_stmt* row, int column)
{
    const std::string_view date = ColumnText(row, column);
    if (!IsCalendarDate(date))
        return;
    char packed[HostDateField::kWidth - 1];
    static_assert(sizeof packed == 8);
    std::memcpy(packed, date.data(), 4);
    std::memcpy(packed + 4, date.data() + 5, 2);
    std::memcpy(packed + 6, date.data() + 8, 2);
    field.Write(record, std::string_view(packed, sizeof packed));
}

void PackAmount(unsigned char* record, Field<LeF64> field, sqlite3_stmt* row, int column)
{
    field.Write(record, HostAmountUnits(sqlite3_column_double(row, column)));
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int Digits(std::string_view text, std::size_t from, std::size_t count)
{
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

double HostAmountUnits(double zloty)
{
    if (!std::isfinite(zloty))
        return 0.0;
    // The shortest fixed-point text that reads back as the same double; for
    // the largest doubles that is some 310 digits.
    char text[400];
    const auto written = std::to_chars(text, text + sizeof text, zloty, std::chars_format::fixed);
    if (written.ec != std::errc())
        return std::round(zloty * 10000.0);
    std::string_view number(text, static_cast<std::size_t>(written.ptr - text));
    const bool negative = !number.empty() && number.front() == '-';
    if (negative)
        number.remove_prefix(1);

    const std::size_t point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : number.substr(point + 1);

    // The units as decimal digits: the whole part and four fraction digits.
    std::string units(whole);
    for (std::size_t i = 0; i < 4; ++i)
        units += i < fraction.size() ? fraction[i] : '0';
    if (fraction.size() > 4 && fraction[4] >= '5') {
        std::size_t i = units.size();
        while (i > 0 && units[i - 1] == '9')
            units[--i] = '0';
        if (i == 0)
            units.insert(units.begin(), '1');
        else
            ++units[i - 1];
    }

    double value = 0.0;
    std::from_chars(units.data(), units.data() + units.size(), value);
    if (value == 0.0)
        return 0.0;
    return negative ? -value : value;
}

bool IsCalendarDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 5, 2);
    const int day = Digits(text, 8, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int days = kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    return day <= days;
}

void PackContractor(sqlite3_stmt* row, unsigned char* record)
{
    const ContractorLayout& layout = kContractorLayout;
    std::memset(record, 0, layout.size);
    PackText(record, layout.shortName, row, firm_sql::kContractorShortName);
    PackText(record, layout.fullName, row, firm_sql::kContractorFullName);
    PackText(record, layout.address, row, firm_sql::kContractorAddress);
    PackText(record, layout.nip, row, firm_sql::kContractorNip);
}

void PackDocument(sqlite3_stmt* row, const DocumentLayout& layout, unsigned char* record)
{
    using namespace firm_sql;
    std::memset(record, 0, layout.size);
    layout.documentKey.Write(record, static_cast<int32_t>(ColumnInt(row, kDocumentKey)));
    PackDate(record, layout.periodDate, row, kDocumentPeriodDate);
    PackDate(record, layout.issueDate, row, kDocumentIssueDate);
    PackDate(record, layout.receiptDate, row, kDocumentReceiptDate);
    layout.id1.Write(record, static_cast<uint32_t>(ColumnInt(row, kDocumentId1)));
    layout.id2.Write(record, static_cast<uint32_t>(ColumnInt(row, kDocumentId2)));
    layout.contractor.Write(record, static_cast<int32_t>(ColumnInt(row, kDocumentContractor)));
    PackText(record, layout.transaction, row, kDocumentTransaction);
    PackText(record, layout.nip, row, kDocumentNip);
    layout.paymentDays.Write(record, static_cast<uint16_t>(ColumnInt(row, kDocumentPaymentDays)));
    PackAmount(record, layout.amount, row, kDocumentAmount);
    PackText(record, layout.comment, row, kDocumentComment);
    layout.otherDeductionDate.Write(record, static_cast<uint8_t>(ColumnInt(row, kDocumentOtherDeductionDate)));
    layout.entryMode.Write(record, static_cast<uint16_t>(ColumnInt(row, kDocumentEntryMode)));
    layout.deductionSetting.Write(record, static_cast<int16_t>(ColumnInt(row, kDocumentDeductionSetting)));
}

void PackLine(sqlite3_stmt* row, const LineLayout& layout, unsigned char* record)
{
    using namespace firm_sql;
    std::memset(record, 0, layout.size);
    layout.inUse.Write(record, static_cast<int32_t>(ColumnInt(row, kLineInUse)));
    PackAmount(record, layout.amount, row, kLineAmount);
    layout.rateCode.Write(record, static_cast<int16_t>(ColumnInt(row, kLineRateCode)));
    PackAmount(record, layout.vat, row, kLineVat);
    layout.purchaseKind.Write(record, static_cast<int16_t>(ColumnInt(row, kLinePurchaseKind)));
    layout.deductionKind.Write(record, static_cast<int16_t>(ColumnInt(row, kLineDeductionKind)));
}
