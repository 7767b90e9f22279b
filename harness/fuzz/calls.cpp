// The host calls of an input: each slot of the five tables with the
// arguments and records the input asks for (the tuner table's in
// tuner_calls.cpp).
#include "fuzz/call_sequence.h"

namespace fuzz {

// The table and slot bytes pick one of the public header's slots.
void CallSequence::CallSlot(uint8_t table, uint8_t slot) {
    const size_t t = table % host_driver::kTableCount;
    const host_driver::Slot& s =
        host_driver::kTables[t].slots[slot % host_driver::kTables[t].count];
    if (s.stub) {
        StubCall(s);
    } else if (t == host_driver::kBoardOps) {
        BoardCall(s.slot);
    } else if (t == host_driver::kVideoOps) {
        VideoCall(s.slot);
    } else if (t == host_driver::kAudioOps) {
        AudioCall(s.slot);
    } else if (t == host_driver::kInputOps) {
        InputCall(s.slot);
    } else {
        TunerCall(s.slot);
    }
    blocks_.clear();
}

// --- the stubs --------------------------------------------------------------

// A slot the board does not support: as many words as it takes, and its
// constant back whatever they are.
void CallSequence::StubCall(const host_driver::Slot& s) {
    TVB_ARG words[host_driver::kMostArguments] = {};
    for (size_t i = 0; i < s.args; ++i) {
        words[i] = in_.Value(Kind::Any);
    }
    if (in_.Ended()) {
        return;
    }
    // The input table's two-word slots are named alike, its query among them.
    const auto name = [&] {
        const bool query = std::strcmp(s.table, "InputOps") == 0 && s.args == 2;
        return std::string(s.table) + "[" + std::to_string(s.slot) + "]" + (query ? "" : " stub");
    };
    Before(name, 0);
    const TVB_ARG r = s.call(*caps_, words);
    Expect(r == s.result,
           [&] { return name() + " returned " + Hex(r) + ", expected " + Hex(s.result); });
    After();
}

// --- BoardOps ---------------------------------------------------------------

void CallSequence::BoardCall(size_t slot) {
    const TVB_BOARD_OPS* ops = caps_->BoardOps;
    if (slot == 0) {
        const TVB_HOST_HANDLE ctx = in_.Value(Kind::Handle);
        const uint8_t place = in_.U8();
        RecordArg info = MakeRecord(kBoardInfoSize, kBoardInfoSize, 0xA5);
        if (in_.Ended()) {
            return;
        }
        // Where OpenBoard stores the record's address; it must overwrite this.
        TVTunerSettings unwritten{};
        TVTunerSettings* record = &unwritten;
        TVTunerSettings** out = place % 3 != 0 ? &record : nullptr;
        Before(
            [&] {
                return "OpenBoard(" + Hex(ctx) + ", " + (out != nullptr ? "place" : "null") + ", " +
                       info.Describe() + ")";
            },
            0);
        const TVB_STATUS status = ops->OpenBoard(ctx, out, reinterpret_cast<BoardInfo*>(info.ptr));
        if (status == TVB_STATUS_SUCCESS) {
            if (out != nullptr) {
                Expect(record != nullptr && record != &unwritten,
                       "OpenBoard succeeded without a record");
            }
            host_.ExpectHandle(ctx != 0 ? ctx : host_.ExpectedHandle());
            expectedInput_ = 0;
            Expect(!linked_ || HostContext == ctx, "OpenBoard did not keep the host's handle");
        } else {
            Expect(status == TVB_STATUS_INSUFFICIENT_RESOURCES,
                   [&] { return "OpenBoard returned " + Hex(static_cast<uint32_t>(status)); });
            Expect(out != nullptr && record == nullptr,
                   "OpenBoard failed, yet it handed out a record, left the place unwritten or "
                   "was given none");
        }
        if (info.ptr != nullptr) {
            Expect(std::strcmp(reinterpret_cast<const char*>(info.ptr), TVB_BOARD_NAME) == 0,
                   "BoardInfo name");
        }
        if (status == TVB_STATUS_SUCCESS && out != nullptr && record != nullptr) {
            handed_.push_back({record, true});
            live_ = record;
            for (size_t f = 0; f < kKeptCount; ++f) {
                Expect(
                    !linked_ || record->*kKept[f].field == g_TVTuner_Settings.*kKept[f].field, [&] {
                        return std::string("new record and module copy differ in ") + kKept[f].name;
                    });
                inStep_[f] = true;
            }
        } else if (status == TVB_STATUS_SUCCESS) {
            live_ = nullptr; // opened without a record: the earlier one is the host's own
        }
        After();
        return;
    }

    const uint8_t which = in_.U8();
    const uint32_t unused = in_.Value(Kind::Any);
    if (in_.Ended()) {
        return;
    }
    TVTunerSettings* record = nullptr;
    std::string what;
    switch (which % 5) {
    case 1:
        record = live_;
        what = "live";
        break;
    case 2:
        record = OlderRecord();
        what = "older";
        break;
    case 3: // a record closed already: a double close
        for (const Handed& h : handed_) {
            if (!h.alive) {
                record = h.record;
            }
        }
        what = "closed";
        break;
    case 4:
        record = reinterpret_cast<TVTunerSettings*>(NewBlock(kSettingsSize, 0x5A));
        what = "foreign";
        break;
    default:
        what = "null";
        break;
    }
    const int liveBlocks = vt::LiveAllocations();
    Before([&] { return "CloseBoard(" + what + ")"; }, 0);
    Expect(ops->CloseBoard(record, unused) == TVB_STATUS_SUCCESS, "CloseBoard did not return 0");
    Expect(!linked_ || HostContext == 0, "CloseBoard left the board open");
    if (vt::LiveAllocations() < liveBlocks) {
        bool ours = false;
        for (Handed& h : handed_) {
            if (h.alive && h.record == record) {
                h.alive = false;
                ours = true;
            }
        }
        Expect(ours, "CloseBoard freed a block it had not handed out");
        if (live_ == record) {
            live_ = nullptr;
        }
    }
    After();
}

// --- VideoOps ---------------------------------------------------------------

void CallSequence::VideoCall(size_t slot) {
    const TVB_VIDEO_OPS* ops = caps_->VideoOps;
    switch (slot) {
    case 2: {
        const TVB_ARG a = in_.Value(Kind::Any);
        const TVB_ARG b = in_.Value(Kind::Any);
        RecordArg buffer = MakeRecord(kStandardsSize, kStandardsSize, 0xA5);
        // The count may lie inside the buffer: the host's own business.
        RecordArg count = SameOr(buffer, 4, 4, 0xA5);
        if (in_.Ended()) {
            return;
        }
        Before(
            [&] {
                return "GetVideoStandards(count " + count.Describe() + ", buffer " +
                       buffer.Describe() + ")";
            },
            0);
        const uint32_t r =
            ops->GetVideoStandards(a, b, reinterpret_cast<uint32_t*>(count.ptr),
                                   reinterpret_cast<VideoStandardDescriptor*>(buffer.ptr));
        Expect(r == 0, [&] { return "GetVideoStandards returned " + Hex(r); });
        // With both places given (and apart) the count is 3; without the
        // buffer nothing is written at all.
        if (count.ptr != nullptr && buffer.ptr != nullptr && count.how != Record::Same) {
            uint32_t n = 0;
            std::memcpy(&n, count.ptr, 4);
            Expect(n == TVB_VIDEO_STANDARD_COUNT,
                   [&] { return "standard count " + std::to_string(n); });
            if (n == TVB_VIDEO_STANDARD_COUNT &&
                buffer.size >= TVB_VIDEO_STANDARD_COUNT * sizeof(VideoStandardDescriptor)) {
                std::vector<VideoStandardDescriptor> listed(TVB_VIDEO_STANDARD_COUNT);
                std::memcpy(listed.data(), buffer.ptr,
                            TVB_VIDEO_STANDARD_COUNT * sizeof(VideoStandardDescriptor));
                claims_.Descriptors(listed);
            }
        }
        After();
        return;
    }
    case 3: {
        const TVB_ARG a = in_.Value(Kind::Any);
        const TVB_ARG b = in_.Value(Kind::Any);
        RecordArg defaults =
            MakeRecord(sizeof(VideoPropertyDefaults), sizeof(VideoPropertyDefaults), 0xA5);
        if (in_.Ended()) {
            return;
        }
        Before([&] { return "GetVideoPropertyDefaults(" + defaults.Describe() + ")"; }, 0);
        ops->GetVideoPropertyDefaults(a, b, reinterpret_cast<VideoPropertyDefaults*>(defaults.ptr));
        After();
        return;
    }
    case 4: {
        const uint32_t hostValue = in_.Value(Kind::Any);
        const auto restart = static_cast<int32_t>(in_.Value(Kind::PropertyValue));
        const auto input = static_cast<int32_t>(in_.Value(Kind::Input));
        int32_t p[17];
        for (int32_t& v : p) {
            v = static_cast<int32_t>(in_.Value(Kind::PropertyValue));
        }
        const uint32_t word0 = in_.Value(Kind::Input);
        const uint32_t word1 = in_.Value(Kind::PropertyValue);
        // Word 1 is read only for a restart value of -1, word 0 only for an
        // input of -1.
        const size_t extent = restart == -1 ? 8 : input == -1 ? 4 : 0;
        RecordArg record = MakeRecord(sizeof(TVB_SENSOR_INIT_RECORD), extent, 0xA5);
        if (in_.Ended()) {
            return;
        }
        if (record.size >= 4) {
            std::memcpy(record.ptr, &word0, 4);
        }
        if (record.size >= 8) {
            std::memcpy(record.ptr + 4, &word1, 4);
        }
        const uint64_t bound = record.ptr != nullptr ? bounds::kInitializeSensor : 0;
        Before(
            [&] {
                return "InitializeSensor(" + record.Describe() + ", restart " +
                       std::to_string(restart) + ", input " + std::to_string(input) + ")";
            },
            bound);
        const int32_t r = ops->InitializeSensor(
            reinterpret_cast<const TVB_SENSOR_INIT_RECORD*>(record.ptr), hostValue, restart, input,
            p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11], p[12], p[13],
            p[14], p[15], p[16]);
        Expect(r == (record.ptr != nullptr ? 0 : -1),
               [&] { return "InitializeSensor returned " + std::to_string(r); });
        if (record.ptr != nullptr) {
            expectedInput_ = input == -1 ? word0 : static_cast<uint32_t>(input);
        }
        After();
        return;
    }
    case 8: {
        const TVB_ARG a1 = in_.Value(Kind::Any);
        const TVB_ARG a2 = in_.Value(Kind::Any);
        const uint32_t property = in_.Value(Kind::Property);
        const auto value = static_cast<int32_t>(in_.Value(Kind::PropertyValue));
        const TVB_ARG a5 = in_.Value(Kind::Any);
        if (in_.Ended()) {
            return;
        }
        const uint64_t bound = property == TVB_PROPERTY_VIDEO_INPUT     ? bounds::kSelectVideoInput
                               : property == TVB_PROPERTY_AUDIO_RESTART ? bounds::kRestartPulse
                                                                        : 0;
        if (how_.describe) {
            kind_ = "SetVideoProperty " + Hex(property);
        }
        Before(
            [&] {
                return "SetVideoProperty(" + Hex(property) + ", " + std::to_string(value) + ")";
            },
            bound);
        Expect(ops->SetVideoProperty(a1, a2, property, value, a5) == 0,
               "SetVideoProperty did not return 0");
        if (property == TVB_PROPERTY_VIDEO_INPUT) {
            expectedInput_ = static_cast<uint32_t>(value);
        }
        After();
        return;
    }
    case 9: {
        const TVB_ARG a1 = in_.Value(Kind::Any);
        const TVB_ARG a2 = in_.Value(Kind::Any);
        const uint32_t property = in_.Value(Kind::Property);
        const TVB_ARG a5 = in_.Value(Kind::Any);
        RecordArg value = MakeRecord(4, 4, 0xA5);
        if (in_.Ended()) {
            return;
        }
        Before([&] { return "GetVideoProperty(" + Hex(property) + ", " + value.Describe() + ")"; },
               0);
        Expect(ops->GetVideoProperty(a1, a2, property, reinterpret_cast<uint32_t*>(value.ptr),
                                     a5) == 0,
               "GetVideoProperty did not return 0");
        After();
        return;
    }
    }
}

