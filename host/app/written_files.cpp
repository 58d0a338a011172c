#include "host/app/written_files.h"

#include <algorithm>
#include <system_error>

#include "host/common/durable_file.h"
#include "host/common/system_path.h"

namespace fs = std::filesystem;

std::vector<std::string> WrittenFilesNow(const std::vector<HostSession::WrittenFile>& opened)
{
    std::vector<std::string> written;
    for (const HostSession::WrittenFile& file : opened) {
        if (!file.identity.known)
            continue;
        std::error_code ec;
        const fs::path path = SystemPath(file.path);
        if (!fs::is_symlink(path, ec) && IdentityOfPath(file.path) == file.identity) {
            written.push_back(file.path);
            continue;
        }
        const fs::path parent = path.parent_path().empty() ? fs::path(".") : path.parent_path();
        const std::string folder = Utf8Path(parent);
        for (const std::string& name : NamesInFolder(folder)) {
            const fs::path candidate = parent / SystemPath(name);
            if (fs::is_regular_file(fs::symlink_status(candidate, ec)) &&
                IdentityOfPath(Utf8Path(candidate)) == file.identity) {
                written.push_back(Utf8Path(candidate));
                break;
            }
        }
    }
    std::sort(written.begin(), written.end());
    written.erase(std::unique(written.begin(), written.end()), written.end());
    return written;
}
