#include "trace/trace.h"

#include "tests/support.h"

namespace {

class Trace : public TempTest {};

TEST_F(Trace, LinesAreHandedOverWhole) {
    DbgStr("FindPath=", "");
    DbgStr("● glNewPjName", "Sample2");
    DbgNum("● FileSize", 512, 0, 0, 0, 0);
    DbgNum("● StrKakikae Ret", 0, 100, 4294967295.0, 0, 0);
    ASSERT_EQ(gTrace.size(), 4u);
    EXPECT_EQ(gTrace[0], "FindPath=\r\n");
    EXPECT_EQ(gTrace[1], "● glNewPjName"
                         "Sample2\r\n");
    EXPECT_EQ(gTrace[2], "● FileSize=512, 0, 0, 0, 0\r\n");
    EXPECT_EQ(gTrace[3], "● StrKakikae Ret=0, 100, 4294967295, 0, 0\r\n");
}

} // namespace
