#include "bench/output_files.h"

#include "bench/input_files.h"
#include "bench/values.h"
#include "text/format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <dirent.h>
#include <signal.h>
#include <sys/statvfs.h>

#include <climits>
#include <unistd.h>
#endif

namespace bench {

namespace {

#if defined(_WIN32)
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY;
constexpr int kDeviceFlags = O_WRONLY | O_BINARY;
int ProcessId() {
    return _getpid();
}
// Windows' rename does not replace a file; moving with the flag does.
bool Replace(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) {
        return true;
    }
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}
std::string FullPath(const std::string& path) {
    char full[_MAX_PATH];
    return _fullpath(full, path.c_str(), sizeof full) != nullptr ? full : path;
}
#else
// A FIFO is opened without waiting for its other end: a write one without
// a reader fails (ENXIO).
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
constexpr int kDeviceFlags = O_WRONLY | O_NONBLOCK | O_CLOEXEC;
int ProcessId() {
    return static_cast<int>(getpid());
}
bool Replace(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}
// The file a path names, links followed; for a path that names nothing
// yet, its folder's.
std::string FullPath(const std::string& path) {
    char full[PATH_MAX];
    if (realpath(path.c_str(), full) != nullptr) {
        return full;
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return realpath(folder.c_str(), full) != nullptr ? std::string(full) + "/" + name : path;
}
#endif

#if !defined(_WIN32)
// The temporary files of the outputs being written, removed when a signal
// (Ctrl-C, a kill, a closed terminal) stops the bench before it puts them
// in place: slots a signal handler may read.
constexpr int kMostPending = 4;
char pendingPaths[kMostPending][PATH_MAX];
volatile std::sig_atomic_t pendingUsed[kMostPending];
pid_t pendingOwner = 0; // (a child forked to run a module leaves them be)

extern "C" void RemovePending(int signal) {
    for (int i = 0; i < kMostPending; ++i) {
        if (pendingUsed[i] != 0 && getpid() == pendingOwner) {
            unlink(pendingPaths[i]);
        }
    }
    std::signal(signal, SIG_DFL); // then ends as the signal would have
    std::raise(signal);
}

// The slot that holds `path`, or -1 (too many, or a path too long); the
// handler goes only where no one else handles the signal.
int Track(const std::string& path) {
    static const bool installed = [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction now {};
            if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) {
                struct sigaction remove {};
                remove.sa_handler = RemovePending;
                sigaction(signal, &remove, nullptr);
            }
        }
        return true;
    }();
    (void)installed;
    pendingOwner = getpid();
    for (int i = 0; i < kMostPending; ++i) {
        if (pendingUsed[i] == 0 && path.size() < PATH_MAX) {
            std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
            pendingUsed[i] = 1;
            return i;
        }
    }
    return -1;
}
void Untrack(int slot) {
    if (slot >= 0) {
        pendingUsed[slot] = 0;
    }
}
#else
int Track(const std::string&) {
    return -1;
}
void Untrack(int) {}
#endif

} // namespace

// The stream of a file the bench writes: its own buffer, so that the
// system's reason for a write that failed is kept.
class Output::FileBuffer : public std::streambuf {
  public:
    explicit FileBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;
    ~FileBuffer() override { Shut(); }

    // Writes out the rest and closes the file; the first failure's errno,
    // 0 when all of it was written.
    int Shut() {
        if (fd_ >= 0) {
            Drain();
            if (close(fd_) != 0 && failure_ == 0) {
                failure_ = errno;
            }
            fd_ = -1;
        }
        return failure_;
    }

