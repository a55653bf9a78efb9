#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

CChildProcess::~CChildProcess()
{
    // Asked to end first: a killed JACK client stalls its server for seconds, and every other client's
    // close waits that long.
    if (m_pid > 0)
        Stop(SIGTERM, std::chrono::seconds(2));
}

bool CChildProcess::Start(const std::vector<std::string>& argv, const std::string& logPath)
{
    m_logPath = logPath;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fd);
        return false;
    }
    if (pid == 0) {
        // The program ends with the test that started it, even when the test crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(fd);
    m_pid = pid;
    return true;
}

bool CChildProcess::Running()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m_pid = -1;
        return false;
    }
    return true;
}

int CChildProcess::Stop(int signal, std::chrono::milliseconds timeout)
{
    if (m_pid <= 0)
        return m_status;
    ::kill(m_pid, signal);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            m_status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_status;
}

std::string CChildProcess::Log() const
{
    std::ifstream in(m_logPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
