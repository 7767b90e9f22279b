#include "bench/board_recordings.h"

#include "bench/conform.h"
#include "bench/register_names.h"
#include "bench/scenarios.h"
#include "emu/timeline.h"
#include "include/tvboard.h"

#include <sstream>
#include <vector>

namespace bench {
namespace {

namespace ifd = regmap::if_demod;
namespace sy = regmap::synth;
using emu::Event;
using emu::EventKind;

// The host call a recording's note names, as the reference names it: the
// slot, and for the property slots the property or request.
std::string CallName(const std::string& note) {
    std::istringstream words(note);
    std::string first;
    std::string second;
    words >> first >> second;
    while (!first.empty() && first.back() == ',') {
        first.pop_back();
    }
    if (first == "InputOps") {
        return second == "select" ? "InputSelect" : second == "query" ? "InputQuery" : first;
    }
    if (first == "SetTunerProperty" || first == "GetTunerProperty") {
        return first + " " + (second == "available" ? "available modes" : second);
    }
    if (first == "SetVideoProperty") {
        const struct {
            uint32_t property;
            const char* name;
        } names[] = {
            {TVB_PROPERTY_VIDEO_INPUT, "input"},     {TVB_PROPERTY_BRIGHTNESS, "brightness"},
            {TVB_PROPERTY_CONTRAST, "contrast"},     {TVB_PROPERTY_HUE, "hue"},
            {TVB_PROPERTY_SATURATION, "saturation"}, {TVB_PROPERTY_AUDIO_RESTART, "restart"},
            {TVB_PROPERTY_OUTPUT_CONTROL, "output"}};
        for (const auto& n : names) {
            if (second == std::to_string(n.property)) {
                return first + " " + n.name;
            }
        }
    }
    return first.empty() ? "?" : first;
}

class Recorder {
  public:
    explicit Recorder(BoardRecordings& out) : out_(out) {}

    void Take(const std::vector<Event>& events) {
        call_.clear();
        decoder_.clear();
        demodPointer_ = 0;
        gateOpen_ = false;
        std::map<uint32_t, unsigned> writes;
        for (const Event& e : events) {
            Take(e);
            if (e.device == TVB_DECODER_ADDRESS && e.kind == EventKind::RegWrite) {
                ++writes[e.reg];
            }
        }
        for (const auto& [reg, n] : writes) {
            RegisterAccess& a = out_.decoder[reg];
            a.mostWrites = n > a.mostWrites ? n : a.mostWrites;
        }
    }

  private:
    void Take(const Event& e) {
        if (e.kind == EventKind::Note) {
            call_ = e.text.rfind("host: ", 0) == 0 ? CallName(e.text.substr(6)) : "";
            return;
        }
        if (e.device == TVB_DECODER_ADDRESS && e.kind == EventKind::RegWrite && !e.bytes.empty()) {
            RegisterAccess& a = out_.decoder[e.reg];
            a.writers.insert(call_);
            a.values.insert(e.bytes[0]);
            decoder_[e.reg] = e.bytes[0];
            DecoderFieldsAfterWrite(e.reg);
        } else if (e.device == TVB_DECODER_ADDRESS && e.kind == EventKind::RegRead) {
            out_.decoder[e.reg].readers.insert(call_);
        } else if (e.device == TVB_IF_DEMOD_ADDRESS && e.kind == EventKind::BusWrite) {
            DemodWrite(e);
        } else if (e.device == TVB_IF_DEMOD_ADDRESS && e.kind == EventKind::BusRead) {
            out_.demodReads.insert(e.bytes.size());
            for (size_t i = 0; i < e.bytes.size(); ++i) {
                out_.demod[(demodPointer_ + i) & 0xFFu].readers.insert(call_);
            }
        } else if (e.device == TVB_SYNTH_ADDRESS && e.kind == EventKind::BusWrite &&
                   !e.bytes.empty()) {
            SynthWrite(e);
        }
    }

    // A field is seen as written when the last of its bytes is: the bytes
    // of a dword go out in order, lowest first.
    void DecoderFieldsAfterWrite(uint32_t reg) {
        for (const NamedDecoderField& f : kDecoderFields) {
            const uint32_t last = f.field.reg + (f.field.lowBit + f.field.width - 1u) / 8u;
            if (reg != last) {
                continue;
            }
            uint64_t dword = 0;
            for (uint32_t k = 0; k < 4; ++k) {
                const auto it = decoder_.find(f.field.reg + k);
                dword |= static_cast<uint64_t>(it != decoder_.end() ? it->second : 0) << (8 * k);
            }
            const uint64_t mask = (uint64_t{1} << f.field.width) - 1;
            out_.fields[f.name].insert(static_cast<uint32_t>((dword >> f.field.lowBit) & mask));
        }
    }

    // The bytes written to consecutive 8-bit registers from `first` on,
    // and the fields they hold.
    template <size_t N>
    void ByteWrites(std::map<uint32_t, RegisterAccess>& device, const NamedMask (&fields)[N],
                    const Event& e, uint32_t first) {
        for (size_t i = 1; i < e.bytes.size(); ++i) {
            const uint32_t reg = (first + i - 1) & 0xFFu;
            RegisterAccess& a = device[reg];
            a.writers.insert(call_);
            a.values.insert(e.bytes[i]);
            a.lengths.insert(e.bytes.size());
            for (const NamedMask& f : fields) {
                if (f.reg == reg) {
                    out_.fields[f.name].insert(Masked(e.bytes[i], f.mask));
                }
            }
        }
    }

    void DemodWrite(const Event& e) {
        out_.demodWrites.insert(e.bytes.size());
        if (!e.bytes.empty()) {
            demodPointer_ = e.bytes[0];
            ByteWrites(out_.demod, kIfDemodFields, e, e.bytes[0]);
        }
        for (size_t i = 1; i < e.bytes.size(); ++i) {
            if (((e.bytes[0] + i - 1) & 0xFFu) == ifd::kGate) {
                const bool open = (e.bytes[i] & ifd::kGateConnect) != 0;
                out_.gateOpenings += open && !gateOpen_ ? 1 : 0;
                gateOpen_ = open;
            }
        }
    }

    void SynthWrite(const Event& e) {
        out_.synthWrites.insert(e.bytes.size());
        ++out_.synthTransfers;
        out_.synthWhileGateOpen += gateOpen_ ? 1 : 0;
        ByteWrites(out_.synth, kSynthFields, e, e.bytes[0] >> sy::kSubAddressShift);
    }

    BoardRecordings& out_;
    std::string call_;
    std::map<uint32_t, uint8_t> decoder_; // the bytes as last written
    uint32_t demodPointer_ = 0;
    bool gateOpen_ = false;
};

} // namespace

bool RecordBoard(BoardRecordings* out, std::string* error) {
    Recorder recorder(*out);
    for (const Scenario& s : Scenarios()) {
        Recording recording;
        std::vector<Event> events;
        if (!Record(s, "", &recording, error, &events)) {
            *error = std::string(s.name) + ": " + *error;
            return false;
        }
        recorder.Take(events);
    }
    return true;
}

} // namespace bench
