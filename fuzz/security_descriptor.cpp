// Arbitrary bytes as the answer to every descriptor query: the reader and the
// tree builder must stay inside the bytes, grouping must hold together, and
// the reports must render what the group kept.
#include <string.h>

#include "report/json_report.h"
#include "report/tree_text.h"
#include "security/groups.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > kDescriptorBufferBytes + 4) return 0;
    fake_security::ScopedFakeSecurity fake;
    const char16_t* path = u"\\\\srv\\s\\x";   // a UNC path: lookups on its server
    for (uint32_t part : {kOwnerInformation, kDaclInformation, kSaclInformation, kLabelInformation})
        fake.paths[path][part].assign(data + 4, data + size);
    uint32_t attributes;
    memcpy(&attributes, data, 4);
    // The same path twice: the second add must merge into the first group.
    FakeTree tree;
    for (int i = 0; i < 2; i++) AddPath(&tree.sink, path, attributes);
    GroupSnapshot group;
    if (GroupCount() != 1 || !ReadGroup(0, &group) || group.pathCount != 2) __builtin_trap();
    // The reports render the kept bytes again.
    ReportOut* out = new ReportOut;
    ReportOutInit(out, ReportTarget{nullptr, [](void*, const char16_t*, uint32_t) { return true; }});
    const WalkGaps noGaps = {nullptr, 0};
    WriteJsonReport(out, &noGaps);
    WriteReportLines(out);
    OutFlush(out, true);
    delete out;
    ClearGroups();
    return 0;
}
