#include "files/AtomicFile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "files/ProgramFolder.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Writes data to a new file at p and flushes it to the disk. A file that p may already
// name (a stale temporary file, or a link) is removed first so that nothing else is
// written through it. Returns false, with nothing left at p, when any step fails.
bool writeSynced(const std::filesystem::path& p, std::string_view data) {
    using std::filesystem::file_type;
    std::error_code ec;
    const file_type existing = std::filesystem::symlink_status(p, ec).type();
    if (existing == file_type::directory ||
        (existing != file_type::not_found && existing != file_type::none &&
         !std::filesystem::remove(p, ec))) {
        return false;
    }
#ifdef _WIN32
    FILE* f = _wfopen(p.c_str(), L"wb");
#else
    FILE* f = std::fopen(p.c_str(), "wb");
#endif
    if (f == nullptr) {
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fflush(f) == 0 && ok;
#ifdef _WIN32
    ok = _commit(_fileno(f)) == 0 && ok;
#else
    ok = fsync(fileno(f)) == 0 && ok;
#endif
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::filesystem::remove(p, ec);
    }
    return ok;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view data) {
    const std::filesystem::path temp = NativePath(path + ".tmp");
    if (!writeSynced(temp, data)) {
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, NativePath(path), ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}
