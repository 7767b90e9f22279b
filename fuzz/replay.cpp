// Runs fuzz inputs through the same harness without libFuzzer: the kept
// regression inputs and the corpus in every build, and the seeds written
// from the encoder.
//
// usage: tvboard_fuzz_replay [--stats] PATH...    files, or directories of them
//        (--longest: the longest virtual duration of each kind of call over all)
//        tvboard_fuzz_replay --write-seeds DIR
//        tvboard_fuzz_replay --write-dict FILE
//        tvboard_fuzz_replay --check-seeds DIR DICT   (seeds and dictionary as written now)
// Exit 0 when every input ran clean, 1 on a finding, 2 on a usage or file
// error. --stats prints each input's call count and its longest call.
#include "fuzz/harness.h"
#include "fuzz/seeds.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool ReadFile(const fs::path& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

int WriteSeeds(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    for (const fuzz::Seed& seed : fuzz::Seeds()) {
        std::ofstream out(dir / seed.name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(seed.bytes.data()),
                  static_cast<std::streamsize>(seed.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "replay: cannot write %s\n", (dir / seed.name).c_str());
            return 2;
        }
    }
    std::printf("%zu seeds written to %s\n", fuzz::Seeds().size(), dir.c_str());
    return 0;
}

int WriteDict(const fs::path& file) {
    std::ofstream out(file, std::ios::trunc);
    out << fuzz::Dictionary();
    return out ? 0 : 2;
}

int CheckSeeds(const fs::path& dir, const fs::path& dict) {
    int stale = 0;
    std::vector<uint8_t> text;
    const std::string want = fuzz::Dictionary();
    if (!ReadFile(dict, &text) || std::string(text.begin(), text.end()) != want) {
        std::printf("dictionary %s differs from what the encoder writes now "
                    "(tvboard_fuzz_replay --write-dict %s)\n",
                    dict.c_str(), dict.c_str());
        ++stale;
    }
    for (const fuzz::Seed& seed : fuzz::Seeds()) {
        std::vector<uint8_t> bytes;
        if (!ReadFile(dir / seed.name, &bytes) || bytes != seed.bytes) {
            std::printf("seed %s differs from what the encoder writes now "
                        "(tvboard_fuzz_replay --write-seeds %s)\n",
                        seed.name.c_str(), dir.c_str());
            ++stale;
        }
    }
    std::printf("%zu seeds, %d differ\n", fuzz::Seeds().size(), stale);
    return stale == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--write-seeds") {
        return WriteSeeds(args[1]);
    }
    if (args.size() == 2 && args[0] == "--write-dict") {
        return WriteDict(args[1]);
    }
    if (args.size() == 3 && args[0] == "--check-seeds") {
        return CheckSeeds(args[1], args[2]);
    }
    bool stats = false;
    bool show = false;
    bool timeline = false;
    bool longest = false;
    if (!args.empty() && (args[0] == "--stats" || args[0] == "--show" || args[0] == "--timeline" ||
                          args[0] == "--longest")) {
        stats = args[0] == "--stats";
        show = args[0] == "--show";
        timeline = args[0] == "--timeline";
        longest = args[0] == "--longest";
        args.erase(args.begin());
    }
    std::map<std::string, uint64_t> longestByKind;
    if (args.empty()) {
        std::fprintf(
            stderr,
            "usage: tvboard_fuzz_replay [--stats | --show | --timeline | --longest] PATH... | "
            "--write-seeds DIR | "
            "--write-dict FILE | --check-seeds DIR DICT\n");
        return 2;
    }
    std::vector<fs::path> inputs;
    for (const std::string& a : args) {
        if (fs::is_directory(a)) {
            for (const auto& entry : fs::directory_iterator(a)) {
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
                    inputs.push_back(entry.path());
                }
            }
        } else if (fs::is_regular_file(a)) {
            inputs.emplace_back(a);
        } else {
            std::fprintf(stderr, "replay: %s is neither a file nor a directory\n", a.c_str());
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    int failed = 0;
    for (const fs::path& path : inputs) {
        std::vector<uint8_t> bytes;
        if (!ReadFile(path, &bytes)) {
            std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
            return 2;
        }
        const fuzz::Outcome out = fuzz::RunInput(bytes.data(), bytes.size(), timeline);
        if (timeline) {
            std::printf("%s", out.timeline.c_str());
        }
        if (show) {
            std::printf("%s:\n", path.c_str());
            for (const std::string& step : out.steps) {
                std::printf("  %s\n", step.c_str());
            }
        }
        if (stats) {
            std::printf("%s: %zu calls, longest %.3f s: %s\n", path.filename().c_str(), out.calls,
                        static_cast<double>(out.longestCallUs) / 1e6, out.longestCall.c_str());
        }
        for (const auto& [kind, us] : out.longestByKind) {
            uint64_t& l = longestByKind[kind];
            l = us > l ? us : l;
        }
        if (!out.findings.empty()) {
            ++failed;
            std::printf("FINDING %s\n%s", path.c_str(), out.report.c_str());
        }
    }
    if (longest) {
        for (const auto& [kind, us] : longestByKind) {
            std::printf("%12.3f s  %s\n", static_cast<double>(us) / 1e6, kind.c_str());
        }
    }
    std::printf("replay: %zu input(s), %d with findings\n", inputs.size(), failed);
    return failed == 0 ? 0 : 1;
}
