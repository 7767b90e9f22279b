#include "module_fixture.h"

#include "virtual_time/kernel_virtual.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

void ModuleTest::SetUp() {
    host_ = std::make_unique<emu::HostTable>();
    driver_ = std::make_unique<host_driver::HostDriver>(host_.get());
    driver_->SetNotes(host_driver::Notes::Off);
}

void ModuleTest::TearDown() {
    EXPECT_EQ(host_->ForbiddenCalls(), 0) << "the module called host slot 4 or 5";
    Close();
    // Every `!!` on the timeline that the test did not take out on purpose.
    const auto& events = host_->Trace().Events();
    for (const emu::Problem& p : host_->Problems()) {
        ADD_FAILURE() << (p.isViolation ? "device protocol violation" : "unexpected argument")
                      << " at event " << p.event << ": " << p.text << "\n    "
                      << (p.event < events.size() ? emu::Timeline::Line(events[p.event])
                                                  : std::string("(not on the timeline)"));
    }
    driver_.reset();
    host_.reset();
    for (const std::string& violation : vt::Violations()) {
        ADD_FAILURE() << "kernel rule broken: " << violation;
    }
}

const TVB_BOARD_MODULE_CAPS* ModuleTest::Load() {
    driver_->Load();
    caps_ = driver_->Caps();
    return caps_;
}

const TVB_BOARD_MODULE_CAPS* ModuleTest::HandIn(const TVB_HOST_OPS* table) {
    const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
    uint32_t count = 0;
    driver_->HandIn(table, &list, &count);
    caps_ = driver_->Caps();
    return caps_;
}

TVTunerSettings* ModuleTest::Open() {
    if (caps_ == nullptr && Load() == nullptr) {
        ADD_FAILURE() << "GetBoardModuleCaps handed out no capability record";
        return nullptr;
    }
    caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, &settings_, &info_);
    return settings_;
}

void ModuleTest::Close() {
    if (settings_ != nullptr && caps_ != nullptr) {
        caps_->BoardOps->CloseBoard(settings_, 0);
        settings_ = nullptr;
    }
}

std::vector<std::string> ModuleTest::Messages(size_t mark) const {
    std::vector<std::string> out;
    const auto& events = host_->Trace().Events();
    for (size_t i = mark; i < events.size(); ++i) {
        const emu::Event& e = events[i];
        if (e.kind == emu::EventKind::Print && e.text != "<ORVELSTRM.SYS> " && e.text != "\n") {
            out.push_back(e.text);
        }
    }
    return out;
}

std::string Repeat(const std::string& lines, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += lines;
    }
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string ReadExpected(const std::string& name) {
    std::ifstream in(std::string(TVB_EXPECTED_DIR) + "/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void ExpectMatchesFile(const std::string& actual, const std::string& name) {
    const std::string path = std::string(TVB_EXPECTED_DIR) + "/" + name;
    std::istringstream in(ReadExpected(name));
    std::string line;
    std::string comments;
    std::string expected;
    while (std::getline(in, line)) {
        (line.rfind("##", 0) == 0 ? comments : expected) += line + "\n";
    }
    const char* update = std::getenv("TVB_UPDATE_EXPECTED");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(path) << comments << actual; // comments stay at the top
        return;
    }
    EXPECT_EQ(actual, expected) << "timeline differs from tests/module/expected/" << name;
}
