#include "files/ProgramFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/ParamIni.h"
#include "trigger/TrigIni.h"

TEST(ProgramFolder, HomeOptionWinsOverEnvironmentOverExecutableFolder) {
    EXPECT_EQ(ProgramFolder("/opt/vexlo", {"vexlo"}, nullptr), "/opt/vexlo");
    EXPECT_EQ(ProgramFolder("/opt/vexlo", {"vexlo"}, "/env/home"), "/env/home");
    EXPECT_EQ(ProgramFolder("/opt/vexlo", {"vexlo"}, ""), "/opt/vexlo");
    EXPECT_EQ(ProgramFolder("/opt/vexlo", {"vexlo", "--home", "/cli"}, "/env/home"), "/cli");
    EXPECT_EQ(ProgramFolder("/opt/vexlo", {"vexlo", "--home=/cli2"}, "/env/home"), "/cli2");
    EXPECT_EQ(ProgramFolder("/opt/vexlo", {"vexlo", "--home=", "x"}, "/env"), "/env");
    EXPECT_EQ(ProgramFolder("/opt/vexlo", {"vexlo", "--home"}, nullptr), "/opt/vexlo");
}

TEST(ProgramFolder, RelativeHomeBecomesAbsolute) {
    const std::string folder = ProgramFolder("/opt/vexlo", {"--home", "rel/home"}, nullptr);
    EXPECT_EQ(NativePath(folder), std::filesystem::current_path() / "rel/home");
}

TEST(JoinPath, NoDoubledSeparatorAtARoot) {
    EXPECT_EQ(JoinPath("/home/u/vexlo", "VXParam.ini"), "/home/u/vexlo/VXParam.ini");
    EXPECT_EQ(JoinPath("/", "VXParam.ini"), "/VXParam.ini");
    EXPECT_EQ(JoinPath("/data/", "x"), "/data/x");
    EXPECT_EQ(JoinPath("", "x"), "x");
    EXPECT_EQ(DefaultDataFolder("/"), "/Dat");
    EXPECT_EQ(DefaultDataFolder("/opt/vexlo"), "/opt/vexlo/Dat");
    EXPECT_EQ(ParamIniPath("/"), "/VXParam.ini");
    EXPECT_EQ(TrigIniPath("/"), "/VXTrig.ini");
#ifdef _WIN32
    EXPECT_EQ(JoinPath("C:\\", "VXParam.ini"), "C:\\VXParam.ini");
    EXPECT_EQ(JoinPath("C:\\Vexlo", "Dat"), "C:\\Vexlo\\Dat");
#endif
}

TEST(ProgramFolder, FileArgumentsLeaveOutOptionsAndBecomeAbsolute) {
    const std::filesystem::path here = std::filesystem::current_path();
    const std::vector<std::string> files =
        FileArguments({"--home", "/h", "a.vxm", "--home=/x", "--verbose", "/data/b.vxm", ""});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(NativePath(files[0]), here / "a.vxm");
    EXPECT_EQ(files[1], "/data/b.vxm");
    EXPECT_TRUE(FileArguments({"--home", "only.vxm"}).empty());
}
