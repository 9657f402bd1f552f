#include <gtest/gtest.h>

#include <string>

#include "exec/system_program.h"

namespace {

std::u16string Resolve(const char16_t* commandLine, ProgramResolution expected, uint32_t capacity = 260) {
    char16_t out[300];
    for (char16_t& c : out) c = u'#';
    ProgramResolution got = ResolveSystemProgram(commandLine, u"C:\\windows\\system32", out, capacity);
    EXPECT_EQ(got, expected) << std::string(commandLine, commandLine + std::u16string(commandLine).size());
    EXPECT_EQ(out[capacity], u'#') << "wrote past the capacity";
    return got == kProgramInSystemFolder ? std::u16string(out) : std::u16string();
}

}  // namespace

TEST(ResolveSystemProgram, BareNamesGoToTheSystemFolder) {
    EXPECT_EQ(Resolve(u"icacls \"C:\\a b\" /grant:r x:(F)", kProgramInSystemFolder),
              u"C:\\windows\\system32\\icacls.exe");
    EXPECT_EQ(Resolve(u"takeown /F \"C:\\x\"", kProgramInSystemFolder), u"C:\\windows\\system32\\takeown.exe");
    EXPECT_EQ(Resolve(u"  \ticacls.exe /?", kProgramInSystemFolder), u"C:\\windows\\system32\\icacls.exe");
    EXPECT_EQ(Resolve(u"\"icacls\" x", kProgramInSystemFolder), u"C:\\windows\\system32\\icacls.exe");
    EXPECT_EQ(Resolve(u"tool.com", kProgramInSystemFolder), u"C:\\windows\\system32\\tool.com");
    // An unterminated quote runs to the end, as the system reads it.
    EXPECT_EQ(Resolve(u"\"take own", kProgramInSystemFolder), u"C:\\windows\\system32\\take own.exe");
}

TEST(ResolveSystemProgram, NamesWithAPathOrDriveAndEmptyLinesAreLeftToTheSystem) {
    Resolve(u"C:\\tools\\icacls.exe x", kProgramNamedByPath);
    Resolve(u"\"C:\\my tools\\icacls\" x", kProgramNamedByPath);
    Resolve(u".\\icacls x", kProgramNamedByPath);
    Resolve(u"sub/icacls x", kProgramNamedByPath);
    Resolve(u"C:icacls x", kProgramNamedByPath);
    Resolve(u"", kProgramNamedByPath);
    Resolve(u"   ", kProgramNamedByPath);
    Resolve(u"\"\" x", kProgramNamedByPath);
}

TEST(ResolveSystemProgram, APathThatDoesNotFitIsRefusedNotCut) {
    // "C:\windows\system32\" is 20 units, "icacls.exe" 10, plus the terminator.
    EXPECT_EQ(Resolve(u"icacls x", kProgramInSystemFolder, 31), u"C:\\windows\\system32\\icacls.exe");
    Resolve(u"icacls x", kProgramPathTooLong, 30);
    std::u16string longName(400, u'a');
    Resolve(longName.c_str(), kProgramPathTooLong);
    char16_t out[8];
    EXPECT_EQ(ResolveSystemProgram(u"icacls", u"C:\\", out, 0), kProgramPathTooLong);
    // A folder given with its trailing backslash gets no second one.
    char16_t full[32];
    EXPECT_EQ(ResolveSystemProgram(u"icacls", u"C:\\", full, 32), kProgramInSystemFolder);
    EXPECT_EQ(std::u16string(full), u"C:\\icacls.exe");
}
