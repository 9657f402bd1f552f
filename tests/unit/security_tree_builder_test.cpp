#include <gtest/gtest.h>
#include <string.h>

#include "security/byte_buffer.h"
#include "security/groups.h"
#include "security/tree_builder.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"
#include "tests/unit/security_heap_fault.h"

using namespace fake_security;

namespace {

const Bytes kAdmins = MakeSid(5, {32, 544});
const Bytes kUsers = MakeSid(5, {32, 545});
const Bytes kEveryone = MakeSid(1, {0});
const Bytes kMedium = MakeSid(16, {0x2000});
const char16_t kPath[] = u"C:\\data";

struct Built {
    FakeTree tree;
    TreeItem root = 0;
    Bytes signature;
    uint32_t length = 0;
};

// Builds the nodes of kPath under a fresh root, as AddPath does.
void Build(Built* b, uint32_t attributes, uint32_t group = 3) {
    b->root = b->tree.sink.insert(b->tree.sink.context, kTreeRoot, kPath, 3, MakeItemParam(group, 1));
    ByteBuffer buffer;
    ByteBufferInit(&buffer);
    uint32_t zero = 0;
    ByteBufferAppend(&buffer, &zero, 4);
    b->length = BuildSecurityNodes(&b->tree.sink, &buffer, kPath, b->root, attributes, group);
    b->signature.assign(buffer.data, buffer.data + buffer.used);
    ByteBufferFree(&buffer);
}

Bytes U32(uint32_t v) {
    Bytes b;
    PutU32(&b, v);
    return b;
}

Bytes Concat(std::vector<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) PutBytes(&out, p);
    return out;
}

// The signature of a full build: L first, then the given sections.
Bytes Signature(std::vector<Bytes> sections) {
    Bytes body = Concat(sections);
    return Concat({U32((uint32_t)body.size() + 4), body});
}

struct Everything {
    ScopedFakeSecurity fake;
    Bytes allowAll = MakeAce(0, 0x03, 0x001F01FF, kAdmins);
    Bytes denyWrite = MakeAce(1, 0x00, 0x00000002, kEveryone);
    Bytes inheritedRead = MakeAce(0, 0x1B, 0x001200A9, kUsers);
    Bytes objectAce = MakeRawAce(5, 0x00, Bytes(36, 0));
    Bytes auditBoth = MakeAce(2, 0xC0, 0x00010000, kEveryone);
    Bytes auditFailed = MakeAce(2, 0x80, 0x001F01FF, kUsers);
    Bytes alarm = MakeRawAce(3, 0x00, Bytes(4, 0));
    Bytes label = MakeAce(0x11, 0x00, 0x1, kMedium);
    Bytes foreign = MakeAce(0, 0x00, 1, kUsers);

    Everything() {
        fake.fake.accounts[kAdmins] = {u"Administrators", u"BUILTIN"};
        fake.fake.accounts[kUsers] = {u"Users", u"BUILTIN"};
        fake.fake.accounts[kEveryone] = {u"Everyone", u""};
        PathSecurity& s = fake.fake.paths[kPath];
        s.parts[kOwnerInformation] = OwnerPart(kAdmins);
        s.parts[kDaclInformation] = DaclPart(MakeAcl({allowAll, denyWrite, inheritedRead, objectAce}));
        s.parts[kSaclInformation] = SaclPart(MakeAcl({auditBoth, auditFailed, alarm}));
        s.parts[kLabelInformation] = SaclPart(MakeAcl({label, foreign}));
    }
};

}  // namespace

