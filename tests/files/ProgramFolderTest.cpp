#include "files/ProgramFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "base/Status.h"
#include "files/LogFile.h"
#include "files/ParamIni.h"
#include "files/TempFolder.h"
#include "support/ScopedEnv.h"
#include "trigger/TrigIni.h"

namespace {

#ifdef _WIN32
// An absolute folder as Windows spells it: "/usr/bin" is "C:\\usr\\bin".
std::string rooted(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "C:" + path;
}
// Where the per-user folder goes below the user's home folder, and what names its base.
constexpr const char* kPerUser = "/AppData/Local/vexlo";
constexpr const char* kDataHome = "LOCALAPPDATA";
#else
std::string rooted(std::string path) {
    return path;
}
constexpr const char* kPerUser = "/.local/share/vexlo";
constexpr const char* kDataHome = "XDG_DATA_HOME";
#endif

const char* orNull(const std::optional<std::string>& value) {
    return value ? value->c_str() : nullptr;
}

std::string given(const std::vector<std::string>& args, const std::string& envHome) {
    return programFolder(
               {.exeFolder = rooted("/opt/vexlo"), .args = args, .vexloHome = envHome.c_str()})
        .folder;
}
std::string given(const std::vector<std::string>& args, std::nullptr_t) {
    return programFolder({.exeFolder = rooted("/opt/vexlo"), .args = args}).folder;
}

}  // namespace

TEST(ProgramFolder, HomeOptionWinsOverEnvironmentOverExecutableFolder) {
    const std::string env = rooted("/env/home");
    EXPECT_EQ(given({"vexlo"}, nullptr), rooted("/opt/vexlo"));
    EXPECT_EQ(given({"vexlo"}, env), env);
    EXPECT_EQ(given({"vexlo"}, ""), rooted("/opt/vexlo"));
    EXPECT_EQ(given({"vexlo", "--home", rooted("/cli")}, env), rooted("/cli"));
    EXPECT_EQ(given({"vexlo", "--home=" + rooted("/cli2")}, env), rooted("/cli2"));
    EXPECT_EQ(given({"vexlo", "--home=", "x"}, env), env);
    EXPECT_EQ(given({"vexlo", "--home"}, nullptr), rooted("/opt/vexlo"));
}

TEST(ProgramFolder, RelativeHomeBecomesAbsolute) {
    const std::string folder = given({"--home", "rel/home"}, nullptr);
    EXPECT_EQ(nativePath(folder), std::filesystem::current_path() / "rel/home");
}

TEST(ProgramFolder, InstalledOrReadOnlyCopyUsesThePerUserFolder) {
    using Kind = ProgramFolderChoice::Kind;
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::optional<std::string> vexloHome;
        std::optional<std::string> xdgDataHome;
        std::string userHome;
        bool writable;
        bool installed;
        std::string folder;
        Kind kind;
    };
    const std::vector<Case> cases = {
        {"build folder",
         {},
         std::nullopt,
         std::nullopt,
         rooted("/home/u"),
         true,
         false,
         rooted("/usr/bin"),
         Kind::Executable},
        {"read-only folder",
         {},
         std::nullopt,
         std::nullopt,
         rooted("/home/u"),
         false,
         false,
         rooted(std::string("/home/u") + kPerUser),
         Kind::PerUser},
        {"installed, run by root",
         {},
         std::nullopt,
         std::nullopt,
         rooted("/root"),
         true,
         true,
         rooted(std::string("/root") + kPerUser),
         Kind::PerUser},
        {"XDG_DATA_HOME",
         {},
         std::nullopt,
         rooted("/xdg/data"),
         rooted("/home/u"),
         false,
         true,
         rooted("/xdg/data/vexlo"),
         Kind::PerUser},
        {"relative XDG_DATA_HOME ignored",
         {},
         std::nullopt,
         "rel/data",
         rooted("/home/u"),
         false,
         true,
         rooted(std::string("/home/u") + kPerUser),
         Kind::PerUser},
        {"empty XDG_DATA_HOME ignored",
         {},
         std::nullopt,
         "",
         rooted("/home/u"),
         false,
         true,
         rooted(std::string("/home/u") + kPerUser),
         Kind::PerUser},
        {"no home at all",
         {},
         std::nullopt,
         std::nullopt,
         "",
         false,
         true,
         rooted("/usr/bin"),
         Kind::Executable},
        {"no home, XDG_DATA_HOME",
         {},
         std::nullopt,
         rooted("/xdg"),
         "",
         false,
         true,
         rooted("/xdg/vexlo"),
         Kind::PerUser},
        {"--home wins",
         {"--home", rooted("/mine")},
         rooted("/env"),
         rooted("/xdg"),
         rooted("/home/u"),
         false,
         true,
         rooted("/mine"),
         Kind::Given},
        {"VEXLO_HOME wins",
         {"file.vxm"},
         rooted("/env"),
         rooted("/xdg"),
         rooted("/home/u"),
         false,
         true,
         rooted("/env"),
         Kind::Given},
        {"empty VEXLO_HOME ignored",
         {},
         "",
         std::nullopt,
         rooted("/home/u"),
         false,
         true,
         rooted(std::string("/home/u") + kPerUser),
         Kind::PerUser},
    };
    for (const Case& c : cases) {
        const ProgramFolderChoice choice = programFolder({.exeFolder = rooted("/usr/bin"),
                                                          .args = c.args,
                                                          .vexloHome = orNull(c.vexloHome),
                                                          .xdgDataHome = orNull(c.xdgDataHome),
                                                          .userHome = c.userHome,
                                                          .exeFolderWritable = c.writable,
                                                          .installed = c.installed});
        EXPECT_EQ(choice.folder, c.folder) << c.what;
        EXPECT_EQ(choice.kind, c.kind) << c.what;
    }
}

