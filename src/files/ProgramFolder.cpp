#include "files/ProgramFolder.h"

#include <cstdlib>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

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

std::string absoluteFolder(const std::string& folder) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(nativePath(folder), ec);
    return ec ? folder : utf8Path(p);
}

bool folderWritable(const std::string& folder) {
#ifdef _WIN32
    return _waccess(nativePath(folder).c_str(), 2) == 0;
#else
    return ::access(folder.c_str(), W_OK) == 0;
#endif
}

// The value of an environment variable in UTF-8; nothing when it is not set. Windows keeps
// the environment in UTF-16: its narrow copy holds only what the ANSI code page can spell.
std::optional<std::string> environment(const char* name) {
#ifdef _WIN32
    const wchar_t* value = _wgetenv(std::filesystem::path(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return utf8Path(std::filesystem::path(value));
#else
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
#endif
}

const char* orNull(const std::optional<std::string>& value) {
    return value ? value->c_str() : nullptr;
}

std::string userHome() {
#ifdef _WIN32
    return environment("USERPROFILE").value_or("");
#else
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return {};
#endif
}

std::string besideExecutable(const std::string& exeFolder, const char* relative) {
    const std::filesystem::path p = (nativePath(exeFolder) / relative).lexically_normal();
    return utf8Path(p.has_filename() ? p : p.parent_path());
}

std::string firstExisting(const std::vector<std::string>& folders, const std::string& name) {
    for (const std::string& folder : folders) {
        const std::string path = joinPath(folder, name);
        std::error_code ec;
        if (std::filesystem::exists(nativePath(path), ec)) {
            return path;
        }
    }
    return joinPath(folders.front(), name);
}

}  // namespace

ProgramFolderChoice programFolder(const ProgramFolderSources& sources) {
    using Kind = ProgramFolderChoice::Kind;
    if (const auto home = homeOption(sources.args); home && !home->empty()) {
        return {absoluteFolder(*home), Kind::Given};
    }
    if (sources.vexloHome != nullptr && *sources.vexloHome != '\0') {
        return {absoluteFolder(sources.vexloHome), Kind::Given};
    }
    if (sources.exeFolderWritable && !sources.installed) {
        return {sources.exeFolder, Kind::Executable};
    }
    std::string perUser = userProgramFolder(sources.xdgDataHome, sources.userHome);
    if (perUser.empty()) {
        return {sources.exeFolder, Kind::Executable};
    }
    return {std::move(perUser), Kind::PerUser};
}

std::string userProgramFolder(const char* xdgDataHome, const std::string& userHome) {
    if (xdgDataHome != nullptr && nativePath(xdgDataHome).is_absolute()) {
        return joinPath(xdgDataHome, "vexlo");
    }
    if (userHome.empty()) {
        return {};
    }
#ifdef _WIN32
    return joinPath(joinPath(joinPath(userHome, "AppData"), "Local"), "vexlo");
#else
    return joinPath(joinPath(joinPath(userHome, ".local"), "share"), "vexlo");
#endif
}

std::string locateProgramFolder(const std::string& exeFolder,
                                const std::vector<std::string>& args) {
    std::error_code ec;
    const std::optional<std::string> vexloHome = environment("VEXLO_HOME");
#ifdef _WIN32
    const std::optional<std::string> dataHome = environment("LOCALAPPDATA");
#else
    const std::optional<std::string> dataHome = environment("XDG_DATA_HOME");
#endif
    const ProgramFolderChoice choice = programFolder({
        .exeFolder = exeFolder,
        .args = args,
        .vexloHome = orNull(vexloHome),
        .xdgDataHome = orNull(dataHome),
        .userHome = userHome(),
        .exeFolderWritable = folderWritable(exeFolder),
        .installed = std::filesystem::is_directory(nativePath(installedDataFolder(exeFolder)), ec),
    });
    if (choice.kind == ProgramFolderChoice::Kind::PerUser) {
        // A folder that cannot be made shows up later as settings that cannot be saved.
        std::filesystem::create_directories(nativePath(joinPath(choice.folder, "ports")), ec);
        std::filesystem::create_directories(nativePath(defaultDataFolder(choice.folder)), ec);
    }
    return choice.folder;
}

std::string installedDataFolder(const std::string& exeFolder) {
    return besideExecutable(exeFolder, VEXLO_DATA_FROM_BIN);
}

std::string installedLibFolder(const std::string& exeFolder) {
    return besideExecutable(exeFolder, VEXLO_LIB_FROM_BIN);
}

std::string programDataFile(const std::string& programFolder, const std::string& exeFolder,
                            const std::string& name) {
    return firstExisting({programFolder, exeFolder, installedDataFolder(exeFolder)}, name);
}

std::string companionProgram(const std::string& programFolder, const std::string& exeFolder,
                             const std::string& name) {
    return firstExisting({programFolder, exeFolder, installedLibFolder(exeFolder)}, name);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    if (isSeparator(folder.back())) {
        return folder + name;
    }
    return folder + kSeparator + name;
}

std::vector<std::string> fileArguments(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--home") {
            ++i;
        } else if (!args[i].starts_with("--") && !args[i].empty()) {
            files.push_back(absoluteFolder(args[i]));
        }
    }
    return files;
}

std::string defaultDataFolder(const std::string& programFolder) {
    return joinPath(programFolder, "Dat");
}

std::filesystem::path nativePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}
