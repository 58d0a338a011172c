// Which files a command wrote.  The host knows each file it opened for
// writing by its identity; the plug-in may write a file under another name
// and move it into place, which the host does not see, so a file no longer
// under the name it was opened with is looked for by identity in that
// folder.  Whatever else changed there (another program's files) is none of
// the command's.
#pragma once

#include <string>
#include <vector>

#include "host/services/host_session.h"

// Where the files opened for writing are now, as paths (UTF-8): under the
// name each was opened with when it still names that file, else under the
// plain name of its folder that does; a file that is gone is left out.  Each
// once, sorted.
std::vector<std::string> WrittenFilesNow(const std::vector<HostSession::WrittenFile>& opened);
