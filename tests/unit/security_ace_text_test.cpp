#include <gtest/gtest.h>

#include <string>

#include "base/tree_sink.h"
#include "config/config_text.h"
#include "tests/unit/fake_tree.h"
#include "security/ace_text.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kUsers = MakeSid(5, {32, 545});
const uint32_t kFolder = 0x10, kFile = 0x20, kGroup = 7;

// What a text function writes into a node-sized buffer; it must return the
// units it wrote.
template <class Write>
std::u16string Written(Write write) {
    char16_t buffer[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buffer, kNodeTextUnits);
    EXPECT_EQ(write(&w), w.length);
    return buffer;
}

}  // namespace

TEST(AccessMaskText, NamesRightsGreedilyWithHexSuffixRules) {
    struct { uint32_t mask; const char16_t* text; } cases[] = {
        {0x001F01FF, u"Full Control"}, {0x00110000, u"[delete]"}, {0x001301BF, u"Modify"}, {0x00000200, u""},
        {0, u""}, {0x00000001, u"List Folder / Read Data(0001)"}, {0x001F03FF, u"Full Control(1f03ff)"},
        {0x001201BF, u"Read & Execute,Create Files / Write Data,Create Folders / Append Data,"
                     u"Write Extended Attributes,Write Attributes(1201bf)"},
        {0x10000000, u"[Generic all](10000000)"},
        // The walk stops on a single-bit row: suffix, even after a composite row.
        {0x80120089, u"Read,[Generic read](80120089)"},
        {0xFFFFFFFF, u"Full Control,Access system security,[Maximum allowed],[Generic all],[Generic execute],"
                     u"[Generic write],[Generic read](ffffffff)"},
    };
    for (auto& c : cases)
        EXPECT_EQ(Written([&](TextWriter* w) { return AccessMaskText(w, c.mask); }), c.text) << c.mask;
}

TEST(AceScopeText, FolderScopesBitsAndGlyphs) {
    const uint32_t kThis = kScopeThisFolder, kFiles = kScopeInheritFile, kFolders = kScopeInheritSubfolder;
    struct { uint8_t flags; uint32_t attributes; const char16_t* text; uint32_t bits; int glyph; } cases[] = {
        {0x00, kFolder, u"(this folder)", kThis, 42}, {0x10, kFolder, u"(this folder)", kThis, 43},
        {0x01, kFolder, u"(this folder)(inherit file)", kThis | kFiles, 0},
        {0x02, kFolder, u"(this folder)(inherit subfolder)", kThis | kFolders, 0},
        {0x03, kFolder, u"(all)", kThis | kFolders | kFiles, 0},
        {0x07, kFolder, u"(all)(propagate inherit)", kThis | kFolders | kFiles, 0},
        {0x0B, kFolder, u"(inherit subfolder)(inherit file)", kFolders | kFiles, 46},
        {0x1B, kFolder, u"(inherit subfolder)(inherit file)", kFolders | kFiles, 47},
        {0x08, kFolder, u"", 0, 0}, {0x03, kFile, u"", 0, 0}, {0x04, kFile, u"(propagate inherit)", 0, 0},
        {0x00, 0xFFFFFFFF, u"(this folder)", kThis, 42},   // unreadable attributes: a folder
    };
    for (auto& c : cases) {
        uint32_t param = MakeItemParam(kGroup, 0x0b);
        int glyph = 0;
        EXPECT_EQ(Written([&](TextWriter* w) { return AceScopeText(w, c.flags, c.attributes, &param, &glyph); }),
                  c.text);
        EXPECT_EQ(param, MakeItemParam(kGroup, 0x0b) | c.bits) << (int)c.flags;
        EXPECT_EQ(glyph, c.glyph) << (int)c.flags;
    }
}

