// The module's own CPU time per host operation, on virtual time: what the
// module costs a host on top of the bus traffic and the waits the hardware
// needs.
//
// Method. Each operation is first run against the emulated board, which
// gives its host calls, the bytes they put on the bus, and the waits it asks
// for (the virtual-time kernel services, with nobody listening, only add them
// up). The module then runs the
// same operation again and again against a host that replays the board's
// answers from that recording and does nothing else (perf/replay_host.h),
// so the board's models and the timeline cost nothing. What the replaying
// host itself costs per call is measured alone (benchmark HostCall) and
// subtracted, times the operation's host calls, by scripts/performance.sh.
//
// An operation whose second call would differ (a frequency already tuned is
// skipped) is measured as a cycle that returns the module to where it began,
// e.g. tune A then tune B; the counter `ops` says how many operations one
// iteration holds. Each benchmark reports per operation: host_calls,
// bus_bytes, waits_us and the bus time at 100 and 400 kHz (bus_us_100k,
// bus_us_400k).
#include "emu/board.h"
#include "emu/i2c_transfers.h"
#include "frame/module_state.h"
#include "host_driver/host_driver.h"
#include "include/tvboard.h"
#include "perf/replay_host.h"
#include "virtual_time/kernel_virtual.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kStationA = 175250000;
constexpr uint32_t kStationB = 182250000;

// The module as the host reaches it, bound to one host table at a time.
std::unique_ptr<host_driver::HostDriver> g_driver;
const TVB_HOST_OPS* g_host; // the table the cycle binds after a load-state restore

// The module from its load state, loaded and opened with `host`'s table.
host_driver::HostDriver& Start(const TVB_HOST_OPS* host) {
    g_driver = std::make_unique<host_driver::HostDriver>(nullptr);
    g_driver->Load(host);
    g_driver->Open();
    return *g_driver;
}

void BringUp() {
    g_driver->InitializeSensor(0);
    g_driver->SetTvStandard(TVB_STANDARD_PAL_B);
}

// Back to the board just opened: load state, the host's table and handle in
// place.
void Rebind() {
    RestoreLoadState();
    const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
    uint32_t count = 0;
    g_driver->HandIn(g_host, &list, &count);
    HostContext = emu::HostTable::kBoardHandle;
}

const TVB_VIDEO_OPS& Video() {
    return *g_driver->Caps()->VideoOps;
}

struct Operation {
    const char* name;
    int ops;                      // operations in one cycle
    std::function<void()> before; // after the bring-up, once
    std::function<void()> cycle;  // leaves the module as it found it
};

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> kOperations = {
        {"GetVideoStandards", 1, [] {},
         [] {
             static VideoStandardDescriptor d[8];
             uint32_t count = 0;
             Video().GetVideoStandards(0, 0, &count, d);
         }},
        {"SetVideoProperty brightness", 2,
         [] { Video().SetVideoProperty(0, 0, TVB_PROPERTY_BRIGHTNESS, 60, 0); },
         [] {
             Video().SetVideoProperty(0, 0, TVB_PROPERTY_BRIGHTNESS, 40, 0);
             Video().SetVideoProperty(0, 0, TVB_PROPERTY_BRIGHTNESS, 60, 0);
         }},
        {"SelectVideoInput", 2, [] { g_driver->Caps()->InputOps->InputSelect(0, 0, 0); },
         [] {
             g_driver->Caps()->InputOps->InputSelect(0, 0, 1);
             g_driver->Caps()->InputOps->InputSelect(0, 0, 0);
         }},
        {"tune (SetTunerProperty frequency)", 2, [] { g_driver->Tune(kStationB); },
         [] {
             g_driver->Tune(kStationA);
             g_driver->Tune(kStationB);
         }},
        {"status when locked (GetTunerProperty)", 1, [] { g_driver->Tune(kStationA); },
         [] { g_driver->Status(); }},
        {"InitializeSensor, first", 1, [] {},
         [] {
             Rebind();
             g_driver->InitializeSensor(0);
         }},
        {"InitializeSensor, sixth and later", 1,
         [] {
             for (int i = 0; i < 5; ++i) {
                 g_driver->InitializeSensor(0);
             }
         },
         [] { g_driver->InitializeSensor(0); }},
    };
    return kOperations;
}

