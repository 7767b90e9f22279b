// The bench's JSON documents: nlohmann's JSON with members in the order they
// were set, numbers as the bench has always written them, and text that
// stays valid JSON whatever bytes a loaded module's debug print or a path
// brings.
#pragma once

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

namespace bench {

using Json = nlohmann::ordered_json;

// A derived value (a frame rate, a ratio) to 15 significant digits, a whole
// number without a fraction; null when it is not finite.
inline Json Decimal(double value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return Json::parse(text);
}

// The document indented by two blanks per level, ending in a line break;
// bytes that are not UTF-8 become U+FFFD.
inline std::string JsonText(const Json& document) {
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// The version of the documents' layout, the first member of every one. 2:
// this layout (docs/bench.md, "JSON"); documents without it are the first layout,
// which gave timelines as lines of text.
constexpr int kSchemaVersion = 2;

// A document written as the run goes: its head first, then, when asked
// for, the timeline's events one a line as they happen, then the results.
// The text is that of JsonText, but for the events, each on one line.
class JsonStream {
  public:
    explicit JsonStream(std::ostream& out) : out_(out) {}

    // Opens the document with the schema version and the command.
    void Begin(const std::string& command) {
        out_ << "{\n  \"schema_version\": " << kSchemaVersion
             << ",\n  \"command\": " << Text(Json(command));
    }
    void BeginList(const std::string& name) {
        out_ << ",\n  " << Text(Json(name)) << ": [";
        first_ = true;
    }
    void Item(const Json& item) {
        out_ << (first_ ? "\n    " : ",\n    ") << Text(item);
        first_ = false;
    }
    void EndList() { out_ << (first_ ? "]" : "\n  ]"); }
    // The other members, in order, and the end of the document.
    void End(const Json& members) {
        for (auto it = members.begin(); it != members.end(); ++it) {
            std::string value = it.value().dump(2, ' ', false, Json::error_handler_t::replace);
            for (size_t at = value.find('\n'); at != std::string::npos;
                 at = value.find('\n', at + 3)) {
                value.insert(at + 1, "  ");
            }
            out_ << ",\n  " << Text(Json(it.key())) << ": " << value;
        }
        out_ << "\n}\n";
        out_.flush();
    }

  private:
    static std::string Text(const Json& j) {
        return j.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    std::ostream& out_;
    bool first_ = true;
};

} // namespace bench
