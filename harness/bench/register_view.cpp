#include "bench/register_view.h"

#include "bench/picture_settings.h"
#include "bench/register_names.h"
#include "bench/values.h"
#include "emu/synth.h"
#include "host_driver/host_driver.h"
#include "text/format.h"
#include "text/hex.h"

#include <algorithm>
#include <map>
#include <vector>

namespace bench {

namespace {

using text::Format;
using text::Hex;

namespace dmap = regmap::decoder;
namespace ifd = regmap::if_demod;
namespace sm = regmap::synth;

struct Field {
    std::string name;
    uint32_t value;
};
struct Register {
    std::string label; // as the device's address reads: "10A", "1B", "R4"
    uint32_t address;
    std::string name; // empty: a register the maps name only by address
    uint8_t value;
    std::vector<Field> fields;
};
struct Device {
    const char* key;  // JSON
    const char* name; // text
    uint32_t busAddress;
    std::vector<Register> registers;
    Json decoded = Json::object();
    std::string decodedText;
};

std::string Signed(int value) {
    return (value > 0 ? "+" : "") + std::to_string(value);
}

Device DecoderView(const emu::Decoder& d) {
    Device dev{"decoder", "decoder", TVB_DECODER_ADDRESS, {}, Json::object(), ""};
    std::map<uint32_t, std::string> names;
    for (const NamedRegister& r : kDecoderRegisters) {
        names[r.address] = Plain(r.name);
    }
    for (const NamedDecoderField& f : kDecoderFields) {
        names.emplace(f.field.reg, ""); // a field's register named only by address
    }
    for (uint32_t address = 0; address <= UINT16_MAX; ++address) {
        if (d.Touched(static_cast<uint16_t>(address))) {
            names.emplace(address, ""); // written or read, named by no map
        }
    }
    for (const auto& [address, name] : names) {
        Register r{Format("%03X", address),
                   address,
                   name,
                   static_cast<uint8_t>(d.Dword(static_cast<uint16_t>(address))),
                   {}};
        for (const NamedDecoderField& f : kDecoderFields) {
            if (f.field.reg == address) {
                r.fields.push_back({Plain(f.name), d.Field(f.field)});
            }
        }
        dev.registers.push_back(std::move(r));
    }
    const uint8_t select = static_cast<uint8_t>(d.Dword(dmap::kInputSelect));
    const uint8_t control = static_cast<uint8_t>(d.Dword(dmap::kInputControl));
    const struct {
        uint8_t select, control;
        uint32_t input;
    } inputs[] = {{dmap::kInputSelectInput0, dmap::kInputControlInput0, TVB_VIDEO_INPUT_TUNER},
                  {dmap::kInputSelectInput1, dmap::kInputControlInput1, TVB_VIDEO_INPUT_COMPOSITE},
                  {dmap::kInputSelectInput2, dmap::kInputControlInput2, TVB_VIDEO_INPUT_SVIDEO}};
    std::string input = "none of the three";
    for (const auto& i : inputs) {
        if (select == i.select && control == i.control) {
            input = InputName(i.input);
        }
    }
    dev.decoded["input"] = input;
    dev.decodedText = "input " + input + "; picture";
    for (const PictureControl& c : PictureControls()) {
        int32_t value = 0;
        const uint8_t byte = static_cast<uint8_t>(d.Dword(c.reg));
        if (PictureValue(c, byte, &value)) {
            dev.decoded[c.name] = value;
            dev.decodedText += std::string(" ") + c.name + " " + std::to_string(value);
        } else {
            dev.decoded[c.name] = nullptr;
            dev.decodedText += std::string(" ") + c.name + " ? (" + Hex(byte, 2) + ")";
        }
    }
    return dev;
}

Device IfDemodView(const emu::IfDemod& d) {
    Device dev{"if_demodulator", "IF demodulator", TVB_IF_DEMOD_ADDRESS, {}, Json::object(), ""};
    std::map<uint32_t, std::string> names;
    for (const NamedRegister& nr : kIfDemodRegisters) {
        names[nr.address] = Plain(nr.name);
    }
    for (uint32_t address = 0; address <= UINT8_MAX; ++address) {
        if (d.Touched(static_cast<uint8_t>(address))) {
            names.emplace(address, ""); // written or read, named by no map
        }
    }
    for (const auto& [address, name] : names) {
        const uint8_t reg = static_cast<uint8_t>(address);
        Register r{Format("%02X", reg), reg, name, d.Peek(reg), {}};
        for (const NamedMask& f : kIfDemodFields) {
            if (f.reg == reg) {
                r.fields.push_back({Plain(f.name), Masked(r.value, f.mask)});
            }
        }
        dev.registers.push_back(std::move(r));
    }
    const uint8_t status = d.Peek(ifd::kStatus);
    const bool locked = (status & ifd::kLockBit) != 0;
    const int afc = static_cast<int8_t>(static_cast<uint8_t>((status & ifd::kAfcMask) << 1)) / 2;
    const uint32_t tuned = d.TunedHz();
    const emu::Station* s = d.Receiving();
    dev.decoded = {{"standard_code", emu::IfDemod::CodeName(d.StandardCode())},
                   {"gate_open", d.GateOpen()},
                   {"locked", locked},
                   {"afc_value", afc},
                   {"tuned_hz", tuned},
                   {"receiving_hz", s != nullptr ? Json(s->frequencyHz) : Json(nullptr)},
                   {"receiving_standard",
                    s != nullptr ? Json(host_driver::StandardName(s->standard)) : Json(nullptr)}};
    dev.decodedText =
        std::string("standard code ") + emu::IfDemod::CodeName(d.StandardCode()) + ", gate " +
        (d.GateOpen() ? "open" : "closed") + ", " +
        (locked ? "locked, AFC value " + Signed(afc) : std::string("no lock")) + ", tuned " +
        (tuned != 0 ? MHzText(tuned) : std::string("nowhere")) + ", receiving " +
        (s != nullptr ? MHzText(s->frequencyHz) + " " + host_driver::StandardName(s->standard)
                      : std::string("nothing"));
    return dev;
}

Device SynthView(const emu::Synth& sy) {
    Device dev{"synthesizer", "synthesizer", TVB_SYNTH_ADDRESS, {}, Json::object(), ""};
    for (uint8_t i = 0; i < emu::Synth::kRegisters; ++i) {
        std::string name;
        for (const NamedRegister& nr : kSynthRegisters) {
            name = nr.address == i ? Plain(nr.name) : name;
        }
        Register r{"R" + std::to_string(i), i, name, sy.Reg(i), {}};
        for (const NamedMask& f : kSynthFields) {
            if (f.reg == i) {
                r.fields.push_back({Plain(f.name), Masked(r.value, f.mask)});
            }
        }
        dev.registers.push_back(std::move(r));
    }
    const uint64_t osc = sy.OscillatorHz();
    const uint32_t subBand = Masked(sy.Reg(sm::kBand), sm::kSubBandMask);
    dev.decoded = {{"divider", sy.Divider()}, {"exponent", sy.DivExp()}, {"sub_band", subBand},
                   {"oscillator_hz", osc},    {"vco_hz", sy.VcoHz()},    {"locked", sy.Locked()}};
    dev.decodedText =
        Format("divider %u, exponent %u, sub-band %u: oscillator %.3f MHz (VCO %.3f MHz, %s)",
               sy.Divider(), sy.DivExp(), subBand, static_cast<double>(osc) / 1e6,
               static_cast<double>(sy.VcoHz()) / 1e6, sy.Locked() ? "locked" : "not locked");
    return dev;
}

std::vector<Device> Devices(const emu::Board& board) {
    return {DecoderView(board.decoder), IfDemodView(board.demod), SynthView(board.synth)};
}

} // namespace

std::string RegisterViewText(const emu::Board& board) {
    std::string out = "\n-- registers\n";
    for (const Device& dev : Devices(board)) {
        out +=
            std::string(dev.name) + " at " + Hex(dev.busAddress, 2) + ": " + dev.decodedText + "\n";
        for (const Register& r : dev.registers) {
            std::string line =
                Format("  %-4s %-18s %02X", r.label.c_str(), r.name.c_str(), r.value);
            for (const Field& f : r.fields) {
                line +=
                    "  " + f.name + "=" + (f.value > 9 ? Hex(f.value) : std::to_string(f.value));
            }
            out += line + "\n";
        }
    }
    return out;
}

Json RegisterViewJson(const emu::Board& board) {
    Json view = Json::object();
    for (const Device& dev : Devices(board)) {
        Json regs = Json::array();
        for (const Register& r : dev.registers) {
            Json fields = Json::object();
            for (const Field& f : r.fields) {
                fields[f.name] = f.value;
            }
            Json j = {{"register", r.address}};
            if (!r.name.empty()) {
                j["name"] = r.name;
            }
            j["value"] = r.value;
            j["fields"] = std::move(fields);
            regs.push_back(std::move(j));
        }
        view[dev.key] = {
            {"address", dev.busAddress}, {"registers", std::move(regs)}, {"decoded", dev.decoded}};
    }
    return view;
}

} // namespace bench