TEST(ProgramFolder, InstalledFoldersSitBesideTheExecutablesFolder) {
    EXPECT_EQ(installedDataFolder(rooted("/usr/bin")), rooted("/usr/share/vexlo"));
    EXPECT_EQ(installedDataFolder(rooted("/opt/vexlo/bin/")), rooted("/opt/vexlo/share/vexlo"));
    EXPECT_EQ(installedLibFolder(rooted("/usr/bin")), rooted("/usr/lib/vexlo"));
}

TEST(ProgramFolder, AnInstalledCopyMakesThePerUserFolderOnFirstStart) {
    TempFolder root;
    const auto at = [&](const char* relative) { return nativePath(root.File(relative)); };
    std::filesystem::create_directories(at("usr/bin"));
    std::filesystem::create_directories(at("usr/share/vexlo"));
    std::filesystem::create_directories(at("build/bin"));
    ScopedEnv noHome("VEXLO_HOME", "");
    ScopedEnv xdg(kDataHome, root.File("xdg"));

    const std::string folder = locateProgramFolder(root.File("usr/bin"), {});
    EXPECT_EQ(nativePath(folder), at("xdg/vexlo"));
    EXPECT_TRUE(std::filesystem::is_directory(at("xdg/vexlo/ports")));
    EXPECT_TRUE(std::filesystem::is_directory(at("xdg/vexlo/Dat")));

    // A build folder stays the program folder, and nothing is made for it.
    std::filesystem::remove_all(at("xdg"));
    EXPECT_EQ(locateProgramFolder(root.File("build/bin"), {}), root.File("build/bin"));
    EXPECT_FALSE(std::filesystem::exists(at("xdg")));
    EXPECT_FALSE(std::filesystem::exists(at("build/bin/Dat")));
}

TEST(ProgramFolder, ShippedFilesComeFromTheFirstFolderThatHasThem) {
    struct Case {
        std::vector<const char*> present;
        const char* found;
    };
    const std::vector<Case> cases = {
        {{"home/green.bmp", "bin/green.bmp", "share/vexlo/green.bmp"}, "home/green.bmp"},
        {{"bin/green.bmp", "share/vexlo/green.bmp"}, "bin/green.bmp"},
        {{"share/vexlo/green.bmp"}, "share/vexlo/green.bmp"},
        {{"lib/vexlo/green.bmp"}, "home/green.bmp"},
        {{}, "home/green.bmp"},
    };
    for (const Case& c : cases) {
        TempFolder root;
        for (const char* dir : {"home", "bin", "share/vexlo", "lib/vexlo"}) {
            std::filesystem::create_directories(nativePath(root.File(dir)));
        }
        for (const char* file : c.present) {
            root.write(file, "BM");
        }
        // The executable's folder is bin, so its installed data folder is share/vexlo.
        const std::string found = programDataFile(root.File("home"), root.File("bin"), "green.bmp");
        EXPECT_EQ(nativePath(found), nativePath(root.File(c.found))) << c.found;
    }
}

