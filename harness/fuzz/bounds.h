// How long each host call may take in virtual time, at most, whatever the
// board does: the worst case of every wait the call can make, added up from
// the smallest sequences. docs/reliability.md shows the same derivation.
//
// The DSP's status waits poll at most ten times and pause after each poll
// that finds the bit clear (2 ms for ready and read done, 10 ms for data
// ready). A wait that succeeds at its tenth poll has paused nine times; one
// that fails has paused ten times. Everything else the module waits for is a
// fixed delay of the tuner sequences or the lock poll.
#pragma once

#include <cstdint>

namespace fuzz::bounds {

constexpr uint64_t kReadyPass = uint64_t{9} * 2; // ready seen at the tenth poll
constexpr uint64_t kReadyFail = uint64_t{10} * 2;
constexpr uint64_t kDataPass = uint64_t{9} * 10;
constexpr uint64_t kDataFail = uint64_t{10} * 10;
constexpr uint64_t kDonePass = uint64_t{9} * 2;
constexpr uint64_t kDoneFail = uint64_t{10} * 2;

// One DSP byte read: ready, the request, up to five data-ready waits with a
// ready wait and a repeated request after each that fails, the fetch and
// read done. The longest that succeeds has four failed data-ready waits:
constexpr uint64_t kDspByteReadPass =
    kReadyPass + 4 * (kDataFail + kReadyPass) + kDataPass + kDonePass; // 598 ms
// The longest that fails: four rounds, the fifth data-ready wait and the
// ready wait after it fail.
constexpr uint64_t kDspByteReadFail =
    kReadyPass + 4 * (kDataFail + kReadyPass) + kDataFail + kReadyFail; // 610 ms
constexpr uint64_t kDspByteRead =
    kDspByteReadPass > kDspByteReadFail ? kDspByteReadPass : kDspByteReadFail;
static_assert(kDspByteReadPass == 598 && kDspByteRead == 610, "DSP byte read");
// Other paths: read done fails after a passing data wait (18 + 4 * 118 + 90
// + 20 = 600), the fifth ready wait passes and the requests are used up
// (18 + 5 * 118 = 608); both are shorter.
static_assert(kReadyPass + 4 * (kDataFail + kReadyPass) + kDataPass + kDoneFail <= kDspByteRead &&
                  kReadyPass + 5 * (kDataFail + kReadyPass) <= kDspByteRead,
              "the other ways a byte read ends are shorter");

// A dword: four bytes, stopping at the first that fails.
constexpr uint64_t kDspDwordRead = 3 * kDspByteReadPass + kDspByteRead; // 2404 ms
// A byte written waits for ready only; a dword write stops at a failed wait.
constexpr uint64_t kDspDwordWrite = 3 * kReadyPass + kReadyFail; // 74 ms
// A field write: the dword read, and only if it succeeded, the dword write.
constexpr uint64_t kDspFieldWrite = 4 * kDspByteReadPass + kDspDwordWrite > kDspDwordRead
                                        ? 4 * kDspByteReadPass + kDspDwordWrite
                                        : kDspDwordRead; // 2466 ms
static_assert(kDspDwordRead == 2404 && kDspFieldWrite == 2466, "DSP dword access");

// The audio set-up: 13 field writes to DSP registers (0x454 five times,
// 0x464, 0x468, 0x46C, 0x470, 0x474, 0x480, 0x484, 0x488; the writes to
// 0x598, 0x1C0, 0x59B and 0x594 are plain), three pauses of 10 ms and the
// status read of 0x404.
constexpr uint64_t kInitAudioStandard =
    13 * kDspFieldWrite + uint64_t{3} * 10 + kDspDwordRead; // 34492
// The restart bit driven three times, each after 10 ms.
constexpr uint64_t kRestartPulse = 3 * (10 + kDspFieldWrite); // 7428 ms
// An input change: the plain register writes, the audio set-up and the
// restart pulse (the mode bits and the input field are plain registers).
constexpr uint64_t kSelectVideoInput = kInitAudioStandard + kRestartPulse; // 41920 ms
// InitializeSensor: the input twice around a restart, the picture controls
// (plain), the one-time set-ups (no waits), and the audio set-up once more.
constexpr uint64_t kInitializeSensor =
    2 * kSelectVideoInput + kRestartPulse + kInitAudioStandard; // 125760 ms
static_assert(kInitAudioStandard == 34492 && kSelectVideoInput == 41920 &&
                  kInitializeSensor == 125760,
              "audio set-up, input change, InitializeSensor");

// Tuning: the synthesizer's start-up (1 + 1 + 150 ms) and all three
// corrections (100 ms each); the standard switch for SECAM L and L' and the
// demodulator writes do not wait.
constexpr uint64_t kTune = 1 + 1 + 150 + 3 * 100; // 452 ms
// A status request: the lock polled 25 times, 100 ms apart.
constexpr uint64_t kStatus = uint64_t{25} * 100; // 2500 ms
// The TV audio modes: the status word, and the two flag registers for the
// codes that report there.
constexpr uint64_t kDetectAudioModes = 3 * kDspDwordRead; // 7212 ms
// Setting a TV audio mode: the detection, the status read again, the input
// register (plain) and two field writes of 0x464.
constexpr uint64_t kSetAudioMode = kDetectAudioModes + kDspDwordRead + 2 * kDspFieldWrite; // 14548
static_assert(kTune == 452 && kStatus == 2500 && kDetectAudioModes == 7212 &&
                  kSetAudioMode == 14548,
              "tuner requests");

} // namespace fuzz::bounds
