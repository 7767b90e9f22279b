// The standard descriptors and property defaults as the host receives them.
#include "module_fixture.h"

#include <algorithm>
#include <cstring>
#include <vector>

using StandardsTest = ModuleTest;

namespace {
// `n` little-endian words from `offset` on.
std::vector<uint32_t> Words(const uint8_t* bytes, size_t offset, size_t n) {
    std::vector<uint32_t> words(n);
    std::memcpy(words.data(), bytes + offset, 4 * n);
    return words;
}
bool AllZero(const uint8_t* from, const uint8_t* to) {
    return std::all_of(from, to, [](uint8_t b) { return b == 0; });
}
} // namespace

TEST_F(StandardsTest, ThreeDescriptorsOf360BytesEach) {
    Load();
    uint8_t buffer[1080 + 8];
    std::memset(buffer, 0xEE, sizeof buffer);
    uint32_t count = 0;
    EXPECT_EQ(caps_->VideoOps->GetVideoStandards(
                  0, 0, &count, reinterpret_cast<VideoStandardDescriptor*>(buffer)),
              0u);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(buffer[1080], 0xEE) << "exactly 1080 bytes";

    struct Expect {
        const char* name;
        const char* description;
        uint32_t standards, frameRate, width, height;
    };
    const Expect want[3] = {
        {"SAA7113 NTSC | PAL60", "SAA7113", 0x807, 30000, 720, 480},
        {"SAA7113 PAL", "SAA7113", 0x7F0, 25025, 720, 576},
        {"SAA7113 SECAM", "SAA7113 SECAM", 0xFF000, 25025, 720, 576},
    };
    for (size_t i = 0; i < 3; ++i) {
        const uint8_t* d = buffer + 360 * i;
        const std::string at = "descriptor at " + std::to_string(360 * i);
        EXPECT_STREQ(reinterpret_cast<const char*>(d), want[i].name) << at;
        EXPECT_STREQ(reinterpret_cast<const char*>(d + 64), want[i].description) << at;
        EXPECT_TRUE(AllZero(d + std::strlen(want[i].name), d + 64)) << at << " name padding";
        EXPECT_TRUE(AllZero(d + 64 + std::strlen(want[i].description), d + 320))
            << at << " description padding";
        // Reserved, size, standards, frame rate, width, height, flags.
        EXPECT_EQ(Words(d, 320, 7),
                  (std::vector<uint32_t>{0, 360, want[i].standards, want[i].frameRate,
                                         want[i].width, want[i].height, 0x00010001}))
            << at;
        EXPECT_TRUE(AllZero(d + 348, d + 360)) << at << " tail";
    }
}

TEST_F(StandardsTest, PropertyDefaultsInPropertyOrderAndNullPointers) {
    Load();
    VideoPropertyDefaults defaults;
    std::memset(&defaults, 0xEE, sizeof defaults);
    caps_->VideoOps->GetVideoPropertyDefaults(0, 0, &defaults);
    const uint32_t want[17] = {50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0};
    for (int k = 0; k < 17; ++k) {
        EXPECT_EQ(defaults.Value[k], want[k]) << "property " << k + 1;
    }

    uint32_t count = 7;
    VideoStandardDescriptor one[3];
    one[0].Size = 1;
    caps_->VideoOps->GetVideoStandards(0, 0, &count, nullptr);
    caps_->VideoOps->GetVideoStandards(0, 0, nullptr, one);
    caps_->VideoOps->GetVideoPropertyDefaults(0, 0, nullptr);
    EXPECT_EQ(count, 7u) << "nothing done without the buffer";
    EXPECT_EQ(one[0].Size, 1u) << "nothing done without the count";
}
