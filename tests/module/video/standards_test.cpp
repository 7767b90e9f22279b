// The video standards as the host looks them up, and the property defaults.
#include "module_fixture.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using StandardsTest = ModuleTest;

namespace {
// Zero from the end of the text to the end of the field.
bool ZeroPadded(const char* field, size_t size) {
    return std::all_of(field + strnlen(field, size), field + size, [](char c) { return c == 0; });
}
} // namespace

// For every analog standard the host may ask the tuner for, exactly one
// descriptor covers its bit, and it names the picture the host then
// captures: 525-line standards 720 x 480 at 30000/1001 frames/s, the others
// (PAL M and N among them) 720 x 576 at 25 (FrameRate is frames/s times
// 1001). No other bit is covered. Each record is otherwise as the host's
// layout wants it: size 360, word 320 zero, word 344 0x00010001, text and
// tail padded with zeros; and exactly 1080 bytes are written.
TEST_F(StandardsTest, ThreeDescriptorsOf360BytesEach) {
    struct Picture {
        const char* name; // as the host lists it
        const char* description;
        uint32_t height, frameRate;
    };
    const Picture k525 = {"Decoder NTSC | PAL60", "Decoder", 480, 30000};
    const Picture k625 = {"Decoder PAL", "Decoder", 576, 25025};
    const Picture kSecam = {"Decoder SECAM", "Decoder SECAM", 576, 25025};
    const std::pair<uint32_t, const Picture*> byStandard[] = {
        {TVB_STANDARD_NTSC_M, &k525},     {TVB_STANDARD_NTSC_M_J, &k525},
        {TVB_STANDARD_NTSC_433, &k525},   {TVB_STANDARD_PAL_60, &k525},
        {TVB_STANDARD_PAL_B, &k625},      {TVB_STANDARD_PAL_D, &k625},
        {TVB_STANDARD_PAL_G, &k625},      {TVB_STANDARD_PAL_H, &k625},
        {TVB_STANDARD_PAL_I, &k625},      {TVB_STANDARD_PAL_M, &k625},
        {TVB_STANDARD_PAL_N, &k625},      {TVB_STANDARD_SECAM_B, &kSecam},
        {TVB_STANDARD_SECAM_D, &kSecam},  {TVB_STANDARD_SECAM_G, &kSecam},
        {TVB_STANDARD_SECAM_H, &kSecam},  {TVB_STANDARD_SECAM_K, &kSecam},
        {TVB_STANDARD_SECAM_K1, &kSecam}, {TVB_STANDARD_SECAM_L, &kSecam},
        {TVB_STANDARD_SECAM_L1, &kSecam},
    };
    Load();
    VideoStandardDescriptor d[4];
    std::memset(d, 0xEE, sizeof d);
    uint32_t count = 0;
    EXPECT_EQ(caps_->VideoOps->GetVideoStandards(0, 0, &count, d), 0u);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(d)[1080], 0xEE) << "exactly 1080 bytes";

    uint32_t taken = 0;
    for (const auto& [standard, picture] : byStandard) {
        SCOPED_TRACE(testing::Message() << "standard 0x" << std::hex << standard);
        taken |= standard;
        const auto covers = [standard = standard](const VideoStandardDescriptor& one) {
            return (one.Standards & standard) != 0;
        };
        ASSERT_EQ(std::count_if(d, d + 3, covers), 1);
        const VideoStandardDescriptor& got = *std::find_if(d, d + 3, covers);
        EXPECT_STREQ(got.Name, picture->name);
        EXPECT_STREQ(got.Description, picture->description);
        EXPECT_EQ((std::vector<uint32_t>{got.Width, got.Height, got.FrameRate}),
                  (std::vector<uint32_t>{720, picture->height, picture->frameRate}));
    }
    EXPECT_EQ(d[0].Standards | d[1].Standards | d[2].Standards, taken) << "no other bit";
    for (const VideoStandardDescriptor& one : {d[0], d[1], d[2]}) {
        SCOPED_TRACE(one.Name);
        EXPECT_EQ((std::vector<uint32_t>{one.Reserved320, one.Size, one.Word344}),
                  (std::vector<uint32_t>{0, 360, 0x00010001}));
        EXPECT_TRUE(ZeroPadded(one.Name, sizeof one.Name));
        EXPECT_TRUE(ZeroPadded(one.Description, sizeof one.Description));
        EXPECT_EQ(std::count(one.Tail, one.Tail + sizeof one.Tail, 0), 12) << "tail";
    }
    EXPECT_EQ((std::vector<std::string>{d[0].Name, d[1].Name, d[2].Name}),
              (std::vector<std::string>{k525.name, k625.name, kSecam.name}))
        << "listed in this order";
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
