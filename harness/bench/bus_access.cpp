#include "bench/bus_access.h"

#include "regmap/decoder_map.h"
#include "regmap/synth_map.h"
#include "text/hex.h"

namespace bench {

namespace {

namespace dmap = regmap::decoder;

constexpr int kPolls = 10; // of the DSP's status, for one bit

} // namespace

bool BusAccess::Probe(uint8_t address) {
    return host_.QuickWrite(static_cast<uint32_t>(address) << 1);
}

bool BusAccess::Acknowledged(const BoardDevice& d, const char* what, std::string* why) const {
    if (host_.LastAcknowledged()) {
        return true;
    }
    *why =
        std::string("the ") + d.title + " did not acknowledge " + what +
        (&d == &Synthesizer() ? " (it is on the bus only while the IF demodulator's gate is open)"
                              : "");
    return false;
}

bool BusAccess::PollDsp(uint8_t bit, const char* name, std::string* why) {
    const TVB_HOST_OPS* ops = host_.Ops();
    for (int i = 0; i < kPolls; ++i) {
        uint8_t status = 0;
        ops->ReadReg16(emu::HostTable::kBoardHandle, TVB_DECODER_ADDRESS, TVB_REG16_ADDRESS_BITS,
                       dmap::kDspStatus, &status, TVB_HOST_ZERO_ARG);
        if (host_.LastAcknowledged() && (status & bit) != 0) {
            return true;
        }
    }
    *why = std::string("the audio DSP did not show ") + name + " in " + std::to_string(kPolls) +
           " polls of " + text::Hex(dmap::kDspStatus, 3);
    return false;
}

bool BusAccess::ReadDecoder(uint16_t reg, uint8_t* value, std::string* why) {
    const TVB_HOST_OPS* ops = host_.Ops();
    const auto read = [&]() {
        *value = 0;
        ops->ReadReg16(emu::HostTable::kBoardHandle, TVB_DECODER_ADDRESS, TVB_REG16_ADDRESS_BITS,
                       reg, value, TVB_HOST_ZERO_ARG);
        return Acknowledged(Decoder(), "the read", why);
    };
    if (!dmap::InDspWindow(reg)) {
        return read();
    }
    // The request yields the DSP's latch, the fetch the register.
    return PollDsp(dmap::kDspReady, "ready", why) && read() &&
           PollDsp(dmap::kDspDataReady, "data ready", why) && read() &&
           PollDsp(dmap::kDspReadDone, "read done", why);
}

bool BusAccess::Read(const BoardDevice& d, uint32_t reg, uint8_t* value, std::string* why) {
    if (&d == &Decoder()) {
        return ReadDecoder(static_cast<uint16_t>(reg), value, why);
    }
    if (!d.readable) {
        *why = std::string("the ") + d.title + " is write-only: it acknowledges no read";
        return false;
    }
    const TVB_HOST_OPS* ops = host_.Ops();
    uint8_t sub = static_cast<uint8_t>(reg);
    ops->BusWrite(emu::HostTable::kBoardHandle, d.busAddress, TVB_BUS_WRITE_MODE, TVB_HOST_ZERO_ARG,
                  1, &sub, TVB_BUS_TRANSFER_FLAGS);
    if (!Acknowledged(d, "the sub-address", why)) {
        return false;
    }
    *value = 0;
    ops->BusRead(emu::HostTable::kBoardHandle, d.busAddress, TVB_BUS_READ_MODE, TVB_HOST_ZERO_ARG,
                 1, value, TVB_BUS_TRANSFER_FLAGS);
    return Acknowledged(d, "the read", why);
}

bool BusAccess::Write(const BoardDevice& d, uint32_t reg, uint8_t value, std::string* why) {
    const TVB_HOST_OPS* ops = host_.Ops();
    if (&d == &Decoder()) {
        if (dmap::InDspWindow(reg) && !PollDsp(dmap::kDspReady, "ready", why)) {
            return false;
        }
        ops->WriteReg16(emu::HostTable::kBoardHandle, TVB_DECODER_ADDRESS, TVB_REG16_ADDRESS_BITS,
                        reg, value, TVB_HOST_ZERO_ARG);
        return Acknowledged(d, "the write", why);
    }
    const uint8_t sub = &d == &Synthesizer() ? regmap::synth::SubAddress(static_cast<uint8_t>(reg))
                                             : static_cast<uint8_t>(reg);
    const uint8_t bytes[] = {sub, value};
    ops->BusWrite(emu::HostTable::kBoardHandle, d.busAddress, TVB_BUS_WRITE_MODE, TVB_HOST_ZERO_ARG,
                  2, bytes, TVB_BUS_TRANSFER_FLAGS);
    return Acknowledged(d, "the write", why);
}

} // namespace bench
