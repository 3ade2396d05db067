#pragma once
#include <string>
#include <string_view>

// Replaces the file at path (UTF-8) by data: the bytes go to path + ".tmp" in the same
// folder, are flushed to the disk, and that file is renamed over the target. On any failure
// the temporary file is removed, the target is left exactly as it was, and false is returned.
bool WriteFileAtomic(const std::string& path, std::string_view data);
