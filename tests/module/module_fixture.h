// Every module test starts from the module's load state, with a fresh
// substitute host on virtual time.
#pragma once

#include "emu/host_table.h"
#include "frame/module_state.h"
#include "host_driver/host_driver.h"
#include "include/tvboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class ModuleTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // What a host does first: load notice, capabilities with its table.
    const TVB_BOARD_MODULE_CAPS* Load();
    // GetBoardModuleCaps with another table (null allowed) in place of the host's.
    const TVB_BOARD_MODULE_CAPS* HandIn(const TVB_HOST_OPS* table);
    // Load, then open the board; returns the host's settings record.
    TVTunerSettings* Open();
    void Close();

    // Position in the timeline, and the timeline from a position on.
    size_t Mark() const { return host_->Trace().Size(); }
    std::string TraceFrom(size_t mark) const { return host_->Trace().RenderFrom(mark); }
    std::string Trace() const { return host_->Trace().Render(); }
    // The texts printed from `mark` on, without the prefix and line break
    // that come with every message.
    std::vector<std::string> Messages(size_t mark) const;

    // A test that provokes an argument the host does not expect or a
    // device's protocol violation on purpose takes it out here, by a part of
    // its text, and checks how many there were; any problem left at the end
    // fails the test with its line of the timeline.
    size_t ConsumeProblems(const std::string& text) { return host_->ConsumeProblems(text); }

    std::unique_ptr<emu::HostTable> host_;
    // The module, from its load state, its waits and prints on host_'s
    // timeline; the driver adds no notes of its own.
    std::unique_ptr<host_driver::HostDriver> driver_;
    const TVB_BOARD_MODULE_CAPS* caps_ = nullptr;
    TVTunerSettings* settings_ = nullptr;
    BoardInfo info_{};
};

// `lines` `times` over, and the lines of a text.
std::string Repeat(const std::string& lines, int times);
std::vector<std::string> Lines(const std::string& text);

// Reads a checked-in expected text below tests/module/expected.
std::string ReadExpected(const std::string& name);
// Compares with a checked-in expected text, ignoring its lines that start
// with "##" (comments). With TVB_UPDATE_EXPECTED=1 in the environment the
// file is rewritten instead (its comments kept at the top), for review before
// it is committed.
void ExpectMatchesFile(const std::string& actual, const std::string& name);
