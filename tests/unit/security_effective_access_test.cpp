// Effective access over crafted owners and DACLs, whom a descriptor names,
// and SID strings as users type them.
#include <gtest/gtest.h>

#include "security/ace_text.h"
#include "security/descriptor_find.h"
#include "security/effective_access.h"
#include "security/typed_account.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kBob = MakeSid(5, {21, 1, 2, 3, 1001}), kAlice = MakeSid(5, {21, 1, 2, 3, 1002});
const Bytes kOwnerRights = MakeSid(3, {4});
const uint8_t kAllowCallback = 0x09;

// The DACL (or SACL) of a crafted descriptor, kept alive with it.
struct Dacl {
    Bytes sd;
    bool present = false;
    AclView acl = {};
    explicit Dacl(const Bytes& descriptor, bool sacl = false) : sd(descriptor) {
        EXPECT_TRUE((sacl ? ReadDescriptorSacl : ReadDescriptorDacl)(sd.data(), (uint32_t)sd.size(), &present, &acl));
    }
};
Dacl Entries(const std::vector<Bytes>& aces) { return Dacl(DaclPart(MakeAcl(aces))); }

// The evaluator's answer for bob, who also holds Users.
EffectiveAccess BobsAccess(const Dacl& dacl, const Bytes& owner = kAdmins) {
    ByteBuffer held;
    ByteBufferInit(&held);
    EXPECT_TRUE(SidListAddAccount(&held, kBob.data()) && SidListAdd(&held, kUsers.data()));
    EffectiveAccess access;
    EvaluateEffectiveAccess(owner.empty() ? nullptr : owner.data(), dacl.present, &dacl.acl, &held, &access);
    ByteBufferFree(&held);
    return access;
}
uint32_t Mask(const Dacl& dacl, const Bytes& owner = kAdmins) { return BobsAccess(dacl, owner).mask; }

}  // namespace

TEST(EffectiveAccess, FollowsTheSystemsRulesForMaximumAllowed) {
    // No DACL grants everything; an empty one nothing but the owner's rights.
    EXPECT_EQ(Mask(Dacl(MakeDescriptor(0x0004, {}, {}, {}))), kFileAllAccess);
    EXPECT_EQ(Mask(Dacl(MakeDescriptor(0, {}, {}, {}))), kFileAllAccess);
    EXPECT_EQ(Mask(Entries({})), 0u);
    EXPECT_EQ(Mask(Entries({}), kBob), 0x00060000u);
    // A deny takes what is not yet granted, wherever it stands among inherited entries.
    Bytes denyWrite = MakeAce(kAceDeny, 0, 0x00100116, kBob), allowAll = MakeAce(kAceAllow, kInheritedAce, 0x1F01FF, kUsers);
    EXPECT_EQ(Mask(Entries({denyWrite, allowAll})), 0x000F00E9u);
    EXPECT_EQ(Mask(Entries({allowAll, denyWrite})), kFileAllAccess);
    // Inherit-only entries and other accounts' entries play no part.
    EXPECT_EQ(Mask(Entries({MakeAce(kAceAllow, kInheritOnly | kObjectInherit, 0x1F01FF, kBob),
                            MakeAce(kAceAllow, 0, 0x1F01FF, kAlice), MakeAce(kAceAllow, 0, 0x20, kEveryone)})),
              0x20u);
    // Generic bits by the file mapping; what no entry can grant is dropped.
    EXPECT_EQ(Mask(Entries({MakeAce(kAceAllow, 0, 0xA0000000, kBob)})), 0x001200A9u);
    EXPECT_EQ(Mask(Entries({MakeAce(kAceAllow, 0, 0x13000000, kBob), MakeAce(kAceDeny, 0, 0x40000000, kBob)})),
              kFileAllAccess);
    // The owner's READ_CONTROL and WRITE_DAC come first, so no deny takes them...
    EXPECT_EQ(Mask(Entries({MakeAce(kAceDeny, 0, 0x1F01FF, kBob)}), kUsers), 0x00060000u);
    // ... unless an OWNER RIGHTS entry that takes part says what the owner gets.
    Bytes ownerRead = MakeAce(kAceAllow, 0, 0x00120089, kOwnerRights);
    EXPECT_EQ(Mask(Entries({ownerRead}), kBob), 0x00120089u);
    EXPECT_EQ(Mask(Entries({ownerRead}), kAlice), 0u);
    EXPECT_EQ(Mask(Entries({MakeAce(kAceAllow, kInheritOnly | kContainerInherit, 0x00120089, kOwnerRights)}), kBob),
              0x00060000u);
}

