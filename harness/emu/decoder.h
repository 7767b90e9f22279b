// The audio/video decoder at bus address 0x42 as the module sees it: 64 KiB
// of byte registers at 16-bit addresses, with the audio DSP registers
// 0x400..0x500 behind the handshake on status register 0x580.
//
// Handshake, as the device does it:
//   bit 0 (ready)      comes up a configurable number of polls of 0x580 after
//                      every DSP access (read request, fetch or write);
//   bit 1 (data ready) comes up a configurable number of polls after a read
//                      request the DSP took; a read of that register right
//                      after a poll that showed it is the fetch and delivers
//                      the register's value;
//   bit 2 (read done)  comes up a configurable number of polls after a fetch.
// A read of a DSP register that is not a fetch is a read request: it yields
// the stale byte of the DSP's data latch (the value fetched last). A request
// or a byte written while bit 0 is down is lost, as on the device. A repeated
// request for the register already asked for does not restart its count.
//
// Protocol checks. The decoder also watches the handshake as the DSP sees it
// on the bus and records every access that breaks it (emu/device.h). In the
// terms of the bus sequence, where a poll is a read of 0x580 (one the host
// could not make counts as a poll that showed nothing) and a DSP access is a
// read or write of a register in 0x400..0x500:
//   access while not ready   a DSP write (a byte written while not ready), or
//                            a DSP read that is not a fetch (a request placed
//                            while not ready), with no poll since the last DSP
//                            access that showed bit 0;
//   fetch without a pending request
//                            a DSP read right after a poll that showed bit 1
//                            (the host's fetch) while the DSP holds no request
//                            (none was placed, or the DSP did not take it);
//   read completed without the read-done wait
//                            after a fetch, the next DSP access comes before
//                            any poll of 0x580 has seen bit 2 (a fetch that
//                            came after the host had waited for data ready in
//                            vain may have been meant as the request again:
//                            the record counts those polls as the wait);
//   two accesses interleaved a DSP read of another register, or any DSP write,
//                            while the DSP holds a request that has not been
//                            fetched.
// Each record says how many polls in a row the host made, since the step it
// abandoned began, without seeing the bit that step waits for (a host that
// gives up after its full wait on a DSP that never answers), and whether an
// injected fault (below) explains it. Plain registers and 0x580 are never
// protocol violations.
//
// Injected faults, besides the poll counts (late, or kNever): a status filter
// that changes what each poll shows (bits flapping, or set without cause);
// read requests the DSP ignores; host reads of a register that are not
// acknowledged.
//
// The slowest DSP a host can still work with (AnswerJustInTime): one that
// answers a host which waits at most ten polls for each bit at the last of
// them. After a request the host waits for data ready, and when that does not
// come, for ready to place the request again: data ready shows at the tenth
// poll after the request (the first `failedDataWaits` requests of every read
// never get it), ready at the twentieth. After a fetch read done shows at the
// tenth poll, ready at the twentieth; after a write or before any access,
// ready at the tenth. Only bits the DSP's state holds are shown.
//
// The audio status word (dword at 0x404) and the flag registers 0x409 (bit 7,
// stereo) and 0x40A (bit 0, two languages) follow the broadcast sound set with
// SetBroadcastSound, reported in the layout set with SetSoundReport. Register
// 0x11F reads as the video status bits set with SetVideoStatus; what is
// written to it is kept in Reg(0x11F).
//
// For the tuner's emulated antenna: call SetBroadcastSound whenever the sound
// of the tuned channel changes (kMonoSound when nothing is received).
#pragma once

#include "emu/device.h"
#include "regmap/decoder_map.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace emu {

// What the broadcast carries besides the mono sound.
struct Sound {
    bool stereo = false;
    bool twoLanguages = false;  // languages A and B
    bool thirdLanguage = false; // language C
};
constexpr Sound kMonoSound{};
constexpr Sound kStereoSound{true, false, false};
constexpr Sound kTwoLanguageSound{false, true, false};

