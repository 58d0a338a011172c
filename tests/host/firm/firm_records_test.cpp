// Rows of the firm database packed into the host's records: every field at
// its documented byte offset, nothing anywhere else.  The expected records
// are written here with the offsets as plain numbers, so a packer that picks
// the wrong field of a layout shows up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/firm/firm_records.h"
#include "host/host_entry_impl.h"
#include "contract/mazovia_literal.h"
#include "support/test_firm.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Expected {
    Bytes bytes;
    explicit Expected(std::size_t size) : bytes(size, 0) {}
    template <typename T> Expected& At(std::size_t offset, T value)
    {
        std::memcpy(bytes.data() + offset, &value, sizeof value);
        return *this;
    }
    Expected& Text(std::size_t offset, const char* text, std::size_t length)
    {
        std::memcpy(bytes.data() + offset, text, length);
        return *this;
    }
    template <std::size_t N> Expected& Text(std::size_t offset, const MazoviaText<N>& text)
    {
        return Text(offset, text.bytes, text.length);
    }
    Expected& Text(std::size_t offset, const char* ascii) { return Text(offset, ascii, std::strlen(ascii)); }
};

Bytes Record(const unsigned char* record, std::size_t size) { return Bytes(record, record + size); }

// Prints the differing offsets rather than two walls of bytes.
::testing::AssertionResult SameBytes(const Bytes& actual, const Bytes& expected)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.size() << ", expected " << expected.size();
    std::string differences;
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i])
            differences += " @" + std::to_string(i) + ": " + std::to_string(actual[i]) + " not " +
                           std::to_string(expected[i]) + ";";
    if (differences.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "bytes differ:" << differences;
}

TEST(FirmAmounts, RoundsTheDecimalValueHalfAwayFromZero)
{
    struct Case {
        double zloty;
        double units;
    };
    const Case cases[] = {
        {0.0, 0.0},
        {123.45, 1234500.0},
        {0.00005, 1.0},
        {-0.00005, -1.0},
        {0.00015, 2.0}, // 0.00015 * 10000 in binary is 1.4999999999999998
        {1.23455, 12346.0},
        {-1.23455, -12346.0},
        {0.000049999, 0.0},
        {2.675, 26750.0},
        {99999999.99995, 1000000000000.0}, // the carry runs through every digit
        {-9999.99995, -100000000.0},
        {21474836.47, 214748364700.0},
        {1e15, 1e19},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HostAmountUnits(c.zloty), c.units) << c.zloty;
}

// The shortcut for amounts far from a half unit agrees with the rounding
// of the decimal digits, for amounts as firms hold them and for any double.
TEST(FirmAmounts, TheShortcutAgreesWithTheDigits)
{
    std::mt19937_64 random(7);
    std::uniform_int_distribution<long long> grosze(-100000000000LL, 100000000000LL);
    std::uniform_int_distribution<int> extra(0, 99);
    std::uniform_int_distribution<uint64_t> bits;
    for (int i = 0; i < 300000; ++i) {
        const double amounts[] = {
            static_cast<double>(grosze(random)) / 100.0,                                    // whole grosze
            static_cast<double>(grosze(random)) / 100.0 + extra(random) / 1000000.0,        // and a little more
            (static_cast<double>(grosze(random)) + 0.5) / 10000.0,                          // half a unit
        };
        for (const double zloty : amounts)
            ASSERT_EQ(HostAmountUnits(zloty), HostAmountUnitsByDigits(zloty)) << zloty;
        double any;
        const uint64_t b = bits(random);
        std::memcpy(&any, &b, sizeof any);
        if (std::isfinite(any)) {
            ASSERT_EQ(HostAmountUnits(any), HostAmountUnitsByDigits(any)) << any;
        }
    }
}

