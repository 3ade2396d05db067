#include "base/VersionText.h"

#include <gtest/gtest.h>

TEST(VersionTextTest, TheUnitsVersionOrQuestionMarks) {
    const struct {
        const char* unitVer;
        const char* text;
    } cases[] = {
        {"", "ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.1.1\nﾌｧｰﾑｳｪｱ ﾊﾞｰｼﾞｮﾝ ???"},
        {"123", "ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.1.1\nﾌｧｰﾑｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.2.3"},
        {"4B2", "ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.1.1\nﾌｧｰﾑｳｪｱ ﾊﾞｰｼﾞｮﾝ 4.B.2"},
        {"1\x01\xB1", "ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.1.1\nﾌｧｰﾑｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.?.?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(versionLines({1, 1, 1}, c.unitVer), c.text);
    }
    EXPECT_EQ(versionLines({2, 10, 300}, "123").rfind("ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ 2.10.300\n", 0), 0U);
}

TEST(VersionTextTest, TheProgramIsVersionOneOneOne) {
    EXPECT_EQ(kAppVersion.major, 1);
    EXPECT_EQ(kAppVersion.minor, 1);
    EXPECT_EQ(kAppVersion.revision, 1);
}
