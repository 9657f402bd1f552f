#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/item_param.h"
#include "security/ace_text.h"
#include "security/groups.h"
#include "security/tree_builder.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kLost = MakeSid(5, {32, 546});   // an account no lookup knows
const char16_t kPath[] = u"C:\\data";
const uint32_t kFolder = 0x10, kFile = 0x20, kGroup = 7;

// The signature of a whole build: its length, then the sections.
Bytes Signature(std::vector<Bytes> sections) {
    Bytes body = Concat(sections);
    return Concat({U32((uint32_t)body.size() + 4), body});
}

// kPath's nodes under a fresh root, built as AddPath does.
struct Built {
    FakeTree tree;
    TreeItem root =
        tree.sink.insert(tree.sink.context, kTreeRoot, kPath, kGlyphFolder, MakeItemParam(3, kKindPathRoot));
    Bytes signature;
    uint32_t length;
    explicit Built(uint32_t attributes) {
        ByteBuffer buffer = {nullptr, 0, 0};
        ByteBufferAppend(&buffer, "\0\0\0", 4);   // the place of the length
        PathSecurity security;
        ReadPathSecurity(kPath, attributes, &security);
        InsertSecurityNodes(&tree.sink, &security, kPath, root, 3);
        length = FormSignature(&security, &buffer);
        signature.assign(buffer.data, buffer.data + buffer.used);
        ByteBufferFree(&buffer);
    }
};

// The ACEs of an ACL as a signature holds them.
Bytes Aces(const Bytes& acl) { return Bytes(acl.begin() + 8, acl.end()); }

struct Everything : ScopedFakeSecurity {
    Bytes dacl = MakeAcl({MakeAce(0, 0x03, 0x001F01FF, kAdmins), MakeAce(1, 0, 2, kEveryone),
                          MakeAce(0, 0x1B, 0x001200A9, kUsers), MakeRawAce(5, 0, Bytes(36, 0))});
    Bytes sacl = MakeAcl({MakeAce(2, 0xC0, 0x00010000, kEveryone), MakeAce(2, 0x80, 0x001F01FF, kUsers),
                          MakeRawAce(3, 0, Bytes(4, 0))});
    // Label SIDs name their level by their first sub-authority; the last has none.
    Bytes label = MakeAcl({MakeAce(0x11, 0, 1, MakeSid(16, {0x2000})), MakeAce(0, 0, 1, kUsers),
                           MakeAce(0x11, 0x13, 4, MakeSid(16, {0x3000})), MakeAce(0x11, 0x03, 7, MakeSid(16, {0})),
                           MakeAce(0x11, 0x08, 2, MakeSid(16, {0x1000})), MakeAce(0x11, 0, 0, MakeSid(16, {0x4000})),
                           MakeAce(0x11, 0x01, 0, MakeSid(16, {0x2100})), MakeAce(0x11, 0x02, 0, MakeSid(16, {}))});
    Everything() {
        paths[kPath] = {{kOwnerInformation, OwnerPart(kAdmins)}, {kDaclInformation, DaclPart(dacl)},
                        {kSaclInformation, SaclPart(sacl)}, {kLabelInformation, SaclPart(label)}};
    }
};

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