// A negative zero would be printed as "-0.00" by the plug-in.
TEST(FirmAmounts, ZeroHasNoSign)
{
    for (double zloty : {-0.0, -0.00001, -0.00004999})
        EXPECT_FALSE(std::signbit(HostAmountUnits(zloty))) << zloty;
}

TEST(FirmRecords, InvoiceFieldsLandAtTheirOffsets)
{
    TestFirm firm(R"sql(
        INSERT INTO purchase_invoice VALUES
          (-123456789, '2021-01-31', '2021-01-25', '2021-02-01', 4294967295, 43981, -5, 'Zakup paliwa ąę',
           'PL 521-000-11', 65535, 1234.56785, 'Żółć', 1, 65534, -2);
        INSERT INTO purchase_invoice(document_key) VALUES (2);
    )sql");
    ASSERT_TRUE(firm.opened()) << firm.error();
    unsigned char* record = TableRecordBuffer(tomiva::HostOpenTable(52));
    unsigned char scan[kHostScanStateSize] = {};
    ASSERT_EQ(tomiva::HostScanOpen(scan, 0, 713, 0, 0, 0), 1);

    ASSERT_EQ(tomiva::HostScanNext(scan), 1);
    Expected full(904);
    full.At<int32_t>(897, -123456789)
        .Text(237, "20210131")
        .Text(515, "20210125")
        .Text(246, "20210201")
        .At<uint32_t>(889, 4294967295u)
        .At<uint32_t>(893, 43981)
        .At<int32_t>(877, -5)
        .Text(2, MazoviaText{u8"Zakup paliwa ąę"})
        .Text(221, "PL 521-000-11") // its full room, right up to the entry-mode word
        .At<uint16_t>(273, 65535)
        .At<double>(275, 12345679.0)
        .Text(399, MazoviaText{u8"Żółć"})
        .At<uint8_t>(578, 1)
        .At<uint16_t>(235, 65534)
        .At<int16_t>(587, -2);
    EXPECT_TRUE(SameBytes(Record(record, 904), full.bytes));

    // Defaults: empty dates and texts, zeros; nothing of the row before stays.
    ASSERT_EQ(tomiva::HostScanNext(scan), 1);
    EXPECT_TRUE(SameBytes(Record(record, 904), Expected(904).At<int32_t>(897, 2).bytes));
    EXPECT_EQ(tomiva::HostScanNext(scan), 0);
    tomiva::HostScanClose(scan);
}

// The correction's one date is its period, issue and receipt date; its
// tax number fills its room right up to that date.
TEST(FirmRecords, CorrectionFieldsLandAtTheirOffsets)
{
    TestFirm firm(R"sql(
        INSERT INTO purchase_correction VALUES
          (305419896, '2020-02-29', 286331153, 4294967295, -65999, 'Korekta łączna', 'PL1234567890123', 30,
           -1234.56785, 'Zwrot towaru, część', 7, 65535, 3);
    )sql");
    ASSERT_TRUE(firm.opened()) << firm.error();
    unsigned char* record = TableRecordBuffer(tomiva::HostOpenTable(54));
    unsigned char scan[kHostScanStateSize] = {};
    ASSERT_EQ(tomiva::HostScanOpen(scan, 0, 109, 0, 0, 0), 1);
    ASSERT_EQ(tomiva::HostScanNext(scan), 1);
    Expected expected(864);
    expected.At<int32_t>(859, 305419896)
        .Text(279, "20200229")
        .At<uint32_t>(851, 286331153)
        .At<uint32_t>(855, 4294967295u)
        .At<int32_t>(839, -65999)
        .Text(2, MazoviaText{u8"Korekta łączna"})
        .Text(263, "PL1234567890123")
        .At<uint16_t>(306, 30)
        .At<double>(308, -12345679.0)
        .Text(390, MazoviaText{u8"Zwrot towaru, część"})
        .At<uint8_t>(554, 7)
        .At<uint16_t>(235, 65535)
        .At<int16_t>(587, 3);
    EXPECT_TRUE(SameBytes(Record(record, 864), expected.bytes));
    tomiva::HostScanClose(scan);
}

