// Tests of the tuner against the emulated board: IF demodulator, synthesizer
// and antenna on the substitute host.
#pragma once

#include "emu/board.h"
#include "module_fixture.h"
#include "tuner/if_demod.h"

#include <functional>
#include <memory>
#include <string>

class TunerTest : public ModuleTest {
  protected:
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
        board_.reset();
        board_ = std::make_unique<emu::Board>(*host_);
        caps_ = nullptr;
    }

    // Opens the board and runs the tuner's one-time initialisation, which on
    // the board always comes before any tuning.
    void OpenInitialised() {
        Open();
        InitTuner();
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
    // Synthesizer transfers only.
    std::string SynthFrom(size_t mark) const {
        return RenderFrom(mark, [](const emu::Event& e) {
            return e.kind == emu::EventKind::BusWrite && e.device == 0xC2;
        });
    }
    std::string WaitsFrom(size_t mark) const { return RenderFrom(mark, emu::IsWait); }
    uint64_t WaitedUsFrom(size_t mark) const {
        uint64_t us = 0;
        const auto& events = host_->Trace().Events();
        for (size_t i = mark; i < events.size(); ++i) {
            if (emu::IsWait(events[i])) {
                us += events[i].waitUs;
            }
        }
        return us;
    }

    emu::Board& Board() { return *board_; }

    std::unique_ptr<emu::Board> board_;
};
