// The settings file a_mas.cfg of any length and content, loaded by the
// dialog object and saved again.  Input: the file's bytes.
//   - a file of 258 bytes or more loads its first 258 bytes; a shorter one
//     loads nothing (the record stays all zero) and says so;
//   - what is loaded is saved back byte for byte, as exactly 258 bytes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "export/export_options.h"
#include "fuzz_support.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "options/export_dialog.h"

namespace {

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzHostDirectory() + "/a_mas.cfg";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // What the session keeps of earlier inputs goes, so that each input ends
    // with as many blocks as it began with.
    HostClearShownMessages();
    for (const HostSession::WrittenFile& file : HostState().filesWritten)
        ReleaseFile(file.hold);
    HostState().filesWritten.clear();
    HostState().filesWritten.shrink_to_fit();
    auto object = std::make_unique<CExportVentalorTxt>();
    std::memset(object.get(), 0xA5, sizeof *object); // loading must set every byte

    const bool loaded = object->LoadOptions();
    FUZZ_CHECK(loaded == (size >= sizeof(ExportOptions)));
    const unsigned char* record = reinterpret_cast<const unsigned char*>(&object->options);
    if (loaded) {
        FUZZ_CHECK(std::memcmp(record, data, sizeof(ExportOptions)) == 0);
        FUZZ_CHECK(HostShownMessages().empty());
    } else {
        for (std::size_t i = 0; i < sizeof(ExportOptions); ++i)
            FUZZ_CHECK(record[i] == 0);
        FUZZ_CHECK(HostShownMessages().size() == 1);
    }

    FUZZ_CHECK(object->SaveOptions());
    const std::string saved = Read(path);
    FUZZ_CHECK(saved.size() == sizeof(ExportOptions));
    FUZZ_CHECK(std::memcmp(saved.data(), record, sizeof(ExportOptions)) == 0);
    std::remove(path.c_str());
    return 0;
}
