#include "host_driver/pe_image.h"

#include "text/fixed_field.h"
#include "text/hex.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#if defined(__i386__) && defined(__linux__)
#include "virtual_time/windows_kernel.h"

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#define TVB_PE_CAN_RUN 1
#endif

namespace host_driver {

namespace {

// What the kernel's loader takes: a 32-bit x86 image for the native
// subsystem, executable, with its relocations.
constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kSubsystemNative = 1;
constexpr uint16_t kExecutableImage = 0x0002;
constexpr uint16_t kRelocsStripped = 0x0001;
constexpr size_t kLargestImage = 16u << 20;

// Offsets in the headers (PE/COFF, 32-bit optional header).
constexpr size_t kFileHeader = 4; // after "PE\0\0"
constexpr size_t kOptionalHeader = kFileHeader + 20;
enum Directory { kExports = 0, kImports = 1, kRelocations = 5 };

// The file, read with every access checked against its end.
class Bytes {
  public:
    explicit Bytes(const std::vector<uint8_t>& data) : data_(data) {}
    size_t Size() const { return data_.size(); }
    bool Has(size_t offset, size_t n) const {
        return offset <= data_.size() && n <= data_.size() - offset;
    }
    uint16_t U16(size_t at) const {
        return Has(at, 2) ? static_cast<uint16_t>(data_[at] | data_[at + 1] << 8) : 0;
    }
    uint32_t U32(size_t at) const {
        return Has(at, 4)
                   ? static_cast<uint32_t>(U16(at)) | static_cast<uint32_t>(U16(at + 2)) << 16
                   : 0;
    }
    const uint8_t* At(size_t at) const { return data_.data() + at; }

  private:
    const std::vector<uint8_t>& data_;
};

// The image file as last read, with its checksum once computed: a
// differential fuzzing run loads the same image for every input, and
// reading and summing it took most of a short input's time. It is read
// again when its size or modification time changed; the mapping is made
// afresh at every load.
struct ImageFile {
    std::string path;
    uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    std::vector<uint8_t> bytes;
    size_t checksumAt = 0; // where the checksum field is; 0: not computed yet
    uint32_t checksum = 0;
};
ImageFile& Cached() {
    static ImageFile file;
    return file;
}

// The file's bytes, no more than one past the largest image taken; null
// when it cannot be read.
ImageFile* ReadImage(const std::string& path) {
    ImageFile& f = Cached();
    std::error_code failed;
    const uintmax_t size = std::filesystem::file_size(path, failed);
    const std::filesystem::file_time_type modified =
        failed ? std::filesystem::file_time_type{} : std::filesystem::last_write_time(path, failed);
    if (failed) {
        return nullptr;
    }
    if (f.path == path && f.size == size && f.modified == modified) {
        return &f;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return nullptr;
    }
    f = ImageFile{};
    const auto wanted = static_cast<size_t>(std::min<uintmax_t>(size, kLargestImage + 1));
    f.bytes.resize(wanted);
    in.read(reinterpret_cast<char*>(f.bytes.data()), static_cast<std::streamsize>(wanted));
    f.bytes.resize(static_cast<size_t>(in.gcount()));
    f.path = path;
    f.size = size;
    f.modified = modified;
    return &f;
}

struct Section {
    std::string name;
    uint32_t virtualSize, virtualAddress, rawSize, rawOffset, characteristics; // as in the table
};

// What a section takes in memory: its virtual size (the raw data beyond it
// is the file's padding), or the raw size where no virtual size is given.
uint32_t Span(const Section& s) {
    return s.virtualSize != 0 ? s.virtualSize : s.rawSize;
}

// The PE checksum: the 16-bit one's-complement-style sum of the file with
// the checksum field taken as zero, plus the file's length.
uint32_t Checksum(const std::vector<uint8_t>& f, size_t checksumAt) {
    uint64_t sum = 0;
    for (size_t i = 0; i < f.size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2) {
            continue;
        }
        sum += i + 1 < f.size() ? static_cast<uint32_t>(f[i] | f[i + 1] << 8) : f[i];
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + f.size());
}

uint32_t ChecksumOf(ImageFile& f, size_t checksumAt) {
    if (f.checksumAt != checksumAt) {
        f.checksum = Checksum(f.bytes, checksumAt);
        f.checksumAt = checksumAt;
    }
    return f.checksum;
}

#if defined(TVB_PE_CAN_RUN)

// A word of the mapped image, where the caller made sure it lies inside.
template <typename T> T Read(const uint8_t* image, size_t at) {
    T value = 0;
    std::memcpy(&value, image + at, sizeof value);
    return value;
}

// A zero-terminated name at `offset` of the mapped image, at most 255 bytes.
bool NameAt(const uint8_t* image, size_t size, uint32_t offset, std::string* out) {
    out->clear();
    for (size_t i = offset; i < size && i < offset + 256u; ++i) {
        if (image[i] == 0) {
            return true;
        }
        *out += static_cast<char>(image[i]);
    }
    return false;
}

#endif

} // namespace

