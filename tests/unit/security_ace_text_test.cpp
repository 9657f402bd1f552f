#include <gtest/gtest.h>

#include <string>

#include "base/tree_sink.h"
#include "config/config_text.h"
#include "security/ace_text.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kUsers = MakeSid(5, {32, 545});
const Bytes kDeleted = MakeSid(5, {21, 1, 2, 3, 1001});
const uint32_t kFolder = 0x10;
const uint32_t kFile = 0x20;
const uint32_t kGroup = 7;

struct Line {
    std::u16string text;
    uint32_t param;
    int glyph;
};

std::u16string MaskText(uint32_t mask) {
    char16_t buf[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buf, kNodeTextUnits);
    uint32_t n = AccessMaskText(&w, mask);
    EXPECT_EQ(n, w.length);
    return buf;
}

struct Scope {
    std::u16string text;
    uint32_t param;
    int glyph;
};

Scope ScopeOf(uint8_t flags, uint32_t attributes) {
    char16_t buf[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buf, kNodeTextUnits);
    Scope s{u"", MakeItemParam(kGroup, 0x0b), 0};
    AceScopeText(&w, flags, attributes, &s.param, &s.glyph);
    s.text = buf;
    return s;
}

Line AceLine(const char16_t* word, int glyph, uint8_t flags, uint32_t attributes, uint32_t mask,
             const Bytes& sid = kUsers, const char16_t* path = u"C:\\d") {
    char16_t buf[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buf, kNodeTextUnits);
    Line l{u"", MakeItemParam(kGroup, glyph == 24 ? 0x0c : 0x0b), glyph};
    AceLineText(&w, word, path, sid.data(), flags, attributes, mask, &l.param, &l.glyph);
    l.text = buf;
    return l;
}

std::u16string LabelLine(uint32_t level, uint8_t flags, uint32_t attributes, uint32_t policy, uint32_t* param) {
    Bytes sid = MakeSid(16, {level});
    char16_t buf[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buf, kNodeTextUnits);
    IntegrityLabelText(&w, sid.data(), flags, attributes, policy, param);
    return buf;
}

std::u16string AccountText(const Bytes* sid, const char16_t* path) {
    char16_t buf[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buf, kNodeTextUnits);
    AccountNameOfSid(&w, sid ? sid->data() : nullptr, path);
    return buf;
}

// A language file for the scope of a test.
struct ScopedLanguage {
    std::u16string storage;
    ConfigText saved;
    explicit ScopedLanguage(const std::u16string& text) : storage(text) {
        storage.append(129, u'\0');
        saved = g_languageFile;
        g_languageFile.text = &storage[0];
        g_languageFile.length = (uint32_t)text.size() + 1;
    }
    ~ScopedLanguage() { g_languageFile = saved; }
};

}  // namespace

TEST(AccessMaskText, NamesRightsGreedilyWithHexSuffixRules) {
    EXPECT_EQ(MaskText(0x001F01FF), u"Full Control");
    EXPECT_EQ(MaskText(0x00110000), u"[delete]");
    EXPECT_EQ(MaskText(0x00000001), u"List Folder / Read Data(0001)");
    EXPECT_EQ(MaskText(0x001F03FF), u"Full Control(1f03ff)");
    EXPECT_EQ(MaskText(0x001201BF),
              u"Read & Execute,Create Files / Write Data,Create Folders / Append Data,"
              u"Write Extended Attributes,Write Attributes(1201bf)");
    EXPECT_EQ(MaskText(0x10000000), u"[Generic all](10000000)");
    EXPECT_EQ(MaskText(0x00000200), u"");
    EXPECT_EQ(MaskText(0), u"");
    EXPECT_EQ(MaskText(0x001301BF), u"Modify");
    // The walk stops on a single-bit row: suffix, even after a composite row.
    EXPECT_EQ(MaskText(0x80120089), u"Read,[Generic read](80120089)");
    EXPECT_EQ(MaskText(0xFFFFFFFF),
              u"Full Control,Access system security,[Maximum allowed],[Generic all],[Generic execute],"
              u"[Generic write],[Generic read](ffffffff)");
}

