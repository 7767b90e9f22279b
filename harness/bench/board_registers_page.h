// The board's register reference as text: the cells of its tables, and its
// template with each {{name}} replaced by a fact (a number, a table's rows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace board_doc {

using Lines = std::vector<std::string>;
using Facts = std::map<std::string, std::string>;

// Upper-case hex digits, at least `digits`, without "0x": "1B", "0404".
std::string Digits(uint32_t value, int digits);
// A wait: "20 ms", "0.500 ms".
std::string Ms(uint64_t us);
// Names joined with ", ", or "—" for none.
std::string Join(const std::set<std::string>& items);
// Transfer lengths: "1, 2".
std::string Lengths(const std::set<size_t>& lengths);
// Values in hex, in order ("—" for none); more than eight as their count
// and range.
std::string Values(const std::set<uint32_t>& values, int digits);
// One row of a table, its cells in order.
std::string Row(std::initializer_list<std::string> cells);
// A table's rows, one a line, as the fact `name`.
void Put(Facts& facts, const std::string& name, const Lines& lines);
// The template with each {{name}} replaced by its fact; false with what
// is wrong when a name has no fact or a fact no place.
bool Fill(const std::string& page, const Facts& facts, std::string* out, std::string* error);

} // namespace board_doc