TEST(BuildSecurityNodes, FullSubtreeOfAFolderWithItsSignature) {
    Everything e;
    Built b;
    Build(&b, 0x10);
    EXPECT_EQ(b.tree.Dump(),
              "C:\\data [3] k1\n"
              "  attributes [] [1] k0\n"
              "    Readonly [10] k2\n"
              "    Hidden [10] k3\n"
              "  Ownership : BUILTIN\\Administrators [15] k8\n"
              "  Permissions [18] ka\n"
              "    Allow : BUILTIN\\Administrators : (all) Full Control [30] kb\n"
              "    Deny : Everyone : (this folder) Create Files / Write Data(0002) [44] kc\n"
              "    Allow(inherit) : BUILTIN\\Users : (inherit subfolder)(inherit file) Read & Execute [47] kf\n"
              "    unknown type(0x5): [18] ke\n"
              "  Auditing [27] k0\n"
              "    Sucessful : Everyone : (this folder) Delete(10000) [21] kd\n"
              "    Failed : BUILTIN\\Users : (this folder) Full Control [24] kd\n"
              "    unknown type(0x3): [18] ke\n"
              "  Integrity level [19] k10\n"
              "    Medium : (this folder) (No write up) [24] k10\n"
              "    unknown type(0x0): [18] ke\n");

    std::vector<TreeItem> top = b.tree.Children(b.root);
    ASSERT_EQ(top.size(), 5u);
    EXPECT_FALSE(b.tree.node(top[0]).expanded);   // attributes stay collapsed
    EXPECT_TRUE(b.tree.node(top[2]).expanded);
    EXPECT_TRUE(b.tree.node(top[3]).expanded);
    EXPECT_TRUE(b.tree.node(top[4]).expanded);
    EXPECT_FALSE(b.tree.node(b.root).expanded);   // AddPath expands the root

    // Group index in every node; scope bits only on explicit folder ACEs.
    std::vector<TreeItem> aces = b.tree.Children(top[2]);
    EXPECT_EQ(b.tree.node(aces[0]).param, MakeItemParam(3, 0x0b) | 0xE0000000u);
    EXPECT_EQ(b.tree.node(aces[1]).param, MakeItemParam(3, 0x0c) | 0x80000000u);
    EXPECT_EQ(b.tree.node(aces[2]).param, MakeItemParam(3, 0x0f));
    EXPECT_EQ(b.tree.node(top[1]).param, MakeItemParam(3, 8));

    Bytes expected = Signature({U32(0x10), U32(0), kAdmins, U32(1), e.allowAll, e.denyWrite, e.inheritedRead,
                                e.objectAce, U32(1), e.auditBoth, e.auditFailed, e.alarm, U32(1), e.label,
                                e.foreign});
    EXPECT_EQ(b.signature, expected);
    EXPECT_EQ(b.length, expected.size());

    // The privilege is on only around the SACL read, and off again at the end.
    EXPECT_EQ(e.fake.fake.privilegeCalls,
              (std::vector<std::pair<std::u16string, bool>>{
                  {u"SeSecurityPrivilege", true}, {u"SeSecurityPrivilege", false}, {u"SeSecurityPrivilege", false}}));
}

TEST(BuildSecurityNodes, AttributeLettersAndBoxes) {
    ScopedFakeSecurity fake;
    Built folder;
    Build(&folder, 0x10);
    Built many;
    Build(&many, 0x27);
    Built all;
    Build(&all, 0x7C37);
    Built unreadable;
    Build(&unreadable, 0xFFFFFFFF);
    auto attributesDump = [](const Built& b) {
        std::string d = b.tree.Dump();
        return d.substr(d.find('\n') + 1, d.find("  unknown ownership") - d.find('\n') - 1);
    };
    EXPECT_EQ(attributesDump(folder), "  attributes [] [1] k0\n    Readonly [10] k2\n    Hidden [10] k3\n");
    EXPECT_EQ(attributesDump(many),
              "  attributes [RASH] [1] k0\n    Readonly [12] k2\n    Hidden [12] k3\n    System attribute [12] k4\n");
    EXPECT_EQ(attributesDump(all),
              "  attributes [RASHPOICe] [1] k0\n    Readonly [12] k2\n    Hidden [12] k3\n"
              "    System attribute [12] k4\n    Symbolic link, Junction, Reparse point [12] k5\n"
              "    Compressed [12] k6\n    Encrypted [12] k7\n");
    EXPECT_EQ(attributesDump(unreadable), "  unknown attributes [14] k0\n");
    EXPECT_EQ(unreadable.signature, Signature({U32(0xFFFFFFFF)}));
}

