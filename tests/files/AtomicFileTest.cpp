#include "files/AtomicFile.h"

#include <gtest/gtest.h>

#include <iterator>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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
