#include "host_driver/host_driver.h"

#include "frame/module_state.h"
#include "host_driver/isolation.h"
#include "host_driver/slots.h"
#include "include/tvboard.h"
#include "text/bit_names.h"
#include "text/hex.h"
#include "virtual_time/kernel_virtual.h"

#include <chrono>
#include <cstring>
#include <functional>

namespace host_driver {

namespace {

using Named = text::NamedBit;

constexpr Named kStandardNames[] = {
    {TVB_STANDARD_NTSC_M, "NTSC_M"},     {TVB_STANDARD_NTSC_M_J, "NTSC_M_J"},
    {TVB_STANDARD_NTSC_433, "NTSC_433"}, {TVB_STANDARD_PAL_B, "PAL_B"},
    {TVB_STANDARD_PAL_D, "PAL_D"},       {TVB_STANDARD_PAL_G, "PAL_G"},
    {TVB_STANDARD_PAL_H, "PAL_H"},       {TVB_STANDARD_PAL_I, "PAL_I"},
    {TVB_STANDARD_PAL_M, "PAL_M"},       {TVB_STANDARD_PAL_N, "PAL_N"},
    {TVB_STANDARD_PAL_60, "PAL_60"},     {TVB_STANDARD_SECAM_B, "SECAM_B"},
    {TVB_STANDARD_SECAM_D, "SECAM_D"},   {TVB_STANDARD_SECAM_G, "SECAM_G"},
    {TVB_STANDARD_SECAM_H, "SECAM_H"},   {TVB_STANDARD_SECAM_K, "SECAM_K"},
    {TVB_STANDARD_SECAM_K1, "SECAM_K1"}, {TVB_STANDARD_SECAM_L, "SECAM_L"},
    {TVB_STANDARD_SECAM_L1, "SECAM_L1"},
};

constexpr Named kAudioModeNames[] = {
    {TVB_AUDIO_MODE_MONO, "mono"},     {TVB_AUDIO_MODE_STEREO, "stereo"},
    {TVB_AUDIO_MODE_LANG_A, "lang-a"}, {TVB_AUDIO_MODE_LANG_B, "lang-b"},
    {TVB_AUDIO_MODE_LANG_C, "lang-c"},
};

std::string At(const void* p) {
    return text::Hex(reinterpret_cast<uintptr_t>(p));
}

// What keeps a capability record from being driven: a size of another
// record, a table that is not there or lies outside the module (a host
// would read garbage or fault), a slot without a routine or one outside the
// module, which a host would call through. `in` tells whether bytes lie in
// the module. Empty when every table and slot is sound.
std::string MissingFromCaps(const TVB_BOARD_MODULE_CAPS& caps,
                            const std::function<bool(const void*, size_t)>& in) {
    if (caps.Size != sizeof caps) {
        return "its size is " + std::to_string(caps.Size) + " bytes, a capability record's is " +
               std::to_string(sizeof caps);
    }
    std::string missing;
    const auto add = [&missing](const std::string& what) {
        missing += (missing.empty() ? "" : ", ") + what;
    };
    for (const Table& t : kTables) {
        const void* table = t.in(caps);
        if (table == nullptr) {
            add(std::string("the ") + t.name + " table is null");
            continue;
        }
        if (!in(table, t.count * sizeof(void*))) {
            add(std::string("the ") + t.name + " table at " + At(table) +
                " lies outside the module");
            continue;
        }
        for (size_t i = 0; i < t.count; ++i) {
            const void* routine = t.slots[i].routine(caps);
            if (routine == nullptr) {
                add(std::string(t.name) + " slot " + std::to_string(i) + " is null");
            } else if (!in(routine, 1)) {
                add(std::string(t.name) + " slot " + std::to_string(i) + " at " + At(routine) +
                    " lies outside the module");
            }
        }
    }
    return missing;
}

uint64_t RealClockUs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

} // namespace

// (A mode the tuner does not have answers all zero.)
std::string WrongInTunerCaps(const TunerModeCaps& c) {
    if (c.MinFrequency > c.MaxFrequency) {
        return "its lowest frequency " + std::to_string(c.MinFrequency) +
               " Hz is above its highest " + std::to_string(c.MaxFrequency) + " Hz";
    }
    if (c.MaxFrequency != 0 && c.TuningGranularity == 0) {
        return "it tunes in steps of 0 Hz";
    }
    return "";
}

std::string StandardName(uint32_t standard) {
    const std::string name = text::NameOf(kStandardNames, standard);
    return name.empty() ? text::Hex(standard) : name;
}

std::vector<uint32_t> StandardBits() {
    std::vector<uint32_t> bits;
    for (const Named& n : kStandardNames) {
        bits.push_back(n.bit);
    }
    return bits;
}

uint32_t StandardFromName(const std::string& name) {
    for (const Named& n : kStandardNames) {
        if (name == n.name) {
            return n.bit;
        }
    }
    return 0;
}

std::string AudioModeNames(uint32_t modes) {
    const std::vector<std::string> names = text::BitNames(modes, kAudioModeNames);
    return names.empty() ? "none" : text::Joined(names, "+");
}

HostDriver::HostDriver(emu::HostTable* host)
    : host_(host), module_{DllInitialize, DllUnload, GetBoardModuleCaps} {
    RestoreLoadState();
    vt::Reset();
    if (host_ != nullptr) {
        link_ = std::make_unique<VirtualTimeLink>(*host_);
    }
}

HostDriver::HostDriver(emu::HostTable& host, const std::string& image, bool echoPrints)
    : HostDriver(&host) {
    if (image.empty()) {
        return;
    }
    // A Windows kernel image runs here on the virtual-time services, like
    // the linked module: the machine code that ships, deterministically.
    image_ = LoaderFor(image);
    EnteringCall("loading the module"); // (its constructors run)
    const bool loaded = image_->Load(image);
    CallReturned();
    if (!loaded) {
        error_ = image_->Error();
        return;
    }
    module_ = image_->Bound();
    if (image_->OnVirtualTime()) {
        return;
    }
    link_.reset(); // the image waits for real and prints on its own
    host.SetClock(RealClockUs);
    prints_ = std::make_unique<PrintCapture>(host, echoPrints);
}

HostDriver::~HostDriver() {
    if (settings_ != nullptr && caps_ != nullptr) {
        Close();
    }
    DrainPrints();
    prints_.reset();
    if (!OnVirtualTime() && host_ != nullptr) {
        host_->SetClock(nullptr);
    }
    if (image_ != nullptr) {
        EnteringCall("unloading the module"); // (its destructors run)
        image_.reset();
        CallReturned();
    }
}

void HostDriver::DrainPrints() {
    if (prints_ != nullptr) {
        prints_->Drain();
    }
}

void HostDriver::Calling(const std::string& what) {
    if (Noting()) {
        host_->Note("host: " + what);
    }
    EnteringCall(what);
}

void HostDriver::Returned() {
    CallReturned();
    if (host_ != nullptr && notes_ == Notes::CallsAndReturns) {
        host_->Note("returned");
    }
}

TVB_STATUS HostDriver::Initialize() {
    Calling("DllInitialize");
    const TVB_STATUS status = module_.Initialize(nullptr);
    Returned();
    return status;
}

TVB_STATUS HostDriver::Unload() {
    Calling("DllUnload");
    const TVB_STATUS status = module_.Unload();
    Returned();
    return status;
}

void HostDriver::HandIn(const TVB_HOST_OPS* table, const TVB_BOARD_MODULE_CAPS* const** listOut,
                        uint32_t* countOut) {
    Calling("GetBoardModuleCaps");
    module_.GetCaps(0, table, listOut, countOut);
    Returned();
    if (listOut != nullptr) {
        // Checked here, once, before anything is read through them, so that
        // no caller ever reads or calls through what the record does not
        // have.
        caps_ = nullptr;
        error_ = UnusableCaps(*listOut, countOut);
    }
}

std::string HostDriver::UnusableCaps(const TVB_BOARD_MODULE_CAPS* const* list,
                                     const uint32_t* count) {
    const auto in = [this](const void* p, size_t size) {
        return image_ == nullptr || image_->Holds(p, size); // (the linked module is ours)
    };
    if (list == nullptr || (count != nullptr && *count == 0)) {
        return "the module's GetBoardModuleCaps gave no capability record";
    }
    if (count != nullptr && *count != 1) {
        return "the module's GetBoardModuleCaps counts " + std::to_string(*count) +
               " capability records, where a board module has one";
    }
    if (!in(list, sizeof(const TVB_BOARD_MODULE_CAPS*))) { // its one entry
        return "the module's capability list at " + At(list) + " lies outside the module";
    }
    if (list[0] == nullptr) {
        return "the module's GetBoardModuleCaps gave no capability record";
    }
    if (!in(list[0], sizeof *list[0])) {
        return "the module's capability record at " + At(list[0]) + " lies outside the module";
    }
    const std::string missing = MissingFromCaps(*list[0], in);
    if (!missing.empty()) {
        return "the module's capability record cannot be driven: " + missing;
    }
    caps_ = list[0];
    return "";
}

bool HostDriver::Load(const TVB_HOST_OPS* table) {
    haveDefaults_ = false;
    Initialize();
    const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
    uint32_t count = 0;
    HandIn(table != nullptr ? table : (host_ != nullptr ? host_->Ops() : nullptr), &list, &count);
    return caps_ != nullptr;
}

bool HostDriver::Open() {
    Calling("OpenBoard");
    const TVB_STATUS status =
        caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, &settings_, &info_);
    Returned();
    return status == 0 && settings_ != nullptr;
}

