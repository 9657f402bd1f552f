#include <gtest/gtest.h>
#include <map>

#include "security/ace_text.h"
#include "security/descriptor.h"
#include "security/groups.h"
#include "security/tree_builder.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kAdmins = MakeSid(5, {32, 544}), kUsers = MakeSid(5, {32, 545}), kEveryone = MakeSid(1, {0});
const char16_t kPath[] = u"C:\\data";

// The signature of a whole build: its length, then the sections.
Bytes Signature(std::vector<Bytes> sections) {
    Bytes body = Concat(sections);
    return Concat({U32((uint32_t)body.size() + 4), body});
}

// kPath's nodes under a fresh root, built as AddPath does.
struct Built {
    FakeTree tree;
    TreeItem root;
    Bytes signature;
    uint32_t length;
    explicit Built(uint32_t attributes, uint32_t group = 3) {
        root = tree.sink.insert(tree.sink.context, kTreeRoot, kPath, 3, MakeItemParam(group, 1));
        ByteBuffer buffer;
        ByteBufferInit(&buffer);
        uint32_t zero = 0;
        ByteBufferAppend(&buffer, &zero, 4);
        length = BuildSecurityNodes(&tree.sink, &buffer, kPath, root, attributes, group);
        if (buffer.data) signature.assign(buffer.data, buffer.data + buffer.used);
        ByteBufferFree(&buffer);
    }
};

struct Everything : ScopedFakeSecurity {
    Bytes allowAll = MakeAce(0, 0x03, 0x001F01FF, kAdmins), denyWrite = MakeAce(1, 0x00, 2, kEveryone);
    Bytes inheritedRead = MakeAce(0, 0x1B, 0x001200A9, kUsers), objectAce = MakeRawAce(5, 0, Bytes(36, 0));
    Bytes auditBoth = MakeAce(2, 0xC0, 0x00010000, kEveryone), auditFailed = MakeAce(2, 0x80, 0x001F01FF, kUsers);
    Bytes alarm = MakeRawAce(3, 0, Bytes(4, 0)), label = MakeAce(0x11, 0, 1, MakeSid(16, {0x2000}));
    Bytes foreign = MakeAce(0, 0, 1, kUsers);
    Everything() {
        accounts = {
            {kAdmins, {u"Administrators", u"BUILTIN"}}, {kUsers, {u"Users", u"BUILTIN"}}, {kEveryone, {u"Everyone", u""}}};
        paths[kPath] = {{kOwnerInformation, OwnerPart(kAdmins)},
                             {kDaclInformation, DaclPart(MakeAcl({allowAll, denyWrite, inheritedRead, objectAce}))},
                             {kSaclInformation, SaclPart(MakeAcl({auditBoth, auditFailed, alarm}))},
                             {kLabelInformation, SaclPart(MakeAcl({label, foreign}))}};
    }
};

}  // namespace

TEST(BuildSecurityNodes, FullSubtreeOfAFolderWithItsSignature) {
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
              "    unknown type(0x0): [18] ke\n");
    // Attributes stay collapsed, AddPath expands the root; scope bits only on
    // explicit folder ACEs.
    std::vector<uint32_t> seen;
    for (TreeItem t : b.tree.Children(b.root)) seen.push_back(b.tree.node(t).expanded);
    for (TreeItem t : b.tree.Children(b.tree.Children(b.root)[2])) seen.push_back(b.tree.node(t).param >> 16);
    EXPECT_EQ(seen, (std::vector<uint32_t>{0, 0, 1, 1, 1, 0xE00b, 0x800c, 0x0f, 0x0e}));
    EXPECT_FALSE(b.tree.node(b.root).expanded);
    EXPECT_EQ(b.signature, Signature({U32(0x10), U32(0), kAdmins, U32(1), e.allowAll, e.denyWrite, e.inheritedRead,
                                      e.objectAce, U32(1), e.auditBoth, e.auditFailed, e.alarm, U32(1), e.label,
                                      e.foreign}));
    EXPECT_EQ(b.length, b.signature.size());
    // The privilege is on only around the SACL read, and off again at the end.
    EXPECT_EQ(e.privilegeCalls, (std::vector<bool>{true, false, false}));

    // Without the privilege the auditing stage is left out, signature and all.
    e.privilegeWorks = false;
    Built quiet(0x20);
    EXPECT_EQ(quiet.tree.Dump().find("uditing"), std::string::npos);
    EXPECT_EQ(quiet.signature, Signature({U32(0x20), U32(0), kAdmins, U32(1), e.allowAll, e.denyWrite,
                                          e.inheritedRead, e.objectAce, U32(1), e.label, e.foreign}));
}