TEST(BuildSecurityNodes, EveryQueryFailingShowsFailureNodesAndOnlyTheAttributes) {
    ScopedFakeSecurity fake;
    Built b;
    Build(&b, 0x20);
    EXPECT_EQ(b.tree.Dump(),
              "C:\\data [3] k1\n"
              "  attributes [A] [1] k0\n"
              "    Readonly [10] k2\n"
              "    Hidden [10] k3\n"
              "  unknown ownership [14] k8\n"
              "  unknown permissions [14] ka\n"
              "  unknown auditing [14] k0\n"
              "  unknown integrity level [14] k0\n");
    EXPECT_TRUE(b.tree.node(b.root).expanded);
    EXPECT_EQ(b.signature, Signature({U32(0x20)}));
}

TEST(BuildSecurityNodes, WithoutThePrivilegeTheAuditingStageIsSkipped) {
    Everything e;
    e.fake.fake.privilegeWorks = false;
    Built b;
    Build(&b, 0x20);
    std::string dump = b.tree.Dump();
    EXPECT_EQ(dump.find("Auditing"), std::string::npos);
    EXPECT_EQ(dump.find("auditing"), std::string::npos);
    EXPECT_NE(dump.find("  Integrity level [19] k10\n    Medium :  (No write up) [24] k10\n"), std::string::npos);
    Bytes expected = Signature({U32(0x20), U32(0), kAdmins, U32(1), e.allowAll, e.denyWrite, e.inheritedRead,
                                e.objectAce, U32(1), e.label, e.foreign});
    EXPECT_EQ(b.signature, expected);
    EXPECT_EQ(e.fake.fake.privilegeCalls,
              (std::vector<std::pair<std::u16string, bool>>{{u"SeSecurityPrivilege", true},
                                                             {u"SeSecurityPrivilege", false}}));
}

TEST(BuildSecurityNodes, OwnerVariants) {
    ScopedFakeSecurity fake;
    PathSecurity& s = fake.fake.paths[kPath];

    s.parts[kOwnerInformation] = OwnerPart(kAdmins, true);
    Built defaulted;
    Build(&defaulted, 0x20);
    EXPECT_NE(defaulted.tree.Dump().find("  Ownership : Inherit [16] k8\n"), std::string::npos);
    EXPECT_EQ(defaulted.signature, Signature({U32(0x20), U32(1)}));

    s.parts[kOwnerInformation] = OwnerPart(MakeSid(5, {21, 9, 9, 9, 500}));
    Built deleted;
    Build(&deleted, 0x20);
    EXPECT_NE(deleted.tree.Dump().find("  Ownership : S-1-5-21-9-9-9-500 [15] k8\n"), std::string::npos);

    // Read without an owner SID and not defaulted: a sound node, and only the
    // flag in the signature.
    s.parts[kOwnerInformation] = MakeDescriptor(0, nullptr, nullptr, nullptr);
    Built none;
    Build(&none, 0x20);
    EXPECT_NE(none.tree.Dump().find("  Ownership : Unknown account [15] k8\n"), std::string::npos);
    EXPECT_EQ(none.signature, Signature({U32(0x20), U32(0)}));
}

TEST(BuildSecurityNodes, PermissionAndAuditingVariants) {
    ScopedFakeSecurity fake;
    PathSecurity& s = fake.fake.paths[kPath];
    struct Case {
        Bytes dacl;
        const char* node;
        Bytes signatureTail;
    };
    Bytes empty = MakeAcl({});
    std::vector<Case> cases = {
        {MakeDescriptor(0, nullptr, nullptr, &empty), "", U32(0)},   // no DACL at all
        {MakeDescriptor(0x0004, nullptr, nullptr, nullptr), "  unset permissions [18] k9\n", U32(1)},
        {DaclPart(empty), "  Permissions [18] ka\n", U32(1)},
    };
    for (const Case& c : cases) {
        s.parts[kDaclInformation] = c.dacl;
        Built b;
        Build(&b, 0x20);
        EXPECT_EQ(b.tree.Dump(),
                  "C:\\data [3] k1\n  attributes [A] [1] k0\n    Readonly [10] k2\n    Hidden [10] k3\n"
                  "  unknown ownership [14] k8\n" +
                      std::string(c.node) + "  unknown auditing [14] k0\n  unknown integrity level [14] k0\n");
        EXPECT_EQ(b.signature, Signature({U32(0x20), c.signatureTail}));
        EXPECT_TRUE(b.tree.node(b.root).expanded);
    }

    s.parts.erase(kDaclInformation);
    s.parts[kSaclInformation] = MakeDescriptor(0, nullptr, nullptr, nullptr);
    s.parts[kLabelInformation] = MakeDescriptor(0x0010, nullptr, nullptr, nullptr);
    Built quiet;
    Build(&quiet, 0x20);
    std::string dump = quiet.tree.Dump();
    EXPECT_NE(dump.find("  no auditing [27] k9\n  no integrity level [19] k10\n"), std::string::npos);
    EXPECT_EQ(quiet.signature, Signature({U32(0x20), U32(0), U32(1)}));
}

