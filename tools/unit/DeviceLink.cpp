#include "DeviceLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace {

// Makes the missing folders above path, outermost first; returns those it made.
std::vector<std::string> makeParents(const std::string& path) {
    std::vector<std::filesystem::path> missing;
    for (auto folder = std::filesystem::path(path).parent_path(); !folder.empty();
         folder = folder.parent_path()) {
        struct stat st {};
        if (lstat(folder.c_str(), &st) == 0) {
            break;
        }
        missing.push_back(folder);
        if (folder == folder.parent_path()) {
            break;
        }
    }
    std::vector<std::string> made;
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (mkdir(it->c_str(), 0777) != 0 && errno != EEXIST) {
            throw std::system_error(errno, std::generic_category(), it->string());
        }
        made.push_back(it->string());
    }
    return made;
}

}  // namespace

DeviceLink::DeviceLink(std::string path, std::string target)
    : path_(std::move(path)), target_(std::move(target)), made_(makeParents(path_)) {
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
