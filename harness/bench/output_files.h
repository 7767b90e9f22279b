// The files the bench writes: an output is opened before the run and
// written beside its place, and put there only when the run has written it
// all, so that a path that will not do stops the bench at once with the
// system's reason, and a run that fails or is stopped leaves an existing
// file as it was.
#pragma once

#include <memory>
#include <ostream>
#include <string>

namespace bench {

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
