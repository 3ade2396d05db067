#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

// A folder of this fuzzing process for the files it reads, in memory (/dev/shm) where there
// is one, removed when the process ends normally.
inline const std::filesystem::path& FuzzFolder() {
    static const std::filesystem::path folder = [] {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path f = base / ("vexlo-fuzz-" + std::to_string(getpid()));
        fs::create_directories(f);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(FuzzFolder(), ignored);
        });
        return f;
    }();
    return folder;
}

// Writes bytes to the file (plainly: no temporary file, no flush to the disk).
inline void WriteFuzzFile(const std::filesystem::path& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::abort();
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::abort();
    }
    std::fclose(f);
}

inline std::string ReadFuzzFile(const std::filesystem::path& path) {
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
            text.append(buf, n);
        }
        std::fclose(f);
    }
    return text;
}