TEST(AceLineText, LayoutGlyphsAndInheritedKind) {
    ScopedFakeSecurity fake;
    fake.accounts[kUsers] = {u"Users", u"BUILTIN"};
    // The scope glyph first, then the named masks, then the plain disc or
    // cross; audit lines keep their glyph. Rows without text check the glyph.
    struct { int glyph; uint8_t flags; uint32_t attributes, mask; int expectedGlyph; const char16_t* text;
             uint32_t param; } cases[] = {
        {21, 0x10, kFile, 0x1F01FF, 31, u"Allow(inherit) : BUILTIN\\Users :  Full Control", MakeItemParam(kGroup, 0x0f)},
        {24, 0x00, kFolder, 0x1, 44, u"Deny : BUILTIN\\Users : (this folder) List Folder / Read Data(0001)",
         MakeItemParam(kGroup, 0x0c) | kScopeThisFolder},
        {27, 0x90, kFile, 0x1F01FF, 27, u"Failed(inherit) : BUILTIN\\Users :  Full Control", MakeItemParam(kGroup, 0x0f)},
        {21, 0x03, kFolder, 0x1F01FF, 30}, {21, 0x03, kFolder, 0x1301BF, 34}, {21, 0x03, kFolder, 0x1200A9, 38},
        {21, 0x03, kFolder, 0x120089, 21}, {24, 0x13, kFolder, 0x1301BF, 37}, {24, 0x10, kFile, 0x2, 25},
        {21, 0x0B, kFolder, 0x1F01FF, 46}, {24, 0x0B, kFolder, 0x2, 48}, {21, 0x10, kFolder, 0x2, 43},
        {24, 0x1B, kFolder, 0x2, 49},
    };
    for (auto& c : cases) {
        const char16_t* word = c.glyph == 21 ? u"Allow" : c.glyph == 24 ? u"Deny" : u"Failed";
        uint32_t param = MakeItemParam(kGroup, c.glyph == 24 ? 0x0c : 0x0b);
        int glyph = c.glyph;
        std::u16string text = Written([&](TextWriter* w) {
            return AceLineText(w, word, u"C:\\d", kUsers.data(), c.flags, c.attributes, c.mask, &param, &glyph);
        });
        EXPECT_EQ(glyph, c.expectedGlyph) << (int)c.flags << " " << c.mask;
        EXPECT_TRUE(!c.text || (text == c.text && param == c.param)) << Narrow(text) << " " << std::hex << param;
    }
    // The type word may be the last Translate result: it must survive the
    // translations after it.
    std::u16string language = u"Allow = Zulassen\r\n(inherit)=(geerbt)\r\nFull Control=Vollzugriff\r\n";
    ConfigText saved = g_languageFile;
    language.append(129, u'\0');   // the terminator, then the zeros a loaded file ends in
    g_languageFile = {&language[0], (uint32_t)language.size() - 128};
    uint32_t param = 0;
    int glyph = 21;
    EXPECT_EQ(Written([&](TextWriter* w) {
                  return AceLineText(w, Translate(u"Allow"), u"", kUsers.data(), 0x10, kFile, 0x1F01FF, &param, &glyph);
              }),
              u"Zulassen(geerbt) : BUILTIN\\Users :  Vollzugriff");
    g_languageFile = saved;
}

TEST(AccountNameOfSid, LookupOnTheUncServerThenSidStringThenUnknown) {
    ScopedFakeSecurity fake;
    Bytes system = MakeSid(5, {18}), deleted = MakeSid(5, {21, 1, 2, 3, 1001});
    fake.accounts = {{kUsers, {u"Users", u"BUILTIN"}}, {system, {u"SYSTEM", u""}}};
    auto account = [](const Bytes* sid, const char16_t* path) {
        return Written([&](TextWriter* w) { return AccountNameOfSid(w, sid ? sid->data() : nullptr, path); });
    };
    EXPECT_EQ(account(&kUsers, u"\\\\files\\share\\dir"), u"BUILTIN\\Users");
    EXPECT_EQ(account(&system, u"\\\\files"), u"SYSTEM");
    EXPECT_EQ(account(&deleted, u"\\"), u"S-1-5-21-1-2-3-1001");
    fake.sidStrings = false;
    EXPECT_EQ(account(&deleted, u"D:\\local"), u"Unknown account");
    EXPECT_EQ(account(nullptr, u"C:\\x"), u"Unknown account");
    // One lookup per SID, none without one.
    EXPECT_EQ(fake.lookupSystems, (std::vector<std::u16string>{u"\\\\files", u"\\\\files", u"\\", u""}));
}

TEST(IntegrityLabelText, LevelsScopesPoliciesAndInheritance) {
    const uint32_t base = MakeItemParam(kGroup, 0x10);
    struct { uint32_t level; uint8_t flags; uint32_t attributes, policy; const char16_t* text; uint32_t param; } cases[] = {
        {0x2000, 0, kFile, 0x1, u"Medium :  (No write up)", base}, {0x2100, 0, kFile, 0, u"Unknown :  ", base},
        {0x0000, 0, kFile, 0x7, u"Untrusted :  (No write up)(No read up)(No execute up)", base},
        {0x1000, 0, kFile, 0x2, u"Low :  (No read up)", base}, {0x4000, 0, kFile, 0, u"System :  ", base},
        {0x3000, 0x03, kFolder, 0x4, u"High : (all) (No execute up)", base | 0xE0000000u},
        {0x3000, 0x13, kFolder, 0x1, u"(inherit)High : (all) (No write up)", MakeItemParam(kGroup, 0x0f)},
        {~0u, 0, kFile, 0, u"Unknown :  ", base},   // ~0: a SID without sub-authorities, so no level
    };
    for (auto& c : cases) {
        Bytes sid = c.level == ~0u ? MakeSid(16, {}) : MakeSid(16, {c.level});
        uint32_t param = base;
        EXPECT_EQ(Written([&](TextWriter* w) {
                      return IntegrityLabelText(w, sid.data(), c.flags, c.attributes, c.policy, &param);
                  }),
                  c.text);
        EXPECT_EQ(param, c.param);
    }
}
