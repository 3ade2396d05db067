#include "files/AtomicFile.h"

#include <gtest/gtest.h>

#include <iterator>

#include "files/TempFolder.h"

TEST(AtomicFile, PiecesReplaceTheTargetOnlyOnCommit) {
    TempFolder dir;
    dir.Write("t.txt", "old");
    {
        AtomicFileWriter w(dir.File("t.txt"));
        ASSERT_TRUE(w.Ok());
        w.Write("new ");
        w.Write("text");
        EXPECT_EQ(dir.Read("t.txt"), "old");
        ASSERT_TRUE(w.Commit());
    }
    EXPECT_EQ(dir.Read("t.txt"), "new text");
    {
        AtomicFileWriter w(dir.File("t.txt"));
        w.Write("abandoned");
    }  // no commit: the target stays, the temporary file is gone
    EXPECT_EQ(dir.Read("t.txt"), "new text");
    // The temporary file had a name of its own and is gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    AtomicFileWriter nowhere(dir.File("missing/t.txt"));
    EXPECT_FALSE(nowhere.Ok());
    nowhere.Write("x");
    EXPECT_FALSE(nowhere.Commit());
}
