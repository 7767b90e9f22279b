// Runs fuzz inputs through the same harness without libFuzzer: the kept
// regression inputs and the corpus in every build. Checks that the seeds and
// the dictionary still mean what they meant when they were written.
//
// usage: tvboard_fuzz_replay [--stats | --show | --timeline | --longest] PATH...
//          PATH: files, or directories of them. --stats: each input's call
//          count and its longest call; --show: the steps each input decodes
//          to; --timeline: its bus timeline; --longest: the longest virtual
//          duration of each kind of call over all inputs
//        tvboard_fuzz_replay --image IMAGE... PATH...
//          every input on the linked module and on each Windows image (the
//          32-bit x86 build), every wait and print on the timeline: a
//          timeline that differs in any event is a finding
//        tvboard_fuzz_replay --check-seeds DIR DICT LISTING
//          every seed of DIR and every entry of DICT decodes to the steps
//          LISTING holds, and every seed to its last byte;
//          TVB_UPDATE_EXPECTED=1 rewrites LISTING for review
// Exit 0 when every input ran clean, 1 on a finding or a difference, 2 on a
// usage or file error.
#include "fuzz/harness.h"
#include "fuzz/input.h"
#include "host_driver/host_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
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

// The files of a directory, in name order, leaving out hidden ones.
std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The steps an input decodes to, one an indented line, from step `from` on.
std::string Steps(const std::vector<uint8_t>& bytes, size_t from = 0) {
    const std::vector<std::string> steps = fuzz::RunInput(bytes.data(), bytes.size()).steps;
    std::string text;
    for (size_t i = from; i < steps.size(); ++i) {
        text += "  " + steps[i] + "\n";
    }
    return text;
}

// Whether an input decodes to its last byte (without that byte it makes one
// step less); says so when it does not.
bool Whole(const std::vector<uint8_t>& bytes, const std::string& what) {
    if (bytes.size() > 1 && Steps(bytes) != Steps({bytes.begin(), bytes.end() - 1})) {
        return true;
    }
    std::printf("%s ends inside an operation\n", what.c_str());
    return false;
}

// The entries of a libFuzzer dictionary: name="bytes", with \xHH, \\ and \"
// escapes. False when the file cannot be read or a line is not an entry.
using Entry = std::pair<std::string, std::vector<uint8_t>>;
bool ReadDictionary(const fs::path& file, std::vector<Entry>* entries) {
    std::ifstream in(file);
    for (std::string line; in && std::getline(in, line);) {
        const size_t quote = line.find("=\"");
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (quote == std::string::npos || line.size() < quote + 3 || line.back() != '"') {
            return false;
        }
        Entry e{line.substr(0, quote), {}};
        for (size_t i = quote + 2; i + 1 < line.size(); ++i) {
            if (line.compare(i, 2, "\\x") == 0 && i + 4 < line.size()) {
                e.second.push_back(
                    static_cast<uint8_t>(std::strtoul(line.substr(i + 2, 2).c_str(), nullptr, 16)));
                i += 3;
            } else {
                i += line[i] == '\\' ? 1 : 0;
                e.second.push_back(static_cast<uint8_t>(line[i]));
            }
        }
        entries->push_back(std::move(e));
    }
    return in.eof();
}

// What every seed and every dictionary entry decodes to, and the tables of
// values the input picks from (board steps show the picking bytes), against
// the checked-in listing: a change of the input format that makes a seed or
// an entry mean something else shows as a difference. A seed must decode to
// its last byte; an entry is whole operations as they follow the header, or
// a raw value.
int CheckSeeds(const fs::path& dir, const fs::path& dict, const fs::path& listing) {
    std::vector<Entry> entries;
    if (!fs::is_directory(dir) || !ReadDictionary(dict, &entries)) {
        std::fprintf(stderr, "replay: cannot read %s or %s\n", dir.c_str(), dict.c_str());
        return 2;
    }
    int stale = 0;
    std::string text = "# What each seed of harness/fuzz/corpus and each entry of tvboard.dict\n"
                       "# decode to, and the tables of values inputs pick from, as\n"
                       "# tvboard_fuzz_replay --check-seeds compares them; after a deliberate\n"
                       "# change TVB_UPDATE_EXPECTED=1 rewrites this file.\n";
    for (const fs::path& path : FilesIn(dir)) {
        std::vector<uint8_t> bytes;
        ReadFile(path, &bytes);
        text += "seed " + path.filename().string() + "\n" + Steps(bytes);
        stale += Whole(bytes, "seed " + path.string()) ? 0 : 1;
    }
    for (uint8_t k = 0; k < static_cast<uint8_t>(fuzz::Kind::Count); ++k) {
        text += "values of kind " + std::to_string(k) + "\n ";
        for (uint32_t v : fuzz::ValuesOf(static_cast<fuzz::Kind>(k))) {
            text += " " + std::to_string(v);
        }
        text += "\n";
    }
    for (Entry& e : entries) {
        text += "dict " + e.first + "\n";
        if (e.second.size() == 5 && e.second[0] == fuzz::kRawValue) {
            const uint32_t v = fuzz::Reader(e.second.data(), 5).Value(fuzz::Kind::Any);
            text += "  value " + std::to_string(v) + "\n";
        } else {
            e.second.insert(e.second.begin(), 0); // the header: the whole host table
            text += Steps(e.second, 1);
            stale += Whole(e.second, "dictionary entry " + e.first) ? 0 : 1;
        }
    }
    const char* update = std::getenv("TVB_UPDATE_EXPECTED");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(listing, std::ios::trunc) << text;
        std::printf("rewrote %s\n", listing.c_str());
        return stale == 0 ? 0 : 1;
    }
    std::vector<uint8_t> kept;
    if (!ReadFile(listing, &kept)) {
        std::fprintf(stderr, "replay: cannot read %s (TVB_UPDATE_EXPECTED=1 writes it)\n",
                     listing.c_str());
        return 2;
    }
    std::istringstream want(std::string(kept.begin(), kept.end()));
    std::istringstream have(text);
    std::string item;
    for (size_t n = 1;; ++n) {
        std::string w;
        std::string h;
        const bool listed = static_cast<bool>(std::getline(want, w));
        const bool decoded = static_cast<bool>(std::getline(have, h));
        if (!listed && !decoded) {
            break;
        }
        item = w.rfind("  ", 0) != 0 ? w : item;
        if (w != h || listed != decoded) {
            std::printf("%s:%zu: %s: listed '%s', decodes to '%s'\n", listing.c_str(), n,
                        item.c_str(), listed ? w.c_str() : "(nothing)",
                        decoded ? h.c_str() : "(nothing)");
            ++stale;
            break;
        }
    }
    std::printf("seeds and dictionary: %d difference(s)\n", stale);
    return stale == 0 ? 0 : 1;
}

