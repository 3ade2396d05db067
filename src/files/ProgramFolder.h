#pragma once
#include <filesystem>
#include <string>
#include <vector>

// The program folder holds the settings files, LTime.txt, ports/, the bitmaps and the default
// data folder. It is the executable's folder unless the command line gives "--home DIR" (or
// "--home=DIR") or the environment gives VEXLO_HOME; the command line wins over the
// environment, and empty values are ignored. A relative folder is made absolute against the
// current folder. envHome is the value of VEXLO_HOME, nullptr when it is not set.
std::string ProgramFolder(const std::string& exeFolder, const std::vector<std::string>& args,
                          const char* envHome);

// The arguments that are not options: "--home DIR", "--home=DIR" and any other argument
// starting with "--" are left out. Each is made absolute against the current folder.
std::vector<std::string> FileArguments(const std::vector<std::string>& args);

// folder + the native separator + name; no separator is added when folder already ends in
// one (a root such as "/" or "C:\"), and an empty folder gives name alone.
std::string JoinPath(const std::string& folder, const std::string& name);

// The default data folder: "Dat" in the program folder.
std::string DefaultDataFolder(const std::string& programFolder);

// Conversions between the UTF-8 texts the program keeps and file-system paths.
std::filesystem::path NativePath(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);