int32_t HostDriver::InitializeSensor(uint32_t input) {
    if (!haveDefaults_) { // read once per load, as a host does
        defaults_ = PropertyDefaults();
        haveDefaults_ = true;
    }
    const VideoPropertyDefaults& d = defaults_;
    record_ = TVB_SENSOR_INIT_RECORD{input, 0};
    CallingSlot("InitializeSensor", [input] {
        return "InitializeSensor, input " + std::to_string(input) + " from the record";
    });
    const auto v = [&d](int k) { return static_cast<int32_t>(d.Value[k]); };
    const int32_t r = caps_->VideoOps->InitializeSensor(&record_, 0, -1, -1, v(0), v(1), v(2), v(3),
                                                        v(4), v(5), v(6), v(7), v(8), v(9), v(10),
                                                        v(11), v(12), v(13), v(14), v(15), v(16));
    Returned();
    return r;
}

VideoPropertyDefaults HostDriver::PropertyDefaults() {
    VideoPropertyDefaults d{};
    Calling("GetVideoPropertyDefaults");
    caps_->VideoOps->GetVideoPropertyDefaults(0, 0, &d);
    Returned();
    return d;
}

std::vector<VideoStandardDescriptor> HostDriver::Standards() {
    Calling("GetVideoStandards");
    std::vector<VideoStandardDescriptor> out(8); // more room than the module needs
    uint32_t count = 0;
    caps_->VideoOps->GetVideoStandards(0, 0, &count, out.data());
    Returned();
    out.resize(count <= out.size() ? count : 0);
    return out;
}