class Decoder : public BusDevice {
  public:
    static constexpr uint8_t kAddress = TVB_DECODER_ADDRESS;
    // A poll count for a status bit that never comes up.
    static constexpr unsigned kNever = ~0u;

    Decoder();

    bool WriteReg16(uint16_t reg, uint8_t value) override;
    bool ReadReg16(uint16_t reg, uint8_t* value) override;

    // The backing registers, past the handshake (set-up and checks in tests).
    uint8_t& Reg(uint16_t reg) { return regs_[reg]; }
    uint32_t Dword(uint16_t reg) const;
    void SetDword(uint16_t reg, uint32_t value);
    // What a read of `reg` would deliver now, without counting as one (no
    // poll, request or fetch made): the status 0x580 as the DSP's state
    // shows it, the video status as set, a DSP register as its fetch would
    // deliver it, any other as written.
    uint8_t Peek(uint16_t reg) const;
    // A field of the backing registers; setting it keeps the other bits of
    // its dword.
    uint32_t Field(const regmap::DecoderField& field) const;
    void SetField(const regmap::DecoderField& field, uint32_t value);

    // Polls of 0x580 that find the bit clear before it comes up (0: the
    // first poll sees it; kNever: it never comes up).
    void SetReadyPolls(unsigned polls);
    void SetDataReadyPolls(unsigned polls) { dataReadyPolls_ = polls; }
    void SetReadDonePolls(unsigned polls) { readDonePolls_ = polls; }
    // The DSP ignores the next `count` read requests it is given.
    void LoseReadRequests(unsigned count) { lostRequests_ = count; }
    // The DSP ignores the first `count` requests of every read (the requests
    // of one register until it is fetched): each read needs count + 1.
    void LoseFirstRequestsOfEveryRead(unsigned count) { lostPerRead_ = count; }
    // What a poll of 0x580 shows, given what the DSP's state shows and the
    // number of the poll (from 0, counted over the decoder's life): bits
    // flapping, withheld or set without cause. Null: the state as it is.
    using StatusFilter = std::function<uint8_t(uint8_t honest, unsigned poll)>;
    void SetStatusFilter(StatusFilter filter) { statusFilter_ = std::move(filter); }
    // Every wait answered at its tenth poll (see the head of this file);
    // off again with `on` false.
    void AnswerJustInTime(bool on, unsigned failedDataWaits = 0) {
        justInTime_ = on;
        failedDataWaits_ = failedDataWaits;
    }
    // After `skip` further reads of `reg` succeed, `count` reads are not
    // acknowledged (the caller's byte stays as it was); kNever: all of them.
    void FailReads(uint16_t reg, unsigned skip, unsigned count);

    // Broadcast sound and how the DSP reports it: status codes 5, 9, 10 and
    // 11 report stereo and two languages in the flag registers; any other
    // code reports them in the status word, in bits 5/6 with bit 11 set or in
    // bits 7/8/9 with bit 11 clear. Bit 12 reports a third language in every
    // layout. Default: code 0, bit 11 clear, mono.
    void SetBroadcastSound(Sound sound);
    const Sound& BroadcastSound() const { return sound_; }
    void SetSoundReport(uint8_t statusCode, bool bit11);
    void SetVideoStatus(uint8_t bits) { videoStatus_ = bits; }

    // Called after every write or read the device takes (a test can act
    // mid-sequence, e.g. change the sound between two readings).
    void OnWrite(std::function<void(uint16_t reg, uint8_t value)> hook) {
        onWrite_ = std::move(hook);
    }
    void OnRead(std::function<void(uint16_t reg)> hook) { onRead_ = std::move(hook); }
    // DSP bytes written while the DSP was not ready.
    unsigned LostWrites() const { return lostWrites_; }
    // Whether the host has written or read the register (taken or not).
    bool Touched(uint16_t reg) const { return touched_[reg]; }

