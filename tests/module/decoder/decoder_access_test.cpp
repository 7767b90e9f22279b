// Decoder register access: the path chosen by address, the DSP handshake with
// its waits and faults, and bit fields.
#include "decoder/decoder_access.h"
#include "decoder_fixture.h"
#include "frame/host_calls.h"

using DecoderAccessTest = DecoderTest;

// The DSP range is 0x400..0x500 inclusive; 0x580 itself is a plain register.
// A DSP byte that is there at once: ready, request, data ready, fetch, done.
TEST_F(DecoderAccessTest, ByteReadsAtTheRangeEdges) {
    decoder_.Reg(0x3FF) = 0x3F;
    decoder_.Reg(0x400) = 0x40;
    decoder_.Reg(0x500) = 0x50;
    decoder_.Reg(0x501) = 0x51;
    const uint16_t regs[] = {0x3FF, 0x400, 0x500, 0x501, 0x580};
    const uint8_t want[] = {0x3F, 0x40, 0x50, 0x51, 0x05};
    const size_t mark = Mark();
    for (size_t i = 0; i < 5; ++i) {
        uint8_t byte = 0xEE;
        EXPECT_EQ(ReadDecoderByte(regs[i], &byte), 1) << std::hex << regs[i];
        EXPECT_EQ(byte, want[i]) << std::hex << regs[i];
    }
    EXPECT_EQ(TraceFrom(mark), "42[3FF] -> 3F\n"
                               "42[580] -> 01\n42[400] -> 00\n42[580] -> 03\n42[400] -> 40\n"
                               "42[580] -> 05\n"
                               "42[580] -> 05\n42[500] -> 40\n42[580] -> 03\n42[500] -> 50\n"
                               "42[580] -> 05\n"
                               "42[501] -> 51\n"
                               "42[580] -> 05\n");
    EXPECT_EQ(Reads(mark, 0x580), 2 * 3 + 1) << "3 polls a DSP byte; 0x580 itself read plainly";
    EXPECT_EQ(Reads(mark, 0x400), 2);
}

// The first address decides for all four bytes of a dword: from 0x4FE even
// 0x501 is handshaken, though the DSP places no request for it, so the read
// fails there with the three bytes before it delivered; from 0x3FE even 0x400
// and 0x401 are read plainly.
TEST_F(DecoderAccessTest, DwordsAcrossTheRangeEdges) {
    decoder_.SetDword(0x4FE, 0x44332211);
    size_t mark = Mark();
    uint32_t dword = 0;
    EXPECT_EQ(ReadDecoderDword(0x4FE, &dword), 0);
    EXPECT_EQ(dword, 0x332211u) << "only the bytes completed before, least significant first";
    EXPECT_EQ(Reads(mark, 0x4FE) + Reads(mark, 0x4FF) + Reads(mark, 0x500), 3 * 2);
    EXPECT_EQ(Reads(mark, 0x501), 6) << "request and five repeated requests";
    EXPECT_EQ(Reads(mark, 0x580), 3 * 3 + 1 + 5 * (10 + 1));

    mark = Mark();
    EXPECT_EQ(WriteDecoderDword(0x4FE, 0xDDCCBBAA), 1);
    EXPECT_EQ(Reads(mark, 0x580), 4) << "a ready wait before each byte, 0x501 included";
    EXPECT_EQ(AllWrites(mark), 4);
    EXPECT_EQ(decoder_.Dword(0x4FE), 0xDDCCBBAAu);

    decoder_.SetDword(0x3FE, 0x44332211);
    mark = Mark();
    EXPECT_EQ(ReadDecoderDword(0x3FE, &dword), 1);
    // Read plainly, the DSP's registers yield the stale byte of its data latch
    // (0x33, fetched last from 0x500), not their contents; the DSP sees
    // accesses without the handshake.
    const std::string interleaved = "; DSP protocol: accesses interleaved: ";
    EXPECT_EQ(TraceFrom(mark), "42[3FE] -> 11\n42[3FF] -> 22\n42[400] -> 33\n"
                               "42[401] -> 33  !! DSP protocol: request for 401 while not ready" +
                                   interleaved +
                                   "read of 401 before the fetch of 400 (after 0 polls without "
                                   "bit 1)\n");
    EXPECT_EQ(dword, 0x33332211u);
    mark = Mark();
    EXPECT_EQ(WriteDecoderDword(0x3FE, 0xDDCCBBAA), 1);
    EXPECT_EQ(TraceFrom(mark), "42[3FE] <- AA\n42[3FF] <- BB\n"
                               "42[400] <- CC  !! DSP protocol: byte written to 400 while not "
                               "ready" +
                                   interleaved +
                                   "write of 400 before the fetch of 401 (after 0 polls without "
                                   "bit 1)\n"
                                   "42[401] <- DD  !! DSP protocol: byte written to 401 while not "
                                   "ready" +
                                   interleaved +
                                   "write of 401 before the fetch of 401 (after 0 polls without "
                                   "bit 1)\n");
    EXPECT_EQ(ConsumeProblems("DSP protocol: "), 6u);
}

