// Tables of cases for the text operations of the export: XML escaping, the
// address split, the name split, the register identifier, the rate texts and
// the digit filter.  They reach the host's text services through the real
// binding, so a host is started over an empty firm.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "export/contractor_element.h"
#include "export/document_records.h"
#include "export/line_writer.h"
#include "export/vat_breakdown.h"
#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

class ExportText : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string firm = dir_.file("firm.db");
        ASSERT_EQ(CreateFirmDatabase(firm, "INSERT INTO vat_rate VALUES (1, 23.0), (2, 7.6);"), "");
        host_ = std::make_unique<TestHost>(TestConfig(firm, dir_.path()));
        ASSERT_TRUE(host_->started()) << host_->error();
    }
    TestDir dir_;
    std::unique_ptr<TestHost> host_;
};

std::string Escaped(const std::string& text, int16_t size)
{
    std::string buffer(static_cast<std::size_t>(size) + 1, '\0');
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    EscapeXml(buffer.data(), size);
    return buffer.c_str();
}

TEST_F(ExportText, EscapeXml)
{
    struct Case {
        std::string in;
        int16_t size;
        std::string out;
    };
    const Case cases[] = {
        {"Smith & Sons", 511, "Smith &amp; Sons"},
        {"<a>", 511, "&lt;a&gt;"},
        {"O'Neil", 511, "O&apos;Neil"},
        {"\"", 511, "&quot;"},
        {"", 511, ""},
        {std::string(508, 'x') + "&", 511, std::string(508, 'x') + ";"},      // 509 + 4 is more than 511
        {std::string(505, 'x') + "&", 511, std::string(505, 'x') + "&amp;"}, // 506 + 4 is
        {std::string(506, 'x') + "&", 511, std::string(506, 'x') + "&amp;"}, // 507 + 4 fills the room exactly
        {"*>", 5, "*&gt;"},                                                   // (found by fuzz_xml_escape)
        {"&&&&", 10, "&amp;;;;"},                                             // escaped from the front
        {"\"'<", 12, "&quot;;&lt;"},                                          // a shorter entity still fits
        {"a\tb\x01" "c\r\nd", 511, "a b c  d"},                               // no control character reaches the file
        {"\x86\x8D\x7F", 511, "\x86\x8D\x7F"},                                // other bytes stay
    };
    for (const Case& c : cases)
        EXPECT_EQ(Escaped(c.in, c.size), c.out) << c.in.substr(0, 20) << " size " << c.size;
}

TEST_F(ExportText, SplitAddress)
{
    struct Case {
        std::string address, street, postal, city;
    };
    const Case cases[] = {
        {"00-950 Warszawa ul. Kwiatowa 5", "ul. Kwiatowa 5", "00-950", "Warszawa"},
        {"ul. Kwiatowa 5 00-950 Warszawa", "ul. Kwiatowa 5", "00-950", "Warszawa"},
        {"Kwiatowa 5 00-950 Warszawa", "Kwiatowa 5", "00-950", "Warszawa"},
        {"00-950 Warszawa", "", "00-950", "Warszawa"},
        {"00-950 Konstancin-Jeziorna Mirkowska 5", "a Mirkowska 5", "00-950", "Konstancin-Jeziorn"},
        {"Warszawa", "", "", "Warszawa"},
        {"ul. Kwiatowa 5", "", "", ""},
        {"ul. Kwiatowa 5 00-950", "", "", ""},
        {"12-3456 Kraków", "", "", "12-3456 Kraków"},
        {"30-001 Kraków UL. Długa 1", "UL. Długa 1", "30-001", "Kraków"},
        {"Os. Tysiąclecia 5 40-871 Katowice", "Os. Tysiąclecia 5", "40-871", "Katowice"},
        {"", "", "", ""},
        {"  Gdańsk  ", "", "", "Gdańsk"},
        // Control bytes are blanks: trimmed at the ends, spaces inside.
        {"00-950 Warszawa\x01", "", "00-950", "Warszawa"},
        {"\tul. Długa 1\r 00-950 Warszawa\x1F", "ul. Długa 1", "00-950", "Warszawa"},
        {"Kraków\x02\x03", "", "", "Kraków"},
        {"Nowy\x01Sącz", "", "", "Nowy Sącz"},
        // (found by the fuzz target) a control byte just before the code
        {"ul. Długa 1 \x19" "31-147 Kraków", "ul. Długa 1", "31-147", "Kraków"},
    };
    for (const Case& c : cases) {
        char street[kAddressPartSize], postal[kAddressPartSize], city[kAddressPartSize];
        SplitAddress(ToHostText(c.address).c_str(), street, postal, city);
        EXPECT_EQ(street, ToHostText(c.street)) << c.address;
        EXPECT_EQ(postal, ToHostText(c.postal)) << c.address;
        EXPECT_EQ(city, ToHostText(c.city)) << c.address;
    }
}