  private:
    uint8_t Status() const;
    uint8_t JustInTime(uint8_t honest) const;
    void Tick();
    void DspRead(uint16_t reg, uint8_t* value, bool dataShown);
    // The protocol watch (see the head of this file).
    void WatchPoll(bool answered, uint8_t honest, uint8_t shown);
    void WatchRead(uint16_t reg);
    void WatchWrite(uint16_t reg);
    // A DSP access (`next`: "read" or "write" of `reg`) after a fetch whose
    // read-done bit no poll has shown yet.
    void CheckReadDoneSeen(const char* next, uint16_t reg);
    void Report(Violation::Kind kind, const std::string& text, unsigned unanswered);
    bool ReadFails(uint16_t reg);
    void UpdateSoundStatus();

    uint8_t regs_[65536] = {};
    std::vector<bool> touched_ = std::vector<bool>(65536); // (on the heap: boards live on stacks)

    unsigned readyPolls_ = 0;
    unsigned dataReadyPolls_ = 0;
    unsigned readDonePolls_ = 0;
    unsigned readyIn_ = 0;
    unsigned dataIn_ = 0;
    unsigned doneIn_ = 0;
    bool requestPending_ = false;
    uint16_t requestReg_ = 0;
    bool fetched_ = false;
    uint8_t latch_ = 0;
    unsigned lostRequests_ = 0;
    unsigned lostPerRead_ = 0;
    uint16_t readingReg_ = 0;       // the register of the last request the DSP was given
    unsigned requestsThisRead_ = 0; // requests of readingReg_ since its last fetch
    unsigned lostWrites_ = 0;
    StatusFilter statusFilter_;
    unsigned polls_ = 0;
    bool justInTime_ = false;
    unsigned failedDataWaits_ = 0;
    enum class Access { None, Request, Fetch, Write } lastAccess_ = Access::None;
    unsigned sinceAccess_ = 0; // polls since the last DSP access

    // The protocol watch: what the polls since the last DSP access showed.
    bool seenReady_ = false;         // bit 0 on some poll
    bool lastPollDataReady_ = false; // bit 1 on the last poll: the next read is a fetch
    bool awaitingReadDone_ = false;  // a fetch, and no poll since showed bit 2
    uint16_t fetchedReg_ = 0;
    unsigned unansweredDone_ = 0; // polls since the fetch without bit 2
    unsigned fetchWaited_ = 0;    // polls without bit 1 before the fetch
    std::string LateFetch() const;
    unsigned unansweredReady_ = 0; // polls since the last DSP access without bit 0
    bool provoked_ = false;        // an injected fault fired since the last completed access
    // A read as the host makes it, from its first request of a register to
    // its fetch: the polls without bit 1 in between, and whether a fault was
    // injected.
    struct HostRead {
        bool outstanding = false;
        uint16_t reg = 0;
        unsigned polls = 0;
        bool provoked = false;
    };
    HostRead hostRead_;
    // The read a fetch ended, while the next access may still show that the
    // host took the fetch for a repeated request (it asks for the same
    // register again, nothing else in between): the read then goes on.
    HostRead fetchedRead_;
    // The same for the request the DSP holds, from the host's first request
    // of that register until the fetch, also after the host gave up on it:
    // what an access that clashes with it is excused by.
    unsigned pendingPolls_ = 0;
    bool pendingProvoked_ = false;
    void FaultFired();
    void ReportInterleaved(const std::string& what);

    struct ReadFault {
        unsigned skip;
        unsigned count;
    };
    std::map<uint16_t, ReadFault> readFaults_;

    Sound sound_{};
    uint8_t statusCode_ = 0;
    bool bit11_ = false;
    uint8_t videoStatus_ = 0;
    std::function<void(uint16_t, uint8_t)> onWrite_;
    std::function<void(uint16_t)> onRead_;
};

} // namespace emu
