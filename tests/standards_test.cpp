// The standard descriptors and property defaults as the host receives them.
#include "module_fixture.h"

#include <cstring>

using StandardsTest = ModuleTest;

namespace {
uint32_t WordAt(const uint8_t* bytes, size_t offset) {
    uint32_t v = 0;
    std::memcpy(&v, bytes + offset, 4);
    return v;
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
        for (size_t k = std::strlen(want[i].name); k < 64; ++k) {
            EXPECT_EQ(d[k], 0) << at << " name byte " << k;
        }
        for (size_t k = 64 + std::strlen(want[i].description); k < 320; ++k) {
            EXPECT_EQ(d[k], 0) << at << " description byte " << k;
        }
        EXPECT_EQ(WordAt(d, 320), 0u) << at;
        EXPECT_EQ(WordAt(d, 324), 360u) << at;
        EXPECT_EQ(WordAt(d, 328), want[i].standards) << at;
        EXPECT_EQ(WordAt(d, 332), want[i].frameRate) << at;
        EXPECT_EQ(WordAt(d, 336), want[i].width) << at;
        EXPECT_EQ(WordAt(d, 340), want[i].height) << at;
        EXPECT_EQ(WordAt(d, 344), 0x00010001u) << at;
        for (size_t k = 348; k < 360; ++k) {
            EXPECT_EQ(d[k], 0) << at << " tail byte " << k;
        }
    }
}

TEST_F(StandardsTest, PropertyDefaultsInPropertyOrder) {
    Load();
    VideoPropertyDefaults defaults;
    std::memset(&defaults, 0xEE, sizeof defaults);
    caps_->VideoOps->GetVideoPropertyDefaults(0, 0, &defaults);
    const uint32_t want[17] = {50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0};
    for (int k = 0; k < 17; ++k) {
        EXPECT_EQ(defaults.Value[k], want[k]) << "property " << k + 1;
    }
}

TEST_F(StandardsTest, NullHostPointersAreNotWrittenThrough) {
    Load();
    uint32_t count = 7;
    VideoStandardDescriptor one[3];
    one[0].Size = 1;
    caps_->VideoOps->GetVideoStandards(0, 0, &count, nullptr);
    caps_->VideoOps->GetVideoStandards(0, 0, nullptr, one);
    caps_->VideoOps->GetVideoPropertyDefaults(0, 0, nullptr);
    EXPECT_EQ(count, 7u) << "nothing done without the buffer";
    EXPECT_EQ(one[0].Size, 1u) << "nothing done without the count";
}
