// A demo firm: a new firm database filled with a year of made-up but
// plausible Polish purchase documents, their VAT lines and contractors, the
// VAT rates and the purchase-kind settings, for trying the export and for
// tests that want volume rather than hand-written rows.
#pragma once

#include <string>

struct DemoFirmOptions {
    // Rows in purchase_invoice and purchase_correction together, the few
    // documents the export passes over (no key, no period date) included.
    int documents = 400;
    unsigned seed = 1;
    int year = 2021;
};

inline constexpr int kDemoFirmMaxDocuments = 10'000'000;
inline constexpr int kDemoFirmMinYear = 1901;
inline constexpr int kDemoFirmMaxYear = 9998;

// Writes a new firm database at path, the same content for the same options.
// Never replaces a file: an existing path is refused.  On failure returns
// false with the reason in *error (if not null) and leaves no file behind.
//
// The documents follow the months of the year in register order, about as
// many in each month.  Amounts are whole grosze; a line's VAT is its net
// amount times its code's rate in vat_rate, rounded to the grosz; a
// document's amount is the gross sum of its lines in use.
//
// With at least 10 documents the firm always holds:
// - contractors with every address form the export splits ("ul."/"os."
//   street before or after "postal code city", upper-case markers, a street
//   without a marker, postal code and city alone, the city alone), names
//   over 70 characters, names with "&" or '"', firms (positive numbers,
//   NIPs typed several ways) and natural persons (negative numbers, PESEL
//   or no NIP);
// - VAT lines of every class (deductible, not deductible, the third class),
//   fixed assets in each, and the rate codes 1, 2, 3, 4, 5, 8, 9, 11, 39, 41
//   and the ignored 6 and 19, a line not in use, documents without lines;
// - both entry modes, deduction setting 2, other deduction date set;
// - invoices and corrections the export skips: key 0, or no period date.
bool WriteDemoFirm(const std::string& path, const DemoFirmOptions& options, std::string* error);