  protected:
    int_type overflow(int_type c) override {
        if (!Drain()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Drain() ? 0 : -1; }

  private:
    bool Drain() {
        const char* at = pbase();
        size_t left = static_cast<size_t>(pptr() - pbase());
        while (left > 0 && failure_ == 0) {
            const auto wrote = write(fd_, at, static_cast<unsigned>(left));
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            if (wrote <= 0) {
                failure_ = wrote < 0 ? errno : EIO;
                break;
            }
            at += wrote;
            left -= static_cast<size_t>(wrote);
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        return failure_ == 0;
    }

    int fd_;
    int failure_ = 0;
    char buffer_[65536];
};

Output::Output() = default;

Output::~Output() {
    Discard();
}

std::string Output::Failure(int code) const {
    return "cannot write " + what_ + " " + Shown(path_) + ": " + SystemReason(code);
}

bool Output::Open(const std::string& path, const std::string& what, std::string* error) {
    Discard();
    path_ = path;
    what_ = what;
    stdout_ = path == "-";
    if (stdout_) {
        return true;
    }
    struct stat info {};
    const bool exists = stat(path.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        *error = Failure(errno);
        return false;
    }
    // A name of an open descriptor (/dev/stdout, /dev/fd/N of a pipe) is
    // written where it leads, not replaced.
    const bool device = path.compare(0, 8, "/dev/fd/") == 0 ||
                        path.compare(0, 8, "/dev/std") == 0 || path.compare(0, 6, "/proc/") == 0;
    int fd = -1;
    if (exists && (device || S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
        fd = open(path.c_str(), kDeviceFlags);
        if (fd < 0) {
            *error = Failure(errno) + (errno == ENXIO ? " (no process reads the FIFO)" : "");
            return false;
        }
#if !defined(_WIN32)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK); // the reader sets the pace
#endif
    } else {
        if (exists && !S_ISREG(info.st_mode)) {
            *error =
                "cannot write " + what + " " + Shown(path) + ": " + NotRegularReason(info.st_mode);
            return false;
        }
        // A file that may not be written is not replaced either.
        if (exists && access(path.c_str(), W_OK) != 0) {
            *error = Failure(errno);
            return false;
        }
        target_ = exists ? FullPath(path) : path;
        const size_t slash = target_.find_last_of("/\\");
        const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
        const std::string name = target_.substr(folder.size()).substr(0, 100);
        static int made = 0;
        for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            temporary_ = folder;
            temporary_ += "." + name + text::Format(".tvboard-%d-%d", ProcessId(), ++made);
            fd = open(temporary_.c_str(), kCreateFlags, 0666);
            if (fd < 0 && errno != EEXIST) {
                break;
            }
        }
        if (fd < 0) {
            *error = Failure(errno);
            temporary_.clear();
            return false;
        }
        pending_ = Track(temporary_);
#if !defined(_WIN32)
        if (exists) {
            fchmod(fd, info.st_mode & 07777); // the file keeps its permissions
        }
#endif
    }
    buffer_ = std::make_unique<FileBuffer>(fd);
    stream_ = std::make_unique<std::ostream>(buffer_.get());
    return true;
}

std::ostream& Output::Stream() {
    return stream_ == nullptr ? Stdout() : *stream_;
}

bool Output::Close(std::string* error) {
    if (stdout_) {
        Stdout().flush();
        return true;
    }
    if (buffer_ == nullptr) {
        return true;
    }
    stream_->flush();
    const int failure = buffer_->Shut();
    stream_.reset();
    buffer_.reset();
    if (failure != 0) {
        *error = Failure(failure);
        Discard();
        return false;
    }
    if (!temporary_.empty() && !Replace(temporary_, target_)) {
        *error = Failure(errno);
        Discard();
        return false;
    }
    Untrack(pending_);
    pending_ = -1;
    temporary_.clear();
    return true;
}

void Output::Discard() {
    stream_.reset();
    buffer_.reset();
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
    Untrack(pending_);
    pending_ = -1;
}

namespace {
std::unique_ptr<Output::FileBuffer> g_reportBuffer;
std::unique_ptr<std::ostream> g_report;
} // namespace

std::ostream& Stdout() {
    return g_report != nullptr ? *g_report : std::cout;
}

void ReportTo(int fd) {
    g_reportBuffer = std::make_unique<Output::FileBuffer>(fd);
    g_report = std::make_unique<std::ostream>(g_reportBuffer.get());
}

void FlushReport() {
    Stdout().flush();
}

void RemoveTemporaries(const std::string& path, int pid) {
#if !defined(_WIN32)
    if (path.empty() || path == "-" || pid <= 0) {
        return;
    }
    // Where Output::Open puts its temporary file for the path.
    struct stat info {};
    const std::string target = stat(path.c_str(), &info) == 0 ? FullPath(path) : path;
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string prefix = "." + name.substr(0, 100) + text::Format(".tvboard-%d-", pid);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0) {
            unlink((folder + "/" + entry->d_name).c_str());
        }
    }
    closedir(dir);
#else
    (void)path;
    (void)pid;
#endif
}

bool FinishStdout(std::string* reason) {
    if (g_report != nullptr) { // (the watching bench writes stdout)
        g_report->flush();
        return true;
    }
    std::cout.flush();
    if (std::fflush(stdout) != 0) {
        *reason = SystemReason(errno);
        return false;
    }
    if (std::ferror(stdout) == 0) {
        return true;
    }
    // What a write meets now: an empty one fails as a device does; a file
    // system without a free block is full.
    int code = EIO;
#if !defined(_WIN32)
    struct statvfs space {};
    if (write(1, "", 0) < 0) {
        code = errno;
    } else if (fstatvfs(1, &space) == 0 && space.f_bavail == 0) {
        code = ENOSPC;
    }
#endif
    *reason = SystemReason(code);
    return false;
}

bool SameFile(const std::string& a, const std::string& b) {
#if !defined(_WIN32) // (Windows gives no file an inode number)
    struct stat x {};
    struct stat y {};
    if (stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0) {
        return x.st_dev == y.st_dev && x.st_ino == y.st_ino;
    }
#endif
    return FullPath(a) == FullPath(b);
}

} // namespace bench