TEST(EffectiveAccess, NamesTheConditionalEntriesItCannotEvaluate) {
    Bytes callbackBob = MakeRawAce(kAllowCallback, 0, Concat({U32(0x1F01FF), kBob, {'a', 'r', 't', 'x'}}));
    Bytes callbackAlice = MakeRawAce(kAllowCallback, 0, Concat({U32(0x1F01FF), kAlice}));
    Bytes broken = MakeRawAce(kAllowCallback, 0, Concat({U32(0x1F01FF), {1, 5, 0, 0}}));   // SID past its end
    Dacl dacl = Entries({callbackAlice, callbackBob, MakeAce(kAceAllow, 0, 0x20, kUsers), broken});   // the entries' SIDs point into it
    EffectiveAccess access = BobsAccess(dacl);
    EXPECT_EQ(access.mask, 0x20u);
    ASSERT_EQ(access.skippedCount, 2u);
    EXPECT_TRUE(access.skipped[0].index == 1 && SidsEqual(access.skipped[0].sid, kBob.data()));
    EXPECT_TRUE(access.skipped[1].index == 3 && access.skipped[1].sid == nullptr);

    ScopedFakeSecurity fake;
    fake.accounts[kBob] = {u"bob", u"CORP"};
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    EffectiveAccessLine(&w, u"CORP\\bob", &access, u"C:\\x");
    EXPECT_EQ(std::u16string(text), u"Effective access of CORP\\bob: Traverse Folder / Execute File(0020) (0x20) "
                                    u"(local groups only) (entries not evaluated: CORP\\bob, Unknown account)");
    access = {0x1301BF, kAccessComputedByWindows, 0, {}};
    TextWriterInit(&w, text, kNodeTextUnits);
    EffectiveAccessLine(&w, u"bob", &access, u"C:\\x");
    EXPECT_EQ(std::u16string(text), u"Effective access of bob: Modify (0x1301bf) (computed by Windows)");
    TextWriterInit(&w, text, kNodeTextUnits);
    EffectiveRightsText(&w, 0);
    EXPECT_EQ(std::u16string(text), u"No access");
}

TEST(EffectiveAccess, ComposedDescriptorCarriesTheOwnerAsGroupAndTheDaclAsRead) {
    for (const Dacl& dacl : {Entries({MakeAce(kAceDeny, 0, 0x10000, kBob)}), Dacl(MakeDescriptor(0x0004, {}, {}, {}))}) {
        ByteBuffer sd;
        ByteBufferInit(&sd);
        ASSERT_TRUE(ComposeAccessDescriptor(kBob.data(), dacl.present, &dacl.acl, &sd));
        const uint8_t* owner;
        bool defaulted;
        Dacl composed(Bytes(sd.data, sd.data + sd.used));
        EXPECT_TRUE(ReadDescriptorOwner(sd.data, sd.used, &owner, &defaulted) && SidsEqual(owner, kBob.data()));
        EXPECT_TRUE(SidsEqual(sd.data + sd.data[8], kBob.data()));   // the group's offset
        EXPECT_TRUE(composed.present && composed.acl.size == dacl.acl.size && composed.acl.aceCount == dacl.acl.aceCount);
        EXPECT_EQ(Mask(composed, kBob), Mask(dacl, kBob));
        ByteBufferFree(&sd);
    }
}

namespace {

// A group's security from crafted owner, DACL and SACL parts; an empty part was not read.
struct Security {
    Bytes parts[kDescriptorPartCount];
    PathSecurity kept = {};
    Security(const Bytes& owner, const Bytes& dacl, const Bytes& sacl) : parts{owner, dacl, sacl, {}} {
        for (int p = 0; p < kDescriptorPartCount; p++)
            kept.read[p] = !parts[p].empty(), kept.bytes[p] = parts[p].data(), kept.size[p] = (uint32_t)parts[p].size();
    }
};

}  // namespace