// Brings the module up on the emulated board, runs the operation's cycle
// there once for the recording, and leaves the module bound to the replaying
// host in the same state. What one cycle did on the board, per operation,
// as the benchmark's counters.
benchmark::UserCounters Prepare(const Operation& op) {
    emu::HostTable host;
    emu::Board board(host);
    board.antenna.Add({kStationA, TVB_STANDARD_PAL_B, emu::kStereoSound, 230});
    board.antenna.Add({kStationB, TVB_STANDARD_PAL_B, emu::kMonoSound, 200});
    g_host = host.Ops();
    Start(host.Ops());
    BringUp();
    op.before();
    host.Trace().Clear();
    const uint64_t waitedBefore = vt::NowUs(); // the waits asked for, added up
    op.cycle();
    const std::vector<emu::Event>& events = host.Trace().Events();
    replay::Load(events);
    const double n = op.ops;
    const emu::BusLoad at100k = emu::MeasureBusLoad(events, 100000);
    const emu::BusLoad at400k = emu::MeasureBusLoad(events, 400000);
    benchmark::UserCounters c = {
        {"ops", n},
        {"host_calls", static_cast<double>(replay::Calls()) / n},
        {"waits_us", static_cast<double>(vt::NowUs() - waitedBefore) / n},
        {"bus_bytes", static_cast<double>(at100k.bytes) / n},
        {"bus_us_100k", static_cast<double>(at100k.busNs) / 1e3 / n},
        {"bus_us_400k", static_cast<double>(at400k.busNs) / 1e3 / n},
    };
    // The same state again, now on the replaying host.
    g_host = replay::Ops();
    Start(replay::Ops());
    replay::Load(events); // (the bring-up below is not checked against it)
    BringUp();
    op.before();
    replay::Rewind();
    return c;
}

[[maybe_unused]] void ModuleCycle(benchmark::State& state, const Operation* op) {
    const benchmark::UserCounters counters = Prepare(*op);
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        replay::Rewind();
        op->cycle();
    }
    if (replay::Mismatches() != 0 || replay::Made() != replay::Calls()) {
        state.SkipWithError("the module took another path than on the emulated board");
    }
    state.counters.insert(counters.begin(), counters.end());
}

// The set-up a cycle does that is not the operation (a load-state restore
// before InitializeSensor, first), alone.
[[maybe_unused]] void CycleSetUp(benchmark::State& state) {
    Prepare(Operations()[5]);
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        Rebind();
    }
}

// One call of the replaying host, as the module makes it: what every host
// call of an operation costs on top of the module's own work.
[[maybe_unused]] void HostCall(benchmark::State& state) {
    constexpr int kCalls = 1024;
    emu::Event read;
    read.kind = emu::EventKind::RegRead;
    read.device = 0x42;
    read.reg = 0x580;
    read.bytes = {0x07};
    replay::Load(std::vector<emu::Event>(kCalls, read));
    const TVB_HOST_OPS* host = replay::Ops();
    uint8_t byte = 0;
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        replay::Rewind();
        for (int i = 0; i < kCalls; ++i) {
            host->ReadReg16(emu::HostTable::kBoardHandle, 0x42, 16, 0x580, &byte, 0);
        }
        benchmark::DoNotOptimize(byte);
    }
    state.counters["calls"] = kCalls;
}

} // namespace

int main(int argc, char** argv) {
    // The library keeps what is registered for the life of the program; the
    // static analyzer (clang-tidy) cannot see that and takes each for a leak.
#if !defined(__clang_analyzer__)
    for (const Operation& op : Operations()) {
        benchmark::RegisterBenchmark((std::string("Module/") + op.name).c_str(), ModuleCycle, &op);
    }
    benchmark::RegisterBenchmark("CycleSetUp/InitializeSensor, first", CycleSetUp);
    benchmark::RegisterBenchmark("HostCall", HostCall);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
