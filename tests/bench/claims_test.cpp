// The claims check: the AFC step a host must report for each AFC value, at
// every edge of the table; and each claim a module makes without the board
// (descriptors, tuner modes, audio format) or about the range it keeps,
// good and bad, caught exactly when it is wrong.
#include "bench/claims.h"

#include "emu/board.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

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

VideoStandardDescriptor Descriptor(uint32_t standards, uint32_t height, uint32_t frameRate) {
    VideoStandardDescriptor d{};
    std::strcpy(d.Name, "d");
    d.Standards = standards;
    d.Height = height;
    d.FrameRate = frameRate;
    return d;
}

TEST(ClaimsTest, WhatTheModuleDescribesAgainstWhatTheBoardAndStandardsAllow) {
    const TunerModeCaps tv{40000000, 847000000, 62500, 2, 500};
    using Check = std::function<void(bench::Claims&)>;
    const struct {
        const char* what;
        Check check;
        const char* broken; // nullptr: holds
    } cases[] = {
        {"the 480-line record", [](auto& c) { c.Descriptors({Descriptor(0x807, 480, 30000)}); },
         nullptr},
        {"the 576-line records, PAL_M among them",
         [](auto& c) {
             c.Descriptors({Descriptor(0x7F0, 576, 25025), Descriptor(0xFF000, 576, 25025)});
         },
         nullptr},
        {"PAL_M on 525 lines", [](auto& c) { c.Descriptors({Descriptor(0x200, 480, 30000)}); },
         nullptr},
        {"PAL_M on 500 lines", [](auto& c) { c.Descriptors({Descriptor(0x200, 500, 30000)}); },
         "which neither line system has"},
        {"NTSC_M on 576 lines", [](auto& c) { c.Descriptors({Descriptor(0x1, 576, 25025)}); },
         "gives NTSC_M 576 lines"},
        {"PAL_B at 30 frames/s", [](auto& c) { c.Descriptors({Descriptor(0x10, 576, 30030)}); },
         "PAL_B is a 625-line"},
        {"the TV and FM ranges",
         [&](auto& c) {
             c.TunerMode(1, tv);
             c.TunerMode(2, {88100000, 107900000, 200000, 1, 100});
             c.TunerMode(3, {});
         },
         nullptr},
        {"a TV range up to 1000 MHz",
         [](auto& c) {
             c.TunerMode(1, {40000000, 1000000000, 62500, 2, 500});
         },
         "but the board tunes 35.750 MHz..902.250 MHz"},
        {"a range below the synthesizer's",
         [](auto& c) {
             c.TunerMode(1, {20000000, 847000000, 62500, 2, 500});
         },
         "advertises"},
        {"minimum above maximum",
         [](auto& c) {
             c.TunerMode(2, {107900000, 88100000, 200000, 1, 100});
         },
         "advertises"},
        {"32 kHz and its code",
         [](auto& c) {
             c.AudioFormatRead({0, 32000, 0, 0}, {{2, 12}});
         },
         nullptr},
        {"32 kHz with the 48 kHz code",
         [](auto& c) {
             c.AudioFormatRead({0, 32000, 0, 0}, {{2, 8}});
         },
         "its rate code (word 1) is 8, where 32000 Hz is 12"},
        {"a rate without a code",
         [](auto& c) {
             c.AudioFormatRead({0, 16000, 0, 0}, {{2, 12}});
         },
         "has no code for"},
        {"30 MHz kept, below the TV range",
         [&](auto& c) {
             c.TunerMode(1, tv);
             c.Tuned(30000000, 30000000);
         },
         "keeps 30.000 MHz as tuned, outside the TV range 40.000..847.000 MHz"},
        {"848 MHz kept, above it",
         [&](auto& c) {
             c.TunerMode(1, tv);
             c.Tuned(848000000, 848000000);
         },
         "outside the TV range"},
    };
    for (const auto& k : cases) {
        emu::HostTable host;
        emu::Board board(host);
        bench::Claims claims(board);
        k.check(claims);
        std::string all;
        for (const std::string& b : claims.Broken()) {
            all += b + "\n";
        }
        if (k.broken == nullptr) {
            EXPECT_EQ(all, "") << k.what;
        } else {
            EXPECT_NE(all.find(k.broken), std::string::npos) << k.what << ":\n" << all;
        }
    }
}

} // namespace
