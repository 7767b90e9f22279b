// A progress line on stderr for commands that take a while: rewritten in
// place while stderr is a terminal, and not written at all otherwise (a log
// file or a pipe gets only the results).
#pragma once

#include <cstdio>
#include <string>

namespace bench {

class Progress {
  public:
    // Shown only when `stream` is a terminal.
    explicit Progress(std::FILE* stream = stderr);
    // Shown when `enabled` says so (for tests).
    Progress(std::FILE* stream, bool enabled) : stream_(stream), enabled_(enabled) {}
    ~Progress() { Clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    bool Enabled() const { return enabled_; }
    // Replaces the line by this text.
    void Show(const std::string& text);
    // Takes the line away, leaving the cursor at its start.
    void Clear();

  private:
    std::FILE* stream_;
    bool enabled_;
    size_t shown_ = 0; // characters on the line now
};

} // namespace bench
