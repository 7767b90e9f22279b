// The bench's JSON documents as a user reads them: members in the order they
// were set, numbers as the bench has always written them, and valid JSON
// whatever bytes a loaded module's debug print or a path brings.
#include "bench/json_document.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(BenchJsonTest, OrderNumbersAndText) {
    bench::Json doc = {{"z", 1}, {"a", -2}, {"big", uint64_t{18446744073709551615u}}};
    doc["frame_rate"] = bench::Decimal(30000 / 1001.0);
    doc["whole"] = bench::Decimal(25025 / 1001.0);
    doc["ratio"] = bench::Decimal(1.25);
    doc["tiny"] = bench::Decimal(1e-7);
    doc["inf"] = bench::Decimal(std::numeric_limits<double>::infinity());
    // UTF-8 as it is; a byte that is not UTF-8 (a Latin-1 e) replaced.
    doc["text"] = "caf\xC3\xA9 caf\xE9 \"\t\x01";
    doc["list"] = {1, bench::Json::object(), bench::Json::array()};
    doc["z"] = "replaced in place";
    EXPECT_EQ(bench::JsonText(doc), "{\n"
                                    "  \"z\": \"replaced in place\",\n"
                                    "  \"a\": -2,\n"
                                    "  \"big\": 18446744073709551615,\n"
                                    "  \"frame_rate\": 29.97002997003,\n"
                                    "  \"whole\": 25,\n"
                                    "  \"ratio\": 1.25,\n"
                                    "  \"tiny\": 1e-07,\n"
                                    "  \"inf\": null,\n"
                                    "  \"text\": \"caf\xC3\xA9 caf\xEF\xBF\xBD \\\"\\t\\u0001\",\n"
                                    "  \"list\": [\n"
                                    "    1,\n"
                                    "    {},\n"
                                    "    []\n"
                                    "  ]\n"
                                    "}\n");
}

} // namespace
