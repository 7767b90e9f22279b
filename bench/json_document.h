// The bench's JSON documents: nlohmann's JSON with members in the order they
// were set, numbers as the bench has always written them, and text that
// stays valid JSON whatever bytes a loaded module's debug print or a path
// brings.
#pragma once

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
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

} // namespace bench
