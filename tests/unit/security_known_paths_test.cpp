// A path the tree holds is never added again, however it is named.
#include <gtest/gtest.h>

#include <string>

#include "security/groups.h"
#include "security/known_paths.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

// A scan of a folder already read, or of its parent, names the same paths
// again: each would join its group once more and every command run twice.
TEST(KnownPaths, ASecondNamingOfAPathAddsNothingUntilTheGroupsAreCleared) {
    ScopedFakeSecurity fake;
    FakeTree t;
    fake.paths[u"C:\\a\u00e9"] = {{kOwnerInformation, OwnerPart(kAdmins)}};
    fake.fullForms = {{u"C:\\x\\..\\a\u00e9", u"C:\\a\u00e9"}, {u"c:\\A\u00c9", u"C:\\A\u00c9"}};
    EXPECT_TRUE(AddNewPath(&t.sink, u"C:\\a\u00e9", 0x20));
    for (const char16_t* same : {u"C:\\a\u00e9", u"c:\\A\u00c9", u"C:\\x\\..\\a\u00e9"})
        EXPECT_FALSE(AddNewPath(&t.sink, same, 0x20)) << Narrow(same);
    // A name the program does not open is known by the name as given.
    EXPECT_TRUE(AddNewPath(&t.sink, u"C:\\x\\*", 0xFFFFFFFF));
    EXPECT_FALSE(AddNewPath(&t.sink, u"C:\\X\\*", 0xFFFFFFFF));
    EXPECT_TRUE(AddNewPath(&t.sink, u"C:\\b", 0x20));
    FlushGroupRootTexts(&t.sink);
    EXPECT_EQ(t.Dump().find("(2)"), std::string::npos) << t.Dump();
    EXPECT_EQ(t.Children(kTreeRoot).size(), 3u);
    ClearGroups();   // a drop replaces the tree
    EXPECT_TRUE(AddNewPath(&t.sink, u"C:\\a\u00e9", 0x20));
    ClearGroups();
}

// Every path stays known through the table's and the keys' growth; a growth
// that fails records nothing, so the path is taken once memory is back.
TEST(KnownPaths, PathsStayKnownThroughGrowthAndAFailedGrowthRecordsNothing) {
    ScopedFakeSecurity fake;
    KnownPaths known = {};
    auto name = [](int i) { return u"C:\\f" + std::u16string(i % 7, u'x') + Wide(std::to_string(i)); };
    int i = 0;
    for (; i < 5000; i++) ASSERT_TRUE(RememberPath(&known, name(i).c_str()));
    for (int j = 0; j < 5000; j++) ASSERT_FALSE(RememberPath(&known, name(j).c_str()));
    {
        ScopedHeapFault heap(0);
        while (RememberPath(&known, name(i).c_str())) i++;
    }
    EXPECT_TRUE(RememberPath(&known, name(i).c_str()) && !RememberPath(&known, name(i - 1).c_str()));
    ForgetPaths(&known);
}
