// A whole host session against the whole emulated board, read like the
// board's bring-up log: load, capabilities, open, InitializeSensor with the
// defaults, standards, PAL B, tune a station, poll until locked, TV sound,
// sample rate, close, unload. The timeline is checked in with each fixed
// sequence tested on its own as one named line (sequences.h).
#include "module_fixture.h"
#include "sequences.h"

#include "emu/board.h"
#include "emu/decoder_trace.h"
#include "host_driver/host_driver.h"
#include "host_driver/session.h"
#include "include/tvboard.h"
#include "virtual_time/kernel_virtual.h"

using HostSessionTest = ModuleTest;

TEST_F(HostSessionTest, BringUpTuneListenClose) {
    emu::Board board(*host_);
    board.antenna.Add({175250000, TVB_STANDARD_PAL_B, emu::kStereoSound, 230});
    board.demod.LockAfterReads(2); // the picture carrier takes a moment to lock
    host_driver::HostDriver& driver = *driver_;
    driver.SetNotes(host_driver::Notes::Calls);
    host_driver::SessionHooks hooks;
    hooks.after = [&](host_driver::SessionStep step, const host_driver::SessionOutcome&) {
        if (step == host_driver::SessionStep::SetAudioMode) {
            EXPECT_EQ(driver.Settings()->AudioMode, TVB_AUDIO_MODE_STEREO);
        } else if (step == host_driver::SessionStep::SampleRate) {
            EXPECT_EQ(host_->PinOutput(0), 1u);
        }
    };

    host_driver::SessionOutcome o;
    ASSERT_TRUE(host_driver::RunSession(driver, {}, &o, hooks));
    EXPECT_EQ(o.initialized, 0);
    EXPECT_EQ(o.standards.size(), 3u);
    EXPECT_EQ(o.polls, 1); // the module saw the lock while tuning
    EXPECT_EQ(o.status.Busy, 0u);
    EXPECT_EQ(o.status.PllOffset, 0);
    EXPECT_EQ(o.status.SignalStrength, 100u);
    EXPECT_EQ(o.status.Frequency, 175250000u);
    EXPECT_EQ(o.audioModes, TVB_AUDIO_MODE_MONO | TVB_AUDIO_MODE_STEREO);
    EXPECT_TRUE(o.audioModeSet);

    ExpectMatchesFile(sequences::Condense(decoder_trace::Summary(host_->Trace(), 0)),
                      "host_session.txt");
}
