// The seed corpus: one input per host scenario of the bench and per kind of
// host mistake and board fault the tests try, written in the input format by
// an encoder that mirrors the harness's decoding.
#pragma once

#include "fuzz/input.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Which record CloseBoard is given.
enum class Closing : uint8_t { Null, Live, Older, ClosedAlready, HostMemory };

// Builds an input operation by operation.
class Encoder {
  public:
    // The header: the host table of the first GetBoardModuleCaps (0: whole;
    // 2: with the slots of `mask` empty; 3: none).
    explicit Encoder(uint8_t table = 0, uint8_t mask = 0);

    Encoder& Op(fuzz::Op op);
    Encoder& U8(uint8_t b);
    // A value of `kind`: its table entry, or the raw value.
    Encoder& V(Kind kind, uint32_t value);
    Encoder& Rec(Record how);

    // Host calls.
    Encoder& Load();   // DllInitialize, GetBoardModuleCaps with the whole table
    Encoder& Unload(); // DllUnload
    Encoder& Open(uint32_t handle = 0x00B0A4D0);
    Encoder& Close(Closing which = Closing::Live);
    Encoder& InitializeSensor(uint32_t input, uint32_t restart = 0xFFFFFFFF,
                              Record record = Record::Full);
    Encoder& Standards();
    Encoder& Defaults();
    Encoder& SetVideoProperty(uint32_t property, uint32_t value);
    Encoder& GetVideoProperty(uint32_t property);
    Encoder& Stub(uint8_t table, uint8_t slot);
    Encoder& InputSelect(uint32_t input);
    Encoder& InputQuery();
    Encoder& AudioFormat(uint32_t rate);
    Encoder& SampleRate(uint32_t rate, uint32_t handle = 0x00B0A4D0);
    Encoder& ModeCaps(uint32_t mode);
    // A tuner request with the given records (settings, then request).
    Encoder& Tuner(bool set, uint32_t id, uint32_t value, Record settings = Record::Live,
                   Record request = Record::Full, uint8_t length = 0);
    Encoder& SetStandard(uint32_t standard) { return Tuner(true, 3, standard); }
    Encoder& Tune(uint32_t hz) { return Tuner(true, 4, hz); }
    Encoder& Status() { return Tuner(false, 6, 0); }
    Encoder& AvailableModes() { return Tuner(false, 2, 0); }
    Encoder& SetAudioMode(uint32_t mode) { return Tuner(true, 1, mode); }

    // The board.
    Encoder& Station(uint32_t hz, uint32_t standard, uint8_t sound = 0, uint8_t strength = 200);
    Encoder& Lock(uint8_t mode, uint8_t n); // 0 on time, 1 late by n, 2 never, 3 lost after n
    Encoder& DspTiming(uint8_t ready, uint8_t data, uint8_t done); // 0xFF: never
    Encoder& Irql(uint8_t levelIndex);                             // 0, 1, 2, 3, 15, 31 for 0..5

    const std::vector<uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

struct Seed {
    std::string name;
    std::vector<uint8_t> bytes;
};

const std::vector<Seed>& Seeds();

// The fuzzer's dictionary: whole operations as the encoder writes them (the
// host calls, the board's faults), and the frequencies and standards the
// module's behaviour turns on, as raw values.
std::string Dictionary();

} // namespace fuzz
