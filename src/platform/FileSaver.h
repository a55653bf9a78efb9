#pragma once
#include <string>
#include <string_view>

// Replaces a file whole or not at all: the new contents go to a temporary file of their own beside it,
// reach the disk (fsync), are renamed over the file, and the rename itself reaches the disk (fsync of the
// folder). A reader, another process or a crash at any point finds the old file or the new one, never a
// part. The file keeps its permission bits; a new one gets 0666 less the process's umask. A symbolic
// link is followed: the file it names is replaced, the link stays.
class CFileSaver {
public:
    // False with the reason (the system's error text) in `reason`; the old file is then untouched.
    [[nodiscard]] static bool Save(const std::string& path, std::string_view bytes, std::string& reason);

    // Ends the process at once with `status` (_exit), but never while a Save of this process is under
    // way: it waits for a running one to end, and none begins after. For a program that is asked to end
    // now while another thread may be replacing a file.
    [[noreturn]] static void EndProcessBetweenSaves(int status);
};
