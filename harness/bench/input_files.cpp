#include "bench/input_files.h"

#include "bench/values.h"
#include "text/format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace bench {

namespace {

#if defined(_WIN32)
constexpr int kReadFlags = O_RDONLY | O_BINARY;
#else
// A FIFO is opened without waiting for its other end: a writer-less one
// reads as empty (and is refused before it is read anyway).
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
#endif

} // namespace

std::string NotRegularReason(unsigned mode) {
    if (S_ISDIR(mode)) {
        return std::strerror(EISDIR);
    }
    if (S_ISFIFO(mode)) {
        return "not a regular file but a FIFO";
    }
    if (S_ISCHR(mode)) {
        return "not a regular file but a character device";
    }
    return "not a regular file";
}

std::string SystemReason(int code) {
    return std::strerror(code != 0 ? code : EIO);
}

std::string SizeText(uint64_t bytes) {
    if (bytes >= (uint64_t{1} << 20) && bytes % (uint64_t{1} << 20) == 0) {
        return text::Format("%llu MiB", static_cast<unsigned long long>(bytes >> 20));
    }
    return text::Format("%llu bytes", static_cast<unsigned long long>(bytes));
}

bool IsRegularFile(const std::string& path, uint64_t mostBytes, std::string* reason) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        *reason = SystemReason(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *reason = NotRegularReason(info.st_mode);
        return false;
    }
    if (static_cast<uint64_t>(info.st_size) > mostBytes) {
        *reason = std::to_string(info.st_size) + " bytes, more than the " + SizeText(mostBytes) +
                  " the bench takes";
        return false;
    }
    return true;
}

bool ReadText(const std::string& path, const std::string& what, size_t mostBytes, std::string* text,
              std::string* error) {
    const bool console = path == "-";
    const auto fail = [&](const std::string& reason) {
        *error = "cannot read " + what + " " + Shown(path) + ": " + reason;
        return false;
    };
    const int fd = console ? 0 : open(path.c_str(), kReadFlags);
    if (fd < 0) {
        return fail(SystemReason(errno));
    }
    struct stat info {};
    std::string reason;
    if (fstat(fd, &info) != 0) {
        reason = SystemReason(errno);
    } else if (!console && !S_ISREG(info.st_mode)) {
        reason = NotRegularReason(info.st_mode);
    } else if (S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) > mostBytes) {
        reason = std::to_string(info.st_size) + " bytes, more than the " + SizeText(mostBytes) +
                 " the bench reads";
    }
    text->clear();
    char chunk[65536];
    while (reason.empty()) {
        const auto got = read(fd, chunk, static_cast<unsigned>(sizeof chunk));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            reason = SystemReason(errno);
        } else if (got == 0) {
            break;
        } else if (text->size() + static_cast<size_t>(got) > mostBytes) {
            reason = "more than the " + SizeText(mostBytes) + " the bench reads";
        } else {
            text->append(chunk, static_cast<size_t>(got));
        }
    }
    if (!console) {
        close(fd);
    }
    if (!reason.empty()) {
        text->clear();
        return fail(reason);
    }
    return true;
}

TextLines::TextLines(std::istream& in, const std::string& name, TextBounds bounds)
    : in_(in.rdbuf()), name_(name), bounds_(bounds) {}

std::string TextLines::At() const {
    return (name_.empty() ? "line " : name_ + ":") + std::to_string(number_) + ": ";
}

bool TextLines::Next(std::string* line) {
    using Traits = std::char_traits<char>;
    line->clear();
    if (!error_.empty() || in_ == nullptr || Traits::eq_int_type(in_->sgetc(), Traits::eof())) {
        return false;
    }
    ++number_;
    bool ended = false; // by the end of the text, not by a LF
    for (;;) {
        const Traits::int_type c = in_->sbumpc();
        ended = Traits::eq_int_type(c, Traits::eof());
        if (ended || c == '\n') {
            break;
        }
        if (++read_ > bounds_.mostBytes) {
            error_ = (name_.empty() ? "" : name_ + ": ") + "more than the " +
                     SizeText(bounds_.mostBytes) + " the bench reads";
            return false;
        }
        if (c == 0) {
            error_ = At() + "a NUL byte: not a text file";
            return false;
        }
        if (line->size() == bounds_.longestLine) {
            error_ = At() + "a line longer than " + SizeText(bounds_.longestLine) + ", beginning " +
                     Quoted(line->substr(0, 40));
            return false;
        }
        line->push_back(Traits::to_char_type(c));
    }
    ++read_;
    if (number_ == 1 && line->compare(0, 3, "\xEF\xBB\xBF") == 0) {
        line->erase(0, 3);
        if (line->empty() && ended) {
            return false; // a text of nothing but the mark has no line
        }
    }
    // A CR before the LF (a DOS editor, or one that added its own to a
    // CRLF text) is not part of the line.
    while (!line->empty() && line->back() == '\r') {
        line->pop_back();
    }
    return true;
}

} // namespace bench
