#include "files/AtomicFile.h"

#include <gtest/gtest.h>

#include <iterator>

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
