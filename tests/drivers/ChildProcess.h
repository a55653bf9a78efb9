#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A program the tests start and stop: its standard output and error go to a log file.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess(); // ends the program if it still runs: SIGTERM, then SIGKILL
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts argv[0] with these arguments; false when it cannot be started.
    [[nodiscard]] bool Start(const std::vector<std::string>& argv, const std::string& logPath);
    [[nodiscard]] bool Running();
    // Sends a signal and waits up to timeout for the end; SIGKILL after that. The exit status, or -1.
    int Stop(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    [[nodiscard]] pid_t Pid() const { return m_pid; }
    [[nodiscard]] std::string Log() const;
    [[nodiscard]] const std::string& LogPath() const { return m_logPath; }

private:
    pid_t m_pid = -1;
    int m_status = -1;
    std::string m_logPath;
};
