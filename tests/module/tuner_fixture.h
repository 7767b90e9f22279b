// Tests of the tuner against the emulated board (IF demodulator, synthesizer
// and antenna on the substitute host), called directly and as the host calls
// it through TunerOps.
#pragma once

#include "emu/board.h"
#include "frame/module_state.h"
#include "include/tvboard.h"
#include "module_fixture.h"
#include "ops/tv_standard.h"
#include "text/format.h"
#include "tuner/if_tuning.h"
#include "tuner/synthesizer.h"
#include "tuner/tuner_init.h"
#include "tuner/tuner_status.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

// What a field of a record holds as long as the module has not written it.
constexpr uint32_t kUntouched = 0xA5A5A5A5u;

using text::Format; // for expected lines that carry values

class TunerTest : public ModuleTest {
  protected:
    using Field = uint32_t TVTunerSettings::*;

    void SetUp() override {
        ModuleTest::SetUp();
        board_ = std::make_unique<emu::Board>(*host_);
    }
    void TearDown() override {
        board_.reset();
        ModuleTest::TearDown();
    }

    // Back to a freshly loaded module on a new emulated board, for the next
    // row of a table-driven test (the timeline goes on).
    void Fresh() {
        Close();
        RestoreLoadState();
        board_.reset(); // the old board leaves the bus before the new one is attached
        board_ = std::make_unique<emu::Board>(*host_);
        caps_ = nullptr;
    }

    // Opens the board and runs the tuner's one-time initialisation, which on
    // the board always comes before any tuning.
    void OpenInitialised() {
        Open();
        InitTuner();
    }

    emu::Board& Board() { return *board_; }
    void AddStation(uint32_t hz, uint32_t standard, emu::Sound sound = emu::kMonoSound,
                    uint8_t strength = 200) {
        board_->antenna.Add({hz, standard, sound, strength});
    }

    // The lines from a mark on that the filter keeps.
    std::string RenderFrom(size_t mark, const std::function<bool(const emu::Event&)>& keep) const {
        std::string out;
        const auto& events = host_->Trace().Events();
        for (size_t i = mark; i < events.size(); ++i) {
            if (keep(events[i])) {
                out += emu::Timeline::Line(events[i]) + "\n";
            }
        }
        return out;
    }
    // Tuner traffic, waits and prints.
    std::string TunerFrom(size_t mark) const {
        return RenderFrom(mark, [](const emu::Event& e) {
            return emu::IsTuner(e) || emu::IsWait(e) || emu::IsPrint(e);
        });
    }
    uint64_t WaitedUsFrom(size_t mark) const {
        uint64_t us = 0;
        const auto& events = host_->Trace().Events();
        for (size_t i = mark; i < events.size(); ++i) {
            us += emu::IsWait(events[i]) ? events[i].waitUs : 0;
        }
        return us;
    }

    // A record with every field kUntouched but the RequestId and one field.
    static TVTunerSettings Request(uint32_t id, Field field = nullptr, uint32_t value = 0) {
        TVTunerSettings r;
        std::memset(&r, 0xA5, sizeof r);
        r.RequestId = id;
        if (field != nullptr) {
            r.*field = value;
        }
        return r;
    }
    uint32_t Get(TVTunerSettings* settings, TVTunerSettings* request) {
        return caps_->TunerOps->GetTunerProperty(settings, 0, request);
    }
    uint32_t Set(TVTunerSettings* settings, TVTunerSettings* request) {
        return caps_->TunerOps->SetTunerProperty(settings, 0, request);
    }
    // With the host's settings record; the request as the module left it.
    TVTunerSettings Get(uint32_t id) {
        TVTunerSettings request = Request(id);
        EXPECT_EQ(Get(settings_, &request), 0u);
        return request;
    }
    TVTunerSettings Set(TVTunerSettings request) {
        EXPECT_EQ(Set(settings_, &request), 0u);
        return request;
    }
    void SetStandard(uint32_t standard) {
        Set(Request(3, &TVTunerSettings::VideoStandard, standard));
    }
    void Tune(uint32_t hz) {
        TVTunerSettings r = Request(4, &TVTunerSettings::Frequency, hz);
        r.TuneInfo1 = hz / 1000;
        r.TuneInfo2 = 9;
        Set(r);
    }

    std::unique_ptr<emu::Board> board_;
};
