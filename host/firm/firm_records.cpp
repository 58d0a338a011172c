#include "host/firm/firm_records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "contract/host_protocol.h"
#include "host/common/host_date.h"
#include "host/common/utf8.h"
#include "host/firm/firm_queries.h"
#include "host/services/host_latitude.h"
#include "host/services/mazovia.h"

std::string_view ColumnText(sqlite3_stmt* row, int column)
{
    const unsigned char* text = sqlite3_column_text(row, column);
    // A text SQLite could not make for want of memory is no empty text.
    if (text == nullptr && sqlite3_errcode(sqlite3_db_handle(row)) == SQLITE_NOMEM)
        throw std::bad_alloc();
    const int bytes = sqlite3_column_bytes(row, column);
    if (text == nullptr || bytes <= 0)
        return {};
    return {reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes)};
}

namespace {

// A row's values are read through the value functions, each fetched once:
// they cost far less than the column functions.  The host has one thread,
// so the values need no protection.
int64_t ColumnInt(sqlite3_stmt* row, int column) { return sqlite3_value_int64(sqlite3_column_value(row, column)); }

std::string_view CellText(sqlite3_stmt* row, int column)
{
    sqlite3_value* cell = sqlite3_column_value(row, column);
    const unsigned char* text = sqlite3_value_text(cell);
    const int bytes = sqlite3_value_bytes(cell);
    if (text == nullptr || bytes <= 0)
        return {};
    return {reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes)};
}

// The text in Mazovia, cut to the field's room.  The firm was validated when
// it opened, so the cut and the empty field on a failed conversion are only
// a guard against a file changed behind the host's back.  The text is
// converted straight into the field (ASCII byte for byte, which is most of
// it), and the rest of a text longer than the room is still decoded, so that
// a character Mazovia lacks anywhere empties the field as before.
template <std::size_t N>
void PackText(unsigned char* record, TextField<N> field, sqlite3_stmt* row, int column)
{
    const std::string_view utf8 = CellText(row, column);
    unsigned char* text = record + field.offset;
    const std::size_t room = field.room();
    std::size_t length = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        int byte = c;
        if (c < 0x80) {
            ++i;
        } else {
            byte = MazoviaByteOf(DecodeUtf8(utf8, &i));
            if (byte < 0) {
                length = 0;
                break;
            }
        }
        if (length < room)
            text[length++] = static_cast<unsigned char>(byte);
    }
    text[length] = 0;
}

// "YYYY-MM-DD" becomes the host's "YYYYMMDD"; an empty date stays empty.
void PackDate(unsigned char* record, HostDateField field, sqlite3_stmt* row, int column)
{
    char packed[HostDateField::kWidth];
    if (IsoDateToHost(CellText(row, column), packed))
        field.Write(record, std::string_view(packed, sizeof packed - 1));
    else
        field.Write(record, ""); // over whatever the record held
}

void PackAmount(unsigned char* record, Field<LeF64> field, sqlite3_stmt* row, int column)
{
    field.Write(record, HostAmountUnits(sqlite3_value_double(sqlite3_column_value(row, column))));
}

} // namespace

namespace {

// The rounding done on the decimal digits of the value's shortest text.
double AmountUnitsByDigits(double zloty)
{
    // The shortest fixed-point text that reads back as the same double; for
    // the largest doubles that is some 310 digits.
    char text[400];
    const auto written = std::to_chars(text, text + sizeof text, zloty, std::chars_format::fixed);
    if (written.ec != std::errc())
        return std::round(zloty * kHostAmountUnitsPerZloty);
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

} // namespace

double HostAmountUnits(double zloty)
{
    if (!std::isfinite(zloty))
        return 0.0;
    // The decimal value and the double differ by half a unit in the last
    // place, and so do the double's product and the exact one: below 1e12
    // units the product lies within 3e-4 of the decimal value times 10000.
    // A product that far from a half rounds to the same whole number as the
    // decimal value; only products near a half need the digits.
    constexpr double kFastLimit = 1e12;
    constexpr double kHalfMargin = 1e-3;
    const double product = zloty * kHostAmountUnitsPerZloty;
    const double magnitude = std::fabs(product);
    if (magnitude < kFastLimit) {
        const double whole = std::floor(magnitude);
        const double fraction = magnitude - whole;
        if (std::fabs(fraction - 0.5) > kHalfMargin) {
            const double units = fraction > 0.5 ? whole + 1.0 : whole;
            if (units == 0.0)
                return 0.0;
            return product < 0.0 ? -units : units;
        }
    }
    return AmountUnitsByDigits(zloty);
}

double HostAmountUnitsByDigits(double zloty) { return std::isfinite(zloty) ? AmountUnitsByDigits(zloty) : 0.0; }

void PackContractor(sqlite3_stmt* row, unsigned char* record)
{
    const ContractorLayout& layout = kContractorLayout;
    LatitudeClear(record, layout.size);
    PackText(record, layout.shortName, row, firm_sql::kContractorShortName);
    PackText(record, layout.fullName, row, firm_sql::kContractorFullName);
    PackText(record, layout.address, row, firm_sql::kContractorAddress);
    PackText(record, layout.nip, row, firm_sql::kContractorNip);
}

void PackDocument(sqlite3_stmt* row, const DocumentLayout& layout, unsigned char* record)
{
    using namespace firm_sql;
    LatitudeClear(record, layout.size);
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
    LatitudeClear(record, layout.size);
    layout.inUse.Write(record, static_cast<int32_t>(ColumnInt(row, kLineInUse)));
    PackAmount(record, layout.amount, row, kLineAmount);
    layout.rateCode.Write(record, static_cast<int16_t>(ColumnInt(row, kLineRateCode)));
    PackAmount(record, layout.vat, row, kLineVat);
    layout.purchaseKind.Write(record, static_cast<int16_t>(ColumnInt(row, kLinePurchaseKind)));
    layout.deductionKind.Write(record, static_cast<int16_t>(ColumnInt(row, kLineDeductionKind)));
}
