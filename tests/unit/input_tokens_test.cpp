// Command-line and list-file tokens, and how a list file's bytes become paths.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/file_attributes.h"
#include "base/heap.h"
#include "input/list_file.h"
#include "input/path_input.h"
#include "input/path_reading.h"
#include "input/path_source.h"
#include "input/tokenizer.h"
#include "tests/unit/config_code_pages.h"

namespace {

typedef std::vector<std::u16string> Toks;

// Every token of the text: a quoted one in [], a lone control character as ^X.
Toks Tokens(const std::u16string& text) {
    Toks tokens;
    std::vector<char16_t> buf(kTokenBufferUnits, u'#');   // exactly its size, so ASan sees any overrun
    const char16_t* cursor = text.c_str();
    while (char16_t first = NextToken(&cursor, buf.data())) {
        std::u16string t = buf.data();
        tokens.push_back(first == u'"' ? u"[" + t + u"]" : first != t[0] ? u"^" + std::u16string(1, first + 0x40) : t);
    }
    EXPECT_TRUE(buf[0] == 0 && *cursor == 0 && NextToken(&cursor, buf.data()) == 0) << "the end, and again the end";
    return tokens;
}

std::u16string R(size_t n, char16_t c) { return std::u16string(n, c); }

// Reads bytes as a list file would be read; "<failed>" when refused.
Toks ListPaths(const std::string& bytes, bool utf8) {
    Toks paths;
    PathReceiver receiver = {[](void* to, const char16_t* path) { static_cast<Toks*>(to)->push_back(path); }, &paths};
    std::string withZeros = bytes + std::string(kListFileZeroBytes, '\0');   // as the file reader appends them
    if (!AddPathsFromListBytes(withZeros.data(), (uint32_t)bytes.size(), utf8, fake_code_pages::Converter(), &receiver))
        paths.push_back(u"<failed>");
    return paths;
}

// A file system of existing names and readable list files; every call the
// command line causes is logged in order.
struct FakeFiles {
    std::map<std::u16string, uint32_t> attributes;
    std::map<std::u16string, std::string> lists;
    Toks calls;
};

PathInputPlatform FakePlatform(FakeFiles* files) {
    return PathInputPlatform{
        files,
        [](void* c, const char16_t* name) {
            const auto& found = static_cast<FakeFiles*>(c)->attributes;
            return found.count(name) ? found.at(name) : kNoFileAttributes;
        },
        [](void* c, const char16_t* name, uint32_t* size) -> char* {
            FakeFiles* f = static_cast<FakeFiles*>(c);
            f->calls.push_back(u"read " + std::u16string(name));
            if (!f->lists.count(name)) return nullptr;
            const std::string& bytes = f->lists[name];
            *size = (uint32_t)bytes.size();
            char* block = static_cast<char*>(HeapAllocBytes(bytes.size() + kListFileZeroBytes));
            memcpy(block, bytes.data(), bytes.size());
            memset(block + bytes.size(), 0, kListFileZeroBytes);
            return block;
        },
        fake_code_pages::Converter(),
        nullptr,
        [](void* c, const char16_t* line) {
            static_cast<FakeFiles*>(c)->calls.push_back(u"log " + std::u16string(line));
        }
    };
}

// What Windows PowerShell 5 writes with ">": the mark, then UTF-16LE.
std::string Utf16Le(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += std::string{(char)(c & 0xFF), (char)(c >> 8)};
    return bytes;
}

// Every path the source yields ("+" when it exists, "~" when its attributes
// are left to the security read) and list-file read in order, with the known
// count ("=n") after each path.
Toks SourceCalls(PathSource source, FakeFiles* files) {
    const char16_t* path = nullptr;
    uint32_t attributes = 0;
    while (source.next(source.state, &path, &attributes)) {
        const char16_t* mark = attributes == kAttributesInOpen ? u" ~" : attributes == kNoFileAttributes ? u"" : u" +";
        files->calls.push_back(path + std::u16string(mark) + u"=" +
                               std::u16string(1, (char16_t)(u'0' + source.known(source.state))));
    }
    source.close(source.state);
    return files->calls;
}

Toks CommandLineCalls(const std::u16string& commandLine, FakeFiles files) {
    PathInputPlatform platform = FakePlatform(&files);
    std::unique_ptr<CommandLinePaths> paths(new CommandLinePaths);
    return SourceCalls(CommandLineSource(paths.get(), commandLine.c_str(), &platform), &files);
}

}  // namespace