TEST(DescriptorFind, MatchesSidsAsWrittenAndTellsExplicitAndProtectedDacls) {
    Bytes callbackAlice = MakeRawAce(kAllowCallback, kInheritedAce, Concat({U32(1), kAlice}));
    Bytes inheritedAcl = MakeAcl({MakeAce(kAceAllow, kInheritedAce, 1, kBob), MakeAce(kAceDeny, kInheritedAce, 1, kUsers),
                                  callbackAlice, MakeAce(kAceAllow, kInheritedAce, 1, kBob)});
    Dacl dacl(DaclPart(inheritedAcl));
    uint32_t index = 99;
    EXPECT_TRUE(FindSidInAcl(&dacl.acl, kBob.data(), 0, &index) && index == 0);
    EXPECT_TRUE(FindSidInAcl(&dacl.acl, kBob.data(), 1, &index) && index == 3);
    EXPECT_FALSE(FindSidInAcl(&dacl.acl, kBob.data(), 4, &index));

    Security group(OwnerPart(kAdmins), DaclPart(inheritedAcl), SaclPart(MakeAcl({MakeAce(kAceAudit, 0x80, 1, kEveryone)})));
    DescriptorPart part;
    auto found = [&](const Bytes& sid) { return FindSidInSecurity(&group.kept, sid.data(), &part, &index); };
    EXPECT_TRUE(found(kAdmins) && part == kOwnerPart);
    EXPECT_TRUE(found(kAlice) && part == kDaclPart && index == 2);
    EXPECT_TRUE(found(kEveryone) && part == kSaclPart && index == 0);
    // Membership is not expanded, and a part that was not read names no one.
    EXPECT_FALSE(found(MakeSid(5, {32, 546})));
    group.kept.read[kSaclPart] = false;
    EXPECT_FALSE(found(kEveryone));

    EXPECT_FALSE(SecurityHasExplicitPermissions(&group.kept) || SecurityInheritanceOff(&group.kept));
    Security own(OwnerPart(kAdmins), MakeDescriptor(0x1004, {}, {}, MakeAcl({MakeAce(kAceDeny, 0, 1, kBob)})), {});
    EXPECT_TRUE(SecurityHasExplicitPermissions(&own.kept) && SecurityInheritanceOff(&own.kept));
    Security empty(OwnerPart(kAdmins), DaclPart(MakeAcl({})), {});
    EXPECT_FALSE(SecurityHasExplicitPermissions(&empty.kept));

    // Effective access needs both owner and DACL.
    ByteBuffer held;
    ByteBufferInit(&held);
    ASSERT_TRUE(SidListAddAccount(&held, kAdmins.data()));
    EffectiveAccess access;
    EXPECT_TRUE(EvaluateSecurityAccess(&own.kept, &held, &access) && access.mask == 0x00060000u);
    own.kept.read[kOwnerPart] = false;
    EXPECT_FALSE(EvaluateSecurityAccess(&own.kept, &held, &access));
    ByteBufferFree(&held);
}

TEST(TypedAccount, ReadsStrictSidStringsAndLeavesNamesToTheSystem) {
    uint8_t sid[kMaxSidBytes];
    const std::vector<std::pair<std::u16string, Bytes>> sids = {
        {u"S-1-5-32-544", kAdmins}, {u"*s-1-5-32-544", kAdmins}, {u"S-1-1-0", kEveryone}, {u"S-1-5", MakeSid(5, {})},
        {u"S-1-5-21-4294967295-1-2-3-4-5-6-7-8-9-10-11-12-13", MakeSid(5, {21, 4294967295u, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13})},
        {u"S-1-0x0000000000FF-7", MakeSid(255, {7})}};
    for (const auto& [text, bytes] : sids) {
        EXPECT_EQ(ParseTypedAccount(text.c_str(), sid), kTypedSid) << Narrow(text);
        EXPECT_EQ(Bytes(sid, sid + SidLength(sid)), bytes) << Narrow(text);
    }
    Bytes big = {1, 1, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 1, 0, 0, 0};
    EXPECT_TRUE(ParseTypedAccount(u"S-1-0x123456789abc-1", sid) == kTypedSid && Bytes(sid, sid + 12) == big);
    for (const char16_t* name : {u"bob", u"CORP\\bob", u"s-admin", u"S-", u"Sam"})
        EXPECT_EQ(ParseTypedAccount(name, sid), kTypedName) << Narrow(name);
    for (const char16_t* bad : {u"", u"*", u"*bob", u"S-2-5", u"S-1-", u"S-1-5-", u"S-1-5--1", u"S-1-5-+1", u"S-1-5-1 ",
                                u"S-1-5-4294967296", u"S-1-4294967296", u"S-1-0x1234567890abc", u"S-1-0x", u"S-01x",
                                u"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", u"S-1-5-99999999999999999999"})
        EXPECT_EQ(ParseTypedAccount(bad, sid), kTypedInvalid) << Narrow(bad);
}
