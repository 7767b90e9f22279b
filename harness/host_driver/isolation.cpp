#include "host_driver/isolation.h"

#include <cstdio>
#include <exception>
#include <utility>

#if !defined(_WIN32)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#endif

namespace host_driver {

namespace {

// The child's side: the pipe to the watcher, and what writes out its
// results.
int g_watch = -1;
std::function<void()> g_flush;

#if !defined(_WIN32)
// The other end of the pipe that is the child's stdout, which only the
// module writes to.
int g_stray = -1;

constexpr size_t kLongestLine = 240;

void Send(char kind, const std::string& text) {
    if (g_watch < 0) {
        return;
    }
    std::string line(1, kind);
    for (const char c : text.substr(0, kLongestLine)) {
        line += c == '\n' || c == '\r' ? ' ' : c;
    }
    line += '\n';
    const char* at = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t n = write(g_watch, at, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        at += n;
        left -= static_cast<size_t>(n);
    }
}

// The first bytes the module wrote to stdout, for a message: printable
// ASCII as it is, anything else as \xNN.
std::string Shown(const char* bytes, size_t size, bool more) {
    std::string s = "'";
    for (size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        s += c >= 0x20 && c < 0x7F && c != '\'' && c != '\\' ? std::string(1, bytes[i]) : hex;
    }
    return s + (more ? "'..." : "'");
}

// What the module wrote to stdout since the last look: said to the watcher
// as the current call's, and the run goes no further (the watcher ends it).
void LookForStrayOutput() {
    int pending = 0;
    if (g_stray < 0 || ioctl(g_stray, FIONREAD, &pending) != 0 || pending <= 0) {
        return;
    }
    char bytes[40];
    const ssize_t n = read(g_stray, bytes, sizeof bytes);
    if (n > 0) {
        Send('O', Shown(bytes, static_cast<size_t>(n), pending > n));
        for (;;) {
            pause();
        }
    }
}
#else
void Send(char, const std::string&) {}
void LookForStrayOutput() {}
#endif

} // namespace

void EnteringCall(const std::string& what) {
    if (g_watch < 0) {
        return;
    }
    if (g_flush) {
        g_flush();
    }
    Send('C', what);
}

bool Watched() {
    return g_watch >= 0;
}

void CallReturned() {
    if (g_watch >= 0) {
        LookForStrayOutput();
        Send('R', "");
    }
}

void WatchContext(const std::string& what) {
    Send('S', what);
}

void BeforeEachCall(std::function<void()> flush) {
    g_flush = std::move(flush);
}

#if defined(_WIN32)

IsolatedEnd RunIsolated(const Isolation& /*isolation*/, const std::function<int(int)>& run) {
    IsolatedEnd end;
    end.finished = true;
    end.status = run(-1);
    return end;
}

#else

namespace {

std::string SignalName(int signal) {
    const char* abbreviation = sigabbrev_np(signal);
    const std::string name = abbreviation != nullptr ? std::string("SIG") + abbreviation
                                                     : "signal " + std::to_string(signal);
    const char* description = strsignal(signal);
    return description != nullptr ? name + " (" + description + ")" : name;
}

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

using Clock = std::chrono::steady_clock;

// The watcher's side: what the child said about its calls.
struct Watch {
    std::string call;    // the call it is in, or the one last made
    std::string context; // what the run was doing then
    bool inCall = false;
    Clock::time_point deadline;
    bool done = false; // the run said it came to its end
    int status = 0;
    std::string stray; // what the module wrote to stdout, and in which call
    std::string line;  // a message not yet whole

    void Take(const Isolation& iso, const char* bytes, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            if (bytes[i] != '\n') {
                if (line.size() < kLongestLine + 8) {
                    line += bytes[i];
                }
                continue;
            }
            const char kind = line.empty() ? ' ' : line[0];
            const std::string text = line.empty() ? "" : line.substr(1);
            line.clear();
            if (kind == 'C') {
                call = text;
                inCall = true;
                deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(iso.callSeconds));
            } else if (kind == 'R') {
                inCall = false;
            } else if (kind == 'S') {
                context = text;
            } else if (kind == 'O' && stray.empty()) {
                stray = Where() + ": wrote to stdout, which is the bench's: " + text;
            } else if (kind == 'D') {
                done = true;
                status = static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
            }
        }
    }

    // Where the child was: "OpenBoard", "after OpenBoard returned".
    std::string Where() const {
        std::string where = inCall         ? call
                            : call.empty() ? "before the module's first call"
                                           : "after " + call + " returned";
        return context.empty() ? where : context + ": " + where;
    }
};

