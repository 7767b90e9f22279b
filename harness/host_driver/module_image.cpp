#include "host_driver/module_image.h"

#include <cstddef>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>
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
// A path as given: a bare file name names the file in the current folder,
// not one the loader would search for on its library path.
std::string AsGiven(const std::string& path) {
    return path.find_first_of("\\/:") == std::string::npos ? ".\\" + path : path;
}
#else
std::string AsGiven(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
}

std::string MachineName(unsigned machine, bool is64) {
    switch (machine) {
    case EM_386:
        return "32-bit x86";
    case EM_X86_64:
        return "x86-64";
    case EM_ARM:
        return "32-bit ARM";
    case EM_AARCH64:
        return "64-bit ARM";
    default:
        return std::string(is64 ? "64-bit" : "32-bit") + " machine " + std::to_string(machine);
    }
}

#if defined(__x86_64__)
constexpr unsigned kOwnMachine = EM_X86_64;
constexpr unsigned char kOwnClass = ELFCLASS64;
#elif defined(__i386__)
constexpr unsigned kOwnMachine = EM_386;
constexpr unsigned char kOwnClass = ELFCLASS32;
#else
#error "the bench loads modules on x86 only"
#endif

// The program headers of an ELF file of class Ehdr/Phdr: every one and every
// segment the loader maps must lie within the file.
template <typename Ehdr, typename Phdr>
std::string CheckSegments(const std::vector<char>& head, std::ifstream& in, uint64_t size) {
    Ehdr eh{};
    std::memcpy(&eh, head.data(), sizeof eh);
    if (eh.e_type != ET_DYN) {
        return "is an ELF file but not a shared library (type " + std::to_string(eh.e_type) + ")";
    }
    const uint64_t tableEnd = uint64_t{eh.e_phoff} + uint64_t{eh.e_phnum} * eh.e_phentsize;
    if (eh.e_phentsize != sizeof(Phdr) || eh.e_phnum == 0 || tableEnd > size) {
        return "is truncated or damaged: its program headers do not lie within its " +
               std::to_string(size) + " bytes";
    }
    std::vector<Phdr> headers(eh.e_phnum);
    in.seekg(static_cast<std::streamoff>(eh.e_phoff));
    in.read(reinterpret_cast<char*>(headers.data()),
            static_cast<std::streamsize>(headers.size() * sizeof(Phdr)));
    if (!in) {
        return "cannot be read: " + std::string(std::strerror(errno != 0 ? errno : EIO));
    }
    for (const Phdr& ph : headers) {
        const uint64_t end = uint64_t{ph.p_offset} + ph.p_filesz;
        if ((ph.p_type == PT_LOAD || ph.p_type == PT_DYNAMIC) && end > size) {
            return "is truncated: a segment it maps ends at byte " + std::to_string(end) +
                   ", the file has " + std::to_string(size);
        }
    }
    return "";
}

// The dynamic loader maps a shared library's segments as its program headers
// say, and a process that touches a page past the end of a truncated file
// dies of a bus error; one of another machine is refused with a terse text.
// So the file is looked at first: empty when dlopen may have it, otherwise
// what is wrong.
std::string CheckElf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return std::strerror(EISDIR);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::strerror(errno != 0 ? errno : EACCES);
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    std::vector<char> head(sizeof(Elf64_Ehdr), 0);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const size_t got = static_cast<size_t>(in.gcount());
    in.clear();
    if (got < EI_NIDENT || std::memcmp(head.data(), ELFMAG, SELFMAG) != 0) {
        return "not a module: neither an ELF shared library nor a Windows image";
    }
    const unsigned char cls = static_cast<unsigned char>(head[EI_CLASS]);
    const bool is64 = cls == ELFCLASS64;
    if ((cls != ELFCLASS32 && !is64) || head[EI_DATA] != ELFDATA2LSB ||
        got < (is64 ? sizeof(Elf64_Ehdr) : sizeof(Elf32_Ehdr))) {
        return "is truncated or damaged: no complete little-endian ELF header";
    }
    uint16_t machine = 0;
    std::memcpy(&machine, head.data() + offsetof(Elf32_Ehdr, e_machine), sizeof machine);
    if (machine != kOwnMachine || cls != kOwnClass) {
        return "is built for " + MachineName(machine, is64) + ", this bench runs on " +
               MachineName(kOwnMachine, kOwnClass == ELFCLASS64) +
               ": load it with the bench of a build for its machine";
    }
    return is64 ? CheckSegments<Elf64_Ehdr, Elf64_Phdr>(head, in, size)
                : CheckSegments<Elf32_Ehdr, Elf32_Phdr>(head, in, size);
}

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

#if !defined(_WIN32)
// The segments the loader mapped for the object of `map`.
struct Segments {
    const link_map* map;
    std::vector<std::pair<uintptr_t, uintptr_t>> found;
};
int FindSegments(dl_phdr_info* info, size_t /*size*/, void* data) {
    auto* s = static_cast<Segments*>(data);
    const char* name = info->dlpi_name != nullptr ? info->dlpi_name : "";
    if (info->dlpi_addr != s->map->l_addr || std::strcmp(name, s->map->l_name) != 0) {
        return 0;
    }
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD) {
            const uintptr_t from = info->dlpi_addr + ph.p_vaddr;
            s->found.emplace_back(from, from + ph.p_memsz);
        }
    }
    return 1;
}
#endif

template <typename F> void Bind(F& slot, void* handle, const char* name) {
    slot = reinterpret_cast<F>(Symbol(handle, name));
}

} // namespace

bool ModuleImage::Load(const std::string& given) {
    Unload();
    const std::string path = AsGiven(given);
#if !defined(_WIN32)
    const std::string wrong = CheckElf(path);
    if (!wrong.empty()) {
        error_ = "cannot load module " + given + ": " + wrong;
        return false;
    }
#endif
    handle_ = Open(path);
    if (handle_ == nullptr) {
        error_ = "cannot load module " + given + ": " + LastError();
        return false;
    }
    // The exports by their undecorated names, as the kernel's loader binds
    // an export driver's imports.
    Bind(exports_.Initialize, handle_, "DllInitialize");
    Bind(exports_.Unload, handle_, "DllUnload");
    Bind(exports_.GetCaps, handle_, "GetBoardModuleCaps");
    if (!AllBound()) {
        error_ = given + " does not export DllInitialize, DllUnload and GetBoardModuleCaps";
        Unload();
        return false;
    }
#if defined(_WIN32)
    const auto* base = static_cast<const char*>(handle_);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto from = reinterpret_cast<uintptr_t>(base);
    mapped_.push_back({from, from + nt->OptionalHeader.SizeOfImage});
#else
    link_map* map = nullptr;
    if (dlinfo(handle_, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) {
        Segments s{map, {}};
        dl_iterate_phdr(FindSegments, &s);
        for (const auto& r : s.found) {
            mapped_.push_back({r.first, r.second});
        }
    }
#endif
    return true;
}

bool ModuleImage::Holds(const void* at, size_t size) const {
    const auto p = reinterpret_cast<uintptr_t>(at);
    for (const Range& r : mapped_) {
        if (p >= r.from && size <= r.to - r.from && p - r.from <= r.to - r.from - size) {
            return true;
        }
    }
    return false;
}

void ModuleImage::Unload() {
    if (handle_ != nullptr) {
        Close(handle_);
        handle_ = nullptr;
    }
    exports_ = Exports{};
    mapped_.clear();
}

} // namespace host_driver