TEST(Tokens, BlanksQuotesEmbeddedSectionsControlCharactersAndLimits) {
    const std::u16string flow = u"[<flow!!>]";
    const struct { std::u16string text; Toks tokens; } cases[] = {
        {u" \t\r\n \n", {}}, {u"  @list.txt\t@8@x ", {u"@list.txt", u"@8@x"}},
        {u"a\r\nb\n\rc\rd\ne", {u"a", u"b", u"c", u"d", u"e"}},
        {u"\"C:\\Program Files\\x\"", {u"[C:\\Program Files\\x]"}},
        {u"\"\" \"a\"\"b\" \"\"\"\"\"\"", {u"[]", u"[a\"b]", u"[\"\"]"}},
        {u"\"abc\"def", {u"[abc]", u"def"}}, {u"\"a b", {u"[a b]"}},
        {u"\"ab\ncd\"", {u"[ab]", u"cd\""}},   // an open quote runs to the end of the line only
        // Embedded quoted sections keep their quotes and blanks.
        {u"C:\\\"My Dir\"\\f", {u"C:\\\"My Dir\"\\f"}},
        {u"a\"b\"\"c d\"", {u"a\"b\"\"c", u"d\""}}, {u"a\"\"b c", {u"a\"\"b", u"c"}},
        {u"a\"b c\r\nd a\"b\n\re", {u"a\"b c", u"d", u"a\"b", u"e"}},
        // Control characters end tokens and may stand alone; all above U+0020 are path characters.
        {u"\x0b ab\x01" u"cd", {u"^K", u"ab", u"cd"}}, {u"\x1f\x1f" u"x\x7f\xfeff\xd800", {u"^_", u"^_", u"x\x7f\xfeff\xd800"}},
        // The limits: 12287 characters, and "<flow!!>" for a longer quoted body.
        {R(12290, u'x'), {R(12287, u'x'), u"xxx"}},
        {R(12287, u'x') + u" y", {R(12287, u'x'), u"y"}},
        {R(12285, u'x') + u"\"ab cd\"", {R(12285, u'x') + u"\"a", u"b", u"cd\""}},   // inside an embedded section too
        {u"\"" + R(12287, u'y') + u"\" z", {u"[" + R(12287, u'y') + u"]", u"z"}},
        {u"\"" + R(12288, u'y') + u"\" z", {flow, u"z"}},
        {u"\"" + R(12288, u'y'), {flow}},
        // A doubled quote that no longer fits ends the body in front of it.
        {u"\"" + R(12286, u'y') + u"\"\"w\"", {u"[" + R(12286, u'y') + u"]", u"[]", u"w\""}},
        {u"\"" + R(12285, u'y') + u"\"\"w\"", {u"[" + R(12285, u'y') + u"\"w]"}},
        {u"\"" + R(26000, u'"') + u"\"", {u"[" + R(12286, u'"') + u"]", u"[" + R(714, u'"') + u"]"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text.size();
}

TEST(ListFiles, NameEncodingByteOrderMarkTokensAndTheFirstZeroByte) {
    bool utf8;   // only "@8@" names a UTF-8 file
    for (const char16_t* ansi : {u"@8list.txt", u"@8", u"@"})
        EXPECT_TRUE(ListFileNameOf(ansi, &(utf8 = true)) == ansi + 1 && !utf8) << ansi[1];
    const struct { std::string bytes; bool utf8; Toks paths; } cases[] = {
        {"C:\\d\xE9j\xE0", false, {u"C:\\d\x0469j\x0460"}}, {"C:\\d\xC3\xA9j\xC3\xA0", true, {u"C:\\déjà"}},
        // The mark switches an ANSI list to UTF-8 and never becomes part of a path.
        {"\xEF\xBB\xBF" "C:\\d\xC3\xA9j\xC3\xA0", false, {u"C:\\déjà"}}, {"\xEF\xBB\xBF" "a", true, {u"a"}},
        {"\xEF\xBB" "a", false, {u"\x046f\x043b" "a"}}, {"\xEF\xBB\xBF", false, {}}, {"", false, {}},
        {"a b\r\n\"c d\"\n@e\n\n", false, {u"a", u"b", u"c d", u"@e"}}, {std::string("a\0b", 3), true, {u"a"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ListPaths(c.bytes, c.utf8), c.paths) << c.bytes;
    const HeapOps* old = SetHeapOps(&fake_code_pages::kFailingHeap);
    Toks paths = ListPaths("a b", false);
    SetHeapOps(old);
    EXPECT_EQ(paths, (Toks{u"<failed>"}));
}

// A UTF-16 list read as bytes would be one garbage path; a zero byte ends a
// list, and what follows it is never read unnoticed.
TEST(ListFiles, Utf16AfterItsMarkAndAZeroThatCutsTheListIsTold) {
    const struct { std::string bytes; std::u16string text; bool cut; } cases[] = {
        {Utf16Le(u"C:\\d\u00e9j\u00e0 \"a b\"\r\n\u2713"), u"\xFEFF" u"C:\\d\u00e9j\u00e0 \"a b\"\r\n\u2713", false},
        {Utf16Le(std::u16string(u"a\0b", 3)), u"\xFEFF" u"a", true},
        {Utf16Le(u"ab") + "c", u"\xFEFF" u"ab", false},   // an odd last byte is no unit
        {Utf16Le(u""), u"\xFEFF", false}, {std::string("a\0\0", 3), u"a", true},
        {"\xFF", u"\x047F", false},   // a lone 0xFF is ANSI
    };
    for (const auto& c : cases) {
        std::string withZeros = c.bytes + std::string(kListFileZeroBytes, '\0');
        bool cut = !c.cut;
        char16_t* text =
            DecodeListBytes(withZeros.data(), (uint32_t)c.bytes.size(), false, fake_code_pages::Converter(), &cut);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::u16string(text), c.text);
        EXPECT_EQ(cut, c.cut) << c.bytes;
        HeapFreeBytes(text);
    }
    FakeFiles files;
    files.lists = {{u"ps", Utf16Le(u"a \"b c\"")}, {u"z", std::string("x\0y", 3)}};
    EXPECT_EQ(CommandLineCalls(u"ovrix @ps @z", files),
              (Toks{u"read ps", u"a ~=3", u"b c ~=3", u"read z", u"log list file cut at a zero byte: z", u"x ~=3"}));
}

TEST(CommandLine, ProgramTokenDroppedAndTheAtRules) {
    FakeFiles files;
    files.attributes = {{u"@here", 0x20}, {u"a", 0x10}};
    files.lists = {{u"list", "a \"b c\""}, {u"u8", "d\xC3\xA9j\xC3\xA0"}, {u"ansi", "d\xE9"}, {u"empty", " \r\n"}};
    const struct { std::u16string commandLine; Toks calls; } cases[] = {
        {u"ovrix.exe a b", {u"a +=2", u"b=2"}},
        // The list's two paths take its token's place in the count.
        {u"\"C:\\my ovrix.exe\" @list x", {u"read list", u"a ~=3", u"b c ~=3", u"x=3"}},
        {u"ovrix @8@u8 @ansi @empty", {u"read u8", u"d\u00e9j\u00e0 ~=3", u"read ansi", u"d\u0469 ~=3", u"read empty"}},
        {u"ovrix @here \"@list\"", {u"@here +=2", u"@list=2"}},   // an existing name and a quoted token are paths
        {u"ovrix @missing", {u"read missing", u"@missing=1"}},     // an unreadable list is a path
    };
    for (const auto& c : cases) EXPECT_EQ(CommandLineCalls(c.commandLine, files), c.calls);
}

TEST(NameList, EveryNameInOrderUpToTheEmptyOneAndTheBlockFreed) {
    FakeFiles files;
    PathInputPlatform platform = FakePlatform(&files);
    const char16_t names[] = u"a b\0c\0\0ignored\0";
    char16_t* block = static_cast<char16_t*>(HeapAllocBytes(sizeof names));
    memcpy(block, names, sizeof names);
    NameListPaths paths;
    EXPECT_EQ(SourceCalls(NameListSource(&paths, block, &platform), &files), (Toks{u"a b ~=2", u"c ~=2"}));
}

// A batch ends on the clock, not on a count; progress is due every quarter
// second; a quick reading ends without a line, a stop always with one; paths
// the tree held already are read but not counted as added.
TEST(PathReading, BatchesByTimeProgressAndTheEndLine) {
    FakeFiles files;
    PathInputPlatform platform = FakePlatform(&files);
    std::unique_ptr<CommandLinePaths> paths(new CommandLinePaths);
    PathReading reading;
    BeginPathReading(&reading, CommandLineSource(paths.get(), u"ovrix a b c d e", &platform), 1000);
    uint64_t now = 1000;
    ReadingClock clock = {&now, [](void* c) { return *static_cast<uint64_t*>(c) += 30; }};   // 30 ms a path
    Toks taken;
    PathTaker taker = {&taken, [](void* c, const char16_t* path, uint32_t) {   // the tree holds c already
                           static_cast<Toks*>(c)->push_back(path);
                           return path[0] != u'c';
                       }};
    ReadPathBatch(&reading, &taker, &clock);
    EXPECT_EQ(taken, (Toks{u"a", u"b", u"c"}));
    EXPECT_FALSE(reading.ended);
    EXPECT_FALSE(ProgressDue(&reading, 1249));
    EXPECT_TRUE(ProgressDue(&reading, 1250));
    EXPECT_FALSE(ProgressDue(&reading, 1499));
    ReadPathBatch(&reading, &taker, &clock);
    ReadPathBatch(&reading, &taker, &clock);
    EXPECT_EQ(taken.size(), 5u);
    EXPECT_TRUE(reading.ended);
    EXPECT_EQ(reading.read, 5u);
    EXPECT_EQ(reading.added, 4u);
    EXPECT_EQ(EndLineOf(&reading, false, 2000), kEndLineNone);
    EXPECT_EQ(EndLineOf(&reading, false, 2001), kEndLineDone);
    EXPECT_EQ(EndLineOf(&reading, true, 1001), kEndLineStopped);
    reading.source.close(reading.source.state);
}