TEST(FirmRecords, ContractorFieldsLandAtTheirOffsets)
{
    const std::string fullName(100, 'F');
    const std::string address(50, 'A');
    const std::string nip(30, '9');
    TestFirm firm("INSERT INTO contractor VALUES (-12, 'ŻÓŁĆĄĘŚŃŹżółćąęś', '" + fullName + "', '" + address + "', '" +
                  nip + "'), (7, 'Jan', 'Zakład Usług Różnych Kowalski', 'ul. Źródlana 5 00-950 Łódź', '');");
    ASSERT_TRUE(firm.opened()) << firm.error();
    unsigned char* record = TableRecordBuffer(tomiva::HostOpenTable(35));

    *tomiva::HostContractorKey() = -12;
    ASSERT_NE(tomiva::HostFindContractor(-1), 0);
    Expected full(272);
    full.Text(2, MazoviaText{u8"ŻÓŁĆĄĘŚŃŹżółćąęś"})
        .Text(19, fullName.c_str())
        .Text(120, address.c_str())
        .Text(234, nip.c_str());
    EXPECT_TRUE(SameBytes(Record(record, 272), full.bytes));

    *tomiva::HostContractorKey() = 7;
    ASSERT_NE(tomiva::HostFindContractor(-1), 0);
    Expected polish(272);
    polish.Text(2, "Jan")
        .Text(19, MazoviaText{u8"Zakład Usług Różnych Kowalski"})
        .Text(120, MazoviaText{u8"ul. Źródlana 5 00-950 Łódź"});
    EXPECT_TRUE(SameBytes(Record(record, 272), polish.bytes));
}

// Invoice and correction lines differ only in where the purchase kind and
// the deduction kind sit.
TEST(FirmRecords, LineFieldsLandAtTheirOffsetsForEachKind)
{
    TestFirm firm(R"sql(
        INSERT INTO vat_line VALUES ('invoice', 5, 1, 1, 123.00005, -7, 23.00004, 3, -2),
                                    ('correction', 5, 1, -1, -123.00005, 41, -23.5, 4, 2);
    )sql");
    ASSERT_TRUE(firm.opened()) << firm.error();
    struct Case {
        int kind;
        Bytes expected;
    };
    const Case cases[] = {
        {713, Expected(216)
                  .At<int32_t>(140, 1)
                  .At<double>(158, 1230001.0)
                  .At<int16_t>(166, -7)
                  .At<double>(168, 230000.0)
                  .At<int16_t>(212, 3)
                  .At<int16_t>(214, -2)
                  .bytes},
        {109, Expected(216)
                  .At<int32_t>(140, -1)
                  .At<double>(158, -1230001.0)
                  .At<int16_t>(166, 41)
                  .At<double>(168, -235000.0)
                  .At<int16_t>(192, 4)
                  .At<int16_t>(194, 2)
                  .bytes},
    };
    for (const Case& c : cases) {
        const int table = tomiva::HostLineTable(c.kind);
        unsigned char key[kHostLineKeySize] = {};
        unsigned char status[kHostLineStatusSize] = {};
        tomiva::HostLineKey(table, key, status, 5);
        ASSERT_EQ(tomiva::HostStatusFailed(status), 0);
        int count = 0;
        void* list = tomiva::HostFindLines(table, status, key, &count);
        ASSERT_EQ(count, 1);
        unsigned char** lines = nullptr;
        void* aux = nullptr;
        tomiva::HostLoadLines(&lines, &aux, &count, count, key, list);
        tomiva::HostFreeList(&list);
        ASSERT_EQ(count, 1);
        EXPECT_TRUE(SameBytes(Record(lines[0], 216), c.expected)) << c.kind;
        tomiva::HostReleaseLines(&lines, &aux, &count, count, key, 0);
    }
}

} // namespace
