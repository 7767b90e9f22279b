// The tuner property calls of an input (TunerOps): the mode caps, and the
// get and set requests with their settings record and request, each made
// as the input asks (null, the live or an older settings record, the same
// memory for both, short or full).
#include "fuzz/call_sequence.h"

namespace fuzz {

RecordArg CallSequence::TunerRecord(Record how, size_t extent, uint8_t length, uint8_t fill,
                                    const RecordArg* settings) {
    RecordArg r;
    r.how = how;
    if (how == Record::Null) {
        return r;
    }
    if (how == Record::Live || how == Record::Older) {
        r.ptr = reinterpret_cast<uint8_t*>(how == Record::Live ? live_ : OlderRecord());
        r.size = r.ptr != nullptr ? kSettingsSize : 0;
        if (r.ptr == nullptr && settings == nullptr) {
            r.how = Record::Null; // the host has no such settings record: it passes none
            return r;
        }
    } else if (how == Record::Same && settings != nullptr && settings->ptr != nullptr &&
               settings->size >= extent) {
        r.ptr = settings->ptr;
        r.size = settings->size;
    } else if (how == Record::Short && kSettingsSize > extent) {
        r.size = extent + length % (kSettingsSize - extent);
        r.ptr = NewBlock(r.size, fill);
    }
    if (r.ptr == nullptr) {
        r.how = Record::Full;
        r.size = kSettingsSize;
        r.ptr = NewBlock(r.size, fill);
    }
    return r;
}

void CallSequence::TunerCall(size_t slot) {
    const TVB_TUNER_OPS* ops = caps_->TunerOps;
    if (slot == 0) {
        const TVB_ARG a = in_.Value(Kind::Any);
        const TVB_ARG b = in_.Value(Kind::Any);
        const uint32_t mode = in_.Value(Kind::Mode);
        const bool known = mode == TVB_TUNER_MODE_TV || mode == TVB_TUNER_MODE_FM_RADIO;
        RecordArg caps = MakeRecord(sizeof(TunerModeCaps), known ? sizeof(TunerModeCaps) : 0, 0xA5);
        if (in_.Ended()) {
            return;
        }
        Before(
            [&] {
                return "GetTunerModeCaps(" + std::to_string(mode) + ", " + caps.Describe() + ")";
            },
            0);
        Expect(ops->GetTunerModeCaps(a, b, mode, reinterpret_cast<TunerModeCaps*>(caps.ptr)) == 0,
               "GetTunerModeCaps did not return 0");
        if (known && caps.ptr != nullptr) {
            TunerModeCaps c{};
            std::memcpy(&c, caps.ptr, sizeof c);
            Expect(c.MaxFrequency == (mode == TVB_TUNER_MODE_TV ? 847000000u : 107900000u),
                   "tuner mode caps");
            claims_.TunerMode(mode, c);
        }
        After();
        return;
    }
    const bool set = slot == 2;

    // The settings record.
    const auto settingsHow = static_cast<Record>(in_.U8() % kRecordCount);
    const uint8_t settingsLength = in_.U8();
    const TVB_ARG unused = in_.Value(Kind::Any);
    // The request.
    const auto requestHow = static_cast<Record>(in_.U8() % kRecordCount);
    const uint32_t id = in_.Value(Kind::RequestId);
    // The request's field that carries its value, and what the value stands for.
    static const struct {
        uint32_t id;
        Kind kind;
        Field field;
    } kPayloads[] = {
        {TVB_REQUEST_AUDIO_MODE, Kind::AudioMode, &TVTunerSettings::AudioMode},
        {TVB_REQUEST_MODE, Kind::Mode, &TVTunerSettings::Mode},
        {TVB_REQUEST_VIDEO_STANDARD, Kind::Standard, &TVTunerSettings::VideoStandard},
        {TVB_REQUEST_FREQUENCY, Kind::Frequency, &TVTunerSettings::Frequency},
        {TVB_REQUEST_TUNER_INPUT, Kind::Input, &TVTunerSettings::TunerInput},
    };
    Kind payloadKind = Kind::Any;
    Field payloadField = nullptr;
    for (const auto& p : kPayloads) {
        if (p.id == id) {
            payloadKind = p.kind;
            payloadField = p.field;
        }
    }
    const uint32_t payload = in_.Value(payloadKind);
    const uint8_t fill = in_.U8();
    const uint8_t requestLength = in_.U8();
    if (in_.Ended()) {
        return;
    }

    const RecordArg settings =
        TunerRecord(settingsHow, set ? kSettingsSetEnd : kSettingsGetEnd, settingsLength, fill);
    const size_t requestExtent = set && id == TVB_REQUEST_AUDIO_MODE ? kResultEnd : kRequestIdEnd;
    const RecordArg request =
        TunerRecord(requestHow, requestExtent, requestLength, fill, &settings);
    if (request.ptr != nullptr) {
        auto* r = reinterpret_cast<TVTunerSettings*>(request.ptr);
        r->RequestId = id;
        if (payloadField != nullptr) {
            r->*payloadField = payload;
        }
    }

    uint64_t bound = 0;
    if (request.ptr != nullptr) {
        if (set) {
            bound = id == TVB_REQUEST_AUDIO_MODE  ? bounds::kSetAudioMode
                    : id == TVB_REQUEST_FREQUENCY ? bounds::kTune
                                                  : 0;
        } else {
            bound = id == TVB_REQUEST_MODE     ? bounds::kDetectAudioModes
                    : id == TVB_REQUEST_STATUS ? bounds::kStatus
                                               : 0;
        }
    }
    tuner_ = set ? Tuner::Set : Tuner::Get;
    requestId_ = id;
    if (how_.describe) {
        kind_ = std::string(set ? "SetTunerProperty" : "GetTunerProperty") + " id " +
                (request.ptr != nullptr ? std::to_string(id) : std::string("(no request)"));
    }
    settingsArg_ = reinterpret_cast<const TVTunerSettings*>(settings.ptr);
    requestArg_ = request.ptr;
    requestSize_ = request.size;
    Before(
        [&] {
            return std::string(set ? "SetTunerProperty" : "GetTunerProperty") + "(settings " +
                   settings.Describe() + ", request " + request.Describe() + " id " +
                   std::to_string(id) + " value " + Hex(payload) + ")";
        },
        bound);
    const uint32_t r = (set ? ops->SetTunerProperty : ops->GetTunerProperty)(
        reinterpret_cast<TVTunerSettings*>(settings.ptr), unused,
        reinterpret_cast<TVTunerSettings*>(request.ptr));
    Expect(r == 0, [&] { return "tuner property call returned " + Hex(r); });
    After();
}

} // namespace fuzz
