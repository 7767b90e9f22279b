// The claims check's reading of the demodulator's status: the AFC step a
// host must report for each AFC value, at every edge of the table.
#include "bench/claims.h"

#include <gtest/gtest.h>

namespace {

TEST(ClaimsTest, AfcStepOfEveryEdgeOfTheStatus) {
    const struct {
        uint8_t afcValue; // bits 6..0 of the status, a 7-bit two's-complement number
        int step;
    } cases[] = {
        {0, 0},   {18, 0},  {19, 1},  {37, 1},   {38, 2},  {63, 2},
        {64, -2}, {90, -2}, {91, -1}, {109, -1}, {110, 0}, {127, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bench::Claims::AfcStep(static_cast<uint8_t>(0x80 | c.afcValue)), c.step)
            << int{c.afcValue};
    }
}

} // namespace