TEST(SecurityNodes, FullSubtreeOfAFolderWithItsSignature) {
    Everything e;
    Built b(0x10);
    EXPECT_EQ(b.tree.Dump(),
              "C:\\data [3] k1\n  attributes [] [1] k0\n    Readonly [10] k2\n    Hidden [10] k3\n"
              "  Ownership : BUILTIN\\Administrators [15] k8\n  Permissions [18] ka\n"
              "    Allow : BUILTIN\\Administrators : (all) Full Control [30] kb\n"
              "    Deny : Everyone : (this folder) Create Files / Write Data(0002) [44] kc\n"
              "    Allow(inherit) : BUILTIN\\Users : (inherit subfolder)(inherit file) Read & Execute [47] kf\n"
              "    unknown type(0x5): [18] ke\n  Auditing [27] k0\n"
              "    Sucessful : Everyone : (this folder) Delete(10000) [21] kd\n"
              "    Failed : BUILTIN\\Users : (this folder) Full Control [24] kd\n    unknown type(0x3): [18] ke\n"
              "  Integrity level [19] k10\n    Medium : (this folder) (No write up) [24] k10\n"
              "    unknown type(0x0): [18] ke\n    (inherit)High : (all) (No execute up) [24] kf\n"
              "    Untrusted : (all) (No write up)(No read up)(No execute up) [24] k10\n"
              "    Low :  (No read up) [24] k10\n    System : (this folder)  [24] k10\n"
              "    Unknown : (this folder)(inherit file)  [24] k10\n"
              "    Unknown : (this folder)(inherit subfolder)  [24] k10\n");
    // Attributes stay collapsed, AddPath expands the root; scope bits only on
    // explicit folder ACEs and labels.
    std::vector<uint32_t> seen = {b.tree.node(b.root).expanded};
    for (TreeItem t : b.tree.Children(b.root)) seen.push_back(b.tree.node(t).expanded);
    for (int stage : {2, 4})
        for (TreeItem t : b.tree.Children(b.tree.Children(b.root)[stage]))
            seen.push_back(ItemUpperHalf(b.tree.node(t).param));
    EXPECT_EQ(seen, (std::vector<uint32_t>{0, 0, 0, 1, 1, 1, 0xE00b, 0x800c, 0x0f, 0x0e, 0x8010, 0x0e, 0x0f, 0xE010,
                                           0x10, 0x8010, 0xA010, 0xC010}));
    // The DACL's and SACL's protected and auto-inherited bits follow their present flags.
    EXPECT_EQ(b.signature, Signature({U32(0x10), U32(0), kAdmins, U32(1), U32(0), Aces(e.dacl), U32(1), U32(0),
                                      Aces(e.sacl), U32(1), Aces(e.label)}));
    // The privilege is on only around the SACL read, and off again at the end.
    EXPECT_EQ(e.privilegeCalls, (std::vector<bool>{true, false, false}));

    e.privilegeWorks = false;   // without it the auditing stage is left out, signature and all
    Built quiet(0x20);
    EXPECT_EQ(quiet.tree.Dump().find("uditing"), std::string::npos);
    EXPECT_EQ(quiet.signature,
              Signature({U32(0x20), U32(0), kAdmins, U32(1), U32(0), Aces(e.dacl), U32(1), Aces(e.label)}));
}

