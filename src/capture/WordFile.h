#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

// Display words kept outside the program's memory: written once to an unnamed temporary file,
// then mapped read-only. The pages belong to the file, so the system can drop them and read
// them again when they are needed; memory stays bounded however many words a capture makes.
// The file has no name in any folder and vanishes with the last descriptor, also when the
// program ends abnormally.
// A page read again from a disk that has gone away (a USB stick pulled, a network share lost)
// or from a file cut short faults. On Linux and the like that fault is caught: the mapping's
// pages read as zeros from then on, lost() turns true and lossNotifier() becomes readable, so
// that the program reports a failed read instead of crashing.
// On Windows the file has a hidden unique name that nobody else may open.
class WordFile {
  public:
    WordFile() = default;
    ~WordFile();
    WordFile(WordFile&& other) noexcept;
    WordFile& operator=(WordFile&& other) noexcept;
    WordFile(const WordFile&) = delete;
    WordFile& operator=(const WordFile&) = delete;

    // Where the words of a capture in captureFolder go, best first: the user's cache folder
    // ($XDG_CACHE_HOME, else ~/.cache) when it is the user's own and on a local disk, the
    // temporary folder unless it is held in memory, and the capture's folder last.
    [[nodiscard]] static std::vector<std::filesystem::path> folders(
        const std::filesystem::path& captureFolder);

    // Makes a new, empty file in folder (the words written before are dropped); false when the
    // folder takes none, or where the platform keeps no such files.
    bool create(const std::filesystem::path& folder);
    // Appends n words; false once a write has failed (a full disk).
    bool append(const int16_t* words, size_t n);
    // Ends the writing and maps what was written; false when it cannot be mapped.
    bool finish();

    // The words written, once finished.
    [[nodiscard]] std::span<const int16_t> words() const;
    [[nodiscard]] size_t size() const { return count_; }

    // True once a read of the mapping has faulted: words() then reads as zeros.
    [[nodiscard]] bool lost() const;
    // A descriptor that turns readable (a byte for each fault) when a mapping is lost, for an
    // event loop to watch; -1 where faults are not caught.
    [[nodiscard]] static int lossNotifier();

  private:
    void release();

    int fd_ = -1;
    size_t count_ = 0;
    void* map_ = nullptr;
    size_t mapBytes_ = 0;
    int guard_ = -1;  // the slot that catches faults of the mapping
};