TEST(BuildSecurityNodes, AttributeLettersAndBoxes) {
    ScopedFakeSecurity fake;
    const std::string boxes = "    Readonly [12] k2\n    Hidden [12] k3\n    System attribute [12] k4\n";
    struct { uint32_t attributes; std::string nodes; } cases[] = {
        {0x20, "  attributes [A] [1] k0\n    Readonly [10] k2\n    Hidden [10] k3\n"},
        {0x27, "  attributes [RASH] [1] k0\n" + boxes},
        {0x7C37, "  attributes [RASHPOICe] [1] k0\n" + boxes + "    Symbolic link, Junction, Reparse point [12] k5\n"
                     "    Compressed [12] k6\n    Encrypted [12] k7\n"},
        {0xFFFFFFFF, "  unknown attributes [14] k0\n"},
    };
    for (const auto& c : cases) {
        Built b(c.attributes);
        EXPECT_EQ(b.tree.Dump(), "C:\\data [3] k1\n" + c.nodes + "  unknown ownership [14] k8\n  unknown permissions "
                                 "[14] ka\n  unknown auditing [14] k0\n  unknown integrity level [14] k0\n");
        EXPECT_EQ(b.signature, Signature({U32(c.attributes)}));   // failed queries add nothing
        EXPECT_TRUE(b.tree.node(b.root).expanded);
    }
}

// Each row answers one query (the others fail) with the node that replaces
// that stage's failure node; a malformed part leaves the failure node.
TEST(BuildSecurityNodes, StageVariantsAndMalformedParts) {
    ScopedFakeSecurity fake;
    std::map<uint32_t, std::string> failed = {
        {kOwnerInformation, "  unknown ownership [14] k8\n"}, {kDaclInformation, "  unknown permissions [14] ka\n"},
        {kSaclInformation, "  unknown auditing [14] k0\n"}, {kLabelInformation, "  unknown integrity level [14] k0\n"}};
    Bytes deleted = MakeSid(5, {21, 9, 9, 9, 500}), empty = MakeAcl({});
    Bytes badOwner = OwnerPart(kAdmins), shortAce = DaclPart(MakeAcl({MakeAce(0, 0, 1, kUsers)}));
    Bytes cutSacl = SaclPart(MakeAcl({MakeAce(2, 0x40, 1, kUsers)}));
    badOwner[4] = 0xFC;                   // owner offset outside the buffer
    shortAce[30] = 2;                     // ACE shorter than its header
    cutSacl.resize(cutSacl.size() - 4);   // ACE runs past the buffer
    struct { uint32_t information; Bytes part; const char* nodes; Bytes tail; } cases[] = {
        {kOwnerInformation, OwnerPart(kAdmins, true), "  Ownership : Inherit [16] k8\n", U32(1)},
        {kOwnerInformation, OwnerPart(deleted), "  Ownership : S-1-5-21-9-9-9-500 [15] k8\n", Concat({U32(0), deleted})},
        // No owner SID and not defaulted: a sound node, only the flag signed.
        {kOwnerInformation, MakeDescriptor(0, {}, {}, {}), "  Ownership : Unknown account [15] k8\n", U32(0)},
        {kDaclInformation, MakeDescriptor(0, {}, {}, empty), "", U32(0)},
        {kDaclInformation, MakeDescriptor(0x0004, {}, {}, {}), "  unset permissions [18] k9\n", U32(1)},
        {kDaclInformation, DaclPart(empty), "  Permissions [18] ka\n", U32(1)},
        {kSaclInformation, MakeDescriptor(0, {}, {}, {}), "  no auditing [27] k9\n", U32(0)},
        {kSaclInformation, MakeDescriptor(0x0010, {}, {}, {}), "  no auditing [27] k9\n", U32(1)},
        {kLabelInformation, MakeDescriptor(0x0010, {}, {}, {}), "  no integrity level [19] k10\n", U32(1)},
        {kOwnerInformation, badOwner, nullptr, {}}, {kDaclInformation, shortAce, nullptr, {}},
        {kSaclInformation, cutSacl, nullptr, {}},
    };
    Built failing(0x20);
    for (const auto& c : cases) {
        fake.paths[kPath] = {{c.information, c.part}};
        Built b(0x20);
        std::string expected = failing.tree.Dump(), replaced = failed[c.information];
        expected.replace(expected.find(replaced), replaced.size(), c.nodes ? c.nodes : replaced);
        EXPECT_EQ(b.tree.Dump(), expected);
        EXPECT_EQ(b.signature, Signature({U32(0x20), c.tail})) << expected;
    }
}