// Each row answers one query (the others fail) with the node that replaces
// that stage's failure node; malformed parts (kFails) leave the failure node.
TEST(SecurityNodes, AttributesStageVariantsAceWalksAndMalformedParts) {
    ScopedFakeSecurity fake;   // every query fails: the root is expanded to show it
    std::map<uint32_t, std::string> failed = {
        {kOwnerInformation, "  unknown ownership [14] k8\n"}, {kDaclInformation, "  unknown permissions [14] ka\n"},
        {kSaclInformation, "  unknown auditing [14] k0\n"}, {kLabelInformation, "  unknown integrity level [14] k0\n"}};
    std::string allFailed = failed[kOwnerInformation] + failed[kDaclInformation] + failed[kSaclInformation] +
                            failed[kLabelInformation];
    Built failing(0x7C27);
    EXPECT_EQ(failing.tree.Dump(), "C:\\data [3] k1\n  attributes [RASHPOICe] [1] k0\n    Readonly [12] k2\n"
              "    Hidden [12] k3\n    System attribute [12] k4\n    Symbolic link, Junction, Reparse point [12] k5\n"
              "    Compressed [12] k6\n    Encrypted [12] k7\n" + allFailed);
    EXPECT_TRUE(failing.tree.node(failing.root).expanded);
    const std::string kFails = "-", allowLine = "    Allow : S-1-5-32-546 :  List Folder / Read Data(0001) [21] kb\n";
    Bytes deleted = MakeSid(5, {21, 9, 9, 9, 5}), empty = MakeAcl({}), badOwner = OwnerPart(kAdmins);
    Bytes allow = MakeAce(0, 0, 1, kLost), deny = MakeAce(1, 0, 2, kLost), good = DaclPart(MakeAcl({allow}));
    badOwner[21] = 40;   // the owner SID runs past the buffer
    struct Case { uint32_t information; Bytes part; std::string nodes; Bytes tail; };
    std::vector<Case> cases = {
        {kOwnerInformation, OwnerPart(kAdmins, true), "  Ownership : Inherit [16] k8\n", U32(1)},
        {kOwnerInformation, OwnerPart(deleted), "  Ownership : S-1-5-21-9-9-9-5 [15] k8\n", Concat({U32(0), deleted})},
        // No owner SID and not defaulted: a sound node, only the flag signed.
        {kOwnerInformation, MakeDescriptor(0, {}, {}, {}), "  Ownership : Unknown account [15] k8\n", U32(0)},
        {kDaclInformation, MakeDescriptor(0, {}, {}, empty), "", Concat({U32(0), U32(0)})},
        {kDaclInformation, MakeDescriptor(0x0004, {}, {}, {}), "  unset permissions [18] k9\n", Concat({U32(1), U32(0)})},
        {kDaclInformation, DaclPart(empty), "  Permissions [18] ka\n", Concat({U32(1), U32(0)})},
        // Of the control bits only the DACL's protected and auto-inherited ones are signed.
        {kDaclInformation, MakeDescriptor(0x3C05, {}, {}, empty), "  Permissions [18] ka\n", Concat({U32(1), U32(0x1400)})},
        {kSaclInformation, MakeDescriptor(0x3C11, {}, empty, {}), "  Auditing [27] k0\n", Concat({U32(1), U32(0x2800)})},
        // The walk ends at the ACL's end or after AceCount ACEs, as GetAce does.
        {kDaclInformation, DaclPart(MakeAcl({allow, deny}, 5)), "  Permissions [18] ka\n" + allowLine +
         "    Deny : S-1-5-32-546 :  Create Files / Write Data(0002) [24] kc\n", Concat({U32(1), U32(0), allow, deny})},
        {kDaclInformation, DaclPart(MakeAcl({allow, deny}, 1)), "  Permissions [18] ka\n" + allowLine,
         Concat({U32(1), U32(0), allow})},
        {kSaclInformation, MakeDescriptor(0, {}, {}, {}), "  no auditing [27] k9\n", Concat({U32(0), U32(0)})},
        {kSaclInformation, MakeDescriptor(0x0010, {}, {}, {}), "  no auditing [27] k9\n", Concat({U32(1), U32(0)})},
        {kLabelInformation, MakeDescriptor(0x0010, {}, {}, {}), "  no integrity level [19] k10\n", U32(1)},
        {kOwnerInformation, badOwner, kFails, {}},
        {kDaclInformation, Bytes(good.begin(), good.begin() + 19), kFails, {}},          // header cut
        {kDaclInformation, DaclPart(MakeAcl({MakeRawAce(0, 0, {1, 0, 0, 0})})), kFails, {}},   // no room for a SID
        {kDaclInformation, DaclPart(MakeAcl({allow, {0, 0}}, 2)), kFails, {}},          // ACE header cut by the ACL
        {kDaclInformation, DaclPart(MakeAcl({MakeRawAce(5, 0, Bytes(14, 0))})), kFails, {}},   // not whole DWORDs
    };
    // 16-bit values at byte offsets of good (ACL at 20, ACE at 28): not
    // self-relative; ACL offset outside, or wrapping a 32-bit sum; AclSize past
    // the buffer or below its header; AceSize below its header, zero, past the
    // ACL, too small for the SID; a SID with more sub-authorities than the ACE holds.
    for (auto [at, value] : std::vector<std::pair<size_t, uint32_t>>{
             {2, 4}, {16, 0xF0}, {18, 0xFF00}, {22, 40}, {22, 4}, {30, 2}, {30, 0}, {30, 28}, {30, 20}, {36, 0x0901}}) {
        cases.push_back({kDaclInformation, good, kFails, {}});
        cases.back().part[at] = (uint8_t)value, cases.back().part[at + 1] = (uint8_t)(value >> 8);
    }
    for (const Case& c : cases) {
        fake.paths[kPath] = {{c.information, c.part}};
        Built b(0x7C27);
        std::string expected = failing.tree.Dump(), replaced = failed[c.information];
        expected.replace(expected.find(replaced), replaced.size(), c.nodes == kFails ? replaced : c.nodes);
        EXPECT_EQ(b.tree.Dump(), expected);
        EXPECT_EQ(b.signature, Signature({U32(0x7C27), c.tail})) << expected;
    }
}

