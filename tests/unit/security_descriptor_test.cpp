#include <gtest/gtest.h>

#include "security/descriptor.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kUsers = MakeSid(5, {32, 545});

// The types of the ACEs a DACL walk reaches; "x" when the DACL is unreadable.
std::string DaclWalk(const Bytes& sd) {
    bool present;
    AclView acl;
    if (!ReadDescriptorDacl(sd.data(), (uint32_t)sd.size(), &present, &acl)) return "x";
    std::string types;
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    AceView ace;
    while (NextAce(&cursor, &ace)) types += (char)('0' + ace.type);
    return types;
}

}  // namespace

TEST(Descriptor, WalkStopsWhereGetAceWould) {
    Bytes allow = MakeAce(0, 0, 1, kUsers), deny = MakeAce(1, 0, 2, kUsers), object = MakeRawAce(5, 0, Bytes(36, 0));
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({allow, object, deny}))), "051");
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({allow, deny}, 5))), "01");   // the ACL ends first
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({allow, deny}, 1))), "0");    // only the counted ones
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({}))), "");
}

TEST(Descriptor, MalformedPartsAreUnreadable) {
    const Bytes good = DaclPart(MakeAcl({MakeAce(0, 0, 1, kUsers)}));   // ACL at 20, its ACE at 28
    ASSERT_EQ(DaclWalk(good), "0");
    const uint32_t kCut = 0x10000;
    struct {
        size_t at;        // of a 16-bit value, or the length to cut the bytes to
        uint32_t value;   // or kCut
    } cases[] = {
        {19, kCut},         // header cut
        {2, 0x0004},        // not self-relative
        {16, 0xF0},         // ACL offset outside
        {18, 0xFF00},       // offset + size would wrap a 32-bit sum
        {22, 40},           // AclSize past the buffer
        {22, 4},            // AclSize smaller than its header
        {30, 2},            // AceSize smaller than its header
        {30, 0},            // would never advance
        {30, 28},           // past the ACL
        {30, 18},           // not whole DWORDs
        {36, 0x0901},       // SID claims more sub-authorities than the ACE holds
    };
    for (auto& c : cases) {
        Bytes bad = good;
        if (c.value == kCut) bad.resize(c.at);
        else bad[c.at] = (uint8_t)c.value, bad[c.at + 1] = (uint8_t)(c.value >> 8);
        EXPECT_EQ(DaclWalk(bad), "x") << c.at << " " << c.value;
    }
    // An allow ACE too small for its mask and SID; an ACE header cut by the
    // end of the ACL.
    EXPECT_EQ(DaclWalk(DaclPart(MakeAcl({MakeRawAce(0, 0, {1, 0, 0, 0})}))), "x");
    Bytes partialHeader = DaclPart(MakeAcl({MakeAce(0, 0, 1, kUsers), {0, 0}}, 2));
    EXPECT_EQ(DaclWalk(partialHeader), "x");

    // An owner SID running past the buffer, or cut by its end.
    Bytes owner = OwnerPart(kUsers), ownerCut(owner.begin(), owner.begin() + 24);
    owner[21] = 40;
    const uint8_t* sid;
    bool defaulted;
    EXPECT_FALSE(ReadDescriptorOwner(owner.data(), (uint32_t)owner.size(), &sid, &defaulted));
    EXPECT_FALSE(ReadDescriptorOwner(ownerCut.data(), (uint32_t)ownerCut.size(), &sid, &defaulted));
}