TEST(AceScopeText, FolderScopesBitsAndGlyphs) {
    Scope none = ScopeOf(0, kFolder);
    EXPECT_EQ(none.text, u"(this folder)");
    EXPECT_EQ(none.param & 0xE0000000u, kScopeThisFolder);
    EXPECT_EQ(none.glyph, 42);
    EXPECT_EQ(ScopeOf(0x10, kFolder).glyph, 43);

    Scope oi = ScopeOf(0x01, kFolder);
    EXPECT_EQ(oi.text, u"(this folder)(inherit file)");
    EXPECT_EQ(oi.param & 0xE0000000u, kScopeThisFolder | kScopeInheritFile);
    EXPECT_EQ(oi.glyph, 0);
    EXPECT_EQ(ScopeOf(0x02, kFolder).text, u"(this folder)(inherit subfolder)");

    Scope all = ScopeOf(0x03, kFolder);
    EXPECT_EQ(all.text, u"(all)");
    EXPECT_EQ(all.param & 0xE0000000u, 0xE0000000u);
    EXPECT_EQ(all.glyph, 0);
    EXPECT_EQ(ItemGroup(all.param), kGroup);
    EXPECT_EQ(ItemKind(all.param), 0x0bu);

    Scope contents = ScopeOf(0x0B, kFolder);
    EXPECT_EQ(contents.text, u"(inherit subfolder)(inherit file)");
    EXPECT_EQ(contents.param & 0xE0000000u, kScopeInheritSubfolder | kScopeInheritFile);
    EXPECT_EQ(contents.glyph, 46);
    EXPECT_EQ(ScopeOf(0x1B, kFolder).glyph, 47);

    Scope io = ScopeOf(0x08, kFolder);
    EXPECT_EQ(io.text, u"");
    EXPECT_EQ(io.param & 0xE0000000u, 0u);
    EXPECT_EQ(io.glyph, 0);

    EXPECT_EQ(ScopeOf(0x07, kFolder).text, u"(all)(propagate inherit)");
    // Unreadable attributes count as a folder.
    EXPECT_EQ(ScopeOf(0, 0xFFFFFFFF).text, u"(this folder)");

    Scope file = ScopeOf(0x03, kFile);
    EXPECT_EQ(file.text, u"");
    EXPECT_EQ(file.param & 0xE0000000u, 0u);
    EXPECT_EQ(ScopeOf(0x04, kFile).text, u"(propagate inherit)");
}

TEST(AceLineText, LayoutGlyphsAndInheritedKind) {
    ScopedFakeSecurity fake;
    fake.fake.accounts[kUsers] = {u"Users", u"BUILTIN"};

    Line inheritedFile = AceLine(u"Allow", 21, 0x10, kFile, 0x001F01FF);
    EXPECT_EQ(inheritedFile.text, u"Allow(inherit) : BUILTIN\\Users :  Full Control");
    EXPECT_EQ(inheritedFile.glyph, 31);
    EXPECT_EQ(inheritedFile.param, MakeItemParam(kGroup, 0x0f));

    Line denyFolder = AceLine(u"Deny", 24, 0, kFolder, 0x00000001);
    EXPECT_EQ(denyFolder.text, u"Deny : BUILTIN\\Users : (this folder) List Folder / Read Data(0001)");
    EXPECT_EQ(denyFolder.glyph, 44);
    EXPECT_EQ(denyFolder.param, MakeItemParam(kGroup, 0x0c) | kScopeThisFolder);

    // Scope glyph first, then the named masks, then the plain disc or cross.
    EXPECT_EQ(AceLine(u"Allow", 21, 0x03, kFolder, 0x001F01FF).glyph, 30);
    EXPECT_EQ(AceLine(u"Allow", 21, 0x03, kFolder, 0x001301BF).glyph, 34);
    EXPECT_EQ(AceLine(u"Allow", 21, 0x03, kFolder, 0x001200A9).glyph, 38);
    EXPECT_EQ(AceLine(u"Allow", 21, 0x03, kFolder, 0x00120089).glyph, 21);
    EXPECT_EQ(AceLine(u"Deny", 24, 0x13, kFolder, 0x001301BF).glyph, 37);
    EXPECT_EQ(AceLine(u"Deny", 24, 0x10, kFile, 0x2).glyph, 25);
    EXPECT_EQ(AceLine(u"Allow", 21, 0x0B, kFolder, 0x001F01FF).glyph, 46);
    EXPECT_EQ(AceLine(u"Deny", 24, 0x0B, kFolder, 0x2).glyph, 48);
    EXPECT_EQ(AceLine(u"Allow", 21, 0x10, kFolder, 0x2).glyph, 43);
    EXPECT_EQ(AceLine(u"Deny", 24, 0x1B, kFolder, 0x2).glyph, 49);

    // Audit lines keep the caller's glyph; the inherited kind still applies.
    Line audit = AceLine(u"Failed", 27, 0x90, kFile, 0x001F01FF);
    EXPECT_EQ(audit.glyph, 27);
    EXPECT_EQ(ItemKind(audit.param), 0x0fu);
}

