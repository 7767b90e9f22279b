// A whole host session against the whole emulated board, read like the
// board's bring-up log: load, capabilities, open, InitializeSensor with the
// defaults, standards, PAL B, tune a station, poll until locked, TV sound,
// sample rate, close, unload. The timeline is checked in with each fixed
// sequence tested on its own as one named line (sequences.h).
#include "module_fixture.h"
#include "sequences.h"

#include "emu/board.h"
#include "emu/decoder_trace.h"
#include "virtual_time/kernel_virtual.h"
#include "host_driver/host_driver.h"
#include "include/tvboard.h"

using HostSessionTest = ModuleTest;

TEST_F(HostSessionTest, BringUpTuneListenClose) {
    emu::Board board(*host_);
    const uint32_t stereo = TVB_AUDIO_MODE_MONO | TVB_AUDIO_MODE_STEREO;
    board.antenna.Add({175250000, TVB_STANDARD_PAL_B, emu::kStereoSound, 230});
    board.demod.LockAfterReads(2); // the picture carrier takes a moment to lock
    host_driver::HostDriver& driver = *driver_;
    driver.SetNotes(host_driver::Notes::Calls);

    ASSERT_TRUE(driver.Load());
    ASSERT_TRUE(driver.Open());
    EXPECT_EQ(driver.InitializeSensor(0), 0);
    EXPECT_EQ(driver.Standards().size(), 3u);
    driver.SetTvStandard(TVB_STANDARD_PAL_B);
    driver.Tune(175250000);
    int polls = 0;
    const TVTunerSettings status = driver.WaitForLock(5, &polls);
    EXPECT_EQ(status.Busy, 0u);
    EXPECT_EQ(status.PllOffset, 0);
    EXPECT_EQ(status.SignalStrength, 100u);
    EXPECT_EQ(status.Frequency, 175250000u);
    EXPECT_EQ(driver.AvailableAudioModes(), stereo);
    EXPECT_TRUE(driver.SetAudioMode(TVB_AUDIO_MODE_STEREO));
    EXPECT_EQ(driver.Settings()->AudioMode, TVB_AUDIO_MODE_STEREO);
    driver.SetSampleRate(48000);
    EXPECT_EQ(host_->PinOutput(0), 1u);
    driver.Close();
    driver.Unload();

    ExpectMatchesFile(sequences::Condense(decoder_trace::Summary(host_->Trace(), 0)),
                      "host_session.txt");
}