TEST(BuildSecurityNodes, MalformedPartsCountAsFailedQueries) {
    Everything e;
    PathSecurity& s = e.fake.fake.paths[kPath];
    Bytes dacl = s.parts[kDaclInformation];
    dacl[20 + 8 + 2] = 2;   // first ACE shorter than its header
    s.parts[kDaclInformation] = dacl;
    Bytes owner = s.parts[kOwnerInformation];
    owner[4] = 0xFC;        // owner offset outside the buffer
    s.parts[kOwnerInformation] = owner;
    Bytes sacl = s.parts[kSaclInformation];
    sacl.resize(sacl.size() - 4);   // last ACE runs past the buffer
    s.parts[kSaclInformation] = sacl;
    Built b;
    Build(&b, 0x20);
    std::string dump = b.tree.Dump();
    EXPECT_NE(dump.find("  unknown ownership [14] k8\n  unknown permissions [14] ka\n  unknown auditing [14] k0\n"),
              std::string::npos);
    EXPECT_NE(dump.find("  Integrity level [19] k10\n"), std::string::npos);
    EXPECT_EQ(b.signature, Signature({U32(0x20), U32(1), e.label, e.foreign}));
}

TEST(BuildSecurityNodes, GroupIndexesThatItemParamsCannotHoldBecomeNoGroup) {
    Everything e;
    for (uint32_t group : {0xFFFFu, 0x10000u, 0x12345u}) {
        Built b;
        Build(&b, 0x10, group);
        for (const FakeNode& n : b.tree.nodes)
            if (&n != &b.tree.node(b.root)) EXPECT_EQ(ItemGroup(n.param), kNoGroup) << Narrow(n.text);
    }
    Built low;
    Build(&low, 0x10, 0xFFFE);
    for (const FakeNode& n : low.tree.nodes) EXPECT_EQ(ItemGroup(n.param), 0xFFFEu);
}

TEST(BuildSecurityNodes, FailedAppendGivesZeroButKeepsTheNodes) {
    Everything e;
    Built full;
    Build(&full, 0x10);
    {
        heap_fault::ScopedHeap heap(0);
        Built b;
        Build(&b, 0x10);
        EXPECT_EQ(b.length, 0u);
        EXPECT_EQ(b.tree.Dump(), full.tree.Dump());
    }
    // A refresh hands in an empty buffer and gets the length of what it wrote.
    Built refresh;
    refresh.root = refresh.tree.sink.insert(refresh.tree.sink.context, kTreeRoot, kPath, 3, MakeItemParam(0, 1));
    ByteBuffer scratch;
    ByteBufferInit(&scratch);
    EXPECT_EQ(BuildSecurityNodes(&refresh.tree.sink, &scratch, kPath, refresh.root, 0x10, 0), full.length - 4);
    ByteBufferFree(&scratch);
}

TEST(BuildSecurityNodes, OverlongPiecesAreCutToTheNodeBuffer) {
    Everything e;
    e.fake.fake.accounts[kAdmins] = {std::u16string(1023, u'n'), std::u16string(1023, u'd')};
    Built b;
    Build(&b, 0x10);
    size_t longest = 0;
    for (const FakeNode& n : b.tree.nodes) longest = std::max(longest, n.text.size());
    EXPECT_EQ(longest, 1039u);
}