TEST(SecurityNodes, FailedAppendGivesZeroButKeepsTheNodesAndTextsStayBounded) {
    Everything e;
    e.accounts[kAdmins] = {std::u16string(1023, u'n'), std::u16string(1023, u'd')};
    e.paths[kPath][kDaclInformation] = DaclPart(MakeAcl(std::vector<Bytes>(200, MakeAce(0, 0, 1, kUsers))));
    Built full(0x10);
    // The owner's text stops at 1040 units with its terminator, whatever the pieces.
    std::u16string owner = u"Ownership : " + std::u16string(1023, u'd') + u"\\" + std::u16string(3, u'n');
    EXPECT_EQ(full.tree.node(full.tree.Children(full.root)[1]).text, owner);
    ScopedHeapFault heap(1);   // the signature's first block, then no growth past it
    Built b(0x10);
    EXPECT_EQ(b.length, 0u);
    EXPECT_EQ(b.tree.Dump(), full.tree.Dump());
}

TEST(AceLineText, ScopesGlyphsKindsAndAccountNames) {
    ScopedFakeSecurity fake;
    const uint32_t kThis = kScopeThisFolder, kFiles = kScopeInheritFile, kFolders = kScopeInheritSubfolder;
    const int kInherited = kGlyphInheritedStep, kDeny = kGlyphDenyStep;
    // Allow or deny ACE: the glyph is the scope's, else the named
    // mask's, else the plain disc or cross. Scope bits go on explicit folder
    // ACEs only; inherited ones change kind. Rights are named greedily, with
    // the hex mask after a single-bit name or when bits remain unnamed.
    struct { int glyph; uint8_t flags; uint32_t attributes, mask; int expectedGlyph; const char16_t* tail;
             uint32_t bits; } cases[] = {
        {kGlyphAllow, 0x00, kFolder, 0x1F03FF, kGlyphThisFolderOnly, u"(this folder) Full Control(1f03ff)", kThis},
        {kGlyphAllow, 0x10, kFolder, 0x2, kGlyphThisFolderOnly + kInherited,
         u"(this folder) Create Files / Write Data(0002)", 0},
        {kGlyphAllow, 0x01, kFolder, 0x1F01FF, kGlyphFullControl, u"(this folder)(inherit file) Full Control",
         kThis | kFiles},
        {kGlyphAllow, 0x02, kFolder, 0x1301BF, kGlyphModify, u"(this folder)(inherit subfolder) Modify",
         kThis | kFolders},
        {kGlyphAllow, 0x03, kFolder, 0x1200A9, kGlyphReadExecute, u"(all) Read & Execute", kThis | kFolders | kFiles},
        // The walk stops on a single-bit name: a suffix even after a composite one.
        {kGlyphAllow, 0x07, kFolder, 0x80120089, kGlyphAllow,
         u"(all)(propagate inherit) Read,[Generic read](80120089)",
         kThis | kFolders | kFiles},
        {kGlyphDeny, 0x13, kFolder, 0x1301BF, kGlyphModify + kInherited + kDeny, u"(all) Modify", 0},
        {kGlyphAllow, 0x0B, kFolder, 0xFFFFFFFF, kGlyphContentsOnly,
         u"(inherit subfolder)(inherit file) Full Control,Access system security,"
         u"[Maximum allowed],[Generic all],[Generic execute],[Generic write],[Generic read](ffffffff)",
         kFolders | kFiles},
        {kGlyphAllow, 0x14, kFile, 0x1F01FF, kGlyphFullControl + kInherited, u"(propagate inherit) Full Control", 0},
        {kGlyphDeny, 0x10, kFile, 0x10000000, kGlyphDeny + kInherited, u" [Generic all](10000000)", 0},
        {kGlyphDeny, 0x00, kFile, 0x200, kGlyphDeny, u" ", 0},   // no name: no text
    };
    for (auto& c : cases) {
        bool inherited = c.flags & 0x10;
        const char16_t* word = c.glyph == kGlyphAllow ? u"Allow" : u"Deny";
        uint32_t kind = c.glyph == kGlyphAllow ? kKindAllowAce : kKindDenyAce, param = MakeItemParam(kGroup, kind);
        int glyph = c.glyph;
        std::u16string text = Written([&](TextWriter* w) {
            return AceLineText(w, word, u"C:\\d", kUsers.data(), c.flags, c.attributes, c.mask, &param, &glyph);
        });
        EXPECT_EQ(text, word + std::u16string(inherited ? u"(inherit)" : u"") + u" : BUILTIN\\Users : " + c.tail);
        EXPECT_EQ(glyph, c.expectedGlyph) << Narrow(text);
        EXPECT_EQ(param, MakeItemParam(kGroup, inherited ? kKindInherited : kind) | c.bits) << Narrow(text);
    }
    // Lookups ask the server of a UNC path, once per SID and server in a fill;
    // a SID the lookup and the string form both fail on is an "Unknown account".
    fake.sidStrings = false;
    fake.lookupSystems.clear();
    for (const char16_t* path :
         {u"\\\\files\\share\\dir", u"\\\\files", u"\\", u"D:\\local", u"E:\\x", u"\\\\other\\s"})
        EXPECT_EQ(Written([&](TextWriter* w) { return AccountNameOfSid(w, kLost.data(), path); }), u"Unknown account");
    ClearAccountTexts();   // the next fill
    Written([&](TextWriter* w) { return AccountNameOfSid(w, kLost.data(), u"D:\\"); });
    EXPECT_EQ(fake.lookupSystems,
              (std::vector<std::u16string>{u"\\\\files", u"\\", u"", u"\\\\other", u""}));
}