// Every input on the reference and on each image; the images' timelines must
// agree with the reference's in every event.
int Differential(const std::vector<fs::path>& inputs, const std::vector<std::string>& images) {
    int failed = 0;
    size_t events = 0;
    for (const std::string& image : images) {
        for (const fs::path& path : inputs) {
            std::vector<uint8_t> bytes;
            if (!ReadFile(path, &bytes)) {
                std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
                return 2;
            }
            // Calls described only for a report.
            size_t compared = 0;
            fuzz::Outcome out =
                fuzz::RunDifferential(bytes.data(), bytes.size(), image, false, &compared);
            if (!out.findings.empty()) {
                size_t again = 0;
                out = fuzz::RunDifferential(bytes.data(), bytes.size(), image, true, &again);
            }
            events += compared;
            if (!out.findings.empty()) {
                ++failed;
                std::printf("FINDING %s on %s\n%s", path.c_str(), image.c_str(),
                            out.report.c_str());
                if (failed >= 5) {
                    std::printf("replay: stopped after 5 findings\n");
                    return 1;
                }
            }
        }
    }
    std::printf("replay: %zu input(s) on %zu image(s) and the reference, %zu events compared, "
                "%d with findings or differences\n",
                inputs.size(), images.size(), events, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "--check-seeds") {
        return CheckSeeds(args[1], args[2], args[3]);
    }
    std::vector<std::string> images;
    while (args.size() >= 2 && args[0] == "--image") {
        images.push_back(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    std::string view; // --stats, --show, --timeline or --longest
    if (!args.empty() && (args[0] == "--stats" || args[0] == "--show" || args[0] == "--timeline" ||
                          args[0] == "--longest")) {
        view = args[0];
        args.erase(args.begin());
    }
    const bool timeline = view == "--timeline";
    std::map<std::string, uint64_t> longestByKind;
    if (args.empty()) {
        std::fprintf(stderr,
                     "usage: tvboard_fuzz_replay [--stats | --show | --timeline | --longest | "
                     "--image IMAGE...] PATH... | --check-seeds DIR DICT LISTING\n");
        return 2;
    }
    std::vector<fs::path> inputs;
    for (const std::string& a : args) {
        if (fs::is_directory(a)) {
            const std::vector<fs::path> files = FilesIn(a);
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else if (fs::is_regular_file(a)) {
            inputs.emplace_back(a);
        } else {
            std::fprintf(stderr, "replay: %s is neither a file nor a directory\n", a.c_str());
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    // An image that cannot be loaded is named once, not found different on
    // every input.
    for (const std::string& image : images) {
        emu::HostTable host;
        const host_driver::HostDriver driver(host, image);
        if (!driver.Ready()) {
            std::fprintf(stderr, "replay: %s\n", driver.Error().c_str());
            return 2;
        }
    }
    if (!images.empty()) {
        return Differential(inputs, images);
    }
    int failed = 0;
    for (const fs::path& path : inputs) {
        std::vector<uint8_t> bytes;
        if (!ReadFile(path, &bytes)) {
            std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
            return 2;
        }
        fuzz::Run how;
        how.keepTimeline = timeline;
        const fuzz::Outcome out = fuzz::RunInput(bytes.data(), bytes.size(), how);
        if (timeline) {
            std::printf("%s", out.timeline.c_str());
        }
        if (view == "--show") {
            std::printf("%s:\n", path.c_str());
            for (const std::string& step : out.steps) {
                std::printf("  %s\n", step.c_str());
            }
        }
        if (view == "--stats") {
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
    if (view == "--longest") {
        for (const auto& [kind, us] : longestByKind) {
            std::printf("%12.3f s  %s\n", static_cast<double>(us) / 1e6, kind.c_str());
        }
    }
    std::printf("replay: %zu input(s), %d with findings\n", inputs.size(), failed);
    return failed == 0 ? 0 : 1;
}
