#include <gtest/gtest.h>

#include "security/descriptor.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kUsers = MakeSid(5, {32, 545});

// The ACEs a walk reaches, by type.
std::vector<uint8_t> WalkTypes(const AclView& acl) {
    std::vector<uint8_t> types;
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    AceView ace;
    while (NextAce(&cursor, &ace)) types.push_back(ace.type);
    return types;
}

bool DaclReadable(const Bytes& sd) {
    bool present;
    AclView acl;
    return ReadDescriptorDacl(sd.data(), (uint32_t)sd.size(), &present, &acl);
}

void SetU16(Bytes* b, size_t at, uint32_t v) {
    (*b)[at] = (uint8_t)v;
    (*b)[at + 1] = (uint8_t)(v >> 8);
}

}  // namespace

TEST(Descriptor, ReadsOwnerFlagsAndAclsOfWellFormedParts) {
    Bytes sd = OwnerPart(kUsers, true);
    const uint8_t* sid = nullptr;
    bool defaulted = false;
    ASSERT_TRUE(ReadDescriptorOwner(sd.data(), (uint32_t)sd.size(), &sid, &defaulted));
    EXPECT_TRUE(defaulted);
    ASSERT_NE(sid, nullptr);
    EXPECT_EQ(Bytes(sid, sid + SidLength(sid)), kUsers);

    Bytes none = MakeDescriptor(0, nullptr, nullptr, nullptr);
    ASSERT_TRUE(ReadDescriptorOwner(none.data(), (uint32_t)none.size(), &sid, &defaulted));
    EXPECT_EQ(sid, nullptr);
    EXPECT_FALSE(defaulted);

    Bytes acl = MakeAcl({MakeAce(0, 0, 1, kUsers), MakeRawAce(5, 0, Bytes(36, 0)), MakeAce(1, 0, 2, kUsers)});
    Bytes dacl = DaclPart(acl);
    bool present = false;
    AclView view;
    ASSERT_TRUE(ReadDescriptorDacl(dacl.data(), (uint32_t)dacl.size(), &present, &view));
    EXPECT_TRUE(present);
    EXPECT_EQ(WalkTypes(view), (std::vector<uint8_t>{0, 5, 1}));

    // Present without an ACL is a null DACL; absent is not present.
    Bytes nullDacl = MakeDescriptor(0x0004, nullptr, nullptr, nullptr);
    ASSERT_TRUE(ReadDescriptorDacl(nullDacl.data(), (uint32_t)nullDacl.size(), &present, &view));
    EXPECT_TRUE(present);
    EXPECT_EQ(view.acl, nullptr);
    EXPECT_TRUE(WalkTypes(view).empty());
    Bytes noDacl = MakeDescriptor(0, nullptr, nullptr, &acl);
    ASSERT_TRUE(ReadDescriptorDacl(noDacl.data(), (uint32_t)noDacl.size(), &present, &view));
    EXPECT_FALSE(present);

    // The label query's result is read through the SACL fields.
    Bytes label = SaclPart(MakeAcl({MakeAce(0x11, 0, 1, MakeSid(16, {0x2000}))}));
    ASSERT_TRUE(ReadDescriptorSacl(label.data(), (uint32_t)label.size(), &present, &view));
    EXPECT_TRUE(present);
    EXPECT_EQ(WalkTypes(view), (std::vector<uint8_t>{0x11}));
}

TEST(Descriptor, WalkStopsWhereGetAceWould) {
    // More ACEs counted than the ACL holds: the walk ends at the ACL's end.
    Bytes acl = MakeAcl({MakeAce(0, 0, 1, kUsers), MakeAce(1, 0, 1, kUsers)}, 5);
    Bytes sd = DaclPart(acl);
    bool present;
    AclView view;
    ASSERT_TRUE(ReadDescriptorDacl(sd.data(), (uint32_t)sd.size(), &present, &view));
    EXPECT_EQ(WalkTypes(view).size(), 2u);

    // Fewer counted than present: only the counted ones.
    Bytes fewer = DaclPart(MakeAcl({MakeAce(0, 0, 1, kUsers), MakeAce(1, 0, 1, kUsers)}, 1));
    ASSERT_TRUE(ReadDescriptorDacl(fewer.data(), (uint32_t)fewer.size(), &present, &view));
    EXPECT_EQ(WalkTypes(view), (std::vector<uint8_t>{0}));

    // An empty ACL is readable and has no ACE.
    Bytes empty = DaclPart(MakeAcl({}));
    ASSERT_TRUE(ReadDescriptorDacl(empty.data(), (uint32_t)empty.size(), &present, &view));
    EXPECT_TRUE(WalkTypes(view).empty());
}

