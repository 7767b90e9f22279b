#include "bench/watched_run.h"

#include "bench/json_document.h"
#include "bench/output_files.h"
#include "host_driver/isolation.h"

#include <cstdio>
#include <iostream>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace bench {

namespace {

// Where a JSON document that streams by stands: which objects and lists are
// open, so that one cut short can be ended. (Deeper than any document of
// the bench goes, it is left as it is.)
class OpenJson {
  public:
    void Take(const char* bytes, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            const char c = bytes[i];
            if (inString_) {
                inString_ = escaped_ || c != '"';
                escaped_ = !escaped_ && c == '\\';
                continue;
            }
            if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
                continue;
            }
            last_ = c;
            if (c == '"') {
                inString_ = true;
            } else if (c == '{' || c == '[') {
                open_ += c;
                deep_ = deep_ || open_.size() > 16;
            } else if ((c == '}' || c == ']') && !open_.empty()) {
                open_.pop_back();
            }
        }
    }

    // The text that ends the document with `error` as its last member, or
    // a whole one when none was begun; "" when it is whole.
    std::string Ending(const std::string& command, const std::string& error) const {
        if (last_ == 0) {
            return JsonText(
                {{"schema_version", kSchemaVersion}, {"command", command}, {"error", error}});
        }
        if (open_.empty() || deep_) {
            return "";
        }
        std::string end = inString_ ? "\"" : "";
        if (last_ == ',' || last_ == ':') {
            end += "null";
        }
        for (size_t i = open_.size(); i-- > 1;) {
            end += open_[i] == '[' ? "\n  ]" : "\n  }";
        }
        const bool empty = open_.size() == 1 && last_ == '{';
        return end + (empty ? "\n  " : ",\n  ") +
               "\"error\": " + Json(error).dump(-1, ' ', false, Json::error_handler_t::replace) +
               "\n}\n";
    }

  private:
    std::string open_; // '{' and '[' from the outermost in
    bool inString_ = false;
    bool escaped_ = false;
    bool deep_ = false;
    char last_ = 0;
};

} // namespace

int RunWatched(const Options& o, const std::function<int()>& command) {
    OpenJson json;
    host_driver::Isolation isolation;
    isolation.callSeconds = o.callSeconds;
    isolation.results = [&](const char* bytes, size_t size) {
        if (o.json) {
            json.Take(bytes, size);
        }
        std::cout.write(bytes, static_cast<std::streamsize>(size));
        std::cout.flush();
    };
    std::cout.flush();
    const host_driver::IsolatedEnd end = host_driver::RunIsolated(isolation, [&](int fd) {
        if (fd >= 0) {
            ReportTo(fd);
            host_driver::BeforeEachCall(FlushReport);
        }
        return command();
    });
    if (end.finished) {
        return end.status;
    }
    for (const std::string& path : {o.vcd, o.save, o.out}) {
        RemoveTemporaries(path, end.child);
    }
    // (A recording's document goes to its file, which is left as it was.)
    if (o.json && (o.out.empty() || o.out == "-")) {
        std::cout << json.Ending(o.command, end.failure);
    }
    std::cout.flush();
#if !defined(_WIN32)
    if (isatty(STDERR_FILENO) != 0) {
        std::fputs("\r\033[K", stderr); // a progress line the run left
    }
#endif
    std::fprintf(stderr, "tvboard: %s\n", end.failure.c_str());
    return 1;
}

} // namespace bench
