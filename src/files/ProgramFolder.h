#pragma once
#include <filesystem>
#include <string>
#include <vector>

// What the program folder is chosen from. The environment values are nullptr when not set.
struct ProgramFolderSources {
    std::string exeFolder{};            // the executable's folder
    std::vector<std::string> args{};    // the command line after the program name
    const char* vexloHome = nullptr;    // VEXLO_HOME
    const char* xdgDataHome = nullptr;  // XDG_DATA_HOME (LOCALAPPDATA on Windows)
    std::string userHome{};             // the user's home folder, empty when unknown
    bool exeFolderWritable = true;      // the user may create files in the executable's folder
    bool installed = false;             // the executable belongs to an installed copy
};

struct ProgramFolderChoice {
    enum class Kind { Given, Executable, PerUser };
    std::string folder;
    Kind kind = Kind::Executable;
};

// The program folder holds the settings files, LTime.txt, ports/, the bitmaps and the default
// data folder. In this order it is: the folder the command line gives with "--home DIR" (or
// "--home=DIR"); the folder VEXLO_HOME names; the executable's folder when the user may write
// there and it is not an installed copy (a build folder, a copied folder); else the per-user
// folder (userProgramFolder). Empty values are ignored; a given relative folder is made
// absolute against the current folder. Without a per-user folder (no home known) the
// executable's folder is kept.
ProgramFolderChoice programFolder(const ProgramFolderSources& sources);

// "$XDG_DATA_HOME/vexlo", or "<home>/.local/share/vexlo" when XDG_DATA_HOME is unset, empty or
// relative (relative values are invalid and ignored); empty when userHome is empty as well.
// On Windows "%LOCALAPPDATA%\vexlo", else "<home>\AppData\Local\vexlo".
std::string userProgramFolder(const char* xdgDataHome, const std::string& userHome);

// The program folder of this run, from the real environment (VEXLO_HOME, XDG_DATA_HOME, HOME;
// on Windows VEXLO_HOME, LOCALAPPDATA, USERPROFILE, read as UTF-16) and file system. A per-user
// folder is created on first start, with ports/ and Dat/ in it.
std::string locateProgramFolder(const std::string& exeFolder, const std::vector<std::string>& args);

// The read-only folders of an installed copy, found from the executable's folder: the data
// folder (pictures) and the folder of companion programs that are not user commands.
std::string installedDataFolder(const std::string& exeFolder);
std::string installedLibFolder(const std::string& exeFolder);

// A shipped file the program folder may override: the program folder's own, else the one in
// the executable's folder (a build or copied folder), else the installed copy's. When none
// exists, the program folder's path.
std::string programDataFile(const std::string& programFolder, const std::string& exeFolder,
                            const std::string& name);
std::string companionProgram(const std::string& programFolder, const std::string& exeFolder,
                             const std::string& name);

// The arguments that are not options: "--home DIR", "--home=DIR" and any other argument
// starting with "--" are left out. Each is made absolute against the current folder.
std::vector<std::string> fileArguments(const std::vector<std::string>& args);

// folder + the native separator + name; no separator is added when folder already ends in
// one (a root such as "/" or "C:\"), and an empty folder gives name alone.
std::string joinPath(const std::string& folder, const std::string& name);

// The default data folder: "Dat" in the program folder.
std::string defaultDataFolder(const std::string& programFolder);

// Conversions between the UTF-8 texts the program keeps and file-system paths.
std::filesystem::path nativePath(const std::string& utf8);
std::string utf8Path(const std::filesystem::path& path);
