#include "files/AtomicFile.h"

#include <gtest/gtest.h>

#include <iterator>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <thread>
#include <vector>
#endif

#include "files/ProgramFolder.h"
#include "files/TempFolder.h"

TEST(AtomicFile, PiecesReplaceTheTargetOnlyOnCommit) {
    TempFolder dir;
    dir.write("t.txt", "old");
    {
        AtomicFileWriter w(dir.File("t.txt"));
        ASSERT_TRUE(w.ok());
        w.write("new ");
        w.write("text");
        EXPECT_EQ(dir.read("t.txt"), "old");
        ASSERT_TRUE(w.commit());
    }
    EXPECT_EQ(dir.read("t.txt"), "new text");
    {
        AtomicFileWriter w(dir.File("t.txt"));
        w.write("abandoned");
    }  // no commit: the target stays, the temporary file is gone
    EXPECT_EQ(dir.read("t.txt"), "new text");
    // The temporary file had a name of its own and is gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    AtomicFileWriter nowhere(dir.File("missing/t.txt"));
    EXPECT_FALSE(nowhere.ok());
    nowhere.write("x");
    EXPECT_FALSE(nowhere.commit());
}

#ifndef _WIN32
// A replaced file keeps its owner, group and mode, set-ID bits included (root may give any
// owner; others own what they replace, and keep the mode).
TEST(AtomicFile, AReplacedFileKeepsItsOwnerGroupAndMode) {
    TempFolder dir;
    const bool root = geteuid() == 0;
    const uid_t owner = root ? 65534 : geteuid();
    const gid_t group = root ? 65534 : getegid();
    const mode_t mode = root ? 06754 : 0604;
    const std::string t = dir.File("t.txt");
    dir.write("t.txt", "old");
    ASSERT_EQ(::chown(t.c_str(), owner, group), 0);
    ASSERT_EQ(::chmod(t.c_str(), mode), 0);
    ASSERT_TRUE(writeFileAtomic(t, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(t.c_str(), &st), 0);
    EXPECT_EQ(dir.read("t.txt"), "new");
    EXPECT_EQ(st.st_uid, owner);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_EQ(st.st_mode & 07777, mode);
}
#endif

#ifdef _WIN32
// Another program holds the target open: the replacement waits while it closes within about
// two seconds; when it keeps the file open, the replacement fails with the target as it was,
// no temporary file left and the reason in words.
TEST(AtomicFile, ReplacesAFileAnotherProgramHasOpen) {
    struct Case {
        const char* what;
        DWORD share;
        int closeAfterMs;  // -1: kept open until the replacement has ended
        bool replaced;
    };
    const std::vector<Case> cases = {
        {"closes it soon", FILE_SHARE_READ, 300, true},
        {"keeps it open", FILE_SHARE_READ, -1, false},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        dir.write("t.ini", "old");
        const HANDLE held = CreateFileW(nativePath(dir.File("t.ini")).c_str(), GENERIC_READ,
                                        c.share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << c.what;
        std::thread closer;
        if (c.closeAfterMs >= 0) {
            closer = std::thread([&] {
                Sleep(static_cast<DWORD>(c.closeAfterMs));
                CloseHandle(held);
            });
        }
        AtomicFileWriter w(dir.File("t.ini"));
        w.write("new");
        const bool committed = w.commit();
        if (closer.joinable()) {
            closer.join();
        } else {
            CloseHandle(held);
        }
        EXPECT_EQ(committed, c.replaced) << c.what;
        EXPECT_EQ(dir.read("t.ini"), c.replaced ? "new" : "old") << c.what;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << c.what;
        if (!c.replaced) {
            EXPECT_EQ(w.reason(), "cannot be replaced: another program has it open");
        }
    }
}
#endif

#ifdef _WIN32
// Standard output is written in binary mode: the bytes of a pcap or a capture reach it as they
// are, with no 0x0D put before each 0x0A.
TEST(AtomicFile, StandardOutputIsWrittenInBinaryMode) {
    const int out = _fileno(stdout);
    std::fflush(stdout);
    _setmode(out, _O_TEXT);
    AtomicFileWriter w{AtomicFileWriter::StandardOutput{}};
    EXPECT_EQ(_setmode(out, _O_TEXT), _O_BINARY);
}
#endif
