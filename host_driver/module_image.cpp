#include "host_driver/module_image.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host_driver {

namespace {

#if defined(_WIN32)
std::string LastError() {
    char text[256] = {};
    const DWORD code = GetLastError();
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof(text), nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) {
        s.pop_back();
    }
    return "error " + std::to_string(code) + (s.empty() ? "" : ": " + s);
}
void* Open(const std::string& path) {
    return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
}
void* Symbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void Close(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
#else
std::string LastError() {
    const char* e = dlerror();
    return e != nullptr ? e : "unknown error";
}
void* Open(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void* Symbol(void* handle, const char* name) {
    return dlsym(handle, name);
}
void Close(void* handle) {
    dlclose(handle);
}
#endif

template <typename F> void Bind(F& slot, void* handle, const char* name) {
    slot = reinterpret_cast<F>(Symbol(handle, name));
}

} // namespace

bool ModuleImage::Load(const std::string& path) {
    Unload();
    handle_ = Open(path);
    if (handle_ == nullptr) {
        error_ = "cannot load module " + path + ": " + LastError();
        return false;
    }
    // The exports by their undecorated names, as the kernel's loader binds
    // an export driver's imports.
    Bind(exports_.Initialize, handle_, "DllInitialize");
    Bind(exports_.Unload, handle_, "DllUnload");
    Bind(exports_.GetCaps, handle_, "GetBoardModuleCaps");
    if (exports_.Initialize == nullptr || exports_.Unload == nullptr ||
        exports_.GetCaps == nullptr) {
        error_ = path + " does not export DllInitialize, DllUnload and GetBoardModuleCaps";
        Unload();
        return false;
    }
    return true;
}

void ModuleImage::Unload() {
    if (handle_ != nullptr) {
        Close(handle_);
        handle_ = nullptr;
    }
    exports_ = Exports{};
}

} // namespace host_driver
