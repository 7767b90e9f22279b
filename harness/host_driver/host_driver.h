// The host's side of the conversation: the one code path that loads a module
// and drives it as a streaming driver does, one call at a time, through the
// exports and the operation tables only. The bench, the conformance
// scenarios, the fuzz sessions, the benchmark and the module tests all drive
// the module through it.
//
// The module is either the one linked into this program, on virtual time
// (the kernel services of virtual_time/kernel_virtual.h), or a built image loaded
// from a file with real waits. With a substitute host (emu/host_table.h) the
// driver puts the module's waits and debug prints on the host's timeline
// and, unless told otherwise, a note naming each host call before it, so a
// trace reads like the board's bring-up log.
#pragma once

#include "emu/host_table.h"
#include "host_driver/isolation.h"
#include "host_driver/loaded_module.h"
#include "host_driver/print_capture.h"
#include "host_driver/virtual_time_link.h"
#include "include/tvboard.h"

#include <memory>
#include <string>
#include <vector>

namespace host_driver {

// What the driver writes on the timeline about its own calls.
enum class Notes {
    Off,            // nothing: the timeline holds only what the module did
    Calls,          // "host: <call>" before each call
    CallsAndReturns // and "returned" after it, so each call's end and length show
};

class HostDriver {
  public:
    // The module linked into this program, put back to its load state as a
    // fresh load of the image would be. With a host, its waits and prints go
    // onto the host's timeline, stamped with virtual time; without one (a
    // host table of one's own, handed in with HandIn) nobody hears them.
    explicit HostDriver(emu::HostTable* host);
    // The module image at `image` (empty: the linked module, as above),
    // loaded afresh as its host would load it; waits are real and its debug
    // text is captured onto the host's timeline (and echoed to stderr with
    // `echoPrints`). A Windows kernel image outside Windows is mapped into
    // this process instead (pe_image.h) and runs on virtual time like the
    // linked module. Ready() tells whether the image could be loaded.
    HostDriver(emu::HostTable& host, const std::string& image, bool echoPrints = false);
    // Closes a board it opened; the image, if any, is unloaded.
    ~HostDriver();
    HostDriver(const HostDriver&) = delete;
    HostDriver& operator=(const HostDriver&) = delete;

    bool Ready() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    bool OnVirtualTime() const { return image_ == nullptr || image_->OnVirtualTime(); }
    // The module is the one linked into this program: its globals are the
    // ones the harness sees.
    bool Linked() const { return image_ == nullptr; }
    void SetNotes(Notes notes) { notes_ = notes; }

    // --- the exports ------------------------------------------------------
    TVB_STATUS Initialize(); // DllInitialize
    TVB_STATUS Unload();     // DllUnload
    // GetBoardModuleCaps with a table of the caller's (null allowed), and
    // the outputs it asks for (null: not given to the module). The record
    // handed out becomes Caps().
    void HandIn(const TVB_HOST_OPS* table, const TVB_BOARD_MODULE_CAPS* const** listOut,
                uint32_t* countOut);
    // DllInitialize, then GetBoardModuleCaps with the host's table (or
    // `table`); false when no capability record came back, or one that
    // cannot be driven (another count or size, a table or slot missing or
    // outside the module's image), with the reason in Error(): such a record
    // is never read or called through.
    bool Load(const TVB_HOST_OPS* table = nullptr);

    // --- the operation tables -----------------------------------------------
    // OpenBoard; false when the module refused.
    bool Open();
    void Close();
    // InitializeSensor with the property defaults the module reports (read
    // at the first call after Load) and arguments 3 and 4 at -1, so the
    // record supplies input and restart value.
    int32_t InitializeSensor(uint32_t input);
    std::vector<VideoStandardDescriptor> Standards();
    VideoPropertyDefaults PropertyDefaults();

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
    // InputSelect and InputQuery of InputOps, noted as the caller words it.
    void InputSelect(uint32_t input, const std::string& note);
    uint32_t InputQuery(const std::string& note = "InputQuery");
    // GetTunerModeCaps: the frequencies, steps and inputs of a tuner mode
    // (TVB_TUNER_MODE_TV, ...). Caps that cannot be used (the lowest
    // frequency above the highest) come back all zero, with the reason in
    // Error().
    TunerModeCaps TunerModeLimits(uint32_t mode);

    // A tuner request built on the host's record, and its answer.
    TVTunerSettings Request(uint32_t id) const;
    TVTunerSettings SetTuner(const std::string& what, TVTunerSettings request);
    TVTunerSettings GetTuner(const std::string& what, uint32_t requestId);

    // Any other call the caller makes through Caps(): notes around it as
    // around the driver's own, and a watcher (isolation.h) told of it.
    void Calling(const std::string& what);
    void Returned();
    // Whether the driver writes notes at all (callers need not build them).
    bool Noting() const { return host_ != nullptr && notes_ != Notes::Off; }

    const TVB_BOARD_MODULE_CAPS* Caps() const { return caps_; }
    TVTunerSettings* Settings() const { return settings_; }
    // Brings onto the timeline the prints a loaded image made so far (they
    // arrive on their own before every event the host records).
    void DrainPrints();

  private:
    // Before a call into the module: Calling(full()) where notes are written
    // (the note is built only then), else the watcher told of `slot` alone.
    template <typename Full> void CallingSlot(const char* slot, const Full& full) {
        if (Noting()) {
            Calling(full());
        } else if (Watched()) {
            EnteringCall(slot);
        }
    }
    // The error that keeps the list GetBoardModuleCaps handed out from
    // being driven (caps_ is its record when there is none).
    std::string UnusableCaps(const TVB_BOARD_MODULE_CAPS* const* list, const uint32_t* count);

    emu::HostTable* host_;
    std::unique_ptr<LoadedModule> image_;
    std::unique_ptr<PrintCapture> prints_;
    std::unique_ptr<VirtualTimeLink> link_;
    Exports module_{};
    std::string error_;
    Notes notes_ = Notes::Calls;
    const TVB_BOARD_MODULE_CAPS* caps_ = nullptr;
    TVTunerSettings* settings_ = nullptr;
    BoardInfo info_{};
    TVB_SENSOR_INIT_RECORD record_{};
    VideoPropertyDefaults defaults_{};
    bool haveDefaults_ = false;
};

// Names for the host's values in notes and reports.
std::string StandardName(uint32_t standard);
// Every analog video standard bit of the header, lowest first.
std::vector<uint32_t> StandardBits();
uint32_t StandardFromName(const std::string& name); // 0 when unknown
std::string AudioModeNames(uint32_t modes);
// What keeps a tuner mode's caps (GetTunerModeCaps) from being used: a
// lowest frequency above the highest, a range without a step; empty when
// they can be.
std::string WrongInTunerCaps(const TunerModeCaps& caps);

} // namespace host_driver
