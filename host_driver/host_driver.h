// The host's side of the conversation: what a streaming driver does with the
// module, one call at a time, through the exports and the operation tables
// only. Every step first adds a note to the timeline naming the host call, so
// a trace reads like the board's bring-up log.
#pragma once

#include "emu/host.h"
#include "include/tvboard.h"

#include <string>
#include <vector>

namespace emu {

// The module's three exports as the host reaches them: linked in, or looked
// up in a loaded library.
struct ModuleExports {
    TVB_STATUS(TVB_API* Initialize)(void* registryPath);
    TVB_STATUS(TVB_API* Unload)(void);
    void(TVB_API* GetCaps)(TVB_ARG, const TVB_HOST_OPS*, const TVB_BOARD_MODULE_CAPS* const**,
                           uint32_t*);
};
// The module linked into this program (on virtual time).
ModuleExports LinkedModule();

class HostDriver {
  public:
    explicit HostDriver(Host& host, ModuleExports module = LinkedModule())
        : host_(host), module_(module) {}
    ~HostDriver();
    HostDriver(const HostDriver&) = delete;
    HostDriver& operator=(const HostDriver&) = delete;

    // DllInitialize, then GetBoardModuleCaps with the host's table.
    bool Load();
    // OpenBoard; false when the module refused.
    bool Open();
    // InitializeSensor with the property defaults the module reports and
    // arguments 3 and 4 at -1, so the record supplies input and restart value.
    int32_t InitializeSensor(uint32_t input);
    std::vector<VideoStandardDescriptor> Standards();

    // Tuner requests through SetTunerProperty / GetTunerProperty.
    void SetTvStandard(uint32_t standard);
    void Tune(uint32_t frequencyHz);
    TVTunerSettings Status();
    // Status requests until Busy reads 0, at most `maxPolls`; `polls` counts them.
    TVTunerSettings WaitForLock(int maxPolls, int* polls);
    uint32_t AvailableAudioModes();
    // True when the module accepted the mode (request.Result).
    bool SetAudioMode(uint32_t mode);
    uint32_t SetVideoProperty(uint32_t property, int32_t value);
    uint32_t GetVideoProperty(uint32_t property);
    void SetSampleRate(uint32_t rate);

    void Close();
    void Unload();

    // Any other call: a note naming it before, and (with MarkReturns) a
    // "returned" note after, so the timeline shows where each call ends and
    // how long it took.
    void Calling(const std::string& what);
    void Returned();
    void MarkReturns(bool on) { markReturns_ = on; }
    // A tuner request built on the host's record, and its answer.
    TVTunerSettings Request(uint32_t id) const;
    TVTunerSettings SetTuner(const std::string& what, TVTunerSettings request);
    TVTunerSettings GetTuner(const std::string& what, uint32_t requestId);

    const TVB_BOARD_MODULE_CAPS* Caps() const { return caps_; }
    TVTunerSettings* Settings() const { return settings_; }

  private:
    Host& host_;
    ModuleExports module_;
    const TVB_BOARD_MODULE_CAPS* caps_ = nullptr;
    TVTunerSettings* settings_ = nullptr;
    BoardInfo info_{};
    TVB_SENSOR_INIT_RECORD record_{};
    bool markReturns_ = false;
};

// Names for the host's values in notes and reports.
std::string StandardName(uint32_t standard);
uint32_t StandardFromName(const std::string& name); // 0 when unknown
std::string AudioModeNames(uint32_t modes);

} // namespace emu