TEST(Descriptor, MalformedPartsAreUnreadable) {
    Bytes acl = MakeAcl({MakeAce(0, 0, 1, kUsers)});
    Bytes good = DaclPart(acl);
    ASSERT_TRUE(DaclReadable(good));
    const size_t aclAt = 20, aceAt = 28;

    EXPECT_FALSE(DaclReadable(Bytes(good.begin(), good.begin() + 19)));   // header cut
    Bytes notSelfRelative = good;
    notSelfRelative[3] = 0;
    EXPECT_FALSE(DaclReadable(notSelfRelative));

    Bytes offsetOutside = good;
    offsetOutside[16] = 0xF0;
    EXPECT_FALSE(DaclReadable(offsetOutside));
    Bytes offsetHuge = good;
    offsetHuge[19] = 0xFF;   // offset + size would wrap a 32-bit sum
    EXPECT_FALSE(DaclReadable(offsetHuge));

    Bytes aclPastBuffer = good;
    SetU16(&aclPastBuffer, aclAt + 2, (uint32_t)acl.size() + 4);
    EXPECT_FALSE(DaclReadable(aclPastBuffer));
    Bytes aclTooSmall = good;
    SetU16(&aclTooSmall, aclAt + 2, 4);
    EXPECT_FALSE(DaclReadable(aclTooSmall));

    Bytes aceTooSmall = good;
    SetU16(&aceTooSmall, aceAt + 2, 2);
    EXPECT_FALSE(DaclReadable(aceTooSmall));
    Bytes aceZero = good;
    SetU16(&aceZero, aceAt + 2, 0);   // would never advance
    EXPECT_FALSE(DaclReadable(aceZero));
    Bytes acePastAcl = good;
    SetU16(&acePastAcl, aceAt + 2, 28);
    EXPECT_FALSE(DaclReadable(acePastAcl));
    Bytes aceOdd = good;
    SetU16(&aceOdd, aceAt + 2, 18);
    EXPECT_FALSE(DaclReadable(aceOdd));

    // An allow ACE too small for its mask and SID, or whose SID claims more
    // sub-authorities than the ACE holds.
    Bytes shortAllow = DaclPart(MakeAcl({MakeRawAce(0, 0, {1, 0, 0, 0})}));
    EXPECT_FALSE(DaclReadable(shortAllow));
    Bytes sidTooLong = good;
    sidTooLong[aceAt + 9] = 9;
    EXPECT_FALSE(DaclReadable(sidTooLong));

    // ACE header cut by the end of the ACL.
    Bytes partialHeader = DaclPart(MakeAcl({MakeAce(0, 0, 1, kUsers)}, 2));
    SetU16(&partialHeader, aclAt + 2, (uint32_t)acl.size() + 2);
    partialHeader.push_back(0);
    partialHeader.push_back(0);
    EXPECT_FALSE(DaclReadable(partialHeader));

    // An owner SID running past the buffer.
    Bytes owner = OwnerPart(kUsers);
    owner[21] = 40;
    const uint8_t* sid;
    bool defaulted;
    EXPECT_FALSE(ReadDescriptorOwner(owner.data(), (uint32_t)owner.size(), &sid, &defaulted));
    Bytes ownerCut(owner.begin(), owner.begin() + 24);
    EXPECT_FALSE(ReadDescriptorOwner(ownerCut.data(), (uint32_t)ownerCut.size(), &sid, &defaulted));
}
