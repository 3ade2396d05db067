// The capture buffer at start-up: the size read from the settings file, and a memory that
// cannot hold it.
#include "app/CaptureMemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "capture/Capture.h"
#include "support/MainWindowFixture.h"

TEST_F(AppTest, TheBufferSizeOfTheSettingsFileIsHeldToTheOptionsRange) {
    NoUnit();
    const std::pair<const char*, int32_t> cases[] = {
        {"2000000", 4000}, {"4001", 4000}, {"4000", 4000}, {"1000", 1000},
        {"1", 1},          {"0", 1},       {"-5", 1},      {"abc", 1}};
    for (const auto& [stored, taken] : cases) {
        OpenWindow(std::string("[Buffer_Inf]\nSize=") + stored + "\n");
        EXPECT_EQ(ctx.core.settings.glngBufSize, taken) << stored;
        EXPECT_EQ(ctx.core.capture.glngBufKeep(), taken * 1000) << stored;
        window->shutdownNow();
        EXPECT_NE(ReadText("VXParam.ini").find("Size=" + std::to_string(taken) + "\n"),
                  std::string::npos)
            << stored;
    }
    EXPECT_TRUE(prompts.asked.empty());
}

namespace {

// The process's virtual memory in bytes.
rlim_t VirtualMemory() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// Under a memory limit far below the 4 GB of the largest buffer the capture takes: 0 when
// the capture fell back to the default size and said so.
int AllocateUnderALimit() {
    // 256 MB more than the program uses now: far less than what is asked for, far more than
    // the default buffer.
    const rlim_t limit = VirtualMemory() + (rlim_t{256} << 20);
    const rlimit as{limit, limit};
    setrlimit(RLIMIT_AS, &as);
    RunState run;
    Capture capture(run);
    ScriptedPrompts prompts;
    const int32_t size = allocCapture(capture, 2'000'000, prompts);
    const bool told = prompts.asked.size() == 1 &&
                      prompts.asked[0].text ==
                          "データバッファ（2000000K バイト）を確保できません\n"
                          "1000K バイトで起動します" &&
                      prompts.asked[0].icon == Prompts::Icon::Exclamation;
    return size == 1000 && capture.glngBufKeep() == 1'000'000 && told ? 0 : 1;
}

}  // namespace

TEST(CaptureMemoryDeathTest, ABufferTheMemoryCannotHoldFallsBackToTheDefaultAndSaysSo) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(AllocateUnderALimit()), ::testing::ExitedWithCode(0), "");
}
