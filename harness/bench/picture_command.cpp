#include "bench/picture_command.h"

#include "text/format.h"

namespace bench {

int PictureCommand(BoardRun& run, HostCalls& calls) {
    if (!calls.BringUp()) {
        return 1;
    }
    for (const auto& [control, value] : run.options.picture) {
        run.Waiting(std::string("setting ") + control->name);
        calls.SetPicture(*control, value);
    }
    run.Say("picture:");
    const VideoPropertyDefaults defaults = run.driver.PropertyDefaults();
    run.Flush();
    // The four controls as the decoder holds them (the module keeps no copy).
    Json list = Json::array();
    for (const PictureControl& c : PictureControls()) {
        const auto byte = static_cast<uint8_t>(run.board.decoder.Dword(c.reg));
        int32_t value = 0;
        list.push_back({{"control", c.name},
                        {"value", PictureValue(c, byte, &value) ? Json(value) : Json(nullptr)},
                        {"min", c.min},
                        {"max", c.max},
                        {"default", static_cast<int32_t>(defaults.Value[c.property - 1])},
                        {"register", c.reg},
                        {"register_value", byte}});
    }
    run.Put({{"picture", list}}, [](const Json& j) {
        std::string lines;
        for (const Json& c : j["picture"]) {
            lines += text::Format(
                "  %-10s %4s  (range %d..%d, default %d; decoder register 0x%03X = 0x%02X)\n",
                c["control"].get<std::string>().c_str(),
                c["value"].is_null() ? "?" : c["value"].dump().c_str(), c["min"].get<int>(),
                c["max"].get<int>(), c["default"].get<int>(), c["register"].get<unsigned>(),
                c["register_value"].get<unsigned>());
        }
        return lines;
    });
    return 0;
}

} // namespace bench
