// The files a user gives the bench to read: each is read whole, within
// bounds, before the run, and only a regular file (or stdin) is read at all,
// so that a path that will not do stops the bench at once with the system's
// reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <streambuf>
#include <string>

namespace bench {

// What the bench reads of a text a user gives: a text of more than
// mostBytes, or with a line of more than longestLine, is refused instead
// of read on.
struct TextBounds {
    size_t mostBytes;
    size_t longestLine;
};
// Channel lists and antenna files: a hundred times what their 10 000
// entries at most take.
constexpr TextBounds kListBounds{size_t{1} << 20, 4096};
// Recorded timelines: thirty times what the host scenarios record, in lines
// as long as a kernel debug print and a long transfer make them.
constexpr TextBounds kRecordingBounds{size_t{16} << 20, 65536};
// No build of the module comes near this.
constexpr uint64_t kLargestModule = uint64_t{64} << 20;

// The text of a regular file, or of stdin for "-", whole: at most
// `mostBytes`. A FIFO, a device or a folder is refused before it is read
// (reading one can block or never end). False with "cannot read WHAT PATH:
// reason".
bool ReadText(const std::string& path, const std::string& what, size_t mostBytes, std::string* text,
              std::string* error);

// Whether `path` names a regular file of at most `mostBytes`; false with
// why not in *reason ("No such file or directory", "not a regular file but
// a FIFO", ...).
bool IsRegularFile(const std::string& path, uint64_t mostBytes, std::string* reason);

// The lines of a text a user gave. A UTF-8 byte-order mark at its start is
// skipped and a CR before a line's LF dropped (an editor on Windows writes
// both); a line longer than the bound, more text than the bound or a NUL
// byte (which no text file holds) ends the reading with "NAME:LINE: what is
// wrong" (or "NAME: ...") in Error().
class TextLines {
  public:
    TextLines(std::istream& in, const std::string& name, TextBounds bounds = kListBounds);
    // The next line; false at the end of the text or where it breaks a
    // bound.
    bool Next(std::string* line);
    // The number of the line last read, and "NAME:LINE: " for it ("line
    // LINE: " for a text without a name).
    int Number() const { return number_; }
    std::string At() const;
    const std::string& Error() const { return error_; }

  private:
    std::streambuf* in_;
    std::string name_;
    TextBounds bounds_;
    size_t read_ = 0;
    int number_ = 0;
    std::string error_;
};

// "1 MiB", "4096 bytes": a bound for people.
std::string SizeText(uint64_t bytes);

// Why what a path names, of file mode `mode` (st_mode), is no regular file:
// "Is a directory", "not a regular file but a FIFO", ...
std::string NotRegularReason(unsigned mode);
// The system's text for an error number (EIO's for 0).
std::string SystemReason(int code);

} // namespace bench