// Reads what is there; false at the end of the pipe.
template <typename Sink> bool Drain(int fd, Sink&& sink) {
    char bytes[65536];
    for (;;) {
        const ssize_t n = read(fd, bytes, sizeof bytes);
        if (n > 0) {
            sink(bytes, static_cast<size_t>(n));
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

[[noreturn]] void RunChild(const std::function<int(int)>& run, pid_t parent, int results, int watch,
                           const int stray[2]) {
    prctl(PR_SET_PDEATHSIG, SIGKILL); // a watcher that is gone watches nothing
    if (getppid() != parent) {
        _exit(1);
    }
    // The module's stdout: a pipe that holds what it writes for a look after
    // each call, which refuses more than it holds instead of blocking.
    dup2(stray[1], STDOUT_FILENO);
    close(stray[1]);
    fcntl(STDOUT_FILENO, F_SETFL, fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each of its writes is seen at once
    // A fault of the module ends the process with its signal, for the
    // watcher to name, whoever handled it before: a sanitizer's report would
    // go to the module's debug text and end with an exit status. (The
    // sanitizer keeps its handler against signal() and sigaction(), so the
    // kernel is asked: its record for the default action is all zero.)
    const unsigned long long kDefaultAction[4] = {};
    for (const int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        syscall(SYS_rt_sigaction, fault, kDefaultAction, nullptr, 8);
    }
    g_stray = stray[0];
    g_watch = watch;
    int rc = 1;
    try {
        rc = run(results);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tvboard: %s\n", e.what());
    }
    if (g_flush) {
        g_flush();
    }
    LookForStrayOutput();
    Send('D', std::to_string(rc));
    _exit(rc);
}

} // namespace

IsolatedEnd RunIsolated(const Isolation& iso, const std::function<int(int)>& run) {
    IsolatedEnd end;
    int results[2];
    int watch[2];
    int stray[2];
    if (pipe2(results, O_CLOEXEC) != 0 || pipe2(watch, O_CLOEXEC) != 0 ||
        pipe2(stray, O_CLOEXEC) != 0) {
        end.failure =
            std::string("cannot make a pipe for the module's process: ") + std::strerror(errno);
        return end;
    }
    std::fflush(nullptr); // what is buffered goes out once, not once from each process
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        end.failure = std::string("cannot start a process for the module: ") + std::strerror(errno);
        return end;
    }
    if (child == 0) {
        close(results[0]);
        close(watch[0]);
        RunChild(run, parent, results[1], watch[1], stray);
    }
    end.child = static_cast<int>(child);
    close(results[1]);
    close(watch[1]);
    close(stray[0]);
    close(stray[1]);
    fcntl(results[0], F_SETFL, O_NONBLOCK);
    fcntl(watch[0], F_SETFL, O_NONBLOCK);

    Watch w;
    pollfd fds[2] = {{results[0], POLLIN, 0}, {watch[0], POLLIN, 0}};
    const auto take = [&] {
        if (fds[0].fd >= 0 &&
            !Drain(fds[0].fd, [&](const char* b, size_t n) { iso.results(b, n); })) {
            close(fds[0].fd);
            fds[0].fd = -1;
        }
        if (fds[1].fd >= 0 &&
            !Drain(fds[1].fd, [&](const char* b, size_t n) { w.Take(iso, b, n); })) {
            close(fds[1].fd);
            fds[1].fd = -1;
        }
    };
    int status = 0;
    bool killed = false;
    for (;;) {
        int waitMs = 200;
        if (w.inCall && !killed) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(w.deadline - Clock::now());
            waitMs = static_cast<int>(left.count() < 0     ? 0
                                      : left.count() < 200 ? left.count()
                                                           : 200);
        }
        const bool open = fds[0].fd >= 0 || fds[1].fd >= 0;
        if (open || w.inCall) {
            poll(fds, 2, waitMs);
            take();
        }
        if (!killed && end.failure.empty()) {
            if (!w.stray.empty()) {
                end.failure = w.stray;
            } else if (w.inCall && Clock::now() >= w.deadline) {
                end.failure = w.Where() + ": no return after " + SecondsText(iso.callSeconds);
            }
            if (!end.failure.empty()) {
                kill(child, SIGKILL);
                killed = true;
            }
        }
        const bool waitHere = !open && !w.inCall;
        const pid_t gone = waitpid(child, &status, waitHere ? 0 : WNOHANG);
        if (gone == child || (gone < 0 && errno != EINTR)) {
            break;
        }
    }
    take(); // what was written before the end
    for (const int fd : {fds[0].fd, fds[1].fd}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    if (!end.failure.empty()) {
        return end;
    }
    if (w.done && WIFEXITED(status) && WEXITSTATUS(status) == (w.status & 0xFF)) {
        end.finished = true;
        end.status = w.status;
        return end;
    }
    if (WIFSIGNALED(status)) {
        end.failure = w.Where() + ": killed by " + SignalName(WTERMSIG(status));
    } else {
        end.failure = w.Where() + ": exited with status " + std::to_string(WEXITSTATUS(status));
    }
    return end;
}

#endif

} // namespace host_driver
