#include "bench/progress.h"

#if defined(_WIN32)
#include <io.h>
#define TVB_ISATTY _isatty
#define TVB_FILENO _fileno
#else
#include <unistd.h>
#define TVB_ISATTY isatty
#define TVB_FILENO fileno
#endif

namespace bench {

Progress::Progress(std::FILE* stream)
    : stream_(stream), enabled_(TVB_ISATTY(TVB_FILENO(stream)) != 0) {}

void Progress::Show(const std::string& text) {
    if (!enabled_) {
        return;
    }
    // Back to the start of the line, the new text, blanks over what is left
    // of a longer one, and back again: whatever is written next (a debug
    // print of the module) starts at the left margin.
    std::string line = "\r" + text;
    if (text.size() < shown_) {
        line.append(shown_ - text.size(), ' ');
    }
    line += "\r";
    std::fputs(line.c_str(), stream_);
    std::fflush(stream_);
    shown_ = text.size();
}

void Progress::Clear() {
    if (!enabled_ || shown_ == 0) {
        return;
    }
    std::fputs(("\r" + std::string(shown_, ' ') + "\r").c_str(), stream_);
    std::fflush(stream_);
    shown_ = 0;
}

} // namespace bench