TEST(ProgramFolder, CompanionProgramsComeFromTheInstalledLibFolderLast) {
    TempFolder root;
    for (const char* dir : {"home", "bin", "lib/vexlo"}) {
        std::filesystem::create_directories(nativePath(root.File(dir)));
    }
    EXPECT_EQ(companionProgram(root.File("home"), root.File("bin"), "EMUMAIN"),
              joinPath(root.File("home"), "EMUMAIN"));
    root.write("lib/vexlo/EMUMAIN", "");
    EXPECT_EQ(nativePath(companionProgram(root.File("home"), root.File("bin"), "EMUMAIN")),
              nativePath(root.File("lib/vexlo/EMUMAIN")));
    root.write("bin/EMUMAIN", "");
    EXPECT_EQ(companionProgram(root.File("home"), root.File("bin"), "EMUMAIN"),
              joinPath(root.File("bin"), "EMUMAIN"));
}

TEST(JoinPath, NoDoubledSeparatorAtARoot) {
    EXPECT_EQ(joinPath(rooted("/home/u/vexlo"), "VXParam.ini"),
              rooted("/home/u/vexlo/VXParam.ini"));
    EXPECT_EQ(joinPath("/", "VXParam.ini"), "/VXParam.ini");
    EXPECT_EQ(joinPath("/data/", "x"), "/data/x");
    EXPECT_EQ(joinPath("", "x"), "x");
    EXPECT_EQ(defaultDataFolder("/"), "/Dat");
    EXPECT_EQ(defaultDataFolder(rooted("/opt/vexlo")), rooted("/opt/vexlo/Dat"));
    EXPECT_EQ(paramIniPath("/"), "/VXParam.ini");
    EXPECT_EQ(trigIniPath("/"), "/VXTrig.ini");
#ifdef _WIN32
    EXPECT_EQ(joinPath("C:\\", "VXParam.ini"), "C:\\VXParam.ini");
    EXPECT_EQ(joinPath("C:\\Vexlo", "Dat"), "C:\\Vexlo\\Dat");
#endif
}

TEST(ProgramFolder, FileArgumentsLeaveOutOptionsAndBecomeAbsolute) {
    const std::filesystem::path here = std::filesystem::current_path();
    const std::vector<std::string> files = fileArguments(
        {"--home", "/h", "a.vxm", "--home=/x", "--verbose", rooted("/data/b.vxm"), ""});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(nativePath(files[0]), here / "a.vxm");
    EXPECT_EQ(nativePath(files[1]), nativePath(rooted("/data/b.vxm")));
    EXPECT_TRUE(fileArguments({"--home", "only.vxm"}).empty());
}

// A program folder and a data folder with Japanese names: the settings, a capture and its
// display words are written and read back through them. The program keeps names in UTF-8;
// Windows takes them in UTF-16 (through the ANSI code page they could not be spelled).
TEST(ProgramFolder, JapaneseFolderNamesHoldTheSettingsAndTheCaptures) {
    TempFolder root;
    const std::string home = root.File("ベクスロ設定");
    std::filesystem::create_directories(nativePath(home));
    ScopedEnv env("VEXLO_HOME", home);
    const std::string folder = locateProgramFolder(root.File("bin"), {});
    ASSERT_EQ(folder, home);

    Settings s;
    ReadParamIni(s, folder);
    EXPECT_EQ(s.gstrSaveDir, defaultDataFolder(home));
    s.gintFontSize = 2;
    ASSERT_TRUE(WriteParamIni(s, folder));
    Settings back;
    ReadParamIni(back, folder);
    EXPECT_EQ(back.gintFontSize, 2);
    EXPECT_EQ(back.gstrSaveDir, defaultDataFolder(home));

    const std::string data = joinPath(home, "データ");
    std::filesystem::create_directories(nativePath(data));
    const std::string capture = joinPath(data, "記録①.vxm");
    const std::vector<uint8_t> bytes = {0x84, 0xC1, 0x84, 0xC2, 0x84, 0xC3};
    ASSERT_EQ(SaveLog(capture, bytes.data(), static_cast<int32_t>(bytes.size()), s), status::kDone);
    std::vector<uint8_t> loaded;
    int32_t count = 0;
    ASSERT_EQ(LoadLog(capture, loaded, count, back), status::kDone);
    EXPECT_EQ(std::vector<uint8_t>(loaded.begin(), loaded.begin() + count), bytes);

    LogReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(capture, error)) << error;
    WordFile words;
    ASSERT_TRUE(logWordsToFile(reader, {nativePath(data)}, words, error)) << error;
    EXPECT_EQ(words.size(), 3u);
    words = WordFile();

    // The folder lists the capture by the name it was given, and nothing else.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(nativePath(data))) {
        names.push_back(utf8Path(entry.path().filename()));
    }
    EXPECT_EQ(names, std::vector<std::string>{"記録①.vxm"});
}
