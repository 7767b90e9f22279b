// The bench's JSON: strings escaped as the format wants, whatever bytes they
// hold; numbers as written; keys in the order they were set.
#include "bench/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(BenchJsonTest, StringsAreEscaped) {
    const struct {
        std::string text;
        const char* json;
    } cases[] = {
        {"plain", "\"plain\""},
        {"a \"quoted\" word", "\"a \\\"quoted\\\" word\""},
        {"back\\slash", "\"back\\\\slash\""},
        {"line\nbreak\r\ttab\b\f", "\"line\\nbreak\\r\\ttab\\b\\f\""},
        {std::string("nul\0byte", 8), "\"nul\\u0000byte\""},
        {"\x01\x1f\x7f", "\"\\u0001\\u001F\\u007F\""},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xBA",
         "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xBA\""},
        // Bytes that are not UTF-8 are taken as Latin-1: never invalid JSON.
        {"caf\xE9", "\"caf\\u00E9\""},
        {"\xC3", "\"\\u00C3\""},                                  // a sequence cut short
        {"\xC0\xAF", "\"\\u00C0\\u00AF\""},                       // an overlong slash
        {"\xED\xA0\x80", "\"\\u00ED\\u00A0\\u0080\""},            // a surrogate
        {"\xF5\x80\x80\x80", "\"\\u00F5\\u0080\\u0080\\u0080\""}, // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::Quote(c.text), c.json);
    }
}

TEST(BenchJsonTest, ValuesNestAndKeepTheirOrder) {
    json::Value doc = json::Value::Object();
    doc.Set("z", 1).Set("a", -2).Set("big", uint64_t{18446744073709551615u});
    doc.Set("min", std::numeric_limits<int64_t>::min());
    doc.Set("ratio", 1.25).Set("inf", std::numeric_limits<double>::infinity()).Set("nan", NAN);
    doc.Set("yes", true).Set("none", json::Value());
    doc.Set("list", json::Value::Array().Push(1).Push("two").Push(json::Value::Object()));
    doc.Set("empty", json::Value::Array());
    doc.Set("z", "replaced in place");
    EXPECT_EQ(doc.Dump(), "{\n"
                          "  \"z\": \"replaced in place\",\n"
                          "  \"a\": -2,\n"
                          "  \"big\": 18446744073709551615,\n"
                          "  \"min\": -9223372036854775808,\n"
                          "  \"ratio\": 1.25,\n"
                          "  \"inf\": null,\n"
                          "  \"nan\": null,\n"
                          "  \"yes\": true,\n"
                          "  \"none\": null,\n"
                          "  \"list\": [\n"
                          "    1,\n"
                          "    \"two\",\n"
                          "    {}\n"
                          "  ],\n"
                          "  \"empty\": []\n"
                          "}\n");
}

} // namespace
