#include "bench/register_diff.h"

#include "bench/bus_devices.h"
#include "text/format.h"

namespace bench {

namespace {

struct Change {
    const BoardDevice* device;
    uint32_t reg;
    uint8_t before;
    uint8_t after;
};

std::vector<Change> Changes(const RegisterSnapshot& before, const RegisterSnapshot& after) {
    std::vector<Change> changes;
    const struct {
        const BoardDevice& device;
        const std::vector<uint8_t>& before;
        const std::vector<uint8_t>& after;
    } devices[] = {{Decoder(), before.decoder, after.decoder},
                   {Demodulator(), before.demod, after.demod},
                   {Synthesizer(), before.synth, after.synth}};
    for (const auto& d : devices) {
        for (size_t reg = 0; reg < d.before.size() && reg < d.after.size(); ++reg) {
            if (d.before[reg] != d.after[reg]) {
                changes.push_back(
                    {&d.device, static_cast<uint32_t>(reg), d.before[reg], d.after[reg]});
            }
        }
    }
    return changes;
}

} // namespace

RegisterSnapshot TakeSnapshot(const emu::Board& board) {
    RegisterSnapshot s;
    s.decoder.resize(Decoder().registers);
    for (uint32_t reg = 0; reg < Decoder().registers; ++reg) {
        s.decoder[reg] = board.decoder.Peek(static_cast<uint16_t>(reg));
    }
    s.demod.resize(Demodulator().registers);
    for (uint32_t reg = 0; reg < Demodulator().registers; ++reg) {
        s.demod[reg] = board.demod.Peek(static_cast<uint8_t>(reg));
    }
    for (int reg = 0; reg < emu::Synth::kRegisters; ++reg) {
        s.synth.push_back(board.synth.Reg(reg));
    }
    return s;
}

std::string DiffText(const RegisterSnapshot& before, const RegisterSnapshot& after,
                     const std::string& command) {
    const std::vector<Change> changes = Changes(before, after);
    std::string out = "\n-- registers " + command + " changed: " +
                      (changes.empty() ? std::string("none") : std::to_string(changes.size())) +
                      " (before -> after)\n";
    for (const Change& c : changes) {
        out += text::Format("%-14s %-4s %-18s %02X -> %02X\n", c.device->title,
                            RegisterLabel(*c.device, c.reg).c_str(),
                            RegisterName(*c.device, c.reg).c_str(), c.before, c.after);
    }
    return out;
}

Json DiffJson(const RegisterSnapshot& before, const RegisterSnapshot& after) {
    Json list = Json::array();
    for (const Change& c : Changes(before, after)) {
        Json j = {{"device", c.device->name}, {"register", c.reg}};
        const std::string name = RegisterName(*c.device, c.reg);
        if (!name.empty()) {
            j["name"] = name;
        }
        j.update({{"before", c.before}, {"after", c.after}});
        list.push_back(std::move(j));
    }
    return list;
}

} // namespace bench
