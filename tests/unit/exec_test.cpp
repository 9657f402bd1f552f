#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "exec/run_loop.h"
#include "exec/system_program.h"

TEST(RunLoop, ReadingPassesPollAtOnceAndOnlyAnEmptyPipeAfterTheEndLeaves) {
    // Output still in the pipe after the child ended is drained first; a
    // broken pipe ends the run whatever the child does.
    struct { WaitOutcome wait; PipeOutcome pipe; PassEnd end; } passes[] = {
        {kWaitChildEnded, kPipeReadBytes, kPassPollNext}, {kWaitTimedOut, kPipeEmpty, kPassWaitNext},
        {kWaitChildEnded, kPipeEmpty, kPassLeave},        {kWaitFailed, kPipeEmpty, kPassLeave},
        {kWaitInput, kPipeReadNothing, kPassWaitNext},    {kWaitChildEnded, kPipeFailed, kPassLeave},
        {kWaitOutput, kPipeEmpty, kPassWaitNext}};
    for (const auto& p : passes) EXPECT_EQ(EndOfPass(p.wait, p.pipe), p.end) << p.wait << " " << p.pipe;
    EXPECT_EQ(NextWaitMs(kPassPollNext, true), 0u);
    EXPECT_EQ(NextWaitMs(kPassWaitNext, true), kPauseMs);   // gathered text waits only for a pause
    EXPECT_EQ(NextWaitMs(kPassWaitNext, false), 300u);
}

TEST(RunLoop, TheLogKeepsTheNewestWholeLinesThatFit) {
    // {text, units that fit, what stays}: all when it fits; else from the
    // first line start in the newest part, a line cut by it going whole; a
    // newest line longer than the room keeps its end.
    struct { std::u16string text; uint32_t keep; std::u16string kept; } cases[] = {
        {u"one\r\ntwo\r\n", 10, u"one\r\ntwo\r\n"}, {u"one\r\ntwo\r\n", 5, u"two\r\n"},
        {u"one\r\ntwo\r\n", 7, u"two\r\n"},           {u"one\r\ntwo", 4, u"two"},
        {u"one\r\ntwo\r\n", 3, u"o\r\n"},             {u"one\r\ntwo\r\n", 0, u""},
        {u"a line with no end", 4, u" end"},               {u"", 0, u""}};
    for (const auto& c : cases) {
        const uint32_t start = KeptTextStart(c.text.data(), (uint32_t)c.text.size(), c.keep);
        EXPECT_EQ(c.text.substr(start), c.kept) << c.keep;
    }
}

TEST(RunLoop, ATrailingLeadByteWaitsForItsTrailByte) {
    // Lead bytes 0x81-0x9F as in Shift-JIS; 0x82 is also a valid trail byte.
    auto lead = [](uint8_t b) { return b >= 0x81 && b <= 0x9F; };
    struct { std::string bytes; uint32_t whole; } chunks[] = {
        {"ab\x82", 2}, {"\x82\xA0", 2}, {"\x82\x82", 2}, {"\x82\x82\x82", 2}, {"a\x82\x82" "b", 4}, {"", 0}};
    for (const auto& c : chunks)
        EXPECT_EQ(WholeCharacterBytes(reinterpret_cast<const uint8_t*>(c.bytes.data()), (uint32_t)c.bytes.size(), lead),
                  c.whole) << c.bytes.size();
}

TEST(ResolveSystemProgram, OnlyBareNamesGoToTheSystemFolderAndLongPathsAreRefused) {
    // {command line, capacity, the path in the system folder; "" when named
    // by path, "-" when the path does not fit}. An unterminated quote runs
    // to the end, as the system reads it.
    struct { const char16_t* line; uint32_t capacity; std::u16string path; } cases[] = {
        {u"  \ticacls.exe /?", 260, u"icacls.exe"}, {u"\"takeown\" x", 260, u"takeown.exe"},
        {u"tool.com", 260, u"tool.com"}, {u"\"take own", 260, u"take own.exe"}, {u"icacls x", 18, u"icacls.exe"},
        {u"icacls x", 17, u"-"}, {u"icacls", 0, u"-"}, {u"\"C:\\my tools\\icacls\" x", 260, u""},
        {u".\\icacls x", 260, u""}, {u"sub/icacls x", 260, u""}, {u"C:icacls x", 260, u""}, {u"\"\" x", 260, u""}};
    for (const auto& c : cases) {
        std::u16string out(300, u'#');
        ProgramResolution got = ResolveSystemProgram(c.line, u"C:\\sys", &out[0], c.capacity);
        ProgramResolution named = c.path == u"-" ? kProgramPathTooLong : kProgramInSystemFolder;
        EXPECT_EQ(got, c.path.empty() ? kProgramNamedByPath : named);
        EXPECT_EQ(out[c.capacity], u'#') << "wrote past the capacity";
        if (got == kProgramInSystemFolder) {
            EXPECT_EQ(out.substr(0, out.find(u'\0')), u"C:\\sys\\" + c.path);
        }
    }
}
