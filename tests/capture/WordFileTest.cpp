#include "capture/WordFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "files/TempFolder.h"
#include "support/ScopedEnv.h"

namespace fs = std::filesystem;

namespace {

constexpr long kTmpfs = 0x01021994;

bool inMemory(const fs::path& folder) {
    struct statfs st {};
    return ::statfs(folder.c_str(), &st) == 0 && static_cast<long>(st.f_type) == kTmpfs;
}

// The descriptor of the one open file of this process whose name lies in folder; -1 if none.
int openFileIn(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const fs::path to = fs::read_symlink(e.path(), ec);
        if (!ec && to.string().rfind(folder.string() + "/", 0) == 0) {
            return std::stoi(e.path().filename().string());
        }
    }
    return -1;
}

// A word file in folder holding n words 1, 2, 3 ...
WordFile wordsIn(const fs::path& folder, size_t n) {
    std::vector<int16_t> words(n);
    for (size_t i = 0; i < n; ++i) {
        words[i] = static_cast<int16_t>(i % 30000 + 1);
    }
    WordFile file;
    EXPECT_TRUE(file.create(folder));
    EXPECT_TRUE(file.append(words.data(), n));
    EXPECT_TRUE(file.finish());
    return file;
}

}  // namespace

TEST(WordFile, GoesToTheUsersCacheOnDiskThenTheTemporaryFolderThenBesideTheCapture) {
    TempFolder dir;
    if (inMemory(dir.path())) {
        GTEST_SKIP() << "the temporary folder is held in memory: no folder on a disk to try";
    }
    const bool root = geteuid() == 0;
    fs::create_directories(dir.File("tmp"));
    fs::create_directories(dir.File("home"));
    dir.write("file", "");
    // A folder of another user: for root one given away, for others the root folder.
    const std::string foreign = root ? dir.File("foreign") : "/";
    if (root) {
        fs::create_directories(foreign);
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    }
    const fs::path capture = dir.File("captures");
    const std::string cache = dir.File("cache");
    const struct {
        std::optional<std::string> xdg;  // nothing: unset
        std::string tmp;
        std::vector<fs::path> expected;
    } cases[] = {
        {cache, dir.File("tmp"), {cache, dir.File("tmp"), capture}},
        {std::nullopt, dir.File("tmp"), {dir.File("home/.cache"), dir.File("tmp"), capture}},
        {"relative", dir.File("tmp"), {dir.File("home/.cache"), dir.File("tmp"), capture}},
        {cache, "/dev/shm", {cache, capture}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xdg.value_or("(unset)") + " " + c.tmp);
        if (c.tmp == "/dev/shm" && !inMemory(c.tmp)) {
            continue;  // no folder in memory here
        }
        ScopedEnv home("HOME", dir.File("home"));
        ScopedEnv tmp("TMPDIR", c.tmp);
        ScopedEnv xdg("XDG_CACHE_HOME", c.xdg.value_or(""));
        if (!c.xdg) {
            unsetenv("XDG_CACHE_HOME");
        }
        EXPECT_EQ(WordFile::folders(capture), c.expected);
        EXPECT_EQ(fs::status(c.expected.front()).permissions() & fs::perms::all,
                  fs::perms::owner_all)
            << "a cache folder made for the user alone";
    }
    // A cache that is no folder of the user's own is passed over.
    for (const std::string& notOwn : {dir.File("file"), foreign}) {
        ScopedEnv tmp("TMPDIR", dir.File("tmp"));
        ScopedEnv xdg("XDG_CACHE_HOME", notOwn);
        EXPECT_EQ(WordFile::folders(capture), (std::vector<fs::path>{dir.File("tmp"), capture}))
            << notOwn;
    }
}

// The file under a mapping cut short, as when its disk goes away: the words read as zeros
// instead of a crash, the file is marked lost and the notifier wakes; another mapping reads
// on. A fault elsewhere still ends the program.
TEST(WordFile, AMappingWhoseFileIsCutShortReadsAsZerosAndIsReportedLost) {
    TempFolder cutDir;
    TempFolder keptDir;
    const size_t n = 100'000;  // many pages
    WordFile cut = wordsIn(cutDir.path(), n);
    const WordFile kept = wordsIn(keptDir.path(), n);
    EXPECT_EQ(cut.words()[n - 1], static_cast<int16_t>((n - 1) % 30000 + 1));
    EXPECT_FALSE(cut.lost());
    const int fd = openFileIn(cutDir.path());
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 0), 0);
    pollfd notifier{WordFile::lossNotifier(), POLLIN, 0};
    ASSERT_GE(notifier.fd, 0);
    EXPECT_EQ(::poll(&notifier, 1, 0), 0);

    // A page not read before: read from the file, which no longer has it.
    EXPECT_EQ(cut.words()[n / 2], 0);
    EXPECT_EQ(cut.words()[0], 0) << "the whole mapping reads as zeros";
    EXPECT_TRUE(cut.lost());
    EXPECT_EQ(::poll(&notifier, 1, 0), 1);
    char byte = 0;
    EXPECT_EQ(::read(notifier.fd, &byte, 1), 1);
    EXPECT_FALSE(kept.lost());
    EXPECT_EQ(kept.words()[n / 2], static_cast<int16_t>(n / 2 % 30000 + 1));

    // The slot goes with the file: a new file mapped in its place is not lost.
    cut = wordsIn(cutDir.path(), 10);
    EXPECT_FALSE(cut.lost());
    EXPECT_EQ(cut.words()[9], 10);

    EXPECT_EXIT(
        {
            const int other = ::open(keptDir.File("other").c_str(), O_RDWR | O_CREAT, 0600);
            (void)::ftruncate(other, 1 << 16);
            auto* p = static_cast<volatile const char*>(
                ::mmap(nullptr, 1 << 16, PROT_READ, MAP_SHARED, other, 0));
            (void)::ftruncate(other, 0);
            std::exit(p[1 << 15]);
        },
        // SIGBUS, or a sanitizer's report of it that its own handler ends with a failure.
        [](int status) {
            return (WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) ||
                   (WIFEXITED(status) && WEXITSTATUS(status) != 0);
        },
        "");
}
