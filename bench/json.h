// A small JSON value for the bench's machine-readable results: objects keep
// their keys in the order they were set, strings are escaped as JSON wants
// (and bytes that are not UTF-8 are taken as Latin-1), numbers are integers
// or finite doubles.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace json {

class Value {
  public:
    Value() = default; // null
    Value(bool b) : kind_(Kind::Bool), bool_(b) {}
    template <typename T, std::enable_if_t<
                              std::is_integral<T>::value && !std::is_same<T, bool>::value, int> = 0>
    Value(T v) {
        if (std::is_signed<T>::value && v < 0) {
            kind_ = Kind::Signed;
            signed_ = static_cast<int64_t>(v);
        } else {
            kind_ = Kind::Unsigned;
            unsigned_ = static_cast<uint64_t>(v);
        }
    }
    Value(double d) : kind_(Kind::Double), double_(d) {}
    Value(const char* s) : kind_(Kind::String), string_(s) {}
    Value(std::string s) : kind_(Kind::String), string_(std::move(s)) {}

    static Value Object();
    static Value Array();

    // On an object: adds (or replaces) a key. On an array: appends.
    Value& Set(const std::string& key, Value value);
    Value& Push(Value value);

    // The document, indented by two blanks per level, ending in a line break.
    std::string Dump() const;

  private:
    enum class Kind { Null, Bool, Signed, Unsigned, Double, String, Array, Object };
    void Write(std::string& out, int depth) const;

    Kind kind_ = Kind::Null;
    bool bool_ = false;
    int64_t signed_ = 0;
    uint64_t unsigned_ = 0;
    double double_ = 0.0;
    std::string string_;
    std::vector<std::pair<std::string, Value>> members_; // object
    std::vector<Value> items_;                           // array
};

// The text as a JSON string literal, quotes included.
std::string Quote(const std::string& text);

} // namespace json
