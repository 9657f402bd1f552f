#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "exec/run_loop.h"
#include "exec/system_program.h"

TEST(RunLoop, ReadingPassesPollAtOnceAndOnlyAnEmptyPipeAfterTheEndLeaves) {
    // Output still in the pipe after the child ended is drained first; a
    // broken pipe ends the run whatever the child does.
    struct { WaitOutcome wait; PipeOutcome pipe; PassEnd end; } passes[] = {
        {kWaitChildEnded, kPipeReadBytes, kPassPollNext}, {kWaitTimedOut, kPipeReadBytes, kPassPollNext},
        {kWaitChildEnded, kPipeEmpty, kPassLeave},        {kWaitFailed, kPipeEmpty, kPassLeave},
        {kWaitInput, kPipeEmpty, kPassWaitNext},          {kWaitChildEnded, kPipeReadNothing, kPassWaitNext},
        {kWaitTimedOut, kPipeFailed, kPassLeave},         {kWaitChildEnded, kPipeFailed, kPassLeave}};
    for (const auto& p : passes) EXPECT_EQ(EndOfPass(p.wait, p.pipe), p.end) << p.wait << " " << p.pipe;
    EXPECT_EQ(std::make_pair(NextWaitMs(kPassPollNext), NextWaitMs(kPassWaitNext)), std::make_pair(0u, 300u));
    // One long line has no earlier line to cut at.
    EXPECT_EQ(std::make_pair(LogTrimLine(70000, 1), LogTrimLine(0x1FFFF, 10)), std::make_pair(0u, 5u));
}

TEST(ResolveSystemProgram, OnlyBareNamesGoToTheSystemFolderAndLongPathsAreRefused) {
    // {command line, capacity, the path in the system folder; "" when named
    // by path, "-" when the path does not fit}
    const std::u16string longName(280, u'a');
    struct { const char16_t* line; uint32_t capacity; std::u16string path; } cases[] = {
        {u"icacls \"C:\\a b\" /grant:r x:(F)", 260, u"icacls.exe"}, {u"  \ticacls.exe /?", 260, u"icacls.exe"},
        // An unterminated quote runs to the end, as the system reads it.
        {u"\"takeown\" x", 260, u"takeown.exe"}, {u"tool.com", 260, u"tool.com"}, {u"\"take own", 260, u"take own.exe"},
        {u"icacls x", 31, u"icacls.exe"}, {u"icacls x", 30, u"-"}, {u"icacls", 0, u"-"}, {longName.c_str(), 260, u"-"},
        {u"C:\\tools\\icacls.exe x", 260, u""}, {u"\"C:\\my tools\\icacls\" x", 260, u""}, {u".\\icacls x", 260, u""},
        {u"sub/icacls x", 260, u""}, {u"C:icacls x", 260, u""}, {u"   ", 260, u""}, {u"\"\" x", 260, u""}};
    for (const auto& c : cases) {
        std::u16string out(300, u'#');
        ProgramResolution got = ResolveSystemProgram(c.line, u"C:\\windows\\system32", &out[0], c.capacity);
        ProgramResolution named = c.path == u"-" ? kProgramPathTooLong : kProgramInSystemFolder;
        EXPECT_EQ(got, c.path.empty() ? kProgramNamedByPath : named);
        EXPECT_EQ(out[c.capacity], u'#') << "wrote past the capacity";
        if (got == kProgramInSystemFolder) {
            EXPECT_EQ(out.substr(0, out.find(u'\0')), u"C:\\windows\\system32\\" + c.path);
        }
    }
}
