#include "radio/download.h"

#include <gtest/gtest.h>

using namespace pelquor;

TEST(RemoveLoggerSlot, LaterLoggersMoveUpAndPipesFollow) {
    GroupState g;
    auto& s = g.corr_log_set;
    s.count = 4;
    for (int k = 1; k <= 4; ++k)
        s.corr_log[k].ID = 100 + k;
    // Pipes 1-2, 2-3, 3-4, 2-4: removing logger 2 leaves only 3-4, renumbered 2-3.
    int ends[][2] = {{1, 2}, {2, 3}, {3, 4}, {2, 4}};
    s.pipes_count = 4;
    for (int i = 1; i <= 4; ++i) {
        s.pipes[i].log1 = ends[i - 1][0];
        s.pipes[i].log2 = ends[i - 1][1];
        s.pipes[i].sections = i;
    }
    remove_logger_slot(g, 2);
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.corr_log[1].ID, 101);
    EXPECT_EQ(s.corr_log[2].ID, 103);
    EXPECT_EQ(s.corr_log[3].ID, 104);
    EXPECT_EQ(s.corr_log[4].ID, 0);
    ASSERT_EQ(s.pipes_count, 1);
    EXPECT_EQ(s.pipes[1].log1, 2);
    EXPECT_EQ(s.pipes[1].log2, 3);
    EXPECT_EQ(s.pipes[1].sections, 3);
    EXPECT_EQ(s.pipes[2].log1, 0);
    remove_logger_slot(g, 9); // outside the group: nothing happens
    EXPECT_EQ(s.count, 3);
}
