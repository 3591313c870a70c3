#include "pf/Process.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using lang::String;

// A started program is made two forks away: the first child makes it (or its waiter) and
// ends at once, so that it is nobody's child here and the system reaps it, however long it
// runs and whether or not anyone still waits. Between fork and exec a child of this
// threaded process calls only async-signal-safe functions; everything that allocates is
// done before the fork.

namespace pf {

namespace {

/// What the children tell the caller through a pipe, in one write each.
struct Report
{
    enum Kind : int { NOT_STARTED, EXITED, KILLED };
    int kind;
    int value; ///< errno when NOT_STARTED, the exit code when EXITED, the signal when KILLED
};

/// The file that program names: itself when it holds a '/', else the first executable file
/// of that name on PATH (as the shell finds it); "" when there is none.
std::string locate(const String& program)
{
    const std::string name = program.str();
    if (name.empty())
        return std::string();
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* variable = std::getenv("PATH");
    const std::string directories = variable ? variable : "/bin:/usr/bin";
    for (size_t start = 0;;) {
        const size_t end = directories.find(':', start);
        const std::string directory = directories.substr(start, end == std::string::npos ? end : end - start);
        const std::string candidate = (directory.empty() ? std::string(".") : directory) + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            return std::string();
        start = end + 1;
    }
}

/// A program's argument vector, built before the fork: argv[0] is the program as named.
class ArgumentVector
{
public:
    ArgumentVector(const String& program, const lang::Array<String>& arguments)
    {
        m_texts.push_back(program.str());
        for (const String& argument : arguments)
            m_texts.push_back(argument.str());
        for (std::string& text : m_texts)
            m_pointers.push_back(&text[0]);
        m_pointers.push_back(nullptr);
    }
    char* const* argv() { return m_pointers.data(); }

private:
    std::vector<std::string> m_texts;
    std::vector<char*> m_pointers;
};

void send(int pipe, int kind, int value)
{
    const Report report{kind, value};
    // A caller that has stopped listening is no failure here.
    if (write(pipe, &report, sizeof(report)) < 0)
        return;
}

[[noreturn]] void execute(const std::string& file, char* const* argv, int reportPipe)
{
    execve(file.c_str(), argv, environ);
    send(reportPipe, Report::NOT_STARTED, errno);
    _exit(127);
}

/// Makes descriptor to a copy of from that stays open across exec.
bool redirect(int from, int to)
{
    if (from == to)
        return fcntl(to, F_SETFD, 0) == 0;
    return dup2(from, to) == to;
}

/// Closes every descriptor but keep. A waiter lives as long as its program and holds a copy
/// of whatever was open at the fork: the instance lock, or another start's pipe whose end
/// that start waits to see.
void closeAllBut(int keep)
{
    if ((keep == 0 || close_range(0, static_cast<unsigned>(keep) - 1, 0) == 0) &&
        close_range(static_cast<unsigned>(keep) + 1, ~0u, 0) == 0)
        return;
    // Kernels before 5.9 have no close_range.
    rlimit limit{};
    const int last = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? static_cast<int>(limit.rlim_cur)
                                                                                      : 65536;
    for (int fd = 0; fd < last; ++fd)
        if (fd != keep)
            close(fd);
}

void reap(pid_t child)
{
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

/// Reads one report, waiting up to timeLimit milliseconds (or without limit when negative):
/// 1 with *report filled, 0 when every writer has closed its end without one, -1 when
/// the time ran out first.
int receive(int pipe, Report* report, int timeLimit)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeLimit < 0 ? 0 : timeLimit);
    char* bytes = reinterpret_cast<char*>(report);
    size_t got = 0;
    while (got < sizeof(Report)) {
        int wait = -1;
        if (timeLimit >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? static_cast<int>(left < INT_MAX ? left : INT_MAX) : 0;
        }
        pollfd readable{pipe, POLLIN, 0};
        const int ready = poll(&readable, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return -1;
        const ssize_t n = read(pipe, bytes + got, sizeof(Report) - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        got += static_cast<size_t>(n);
    }
    return 1;
}

} // namespace

String Process::programPath()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return length > 0 ? String(path, static_cast<int>(length)) : String();
}

String Process::workingDirectory()
{
    char path[PATH_MAX];
    return getcwd(path, sizeof(path)) ? String(path) : String();
}

bool Process::changeWorkingDirectory(const String& directory, String* reason)
{
    if (chdir(directory.c_str()) == 0)
        return true;
    *reason = std::strerror(errno);
    return false;
}

bool Process::startDetached(const String& program, const lang::Array<String>& arguments)
{
    const std::string file = locate(program);
    if (file.empty())
        return false;
    ArgumentVector argv(program, arguments);
    const int nothing = open("/dev/null", O_RDWR | O_CLOEXEC);
    int report[2];
    if (nothing < 0 || pipe2(report, O_CLOEXEC) != 0) {
        if (nothing >= 0)
            close(nothing);
        return false;
    }
    const pid_t first = fork();
    if (first == 0) {
        const pid_t child = fork();
        if (child < 0)
            send(report[1], Report::NOT_STARTED, errno);
        if (child != 0)
            _exit(0);
        // A background program reads nothing of ours and writes nothing into our log.
        if (!redirect(nothing, 0) || !redirect(nothing, 1) || !redirect(nothing, 2)) {
            send(report[1], Report::NOT_STARTED, errno);
            _exit(127);
        }
        execute(file, argv.argv(), report[1]);
    }
    close(nothing);
    close(report[1]);
    bool started = false;
    if (first > 0) {
        reap(first);
        // Every write end closes without a word once the program has replaced the child.
        Report answer;
        started = receive(report[0], &answer, NO_LIMIT) == 0;
    }
    close(report[0]);
    return started;
}

int Process::run(const String& program, const lang::Array<String>& arguments, int timeLimit)
{
    const std::string file = locate(program);
    if (file.empty())
        return NOT_STARTED;
    ArgumentVector argv(program, arguments);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return NOT_STARTED;
    const pid_t first = fork();
    if (first == 0) {
        const pid_t waiter = fork();
        if (waiter < 0)
            send(report[1], Report::NOT_STARTED, errno);
        if (waiter != 0)
            _exit(0);
        const pid_t child = fork();
        if (child == 0)
            execute(file, argv.argv(), report[1]);
        const int forkError = errno;
        closeAllBut(report[1]);
        if (child < 0) {
            send(report[1], Report::NOT_STARTED, forkError);
            _exit(0);
        }
        int status = 0;
        pid_t ended;
        while ((ended = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
        }
        if (ended != child)
            _exit(0); // no word: the caller takes the program for killed
        if (WIFEXITED(status))
            send(report[1], Report::EXITED, WEXITSTATUS(status));
        else
            send(report[1], Report::KILLED, WTERMSIG(status));
        _exit(0);
    }
    close(report[1]);
    int result = NOT_STARTED;
    if (first > 0) {
        reap(first);
        // A program that failed to start says so before its waiter reports the exit.
        Report answer;
        const int got = receive(report[0], &answer, timeLimit);
        if (got < 0)
            result = STILL_RUNNING;
        else if (got == 0)
            result = KILLED; // the waiter itself was killed, and took the answer with it
        else
            result = answer.kind == Report::EXITED ? answer.value : answer.kind == Report::KILLED ? KILLED : NOT_STARTED;
    }
    close(report[0]);
    return result;
}

void Process::keepFreedMemory()
{
    // Free memory at the top of a heap goes back only past 256 MB: the peak stays what it
    // was, and what a frame frees is there for the next one.
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}

} // namespace pf