bool LooksLikePeImage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    return in.read(magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

bool PeImage::Load(const std::string& path) {
    Unload();
    ImageFile* file = ReadImage(path);
    if (file == nullptr) {
        error_ = "cannot read " + path;
        return false;
    }
    const Bytes f(file->bytes);
    const auto refuse = [&](const std::string& why) {
        error_ = path + ": not a kernel image this loader takes: " + why;
        Unload();
        return false;
    };
    if (f.Size() > kLargestImage) {
        return refuse("larger than 16 MiB");
    }
    if (f.U16(0) != 0x5A4D) {
        return refuse("no MZ header");
    }
    const size_t pe = f.U32(0x3C);
    if (!f.Has(pe, kOptionalHeader) || f.U32(pe) != 0x00004550) {
        return refuse("no PE header (truncated?)");
    }
    const uint16_t machine = f.U16(pe + kFileHeader);
    const uint16_t sections = f.U16(pe + kFileHeader + 2);
    const uint16_t optionalSize = f.U16(pe + kFileHeader + 16);
    const uint16_t characteristics = f.U16(pe + kFileHeader + 18);
    const size_t opt = pe + kOptionalHeader;
    if (machine != kMachineI386) {
        return refuse("machine " + text::Hex(machine) + ", not 32-bit x86 (0x14C)");
    }
    if ((characteristics & kExecutableImage) == 0) {
        return refuse("not marked executable");
    }
    if ((characteristics & kRelocsStripped) != 0) {
        return refuse(
            "its relocations are stripped, so it cannot be placed where the kernel puts it");
    }
    if (optionalSize < 96 || !f.Has(opt, optionalSize) || f.U16(opt) != kMagicPe32) {
        return refuse("no 32-bit optional header");
    }
    const uint32_t imageBase = f.U32(opt + 28);
    const uint32_t sectionAlignment = f.U32(opt + 32);
    const uint32_t imageSize = f.U32(opt + 56);
    const uint32_t headerSize = f.U32(opt + 60);
    const uint32_t checksum = f.U32(opt + 64);
    const uint16_t subsystem = f.U16(opt + 68);
    const uint32_t directories = f.U32(opt + 92);
    if (subsystem != kSubsystemNative) {
        return refuse("subsystem " + std::to_string(subsystem) + ", not native (1)");
    }
    if (!f.Has(0, headerSize)) {
        return refuse("truncated: its headers take " + std::to_string(headerSize) +
                      " bytes, the file has " + std::to_string(f.Size()));
    }
    if (imageSize == 0 || imageSize > kLargestImage || headerSize > imageSize ||
        sectionAlignment == 0 || (sectionAlignment & (sectionAlignment - 1)) != 0) {
        return refuse("image size, header size or section alignment out of range");
    }
    const auto directory = [&](Directory d, uint32_t* size) {
        if (d >= directories || 96u + 8u * d + 8u > optionalSize) {
            *size = 0;
            return uint32_t{0};
        }
        *size = f.U32(opt + 96 + size_t{8} * d + 4);
        return f.U32(opt + 96 + size_t{8} * d);
    };

    std::vector<Section> list;
    const size_t table = opt + optionalSize;
    if (sections == 0 || !f.Has(table, size_t{40} * sections)) {
        return refuse("section table missing or truncated");
    }
    uint32_t end = headerSize;
    for (uint16_t i = 0; i < sections; ++i) {
        const size_t s = table + size_t{40} * i;
        // (A section's name: eight bytes, padded with NULs when shorter.)
        Section sec{text::FixedField(reinterpret_cast<const char*>(f.At(s)), 8),
                    f.U32(s + 8),
                    f.U32(s + 12),
                    f.U32(s + 16),
                    f.U32(s + 20),
                    f.U32(s + 36)};
        const uint32_t span = Span(sec);
        if (sec.rawSize != 0 && !f.Has(sec.rawOffset, sec.rawSize)) {
            return refuse("truncated: section " + sec.name + " ends at byte " +
                          std::to_string(uint64_t{sec.rawOffset} + sec.rawSize) +
                          ", the file has " + std::to_string(f.Size()));
        }
        if (sec.virtualAddress % sectionAlignment != 0 || sec.virtualAddress < end ||
            span > imageSize || sec.virtualAddress > imageSize - span) {
            return refuse("section " + sec.name +
                          " lies outside the image or the file, "
                          "overlaps another or is misaligned");
        }
        end = sec.virtualAddress + span;
        list.push_back(sec);
    }
    if (checksum == 0 || checksum != ChecksumOf(*file, opt + 64)) {
        return refuse("image checksum " + text::Hex(checksum) + " does not match its contents (" +
                      text::Hex(ChecksumOf(*file, opt + 64)) + ")");
    }

#if !defined(TVB_PE_CAN_RUN)
    (void)imageBase;
    (void)directory;
    error_ = path + ": a Windows kernel image runs only in the 32-bit x86 build (build/i386)";
    return false;
#else
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_ = (imageSize + page - 1) / page * page;
    void* mapped = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        size_ = 0;
        error_ = path + ": cannot map " + std::to_string(imageSize) + " bytes";
        return false;
    }
    base_ = mapped;
    auto* image = static_cast<uint8_t*>(base_);
    std::memcpy(image, f.At(0), headerSize);
    for (const Section& s : list) {
        const uint32_t raw =
            s.rawSize < s.virtualSize || s.virtualSize == 0 ? s.rawSize : s.virtualSize;
        if (raw != 0) {
            std::memcpy(image + s.virtualAddress, f.At(s.rawOffset), raw);
        }
    }

    // Base relocations: every 32-bit address in the image moves by the
    // difference between where it was linked and where it lies now.
    uint32_t relocSize = 0;
    const uint32_t reloc = directory(kRelocations, &relocSize);
    const uint32_t delta = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base_)) - imageBase;
    if (relocSize == 0 && delta != 0) {
        return refuse("no base relocations");
    }
    for (uint32_t at = reloc; relocSize != 0 && at < reloc + relocSize;) {
        if (at > imageSize - 8) {
            return refuse("relocation block outside the image");
        }
        const auto pageRva = Read<uint32_t>(image, at);
        const auto blockSize = Read<uint32_t>(image, at + 4);
        if (blockSize < 8 || blockSize > reloc + relocSize - at) {
            return refuse("relocation block of " + std::to_string(blockSize) + " bytes");
        }
        for (uint32_t e = at + 8; e + 2 <= at + blockSize; e += 2) {
            const auto entry = Read<uint16_t>(image, e);
            const uint32_t type = entry >> 12;
            const uint32_t target = pageRva + (entry & 0xFFFu);
            if (type == 0) {
                continue; // padding
            }
            if (type != 3 || target > imageSize - 4) {
                return refuse("relocation of type " + std::to_string(type) + " at " +
                              text::Hex(target));
            }
            const uint32_t value = Read<uint32_t>(image, target) + delta;
            std::memcpy(image + target, &value, 4);
        }
        at += blockSize;
    }

    // Imports: only what the kernel and the HAL export and the services here
    // provide, by name, each bound to its routine there, which holds the
    // image to the kernel's rules for every argument (windows_kernel.h).
    // The image is memory the kernel takes as resident, as its routines
    // need to know.
    vt::SetImageMemory(base_, size_);
    uint32_t importSize = 0;
    for (uint32_t d = directory(kImports, &importSize); importSize != 0; d += 20) {
        if (d > imageSize - 20) {
            return refuse("import directory outside the image");
        }
        auto names = Read<uint32_t>(image, d);
        const auto nameRva = Read<uint32_t>(image, d + 12);
        const auto iat = Read<uint32_t>(image, d + 16);
        if (nameRva == 0 && iat == 0) {
            break;
        }
        std::string dll;
        if (!NameAt(image, imageSize, nameRva, &dll)) {
            return refuse("import module name outside the image");
        }
        names = names != 0 ? names : iat;
        for (uint32_t k = 0;; k += 4) {
            if (names > imageSize - 4 - k || iat > imageSize - 4 - k) {
                return refuse("import table of " + dll + " outside the image");
            }
            const auto thunk = Read<uint32_t>(image, names + k);
            if (thunk == 0) {
                break;
            }
            std::string name;
            if ((thunk & 0x80000000u) != 0 || !NameAt(image, imageSize, thunk + 2, &name)) {
                return refuse("an import from " + dll +
                              " by ordinal or with its name outside the image");
            }
            const vt::WindowsRoutine* found = vt::FindWindowsRoutine(dll.c_str(), name.c_str());
            if (found == nullptr) {
                std::string why = "it imports ";
                why += name;
                why += " from ";
                why += dll;
                why += ", which the kernel services here do not provide";
                return refuse(why);
            }
            const auto routine = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(found->routine));
            std::memcpy(image + iat + k, &routine, 4);
        }
    }

    // The three exports, by name.
    uint32_t exportSize = 0;
    const uint32_t exp = directory(kExports, &exportSize);
    if (exportSize == 0 || exp > imageSize - 40) {
        return refuse("no export directory");
    }
    const auto functionCount = Read<uint32_t>(image, exp + 20);
    const auto count = Read<uint32_t>(image, exp + 24);
    const auto functions = Read<uint32_t>(image, exp + 28);
    const auto namesRva = Read<uint32_t>(image, exp + 32);
    const auto ordinals = Read<uint32_t>(image, exp + 36);
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        if (namesRva > imageSize - 4 - 4 * i || ordinals > imageSize - 2 - 2 * i) {
            return refuse("export names outside the image");
        }
        const auto nameRva = Read<uint32_t>(image, namesRva + 4 * i);
        const auto ordinal = Read<uint16_t>(image, ordinals + 2 * i);
        if (!NameAt(image, imageSize, nameRva, &name) || ordinal >= functionCount ||
            functions > imageSize - 4 - 4u * ordinal) {
            return refuse("export table outside the image");
        }
        const auto rva = Read<uint32_t>(image, functions + 4u * ordinal);
        if (rva >= imageSize) {
            return refuse("export " + name + " outside the image");
        }
        void* address = image + rva;
        if (name == "DllInitialize") {
            exports_.Initialize = reinterpret_cast<TVB_DLL_INITIALIZE_FN>(address);
        } else if (name == "DllUnload") {
            exports_.Unload = reinterpret_cast<TVB_DLL_UNLOAD_FN>(address);
        } else if (name == "GetBoardModuleCaps") {
            exports_.GetCaps = reinterpret_cast<TVB_GET_BOARD_MODULE_CAPS_FN>(address);
        }
    }
    if (!AllBound()) {
        return refuse("it does not export DllInitialize, DllUnload and GetBoardModuleCaps");
    }

    // Each section with the protection it asks for; the headers read-only.
    mprotect(image, (headerSize + page - 1) / page * page, PROT_READ);
    for (const Section& s : list) {
        int protection = 0;
        protection |= (s.characteristics & 0x40000000u) != 0 ? PROT_READ : 0;
        protection |= (s.characteristics & 0x80000000u) != 0 ? PROT_WRITE : 0;
        protection |= (s.characteristics & 0x20000000u) != 0 ? PROT_EXEC | PROT_READ : 0;
        const uint32_t span = Span(s);
        if (sectionAlignment >= page && span != 0 &&
            mprotect(image + s.virtualAddress, (span + page - 1) / page * page, protection) != 0) {
            return refuse("cannot protect section " + s.name);
        }
        if (sectionAlignment < page) { // sections share pages: all of it runs
            mprotect(image, size_, PROT_READ | PROT_WRITE | PROT_EXEC);
        }
    }
    return true;
#endif
}

void PeImage::Unload() {
#if defined(TVB_PE_CAN_RUN)
    if (base_ != nullptr) {
        vt::SetImageMemory(nullptr, 0);
        munmap(base_, size_);
    }
#endif
    base_ = nullptr;
    size_ = 0;
    exports_ = Exports{};
}

} // namespace host_driver
