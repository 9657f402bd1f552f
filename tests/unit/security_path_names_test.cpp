// Names the system would change on the way to a file are never opened.
#include <gtest/gtest.h>

#include "base/item_param.h"
#include "security/groups.h"
#include "security/path_names.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

// "victim." and "victim " reach "victim" once the full path is formed; read
// so, they would join its group and every command would run on it instead.
TEST(PathNames, NamesEndingInADotOrABlankAreUnknownNamesNeverReadAsTheirNeighbour) {
    ScopedFakeSecurity fake;
    FakeTree t;
    fake.paths[u"C:\\x\\victim"] = {{kOwnerInformation, OwnerPart(kAdmins)}};
    fake.fullForms = {{u"C:\\x\\victim.", u"C:\\x\\victim"}, {u"C:\\x\\d \\victim", u"C:\\x\\d\\victim"},
                      {u"rel", u"C:\\cwd.\\rel"}};   // the full form alone is altered
    AddPath(&t.sink, u"C:\\x\\victim", 0x20);
    for (const char16_t* name : {u"C:\\x\\victim.", u"C:\\x\\victim ", u"C:\\x\\d \\victim", u"C:\\x\\...", u"rel"}) {
        AddPath(&t.sink, name, 0x20);
        const FakeNode& root = t.node(t.Children(kTreeRoot).back());
        EXPECT_EQ(Narrow(root.text), "unknown name : " + Narrow(name));
        EXPECT_EQ(ItemGroup(root.param), kNoGroup);
    }
    FlushGroupRootTexts(&t.sink);
    EXPECT_EQ(Narrow(t.node(t.Children(kTreeRoot)[0]).text), "C:\\x\\victim");   // still a group of one
    for (const char16_t* name : {u"C:\\x\\.\\a", u"..\\a", u"C:\\x\\a.b", u"C:\\x\\ a", u"C:\\x\\d\\"})
        EXPECT_TRUE(IsPlainPathName(name)) << Narrow(name);
    ClearGroups();
}
