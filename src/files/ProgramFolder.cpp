#include "files/ProgramFolder.h"

#include <optional>
#include <system_error>

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
bool isSeparator(char c) {
    return c == '\\' || c == '/';
}
#else
constexpr char kSeparator = '/';
bool isSeparator(char c) {
    return c == '/';
}
#endif

std::optional<std::string> homeOption(const std::vector<std::string>& args) {
    std::optional<std::string> home;
    const std::string option = "--home";
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == option && i + 1 < args.size()) {
            home = args[++i];
        } else if (args[i].starts_with(option + "=")) {
            home = args[i].substr(option.size() + 1);
        }
    }
    return home;
}

std::string absolutePath(const std::string& folder) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(NativePath(folder), ec);
    return ec ? folder : Utf8Path(p);
}

}  // namespace

std::string ProgramFolder(const std::string& exeFolder, const std::vector<std::string>& args,
                          const char* envHome) {
    if (const auto home = homeOption(args); home && !home->empty()) {
        return absolutePath(*home);
    }
    if (envHome != nullptr && *envHome != '\0') {
        return absolutePath(envHome);
    }
    return exeFolder;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    if (isSeparator(folder.back())) {
        return folder + name;
    }
    return folder + kSeparator + name;
}

std::vector<std::string> FileArguments(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--home") {
            ++i;
        } else if (!args[i].starts_with("--") && !args[i].empty()) {
            files.push_back(absolutePath(args[i]));
        }
    }
    return files;
}

std::string DefaultDataFolder(const std::string& programFolder) {
    return JoinPath(programFolder, "Dat");
}

std::filesystem::path NativePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}
