// The files a user names on the bench's command line. An input is read
// whole, within bounds, before the run; an output is opened before the run
// and written beside its place, and put there only when the run has
// written it all, so that a path that will not do stops the bench at once
// with the system's reason, and a run that fails or is stopped leaves an
// existing file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
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

// A file the bench writes, or stdout for "-". A regular file, or a new one,
// is written under a hidden temporary name beside it and put in its place
// by Close; a FIFO or a character device (/dev/null, the pipe of a reader)
// is written straight, and one that no process reads is refused at once
// instead of waited for. A signal that stops the bench removes the
// temporary file.
class Output {
  public:
    Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    // Leaves the place as it was (Discard).
    ~Output();

    // False with "cannot write WHAT PATH: reason".
    bool Open(const std::string& path, const std::string& what, std::string* error);
    bool IsStdout() const { return stdout_; }
    std::ostream& Stream();
    // Writes out what is buffered and puts the file in its place; false
    // with "cannot write WHAT PATH: reason" when any of it did not reach
    // the file (a full disk), and then nothing is put in its place.
    bool Close(std::string* error);
    // Removes the temporary file: what was at the path stays.
    void Discard();

    // The stream buffer of a descriptor, which keeps the reason a write
    // failed.
    class FileBuffer;

  private:
    std::string Failure(int code) const;

    std::string path_;
    std::string what_;
    std::string target_; // where the file goes: the path, a link's target
    std::string temporary_;
    int pending_ = -1; // its slot for a signal's cleanup
    bool stdout_ = false;
    std::unique_ptr<FileBuffer> buffer_;
    std::unique_ptr<std::ostream> stream_;
};

// Where the bench's report goes: stdout. In the process that runs a module
// under watch (watched_run.h) the module has stdout to itself, and the
// report goes to `fd`, the pipe to the watching bench, after ReportTo.
std::ostream& Stdout();
void ReportTo(int fd);
void FlushReport();

// Writes out what the report left in stdout's buffer; false with the
// system's reason when any of the report did not reach stdout (a full
// disk), even where the C library dropped the failed part earlier.
bool FinishStdout(std::string* reason);

// Removes what a process `pid` left of an output to `path` ("", "-":
// none) when it ended before putting the file in place: a run stopped
// mid-way leaves the file as it was.
void RemoveTemporaries(const std::string& path, int pid);

// Whether two paths name one file: the same file where it exists, the same
// place in the same folder where it does not yet.
bool SameFile(const std::string& a, const std::string& b);

} // namespace bench
