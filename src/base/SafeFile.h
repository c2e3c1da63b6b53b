#pragma once
// Files the engineer keeps are whole or not there.
//
// replaceFileContents writes the bytes into a new file beside the target,
// flushes them to the disk and only then renames the new file over the
// target, so that a full disk, a failing write or a power cut leaves the old
// file or the new one, never a part of either. A symbolic link is followed:
// the file it points to is replaced and the link stays a link. An existing
// target keeps its access rights (and, where the program may, its owner).
//
// Every file the program writes as a whole goes through here (parameter
// files, the log window, a new log file, diagram pictures); the online log's
// per-line append is OnlineLog's.

#include <string>

namespace pxr {

struct SafeWriteResult {
    bool ok = false;
    // Why the file was not written, for a message that names the file:
    // the system's text ("No space left on device") or the program's own
    // ("it is not a regular file", "the file is write-protected").
    std::string reason;
};

SafeWriteResult replaceFileContents(const std::string& path, const std::string& bytes);

// The path a chain of symbolic links leads to, also when the last link
// points at a file that does not exist yet. A path that is no link comes
// back unchanged; a loop stops after 40 links.
std::string resolveLinks(const std::string& path);

} // namespace pxr
