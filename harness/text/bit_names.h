// A set of bits by name (TV standards, sound modes, bands, commands): the
// names of the bits set, lowest bit first, and names joined into one text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace text {

struct NamedBit {
    uint32_t bit;
    const char* name;
};

// The name a table gives a bit, "" when it gives none.
template <size_t N> std::string NameOf(const NamedBit (&table)[N], uint32_t bit) {
    for (const NamedBit& n : table) {
        if (n.bit == bit) {
            return n.name;
        }
    }
    return "";
}

// `name` gives a bit's name (a function of the bit, or a table); an empty
// name leaves the bit out.
template <typename Name> std::vector<std::string> BitNames(uint32_t bits, const Name& name) {
    std::vector<std::string> names;
    for (uint32_t bit = 1; bit != 0; bit <<= 1) {
        std::string n;
        if ((bits & bit) != 0) {
            if constexpr (std::is_invocable_v<Name, uint32_t>) {
                n = name(bit);
            } else {
                n = NameOf(name, bit);
            }
        }
        if (!n.empty()) {
            names.push_back(std::move(n));
        }
    }
    return names;
}

// "a, b, c" with ", ", "mono+stereo" with "+".
inline std::string Joined(const std::vector<std::string>& names, const char* separator) {
    std::string s;
    for (const std::string& n : names) {
        s += (s.empty() ? "" : separator) + n;
    }
    return s;
}

} // namespace text
