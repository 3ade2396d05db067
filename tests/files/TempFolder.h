#pragma once
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("vexlo-test-" + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Paths in UTF-8, as the program keeps them; names are UTF-8 as well.
    [[nodiscard]] std::string path() const { return utf8(path_); }
    [[nodiscard]] std::string File(const std::string& name) const { return utf8(at(name)); }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(at(name), std::ios::binary) << bytes;
    }
    [[nodiscard]] std::string read(const std::string& name) const {
        std::ifstream in(at(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    [[nodiscard]] std::filesystem::path at(const std::string& name) const {
        return path_ / std::u8string(name.begin(), name.end());
    }
    // Kept free of the program's libraries: the virtual unit's tests use this folder too.
    static std::string utf8(const std::filesystem::path& path) {
        const std::u8string text = path.u8string();
        return {text.begin(), text.end()};
    }

    std::filesystem::path path_;
};