TEST(BuildSecurityNodes, FailedAppendGivesZeroButKeepsTheNodesAndTextsStayBounded) {
    Everything e;
    e.accounts[kAdmins] = {std::u16string(1023, u'n'), std::u16string(1023, u'd')};
    Built full(0x10);
    size_t longest = 0;
    for (const FakeNode& n : full.tree.nodes) longest = std::max(longest, n.text.size());
    EXPECT_EQ(longest, kNodeTextUnits - 1);
    ScopedHeapFault heap(0);
    Built b(0x10);
    EXPECT_EQ(b.length, 0u);
    EXPECT_EQ(b.tree.Dump(), full.tree.Dump());
}

// The types of the ACEs a DACL walk reaches; "x" when the DACL is unreadable.
std::string DaclWalk(const Bytes& sd) {
    bool present;
    AclView acl;
    if (!ReadDescriptorDacl(sd.data(), (uint32_t)sd.size(), &present, &acl)) return "x";
    std::string types;
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    for (AceView ace; NextAce(&cursor, &ace);) types += (char)('0' + ace.type);
    return types;
}

TEST(Descriptor, WalkStopsWhereGetAceWould) {
    Bytes allow = MakeAce(0, 0, 1, kUsers), deny = MakeAce(1, 0, 2, kUsers), object = MakeRawAce(5, 0, Bytes(36, 0));
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({allow, object, deny}))), "051");
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({allow, deny}, 5))), "01");   // the ACL ends first
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({allow, deny}, 1))), "0");    // only the counted ones
}

TEST(Descriptor, MalformedPartsAreUnreadable) {
    const Bytes good = DaclPart(MakeAcl({MakeAce(0, 0, 1, kUsers)}));   // ACL at 20, its ACE at 28
    ASSERT_EQ(DaclWalk(good), "0");
    // 16-bit values at byte offsets: not self-relative; ACL offset outside, or
    // wrapping a 32-bit sum; AclSize past the buffer or below its header;
    // AceSize below its header, zero, past the ACL, not whole DWORDs; a SID
    // with more sub-authorities than the ACE holds.
    std::pair<size_t, uint32_t> cases[] = {{2, 0x0004}, {16, 0xF0}, {18, 0xFF00}, {22, 40}, {22, 4}, {30, 2},
                                           {30, 0},     {30, 28},   {30, 18},     {36, 0x0901}};
    for (auto [at, value] : cases) {
        Bytes bad = good;
        bad[at] = (uint8_t)value, bad[at + 1] = (uint8_t)(value >> 8);
        EXPECT_EQ(DaclWalk(bad), "x") << at << " " << value;
    }
    // The header cut; an allow ACE too small for its mask and SID; an ACE
    // header cut by the end of the ACL.
    EXPECT_EQ(DaclWalk(Bytes(good.begin(), good.begin() + 19)), "x");
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({MakeRawAce(0, 0, {1, 0, 0, 0})}))), "x");
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({MakeAce(0, 0, 1, kUsers), {0, 0}}, 2))), "x");
    // An owner SID running past the buffer, or cut by its end.
    Bytes owner = OwnerPart(kUsers), ownerCut(owner.begin(), owner.begin() + 24);
    owner[21] = 40;
    const uint8_t* sid;
    bool defaulted;
    EXPECT_FALSE(ReadDescriptorOwner(owner.data(), (uint32_t)owner.size(), &sid, &defaulted));
    EXPECT_FALSE(ReadDescriptorOwner(ownerCut.data(), (uint32_t)ownerCut.size(), &sid, &defaulted));
}
