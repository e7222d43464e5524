// Path trust: whether a file may choose the code the program runs, checked
// by owner and permission bits before the message library is loaded. OS code.
#pragma once

namespace tolvex::os {

// True when `path` (file system encoding) names a regular file that the user
// or root owns and that neither group nor others may write, in a directory
// of which the same holds. Links are followed: the directory the file really
// lives in and the one its name points through must both pass. What a build
// or an install under the usual umask (022) leaves passes.
// Example: a library in /usr/local/lib/tolvex (root, 755) passes; one in /tmp
// (1777), in a 775 directory, or owned by another user does not.
bool IsTrustedPath(const char* path);

// True when `path` names an existing file (links followed) that others may
// not write; its group may.
bool IsClosedToOthers(const char* path);

}  // namespace tolvex::os
