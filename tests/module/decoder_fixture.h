// Module tests against the emulated decoder, with an open board, and counts
// over the timeline for the cost figures.
#pragma once

#include "emu/decoder.h"
#include "emu/decoder_trace.h"
#include "module_fixture.h"

#include <string>

class DecoderTest : public ModuleTest {
  protected:
    static constexpr uint32_t kAnyRegister = ~0u;
    static constexpr uint64_t kAnyWait = ~0ull;

    void SetUp() override {
        ModuleTest::SetUp();
        host_->Attach(emu::Decoder::kAddress, &decoder_);
        Open();
    }

    // The decoder timeline from `mark` on, condensed (decoder_trace.h).
    std::string SummaryFrom(size_t mark) const {
        return decoder_trace::Summary(host_->Trace(), mark);
    }

    // Host calls from `mark` on: reads or writes of one register, or of any.
    int Reads(size_t mark, uint32_t reg) const { return Count(mark, emu::EventKind::RegRead, reg); }
    int Writes(size_t mark, uint32_t reg) const {
        return Count(mark, emu::EventKind::RegWrite, reg);
    }
    int AllWrites(size_t mark) const { return Writes(mark, kAnyRegister); }
    // Sleeps of `ms` from `mark` on; every wait when ms is kAnyWait.
    int Sleeps(size_t mark, uint64_t ms) const {
        return Count(mark, emu::EventKind::Wait, kAnyRegister, ms);
    }

    emu::Decoder decoder_;

  private:
    int Count(size_t mark, emu::EventKind kind, uint32_t reg, uint64_t ms = kAnyWait) const {
        int n = 0;
        const auto& events = host_->Trace().Events();
        for (size_t i = mark; i < events.size(); ++i) {
            const emu::Event& e = events[i];
            n += e.kind == kind && (reg == kAnyRegister || e.reg == reg) &&
                 (ms == kAnyWait || (e.wait == emu::WaitKind::Sleep && e.waitUs == ms * 1000));
        }
        return n;
    }
};
