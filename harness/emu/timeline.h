// One timeline of everything the module did to the emulated board: host
// calls with their arguments and bytes, waits and debug prints, each with the
// time stamp of the host's clock.
#pragma once

#include "emu/small_vector.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace emu {

// How the module waited: a timed wait on an event (SleepMs), a delay of the
// calling thread (DelayMs), or a busy-wait at raised level, in microseconds.
enum class WaitKind { Sleep, Delay, Stall };

enum class EventKind {
    RegWrite,  // host slot 0
    RegRead,   // host slot 1
    BusWrite,  // host slot 2
    BusRead,   // host slot 3
    Forbidden, // host slot 4 or 5
    WritePins, // host slot 6
    ReadPins,  // host slot 7
    Wait,
    Print,
    Note, // a line the bench or a test adds to explain the trace
};

struct Event {
    uint64_t timeUs = 0;
    EventKind kind = EventKind::Note;
    uint32_t device = 0;             // bus address for register and bus calls
    uint32_t reg = 0;                // register address for slots 0 and 1
    SmallVector<uint8_t, 16> bytes;  // bytes written or delivered
    SmallVector<uint32_t, 8> pins;   // pin numbers for slots 6 and 7
    SmallVector<uint32_t, 8> values; // pin values written or delivered
    bool acknowledged = true;        // false: no device answered
    WaitKind wait = WaitKind::Sleep;
    uint64_t waitUs = 0;
    uint64_t times = 1; // equal waits one right after the other, when they come coalesced
    std::string text;   // print text, note text, or a complaint about arguments
};

class Timeline {
  public:
    void Add(Event&& event);
    void Add(const Event& event) { Add(Event(event)); }
    // Forgets everything; event numbers start again at 0.
    void Clear();
    // Keeps only the `n` to 2n latest events, so that a long run takes no
    // more memory than a short one; 0 (the default) keeps all. Event numbers
    // stay those of the whole run; At() reaches every event kept, Events()
    // the latest up to n of them.
    void Keep(size_t n) {
        keep_ = n;
        events_.reserve(n); // the two parts take turns and keep their room
        older_.reserve(n);
    }
    // Something that sees every event as it is added, kept or not (e.g. a
    // digest of a run too long to keep).
    using Observer = void (*)(void* self, const Event& event);
    void Observe(Observer observer, void* self) {
        observer_ = observer;
        observerSelf_ = self;
    }

    // The events kept (with Keep, the latest part of them), oldest first;
    // the first is event number First().
    const std::vector<Event>& Events() const { return events_; }
    size_t First() const { return first_; }
    // Events added since the last Clear (kept or not).
    size_t Size() const { return first_ + events_.size(); }
    // Event number `index`, or null when it is no longer kept.
    const Event* At(size_t index) const {
        if (index >= first_ && index < Size()) {
            return &events_[index - first_];
        }
        return index < first_ && first_ - index <= older_.size()
                   ? &older_[older_.size() - (first_ - index)]
                   : nullptr;
    }

    // One event a line, no time stamps unless asked for.
    std::string Render(bool timestamps = false) const;
    std::string RenderIf(const std::function<bool(const Event&)>& keep,
                         bool timestamps = false) const;
    // The lines from event number `first` on (of those kept).
    std::string RenderFrom(size_t first, bool timestamps = false) const;

    static std::string Line(const Event& event);

  private:
    std::vector<Event> events_;
    std::vector<Event> older_; // with Keep: the part before events_
    size_t first_ = 0;
    size_t keep_ = 0;
    Observer observer_ = nullptr;
    void* observerSelf_ = nullptr;
};

// Filters for RenderIf.
bool IsBusTraffic(const Event& e); // slots 0..3
bool IsDecoder(const Event& e);    // decoder register traffic
bool IsTuner(const Event& e);      // IF demodulator and synthesizer traffic
bool IsWait(const Event& e);
bool IsPrint(const Event& e);

} // namespace emu
