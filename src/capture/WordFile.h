#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

// Display words kept outside the program's memory: written once to an unnamed temporary file,
// then mapped read-only. The pages belong to the file, so the system can drop them and read
// them again when they are needed; memory stays bounded however many words a capture makes.
// The file has no name in any folder and vanishes with the last descriptor, also when the
// program ends abnormally. Nobody else can change it, so reading the mapping cannot fault.
// (On Windows the file has a hidden unique name that nobody else may open.)
class WordFile {
  public:
    WordFile() = default;
    ~WordFile();
    WordFile(WordFile&& other) noexcept;
    WordFile& operator=(WordFile&& other) noexcept;
    WordFile(const WordFile&) = delete;
    WordFile& operator=(const WordFile&) = delete;

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

  private:
    void release();

    int fd_ = -1;
    size_t count_ = 0;
    void* map_ = nullptr;
    size_t mapBytes_ = 0;
};