TEST_F(ExportText, EscapedNameIsCutIntoTwoElementsNeverInsideAnEntity)
{
    struct Case {
        std::string name; // already escaped
        std::string first, second;
    };
    const std::string a70(70, 'a');
    const Case cases[] = {
        {a70, a70, ""},
        {a70 + "b", a70, "b"},
        {std::string(68, 'a') + "&amp;b", std::string(68, 'a'), "&amp;b"},
        {std::string(65, 'a') + "&amp;b", std::string(65, 'a') + "&amp;", "b"},
        {a70 + a70 + "ccc", a70, a70},
        {std::string(69, 'a') + "&quot;" + std::string(70, 'b'), std::string(69, 'a'),
         "&quot;" + std::string(64, 'b')},
    };
    for (const Case& c : cases) {
        int firstEnd = 0, secondEnd = 0;
        SplitEscapedName(c.name.c_str(), &firstEnd, &secondEnd);
        EXPECT_EQ(c.name.substr(0, firstEnd), c.first) << c.name;
        EXPECT_EQ(c.name.substr(firstEnd, secondEnd - firstEnd), c.second) << c.name;
    }
}

TEST_F(ExportText, RegisterIdentifier)
{
    struct Case {
        int32_t documentKey;
        int32_t contractor;
        uint32_t id1, id2;
        const char* id;
    };
    const Case cases[] = {
        {0x1A2B3C4D, 12, 0x11112222, 0xABCD, "1A2B3C4D-000C-1111-2222-00000000ABCD"},
        {1, 0, 0, 0, "00000001-0000-0000-0000-000000000000"},
        {1, -5, 0, 0, "00000001-1117-0000-0000-000000000000"},
        {1, 65999, 0, 0, "00000001-101C-0000-0000-000000000000"},
        {1, 66000, 0, 0, "00000001-101D-0000-0000-000000000000"},
        {-1, INT_MAX, 0xFFFFFFFF, 0xFFFFFFFF, "FFFFFFFF-7FFF-FFFF-FFFF-0000FFFFFFFF"},
        // |n| + 70000 beyond 32 bits: 2147553648 = 80011170 (hexadecimal)
        {1, INT_MIN, 0, 0, "00000001-8001-0000-0000-000000000000"},
        {1, INT_MIN + 1, 0, 0, "00000001-8001-0000-0000-000000000000"},
    };
    for (const Case& c : cases) {
        char id[kRegisterIdSize];
        FormatRegisterId(id, c.documentKey, ContractorKeyOf(c.contractor), c.id1, c.id2);
        EXPECT_STREQ(id, c.id) << c.contractor;
        EXPECT_EQ(std::strlen(id), 36u);
    }
    EXPECT_EQ(ContractorKeyOf(-5), 70005);
    EXPECT_EQ(ContractorKeyOf(INT_MIN), 2147553648LL);
}

TEST_F(ExportText, RateTexts)
{
    struct Case {
        int16_t code;
        const char* text;
    };
    const Case cases[] = {
        {0, ""}, {5, "zw"}, {6, "----"}, {7, "----"}, {10, "----"}, {8, "opk"}, {9, "np"}, {11, "0%"},
        {39, "6.5%"}, {41, ""}, {1, "23%"}, {2, "8%"}, {3, "0%"}, {-1, "0%"},
    };
    for (const Case& c : cases) {
        char text[kRateTextSize];
        std::memset(text, 0, sizeof text);
        VatRateText(text, c.code);
        EXPECT_STREQ(text, c.text) << c.code;
    }
}

// The amounts' own formatting agrees with "%0.2f" everywhere: halves of a
// grosz exactly and nearly, negatives rounding to zero, the largest values.
TEST(ExportNumbers, AmountsAreWhatPrintfWrites)
{
    std::vector<double> values = {0.0,       -0.0,       0.004,     -0.004,        0.005,       0.015,
                                  0.125,     0.375,      -0.125,    2.675,         1.005,       1234567.891,
                                  -1234.5,   999999999.995, 1e9,    -1e9 - 0.005,  1e15 + 0.5,  1e300,
                                  -1e-300,   12.345,     0.285,     1.115,         8.325,       99.995,
                                  1.7976931348623157e308, -1.7976931348623157e308, 2.2250738585072014e-308,
                                  4.9406564584124654e-324, 9007199254740993.0, 0x1p60 + 0x1p8,
                                  HUGE_VAL, -HUGE_VAL, std::nan(""), -std::nan("")};
    std::mt19937_64 random(20211231);
    std::uniform_int_distribution<long long> units(-2000000000000LL, 2000000000000LL);
    std::uniform_int_distribution<uint64_t> bits;
    for (int i = 0; i < 200000; ++i) {
        values.push_back(static_cast<double>(units(random)) / 10000.0); // amounts as the host holds them
        double any;
        const uint64_t b = bits(random);
        std::memcpy(&any, &b, sizeof any);
        if (std::isfinite(any))
            values.push_back(any);
    }
    for (const double value : values) {
        char mine[kAmountTextSize], printed[kAmountTextSize];
        const int length = FormatAmount(mine, value);
        std::snprintf(printed, sizeof printed, "%0.2f", value);
        ASSERT_STREQ(mine, printed) << value;
        ASSERT_EQ(length, static_cast<int>(std::strlen(printed)));
    }
}

