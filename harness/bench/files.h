// The files a user names on the bench's command line, opened before the run
// so that one that cannot be read or written stops the bench at once, with
// the system's reason, instead of after a long run.
#pragma once

#include <fstream>
#include <memory>
#include <ostream>
#include <string>

namespace bench {

// Opens a file to read; false with "cannot read WHAT PATH: reason".
bool OpenToRead(const std::string& path, const std::string& what, std::ifstream* in,
                std::string* error);

// A file to write, or stdout for "-". The file is created (emptied) by Open.
class Output {
  public:
    // False with "cannot write WHAT PATH: reason".
    bool Open(const std::string& path, const std::string& what, std::string* error);
    bool IsStdout() const { return stdout_; }
    std::ostream& Stream();
    // Flushes and closes; false with the reason when the data did not all
    // reach the file (a full disk).
    bool Close(std::string* error);

  private:
    std::string path_;
    std::string what_;
    bool stdout_ = false;
    std::unique_ptr<std::ofstream> file_;
};

} // namespace bench