// --- AudioOps ---------------------------------------------------------------

void CallSequence::AudioCall(size_t slot) {
    const TVB_AUDIO_OPS* ops = caps_->AudioOps;
    switch (slot) {
    case 1: {
        const TVB_ARG a = in_.Value(Kind::Any);
        const TVB_ARG b = in_.Value(Kind::Any);
        const uint32_t rate = in_.Value(Kind::SampleRate);
        const uint32_t mode = in_.Value(Kind::Any);
        const uint32_t word = in_.Value(Kind::Any);
        RecordArg config =
            MakeRecord(sizeof(AudioInterfaceConfig), sizeof(AudioInterfaceConfig), 0xA5);
        // The format record may overlap the configuration buffer.
        RecordArg format = SameOr(config, sizeof(AudioFormat), sizeof(AudioFormat), 0xA5);
        if (in_.Ended()) {
            return;
        }
        if (format.ptr != nullptr) {
            AudioFormat f{0, rate, mode, word};
            std::memcpy(format.ptr, &f, sizeof f);
        }
        Before(
            [&] { return "GetAudioFormat(" + config.Describe() + ", " + format.Describe() + ")"; },
            0);
        ops->GetAudioFormat(a, b, reinterpret_cast<AudioInterfaceConfig*>(config.ptr),
                            reinterpret_cast<AudioFormat*>(format.ptr));
        // (Records that overlap are the host's business: what it reads back
        // from them is not what the module said.)
        if (config.ptr != nullptr && format.ptr != nullptr && format.how != Record::Same &&
            config.size >= sizeof(AudioInterfaceConfig) && format.size >= sizeof(AudioFormat)) {
            AudioInterfaceConfig gotConfig{};
            AudioFormat gotFormat{};
            std::memcpy(&gotConfig, config.ptr, sizeof gotConfig);
            std::memcpy(&gotFormat, format.ptr, sizeof gotFormat);
            claims_.AudioFormatRead(gotFormat, gotConfig);
        }
        After();
        return;
    }
    case 2: {
        const TVB_ARG a = in_.Value(Kind::Any);
        const TVB_HOST_HANDLE handle = in_.Value(Kind::Handle);
        const uint32_t rate = in_.Value(Kind::SampleRate);
        RecordArg format = MakeRecord(sizeof(AudioFormat), kSampleRateEnd, 0xA5);
        if (in_.Ended()) {
            return;
        }
        if (format.ptr != nullptr) {
            std::memcpy(format.ptr + offsetof(AudioFormat, SampleRate), &rate, 4);
        }
        Before(
            [&] {
                return "SetAudioSampleRate(" + Hex(handle) + ", " + format.Describe() + " rate " +
                       std::to_string(rate) + ")";
            },
            0);
        sampleRateCall_ = true;
        sampleRateHandle_ = handle;
        Expect(ops->SetAudioSampleRate(a, handle, reinterpret_cast<AudioFormat*>(format.ptr)) == 0,
               "SetAudioSampleRate did not return 0");
        After();
        return;
    }
    }
}

// --- InputOps ---------------------------------------------------------------

void CallSequence::InputCall(size_t slot) {
    const TVB_INPUT_OPS* ops = caps_->InputOps;
    const TVB_ARG a = in_.Value(Kind::Any);
    const TVB_ARG b = in_.Value(Kind::Any);
    if (slot == 3) {
        const uint32_t input = in_.Value(Kind::Input);
        if (in_.Ended()) {
            return;
        }
        if (how_.describe) {
            kind_ = "InputOps select";
        }
        Before([&] { return "InputOps select " + std::to_string(input); },
               bounds::kSelectVideoInput);
        Expect(ops->InputSelect(a, b, input) == 0, "InputOps select did not return 0");
        expectedInput_ = input;
        After();
        return;
    }
    if (in_.Ended()) { // slot 1, the query
        return;
    }
    Before([&] { return std::string("InputOps[1]"); }, 0);
    const TVB_ARG r = ops->InputQuery(a, b);
    Expect(r == expectedInput_,
           [&] { return "InputOps[1] returned " + Hex(r) + ", expected " + Hex(expectedInput_); });
    After();
}

} // namespace fuzz