TVTunerSettings HostDriver::Request(uint32_t id) const {
    TVTunerSettings r = *settings_;
    r.RequestId = id;
    return r;
}

TVTunerSettings HostDriver::SetTuner(const std::string& what, TVTunerSettings request) {
    CallingSlot("SetTunerProperty", [&what] { return "SetTunerProperty " + what; });
    caps_->TunerOps->SetTunerProperty(settings_, 0, &request);
    Returned();
    return request;
}

TVTunerSettings HostDriver::GetTuner(const std::string& what, uint32_t requestId) {
    TVTunerSettings r = Request(requestId);
    CallingSlot("GetTunerProperty", [&what] { return "GetTunerProperty " + what; });
    caps_->TunerOps->GetTunerProperty(settings_, 0, &r);
    Returned();
    return r;
}

void HostDriver::SetTvStandard(uint32_t standard) {
    TVTunerSettings r = Request(TVB_REQUEST_VIDEO_STANDARD);
    r.VideoStandard = standard;
    SetTuner(Noting() ? "VideoStandard " + StandardName(standard) : "", r);
}

void HostDriver::Tune(uint32_t frequencyHz) {
    TVTunerSettings r = Request(TVB_REQUEST_FREQUENCY);
    r.Frequency = frequencyHz;
    SetTuner(Noting() ? "Frequency " + std::to_string(frequencyHz) + " Hz" : "", r);
}

