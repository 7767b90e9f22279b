// The decoder's one-time register set. It starts the decoder on input 0
// (0x102 = C1, 0x109 = 40) with the picture registers 0x10A..0x10D at their
// middle values. A board closed part-way stops the set at once: the board is
// tested again before every write.
#include "video/register_set.h"

#include "frame/host_calls.h"
#include "frame/module_state.h"

namespace {

struct RegisterValue {
    uint16_t reg;
    uint8_t value;
};

// 0x112 and 0x113 are left as they are.
constexpr RegisterValue kVideoDecoder[] = {
    {0x100, 0x10}, {0x101, 0x08}, {0x102, 0xC1}, {0x103, 0x00}, {0x104, 0x90}, {0x105, 0x90},
    {0x106, 0x00}, {0x107, 0x00}, {0x108, 0x88}, {0x109, 0x40}, {0x10A, 0x80}, {0x10B, 0x44},
    {0x10C, 0x40}, {0x10D, 0x00}, {0x10E, 0x01}, {0x10F, 0x2A}, {0x110, 0x06}, {0x111, 0x00},
    {0x114, 0x41}, {0x115, 0x04}, {0x116, 0x14}, {0x117, 0x19}, {0x118, 0x40}, {0x119, 0x80},
    {0x11A, 0x77}, {0x11B, 0x02}, {0x11C, 0x00}, {0x11D, 0x00}, {0x11E, 0x85}, {0x11F, 0xB1},
};

constexpr RegisterValue kGroup2A0[] = {
    {0x2A0, 0x03}, {0x2A1, 0x05}, {0x2A2, 0x07}, {0x2A3, 0x08}, {0x2A4, 0x00}, {0x2A5, 0x00},
    {0x2A6, 0x00}, {0x2A7, 0x00}, {0x2A8, 0x00}, {0x2A9, 0xFF}, {0x2AA, 0x00}, {0x2AB, 0x00},
};

constexpr RegisterValue kGroup190[] = {
    {0x190, 0x00},
    {0x191, 0xA0},
    {0x192, 0x00},
    {0x193, 0xA2},
};

struct RegisterGroup {
    const RegisterValue* values;
    size_t count;
};

template <size_t N> constexpr RegisterGroup Group(const RegisterValue (&values)[N]) {
    return {values, N};
}

constexpr RegisterGroup kRegisterSet[] = {Group(kVideoDecoder), Group(kGroup2A0), Group(kGroup190)};

} // namespace

void InitDecoderRegisters() {
    // The set counts as loaded only if the board could be reached when it
    // started; otherwise it is loaded by the first caller that finds a board.
    // A board closed part-way through, or writes the host could not make,
    // still count: the set is not sent twice.
    const bool reachable = BoardReachable();
    for (const RegisterGroup& group : kRegisterSet) {
        for (size_t i = 0; i < group.count; ++i) {
            if (!BoardReachable()) {
                break;
            }
            HostWriteReg16(group.values[i].reg, group.values[i].value);
        }
    }
    if (reachable) {
        g_bIsScalerInitialized = 1;
    }
}