// Every way a byte read can go, one DSP status bit or host read at a time:
// what it returns and hands out, and what it cost.
TEST_F(DecoderAccessTest, ByteReadFaults) {
    struct Case {
        const char* name;
        void (*setUp)(emu::Decoder&);
        uint16_t reg;
        uint8_t ok, byte;
        int regReads, statusReads, sleeps2, sleeps10;
    } const cases[] = {
        {"data ready after two repeated requests", [](emu::Decoder& d) { d.LoseReadRequests(2); },
         0x454, 1, 0x7C, 4, 1 + 10 + 1 + 10 + 1 + 1 + 1, 0, 2 * 10},
        {"read requests used up",
         [](emu::Decoder& d) { d.SetDataReadyPolls(emu::Decoder::kNever); }, 0x454, 0, 0, 1 + 5,
         1 + 5 * (10 + 1), 0, 5 * 10},
        {"ready never comes up", [](emu::Decoder& d) { d.SetReadyPolls(emu::Decoder::kNever); },
         0x454, 0, 0, 0, 10, 10, 0},
        // Ready at first, then gone for 25 polls after the request: with no
        // data the request is not placed again into a DSP that would lose it.
        {"ready gone after an unanswered request",
         [](emu::Decoder& d) {
             d.SetReadyPolls(25);
             d.SetDataReadyPolls(emu::Decoder::kNever);
             for (int i = 0; i < 25; ++i) {
                 uint8_t status = 0;
                 ReadDecoderByte(0x580, &status);
             }
         },
         0x454, 0, 0, 1, 1 + 10 + 10, 10, 10},
        {"read done never comes up",
         [](emu::Decoder& d) { d.SetReadDonePolls(emu::Decoder::kNever); }, 0x454, 0, 0, 2,
         1 + 1 + 10, 10, 0},
        // The DSP's data latch holds 0x99 from 0x460; the request goes
        // through, the fetch does not, so read done never comes.
        {"fetch the host cannot make",
         [](emu::Decoder& d) {
             d.Reg(0x460) = 0x99;
             uint8_t latch = 0;
             ReadDecoderByte(0x460, &latch);
             d.FailReads(0x454, 1, 1);
         },
         0x454, 0, 0, 2, 1 + 1 + 10, 10, 0},
        // Host results are not looked at: the plain read still succeeds.
        {"plain read the host cannot make", [](emu::Decoder& d) { d.FailReads(0x10E, 0, 1); },
         0x10E, 1, 0, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        decoder_ = emu::Decoder();
        decoder_.Reg(0x454) = 0x7C;
        decoder_.Reg(0x10E) = 0x5A;
        c.setUp(decoder_);
        const size_t mark = Mark();
        uint8_t byte = 0x77;
        EXPECT_EQ(ReadDecoderByte(c.reg, &byte), c.ok) << c.name;
        EXPECT_EQ(byte, c.byte) << c.name << ": never a stale byte";
        EXPECT_EQ(Reads(mark, c.reg), c.regReads) << c.name;
        EXPECT_EQ(Reads(mark, 0x580), c.statusReads) << c.name;
        EXPECT_EQ(Sleeps(mark, 2), c.sleeps2) << c.name;
        EXPECT_EQ(Sleeps(mark, 10), c.sleeps10) << c.name;
        EXPECT_EQ(Sleeps(mark, kAnyWait), c.sleeps2 + c.sleeps10) << c.name;
    }
}

namespace {
// A host whose read of one register, at one call, loses the byte on the way:
// the device answered (so the DSP saw the fetch), the caller receives nothing.
const TVB_HOST_OPS* g_device;
uint16_t g_lossyReg;
int g_lossyCall;
uint32_t TVB_API LossyReadReg16(TVB_HOST_HANDLE c, uint32_t d, uint32_t w, uint32_t r, uint8_t* v,
                                uint32_t z) {
    uint8_t byte = 0;
    g_device->ReadReg16(c, d, w, r, &byte, z);
    if (r != g_lossyReg || --g_lossyCall != 0) {
        *v = byte;
    }
    return 0;
}
} // namespace

// The fetch's byte is lost while the DSP still reports read done: the read
// counts as made, and yields 0, never the byte the request read left (the
// DSP's latch, here 0x99 from an earlier fetch of 0x460).
TEST_F(DecoderAccessTest, LostFetchYieldsZero) {
    decoder_.Reg(0x460) = 0x99;
    decoder_.Reg(0x454) = 0x7C;
    uint8_t latch = 0;
    ReadDecoderByte(0x460, &latch);
    TVB_HOST_OPS lossy = *host_->Ops();
    lossy.ReadReg16 = LossyReadReg16;
    g_device = host_->Ops();
    g_lossyReg = 0x454;
    g_lossyCall = 2; // the request, then the fetch
    HandIn(&lossy);
    const size_t mark = Mark();
    uint8_t byte = 0x77;
    EXPECT_EQ(ReadDecoderByte(0x454, &byte), 1);
    EXPECT_EQ(byte, 0);
    // The device answered the fetch with 7C; the host did not pass it on.
    EXPECT_EQ(TraceFrom(mark), "42[580] -> 05\n42[454] -> 99\n42[580] -> 03\n42[454] -> 7C\n"
                               "42[580] -> 05\n");
}

// A DSP that never becomes ready leaves the target register untouched; a read
// that fails stops a field write before anything is written.
TEST_F(DecoderAccessTest, HandshakeFaultsStopWrites) {
    decoder_.Reg(0x454) = 0x7C;
    decoder_.SetReadyPolls(emu::Decoder::kNever);
    const std::string tenPolls = Repeat("42[580] -> 00\n[sleep 2 ms]\n", 10);
    size_t mark = Mark();
    uint8_t byte = 0x77;
    EXPECT_EQ(ReadDecoderByte(0x454, &byte), 0);
    EXPECT_EQ(TraceFrom(mark), tenPolls);
    mark = Mark();
    EXPECT_EQ(WriteDecoderDword(0x454, 0x11223344), 0);
    EXPECT_EQ(TraceFrom(mark), tenPolls);
    EXPECT_EQ(decoder_.Reg(0x454), 0x7C);

    decoder_.SetReadyPolls(0);
    decoder_.SetDataReadyPolls(emu::Decoder::kNever);
    mark = Mark();
    EXPECT_EQ(WriteDecoderField(0x454, 7, 1, 1), 0);
    EXPECT_EQ(ReadDecoderField(0x454, 0, 8), 0u);
    EXPECT_EQ(AllWrites(mark), 0) << "nothing is written on a failed read";
}

// A DSP that is slow to become ready still receives every byte, because each
// is preceded by its own wait; a byte sent without that wait is lost.
TEST_F(DecoderAccessTest, EveryDspByteWrittenWaitsForReady) {
    decoder_.SetReadyPolls(2);
    const size_t mark = Mark();
    EXPECT_EQ(WriteDecoderDword(0x470, 0xBB10BB00), 1);
    EXPECT_EQ(decoder_.Dword(0x470), 0xBB10BB00u);
    EXPECT_EQ(decoder_.LostWrites(), 0u);
    EXPECT_EQ(Reads(mark, 0x580), 4 * 3);
    EXPECT_EQ(Sleeps(mark, 2), 4 * 2);
    const std::string trace = TraceFrom(mark);
    EXPECT_EQ(trace.substr(trace.size() - 14), "42[473] <- BB\n") << "no wait after the last byte";

    HostWriteReg16(0x470, 0x55);
    EXPECT_EQ(decoder_.LostWrites(), 1u);
    EXPECT_EQ(decoder_.Reg(0x470), 0x00);
    EXPECT_EQ(ConsumeProblems("DSP protocol: byte written to 470 while not ready"), 1u);
}

// A DSP that is ready again before it has finished the read: every byte
// still waits for read done, or the next access breaks the handshake (which
// the decoder reports at tear-down, on the access's line).
TEST_F(DecoderAccessTest, ReadDoneIsWaitedForEvenWhenReadyComesFirst) {
    decoder_.SetDword(0x454, 0x0000007C);
    decoder_.SetReadyPolls(1);
    decoder_.SetReadDonePolls(3);
    const size_t mark = Mark();
    EXPECT_EQ(WriteDecoderField(0x454, 7, 1, 1), 1);
    EXPECT_EQ(decoder_.Dword(0x454), 0xFCu);
    // Each byte read: ready, data ready (1 poll), read done (4 polls); ready
    // takes 2 polls the first time and 1 later, having come up during the
    // read-done wait. Each byte written: ready, 1 poll after a read, else 2.
    EXPECT_EQ(Reads(mark, 0x580), (2 + 1 + 4) + 3 * (1 + 1 + 4) + 1 + 3 * 2);
}

// A DSP that never reports read done: the read gives up after its ten polls,
// and the next access, which the DSP then sees as breaking the handshake,
// says how long the module waited.
TEST_F(DecoderAccessTest, ReadDoneThatNeverComesIsWaitedForInFull) {
    decoder_.Reg(0x454) = 0x7C;
    decoder_.SetReadDonePolls(emu::Decoder::kNever);
    uint8_t byte = 0x77;
    EXPECT_EQ(ReadDecoderByte(0x454, &byte), 0);
    decoder_.SetReadDonePolls(0);
    EXPECT_EQ(ReadDecoderByte(0x455, &byte), 1);
    EXPECT_EQ(ConsumeProblems("DSP protocol: read of 454 completed without the read-done wait "
                              "(next access: read of 455, after 11 polls without bit 2)"),
              1u);
}

TEST_F(DecoderAccessTest, BitFields) {
    struct Case {
        const char* name;
        uint32_t shift, width, value;
        uint32_t read;  // the field of 0x12345678
        uint32_t after; // the dword after writing `value`
    } const cases[] = {
        {"width 0", 0, 0, 0xFFFFFFFF, 0, 0x12345678},
        {"whole dword", 0, 32, 0xCAFEBABE, 0x12345678, 0xCAFEBABE},
        {"width above 32", 0, 40, 0xCAFEBABE, 0x12345678, 0xCAFEBABE},
        {"bits above the width dropped", 1, 2, 0x1F, 0, 0x1234567E},
        {"shift modulo 32", 35, 4, 0, 0xF, 0x12345600},
        {"low byte of shift and width", 0x104, 0x108, 0xAB, 0x67, 0x12345AB8},
        {"shift 31", 31, 32, 1, 0, 0x92345678},
        {"field past bit 31", 28, 8, 0xFF, 0x1, 0xF2345678},
    };
    for (const Case& c : cases) {
        decoder_.SetDword(0x200, 0x12345678);
        EXPECT_EQ(ReadDecoderField(0x200, c.shift, c.width), c.read) << c.name;
        const size_t mark = Mark();
        EXPECT_EQ(WriteDecoderField(0x200, c.shift, c.width, c.value), 1) << c.name;
        EXPECT_EQ(decoder_.Dword(0x200), c.after) << c.name;
        EXPECT_EQ(Reads(mark, kAnyRegister), 4) << c.name;
        EXPECT_EQ(AllWrites(mark), 4) << c.name << ": all four bytes are written back";
    }
}

TEST_F(DecoderAccessTest, DspFieldWriteIsNeverShortened) {
    decoder_.SetDword(0x454, 0x0000007C);
    const size_t mark = Mark();
    EXPECT_EQ(WriteDecoderField(0x454, 7, 0, 1), 1);
    EXPECT_EQ(Reads(mark, 0x580), 4 * 3 + 4);
    for (uint16_t k = 0; k < 4; ++k) {
        EXPECT_EQ(Reads(mark, 0x454 + k), 2);
        EXPECT_EQ(Writes(mark, 0x454 + k), 1);
    }
    EXPECT_EQ(decoder_.Dword(0x454), 0x7Cu);
}

TEST_F(DecoderAccessTest, NothingReachesTheBusWithoutABoard) {
    Close();
    const size_t mark = Mark();
    for (uint16_t reg : {uint16_t{0x10E}, uint16_t{0x454}}) {
        uint8_t byte = 0x77;
        uint32_t dword = 0x77777777;
        EXPECT_EQ(ReadDecoderByte(reg, &byte), 0);
        EXPECT_EQ(byte, 0);
        EXPECT_EQ(ReadDecoderDword(reg, &dword), 0);
        EXPECT_EQ(dword, 0u);
        EXPECT_EQ(WriteDecoderDword(reg, 1), 0);
        EXPECT_EQ(ReadDecoderField(reg, 0, 8), 0u);
        EXPECT_EQ(WriteDecoderField(reg, 0, 8, 1), 0);
    }
    EXPECT_EQ(TraceFrom(mark), "");
}
