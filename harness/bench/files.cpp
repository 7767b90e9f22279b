#include "bench/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace bench {

namespace {

// The reason a path cannot be opened as a file: the system's, or that it
// names a folder (which the streams open without complaint on Linux).
std::string Reason(const std::string& path) {
    const int code = errno;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return std::strerror(EISDIR);
    }
    return std::strerror(code != 0 ? code : EIO);
}

} // namespace

bool OpenToRead(const std::string& path, const std::string& what, std::ifstream* in,
                std::string* error) {
    struct stat info {};
    errno = 0;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        errno = EISDIR;
    } else {
        in->open(path, std::ios::binary);
        if (*in) {
            return true;
        }
    }
    *error = "cannot read " + what + " " + path + ": " + Reason(path);
    return false;
}

bool Output::Open(const std::string& path, const std::string& what, std::string* error) {
    path_ = path;
    what_ = what;
    if (path == "-") {
        stdout_ = true;
        return true;
    }
    errno = 0;
    file_ = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
    if (!*file_) {
        *error = "cannot write " + what + " " + path + ": " + Reason(path);
        file_.reset();
        return false;
    }
    return true;
}

std::ostream& Output::Stream() {
    return stdout_ || file_ == nullptr ? std::cout : *file_;
}

bool Output::Close(std::string* error) {
    if (stdout_) {
        std::cout.flush();
        return true;
    }
    if (file_ == nullptr) {
        return true;
    }
    errno = 0;
    file_->close();
    const bool ok = !file_->fail();
    if (!ok) {
        *error = "cannot write " + what_ + " " + path_ + ": " + Reason(path_);
    }
    file_.reset();
    return ok;
}

} // namespace bench
