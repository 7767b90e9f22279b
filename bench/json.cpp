#include "bench/json.h"

#include <cmath>
#include <cstdio>

namespace json {

namespace {

// Length of the well-formed UTF-8 sequence starting at s[i], or 0.
size_t Utf8Length(const std::string& s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    size_t n = 0;
    uint32_t min = 0;
    uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        min = 0x80;
        cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        min = 0x800;
        cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        min = 0x10000;
        cp = c & 0x07u;
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) {
            return 0;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3Fu);
    }
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return cp < min || cp > 0x10FFFF || surrogate ? 0 : n;
}

void Indent(std::string& out, int depth) {
    out += '\n';
    out.append(static_cast<size_t>(depth) * 2, ' ');
}

} // namespace

std::string Quote(const std::string& text) {
    std::string out = "\"";
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char b[8];
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default: {
            const size_t n = c >= 0x80 ? Utf8Length(text, i) : 0;
            if (c >= 0x20 && c < 0x7F) {
                out += static_cast<char>(c);
            } else if (n != 0) {
                out.append(text, i, n);
                i += n;
                continue;
            } else {
                // A control character, or a byte that is not UTF-8 (taken as
                // Latin-1).
                std::snprintf(b, sizeof b, "\\u%04X", c);
                out += b;
            }
        }
        }
        ++i;
    }
    return out + "\"";
}

Value Value::Object() {
    Value v;
    v.kind_ = Kind::Object;
    return v;
}

Value Value::Array() {
    Value v;
    v.kind_ = Kind::Array;
    return v;
}

Value& Value::Set(const std::string& key, Value value) {
    for (auto& member : members_) {
        if (member.first == key) {
            member.second = std::move(value);
            return *this;
        }
    }
    members_.emplace_back(key, std::move(value));
    return *this;
}

Value& Value::Push(Value value) {
    items_.push_back(std::move(value));
    return *this;
}

std::string Value::Dump() const {
    std::string out;
    Write(out, 0);
    return out + "\n";
}

void Value::Write(std::string& out, int depth) const {
    switch (kind_) {
    case Kind::Null:
        out += "null";
        return;
    case Kind::Bool:
        out += bool_ ? "true" : "false";
        return;
    case Kind::Signed:
        out += std::to_string(signed_);
        return;
    case Kind::Unsigned:
        out += std::to_string(unsigned_);
        return;
    case Kind::Double: {
        if (!std::isfinite(double_)) {
            out += "null"; // JSON has no infinity or NaN
            return;
        }
        char b[40];
        std::snprintf(b, sizeof b, "%.15g", double_);
        out += b;
        return;
    }
    case Kind::String:
        out += Quote(string_);
        return;
    case Kind::Array:
        if (items_.empty()) {
            out += "[]";
            return;
        }
        out += '[';
        for (size_t i = 0; i < items_.size(); ++i) {
            out += i == 0 ? "" : ",";
            Indent(out, depth + 1);
            items_[i].Write(out, depth + 1);
        }
        Indent(out, depth);
        out += ']';
        return;
    case Kind::Object:
        if (members_.empty()) {
            out += "{}";
            return;
        }
        out += '{';
        for (size_t i = 0; i < members_.size(); ++i) {
            out += i == 0 ? "" : ",";
            Indent(out, depth + 1);
            out += Quote(members_[i].first) + ": ";
            members_[i].second.Write(out, depth + 1);
        }
        Indent(out, depth);
        out += '}';
        return;
    }
}

} // namespace json
