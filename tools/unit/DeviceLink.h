#pragma once
#include <string>
#include <vector>

// The symbolic link through which clients find the unit's device. The missing folders of
// the path are made first (and left in place at the end). An existing link at the path
// (left by a unit that ended without cleaning up) is replaced; any other file there is
// refused. The link is removed again on destruction, unless it has meanwhile been
// pointed somewhere else.
class DeviceLink {
  public:
    // Throws std::system_error (or std::runtime_error for a path held by another file).
    DeviceLink(std::string path, std::string target);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // The folders made for the link, outermost first; empty when all were there.
    [[nodiscard]] const std::vector<std::string>& madeFolders() const { return made_; }

  private:
    std::string path_;
    std::string target_;
    std::vector<std::string> made_;
};
