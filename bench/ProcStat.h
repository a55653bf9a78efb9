#pragma once
// CPU time from a /proc stat file (of a process or of one of its threads).
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

// utime + stime in clock ticks; -1 when the file cannot be read (the process or thread is gone).
inline long ProcStatTicks(const std::filesystem::path& statFile)
{
    std::ifstream stat(statFile);
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 2 > text.size())
        return -1;
    // Fields after the command name, counted from 3 (state): 14 is utime, 15 stime.
    std::istringstream fields(text.substr(nameEnd + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15)
            stime = std::stol(field);
    }
    return utime + stime;
}
