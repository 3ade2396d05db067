#include "DeviceLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

DeviceLink::DeviceLink(std::string path, std::string target)
    : path_(std::move(path)), target_(std::move(target)) {
    struct stat st {};
    if (lstat(path_.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            throw std::runtime_error(path_ + ": exists and is not a symbolic link");
        }
        if (unlink(path_.c_str()) != 0 && errno != ENOENT) {
            throw std::system_error(errno, std::generic_category(), path_);
        }
    }
    if (symlink(target_.c_str(), path_.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), path_);
    }
}

DeviceLink::~DeviceLink() {
    std::array<char, 4096> buffer{};
    const ssize_t n = readlink(path_.c_str(), buffer.data(), buffer.size());
    if (n >= 0 && std::string(buffer.data(), static_cast<size_t>(n)) == target_) {
        unlink(path_.c_str());
    }
}