TEST(AceLineText, TypeWordSurvivesTheTranslationsAfterIt) {
    ScopedFakeSecurity fake;
    fake.fake.accounts[kUsers] = {u"Users", u""};
    ScopedLanguage language(u"Allow = Zulassen\r\n(inherit)=(geerbt)\r\nFull Control=Vollzugriff\r\n");
    Line l = AceLine(Translate(u"Allow"), 21, 0x10, kFile, 0x001F01FF);
    EXPECT_EQ(l.text, u"Zulassen(geerbt) : Users :  Vollzugriff");
}

TEST(AccountNameOfSid, LookupThenSidStringThenUnknown) {
    ScopedFakeSecurity fake;
    fake.fake.accounts[kUsers] = {u"Users", u"BUILTIN"};
    Bytes system = MakeSid(5, {18});
    fake.fake.accounts[system] = {u"SYSTEM", u""};
    EXPECT_EQ(AccountText(&kUsers, u"C:\\x"), u"BUILTIN\\Users");
    EXPECT_EQ(AccountText(&system, u"C:\\x"), u"SYSTEM");
    EXPECT_EQ(AccountText(&kDeleted, u"C:\\x"), u"S-1-5-21-1-2-3-1001");
    fake.fake.sidStrings = false;
    EXPECT_EQ(AccountText(&kDeleted, u"C:\\x"), u"Unknown account");
    EXPECT_EQ(AccountText(nullptr, u"C:\\x"), u"Unknown account");
    EXPECT_EQ(fake.fake.lookups, 4u);   // no lookup without a SID, none cached
}

TEST(AccountNameOfSid, UncPathsAskTheirServer) {
    ScopedFakeSecurity fake;
    AccountText(&kUsers, u"\\\\files\\share\\dir");
    AccountText(&kUsers, u"\\\\files");
    AccountText(&kUsers, u"\\");
    AccountText(&kUsers, u"D:\\local");
    EXPECT_EQ(fake.fake.lookupSystems,
              (std::vector<std::u16string>{u"\\\\files", u"\\\\files", u"\\", u""}));
}

TEST(IntegrityLabelText, LevelsScopesPoliciesAndInheritance) {
    uint32_t param = MakeItemParam(kGroup, 0x10);
    EXPECT_EQ(LabelLine(0x2000, 0, kFile, 0x1, &param), u"Medium :  (No write up)");
    EXPECT_EQ(param, MakeItemParam(kGroup, 0x10));
    EXPECT_EQ(LabelLine(0x2100, 0, kFile, 0, &param), u"Unknown :  ");
    EXPECT_EQ(LabelLine(0x0000, 0, kFile, 0x7, &param), u"Untrusted :  (No write up)(No read up)(No execute up)");
    EXPECT_EQ(LabelLine(0x1000, 0, kFile, 0x2, &param), u"Low :  (No read up)");
    EXPECT_EQ(LabelLine(0x4000, 0, kFile, 0, &param), u"System :  ");

    param = MakeItemParam(kGroup, 0x10);
    EXPECT_EQ(LabelLine(0x3000, 0x03, kFolder, 0x4, &param), u"High : (all) (No execute up)");
    EXPECT_EQ(param, MakeItemParam(kGroup, 0x10) | 0xE0000000u);

    param = MakeItemParam(kGroup, 0x10);
    EXPECT_EQ(LabelLine(0x3000, 0x13, kFolder, 0x1, &param), u"(inherit)High : (all) (No write up)");
    EXPECT_EQ(param, MakeItemParam(kGroup, 0x0f));

    // A label SID without sub-authorities has no level.
    Bytes bare = MakeSid(16, {});
    char16_t buf[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buf, kNodeTextUnits);
    param = 0;
    IntegrityLabelText(&w, bare.data(), 0, kFile, 0, &param);
    EXPECT_EQ(std::u16string(buf), u"Unknown :  ");
}