// The amounts whose rounding is the hard part, with what "%0.2f" writes for
// them in the classic locale: exact binary ties to the even cent, values a
// hair either side of a half cent, and values beyond a billion and 2^53.
// They hold whatever the C run-time's numeric locale is: a host may set it
// to Polish, whose decimal point is a comma.
TEST(ExportNumbers, AmountsAreTheClassicLocalesWhateverTheRunTimesLocaleIs)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0.00"},
        {-0.0, "-0.00"},
        {0.004, "0.00"},
        {-0.004, "-0.00"},
        {0.005, "0.01"},
        {-0.005, "-0.01"},
        {0.015, "0.01"},
        {0.125, "0.12"},
        {0.375, "0.38"},
        {0.625, "0.62"},
        {-0.875, "-0.88"},
        {2.675, "2.67"},
        {1.005, "1.00"},
        {1.115, "1.11"},
        {8.325, "8.32"},
        {99.995, "100.00"},
        {0.285, "0.28"},
        {0.045, "0.04"},
        {0.055, "0.06"},
        {10.005, "10.01"},
        {0.0025, "0.00"},
        {0.0075, "0.01"},
        {1230.005, "1230.01"},
        {-1234.5, "-1234.50"},
        {1234567.891, "1234567.89"},
        {999999999.995, "1000000000.00"},
        {1e9 + 0.125, "1000000000.12"},
        {1e15 + 0.5, "1000000000000000.50"},
        {1e15 + 0.375, "1000000000000000.38"},
        {9007199254740993.0, "9007199254740992.00"},
        {4503599627370497.5, "4503599627370498.00"},
        {1e22, "10000000000000000000000.00"},
        {-123456789012.345, "-123456789012.35"},
        {5e-324, "0.00"},
        {-1e-300, "-0.00"},
        {HUGE_VAL, "inf"},
        {-HUGE_VAL, "-inf"},
        {std::nan(""), "nan"},
    };
#ifdef _WIN32
    const char* const polish[] = {"Polish", "pl-PL"};
#else
    const char* const polish[] = {"pl_PL.UTF-8", "pl_PL.utf8"};
#endif
    bool polishSet = false;
    for (const bool inPolish : {false, true}) {
        SCOPED_TRACE(inPolish ? "Polish numeric locale" : "classic locale");
        if (inPolish) {
            for (const char* name : polish)
                polishSet = polishSet || std::setlocale(LC_NUMERIC, name) != nullptr;
            ASSERT_TRUE(polishSet) << "the system has no Polish locale (scripts/setup.sh generates pl_PL.UTF-8)";
            char printed[16];
            std::snprintf(printed, sizeof printed, "%0.2f", 0.5);
            EXPECT_STREQ(printed, "0,50") << "the C run-time writes its locale's decimal point";
        }
        for (const auto& c : cases) {
            char text[kAmountTextSize];
            EXPECT_EQ(FormatAmount(text, c.value), static_cast<int>(std::strlen(c.text))) << c.text;
            EXPECT_STREQ(text, c.text);
        }
    }
    std::setlocale(LC_NUMERIC, "C");
}

TEST(ExportNumbers, IntegersAreWhatPrintfWrites)
{
    for (const int32_t value : {0, 1, -1, 7, 42, -2147483647 - 1, 2147483647, 100000, -909}) {
        char mine[12], printed[16];
        EXPECT_EQ(FormatInteger(mine, value), std::snprintf(printed, sizeof printed, "%d", value));
        EXPECT_STREQ(mine, printed);
    }
}

TEST_F(ExportText, DigitsOnly)
{
    char digits[16];
    DigitsOnly(digits, sizeof digits, "PL 123-456-78-90");
    EXPECT_STREQ(digits, "1234567890");
    DigitsOnly(digits, sizeof digits, "brak");
    EXPECT_STREQ(digits, "");
    DigitsOnly(digits, sizeof digits, "123456789012345");
    EXPECT_STREQ(digits, "123456789012345");
    DigitsOnly(digits, 4, "12345");
    EXPECT_STREQ(digits, "123");
}

} // namespace
