#include <gtest/gtest.h>

#include "exec/run_loop.h"

TEST(LogTrimLine, CutsHalfTheLinesFromTheThresholdOn) {
    EXPECT_EQ(LogTrimLine(65535, 9), 0u);
    EXPECT_EQ(LogTrimLine(65536, 9), 4u);
    EXPECT_EQ(LogTrimLine(0x1FFFF, 10), 5u);
    // One long line has no earlier line to cut at.
    EXPECT_EQ(LogTrimLine(70000, 1), 0u);
}

TEST(EndOfPass, ReadingPassesPollAtOnceAndOnlyAnEmptyPipeAfterTheEndLeaves) {
    // Output still in the pipe after the child ended is drained first.
    EXPECT_EQ(EndOfPass(kWaitChildEnded, kPipeReadBytes), kPassPollNext);
    EXPECT_EQ(EndOfPass(kWaitTimedOut, kPipeReadBytes), kPassPollNext);
    EXPECT_EQ(EndOfPass(kWaitInput, kPipeReadBytes), kPassPollNext);
    EXPECT_EQ(EndOfPass(kWaitChildEnded, kPipeEmpty), kPassLeave);
    EXPECT_EQ(EndOfPass(kWaitFailed, kPipeEmpty), kPassLeave);
    // A live child with nothing to say: wait for it again.
    EXPECT_EQ(EndOfPass(kWaitTimedOut, kPipeEmpty), kPassWaitNext);
    EXPECT_EQ(EndOfPass(kWaitInput, kPipeEmpty), kPassWaitNext);
    EXPECT_EQ(EndOfPass(kWaitChildEnded, kPipeReadNothing), kPassWaitNext);
    // A broken pipe ends the run whatever the child does.
    EXPECT_EQ(EndOfPass(kWaitTimedOut, kPipeFailed), kPassLeave);
    EXPECT_EQ(EndOfPass(kWaitChildEnded, kPipeFailed), kPassLeave);

    EXPECT_EQ(NextWaitMs(kPassPollNext), 0u);
    EXPECT_EQ(NextWaitMs(kPassWaitNext), 300u);
}