TVTunerSettings HostDriver::Status() {
    return GetTuner("status", TVB_REQUEST_STATUS);
}

TVTunerSettings HostDriver::WaitForLock(int maxPolls, int* polls) {
    TVTunerSettings r{};
    int n = 0;
    do {
        r = Status();
        ++n;
    } while (r.Busy != 0 && n < maxPolls);
    if (polls != nullptr) {
        *polls = n;
    }
    return r;
}

uint32_t HostDriver::AvailableAudioModes() {
    return GetTuner("available TV audio modes", TVB_REQUEST_MODE).AudioMode;
}

bool HostDriver::SetAudioMode(uint32_t mode) {
    TVTunerSettings r = Request(TVB_REQUEST_AUDIO_MODE);
    r.AudioMode = mode;
    r.Result = 0;
    return SetTuner(Noting() ? "AudioMode " + AudioModeNames(mode) : "", r).Result != 0;
}

uint32_t HostDriver::SetVideoProperty(uint32_t property, int32_t value) {
    CallingSlot("SetVideoProperty", [property, value] {
        return "SetVideoProperty " + std::to_string(property) + " = " + std::to_string(value);
    });
    const uint32_t r = caps_->VideoOps->SetVideoProperty(0, 0, property, value, 0);
    Returned();
    return r;
}

uint32_t HostDriver::GetVideoProperty(uint32_t property) {
    CallingSlot("GetVideoProperty",
                [property] { return "GetVideoProperty " + std::to_string(property); });
    uint32_t value = 0;
    caps_->VideoOps->GetVideoProperty(0, 0, property, &value, 0);
    Returned();
    return value;
}

void HostDriver::SetSampleRate(uint32_t rate) {
    CallingSlot("SetAudioSampleRate",
                [rate] { return "SetAudioSampleRate " + std::to_string(rate) + " Hz"; });
    AudioFormat f{0, rate, 1, 0};
    caps_->AudioOps->SetAudioSampleRate(0, emu::HostTable::kBoardHandle, &f);
    Returned();
}

void HostDriver::InputSelect(uint32_t input, const std::string& note) {
    Calling(note);
    caps_->InputOps->InputSelect(0, 0, input);
    Returned();
}

uint32_t HostDriver::InputQuery(const std::string& note) {
    Calling(note);
    const auto input = static_cast<uint32_t>(caps_->InputOps->InputQuery(0, 0));
    Returned();
    return input;
}

TunerModeCaps HostDriver::TunerModeLimits(uint32_t mode) {
    TunerModeCaps limits{};
    const std::string name = mode == TVB_TUNER_MODE_TV ? "TV" : std::to_string(mode);
    CallingSlot("GetTunerModeCaps", [&name] { return "GetTunerModeCaps " + name; });
    caps_->TunerOps->GetTunerModeCaps(0, 0, mode, &limits);
    Returned();
    const std::string wrong = WrongInTunerCaps(limits);
    if (!wrong.empty()) {
        error_ = "the module's tuner caps of mode " + name + " cannot be used: " + wrong;
        return TunerModeCaps{};
    }
    return limits;
}

void HostDriver::Close() {
    Calling("CloseBoard");
    caps_->BoardOps->CloseBoard(settings_, 0);
    Returned();
    settings_ = nullptr;
}

} // namespace host_driver
