#pragma once
#include <string>

// The symbolic link through which clients find the unit's device. An existing link at the
// path (left by a unit that ended without cleaning up) is replaced; any other file there
// is refused. The link is removed again on destruction, unless it has meanwhile been
// pointed somewhere else.
class DeviceLink {
  public:
    // Throws std::system_error (or std::runtime_error for a path held by another file).
    DeviceLink(std::string path, std::string target);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

  private:
    std::string path_;
    std::string target_;
};
