// Runs the plug-in's export over a firm database through the real host, the
// way the export command does: host started, run set up, run, torn down.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/export_options.h"
#include "export/export_run.h"
#include "host/app/host_runtime.h"
#include "options/export_dialog.h"

// The host over one firm, for the length of a test.  Also binds the plug-in
// to this process's host module.
class TestHost {
public:
    explicit TestHost(HostConfig config);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;
    bool started() const { return started_; }
    const std::string& error() const { return error_; }

private:
    bool started_ = false;
    std::string error_;
};

// The texts of the broken promises the host with latitude recorded so far.
std::vector<std::string> ContractBreaches();

// A batch host over the firm, with that data directory and today's date.
HostConfig TestConfig(const std::string& firm, const std::string& dataDirectory, const std::string& today = "2021-02-10");

// Options with texts given in UTF-8 (converted to the host's text).
struct OptionsInput {
    std::string dateFrom = "20210101"; // host date text
    std::string dateTo = "20210131";
    uint16_t scope = kScopePurchaseInvoices | kScopePurchaseCorrections;
    std::string invoiceAccount, invoiceRegister, correctionAccount, correctionRegister;
    std::string branchCode, originPlace;
    int32_t firmId = 0;
};
ExportOptions MakeOptions(const OptionsInput& input);

// A dialog object as the export command holds it, zero-filled.
std::unique_ptr<CExportVentalorTxt> NewDialogObject();

// Set-up, RunExport and tear-down over these options; true when both the
// set-up and the run succeeded (the run wrote its file).
bool RunExportOver(const ExportOptions& options);

// The texts of the messages the host showed so far, in order (UTF-8).
std::vector<std::string> ShownTexts();

// UTF-8 to the host's text, for test inputs (fails the test on a bad text).
std::string ToHostText(const std::string& utf8);
