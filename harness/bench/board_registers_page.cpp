#include "bench/board_registers_page.h"

#include "text/bit_names.h"
#include "text/hex.h"

namespace board_doc {

std::string Digits(uint32_t value, int digits) {
    return text::Hex(value, digits).substr(2);
}

std::string Ms(uint64_t us) {
    if (us % 1000 == 0) {
        return text::Format("%llu ms", static_cast<unsigned long long>(us / 1000));
    }
    return text::Format("%.3f ms", static_cast<double>(us) / 1000.0);
}

std::string Join(const std::set<std::string>& items) {
    const std::string s = text::Joined({items.begin(), items.end()}, ", ");
    return s.empty() ? "—" : s;
}

std::string Lengths(const std::set<size_t>& lengths) {
    std::string s;
    for (size_t n : lengths) {
        s += (s.empty() ? "" : ", ") + std::to_string(n);
    }
    return s;
}

std::string Values(const std::set<uint32_t>& values, int digits) {
    if (values.empty()) {
        return "—";
    }
    if (values.size() > 8) {
        return std::to_string(values.size()) + " values, " + Digits(*values.begin(), digits) +
               " to " + Digits(*values.rbegin(), digits);
    }
    std::string s;
    for (uint32_t v : values) {
        s += (s.empty() ? "" : " ") + Digits(v, digits);
    }
    return s;
}

std::string Row(std::initializer_list<std::string> cells) {
    std::string s;
    for (const std::string& cell : cells) {
        s += "| " + cell + " ";
    }
    return s + "|";
}

void Put(Facts& facts, const std::string& name, const Lines& lines) {
    std::string s;
    for (const std::string& line : lines) {
        s += (s.empty() ? "" : "\n") + line;
    }
    facts[name] = s;
}

bool Fill(const std::string& page, const Facts& facts, std::string* out, std::string* error) {
    std::set<std::string> unused;
    for (const auto& [name, fact] : facts) {
        unused.insert(name);
    }
    size_t at = 0;
    for (size_t open; (open = page.find("{{", at)) != std::string::npos;) {
        const size_t close = page.find("}}", open);
        const std::string name =
            page.substr(open + 2, close == std::string::npos ? 20 : close - open - 2);
        const auto fact = facts.find(name);
        if (close == std::string::npos || fact == facts.end()) {
            *error = "no fact for {{" + name + (close == std::string::npos ? "" : "}}");
            return false;
        }
        *out += page.substr(at, open - at) + fact->second;
        unused.erase(name);
        at = close + 2;
    }
    *out += page.substr(at);
    if (!unused.empty()) {
        *error = "no place for the fact {{" + *unused.begin() + "}}";
        return false;
    }
    return true;
}

} // namespace board_doc