// The one open and the separate queries give the same signature bytes and
// nodes, for crafted parts, failed parts, a failed open and no privilege.
TEST(ReadPathSecurity, OneOpenAndSeparateQueriesAgree) {
    Everything e;
    Bytes noOwner = OwnerPart(kAdmins);
    noOwner[4] = 0;   // owner offset 0: no SID, "Unknown account"
    Bytes badAcl = DaclPart(e.dacl);
    badAcl[22] = 0xFF;   // the ACL claims more than the buffer holds
    std::map<uint32_t, Bytes> all = e.paths[kPath];
    std::vector<std::map<uint32_t, Bytes>> cases = {
        all,
        {{kOwnerInformation, OwnerPart(kUsers, true)}, {kDaclInformation, MakeDescriptor(0x0004, {}, {}, {})}},
        {{kOwnerInformation, noOwner}, {kDaclInformation, badAcl}, {kLabelInformation, SaclPart(MakeAcl({}))}},
        {{kSaclInformation, e.paths[kPath][kSaclInformation]}, {kLabelInformation, MakeDescriptor(0, {}, {}, {})}},
        {},   // the open works, every query fails
    };
    for (size_t c = 0; c <= cases.size(); c++)   // the last: the open fails, as does every query
        for (bool privilege : {true, false}) {
            std::string ways[2];
            for (bool oneOpen : {false, true}) {
                e.paths.clear();
                if (c < cases.size()) e.paths[kPath] = cases[c];
                e.attributes[kPath] = c == 1 ? 0x21 : 0x10;
                e.oneOpen = oneOpen, e.privilegeWorks = privilege;
                FakeTree tree;
                for (int i = 0; i < 2; i++) AddPath(&tree.sink, kPath, kAttributesInOpen);
                FlushGroupRootTexts(&tree.sink);
                GroupSnapshot g;
                ASSERT_TRUE(ReadGroup(0, &g));
                ways[oneOpen] = tree.Dump() + Narrow(std::u16string(g.signature, g.signature + g.signatureLength));
                ClearGroups();
            }
            EXPECT_EQ(ways[0], ways[1]) << c << privilege;
        }
}
