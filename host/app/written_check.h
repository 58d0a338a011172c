// The check of the XML files a command writes, made while they are written.
// A thread beside the host's own follows each file the plug-in opens for
// writing: it reads what reaches the file and checks it as an XML document,
// so that when the command ends the verdict on an export of a hundred
// megabytes is in, instead of a second reading of the whole file then.
//
// A verdict stands in for reading the file again only when it covers the
// file as it stands at the end: the same file (device and number, whatever
// its name now), every byte of it read after its writer closed it, no other
// handle of the host writing it meanwhile, and its size and time of last
// change as they were then.  Anything else (a file changed, moved over or
// cut since, a follower that found no thread, memory or handle) and the file
// is read again, as it always was.
#pragma once

#include <string>

// The host's file entries tell of each file opened for writing, and of its
// close (file: the host's handle, path: as opened).  Never throw: a file
// that cannot be followed is read again at the end.
void FollowWrittenFile(const void* file, const std::string& path) noexcept;
void WrittenFileClosed(const void* file) noexcept;

// "" when the file at path holds one whole XML document; otherwise what is
// wrong with it, in XmlDocumentProblem's words.  Waits for the followers
// (every writer is closed by then).
std::string WrittenXmlProblem(const std::string& path);

// Ends every follower and forgets them.
void StopFollowingWrittenFiles() noexcept;

// How the files asked for since the host started were judged: by the
// follower's reading, or by reading them again.
struct WrittenCheckTally {
    int followed = 0;
    int readAgain = 0;
};
WrittenCheckTally WrittenCheckTallySoFar();
