// A rename that never replaces what is at the new name, on every kernel and
// file system the program runs on. Shared by the POSIX files that rename.
#pragma once

namespace mv::platform::posix {

// Renames from (relative to the folder descriptor from_folder, or AT_FDCWD)
// to to (relative to to_folder) unless something exists at to, a symbolic
// link included; neither name's final link is followed. Returns 0, or the
// errno value of the failure (EEXIST when to is taken).
//
// renameat2 with RENAME_NOREPLACE does it in one step (Linux 3.15 for
// ext4, every file system from 4.9). Where the kernel lacks the call
// (ENOSYS, remembered for the rest of the process) or the file system the
// flag (EINVAL), a file is linked to the new name, which fails on any
// existing entry, and then unlinked from the old one. A folder, and a file
// that cannot be linked (a file system without hard links, or one the user
// does not own under protected hard links), first takes the new name with
// an exclusive create of an empty folder or file of its own, which the
// rename then replaces; nothing that was there before is ever replaced.
int RenameNoReplace(int from_folder, const char* from, int to_folder, const char* to);

}  // namespace mv::platform::posix
