// Writes the JSON report of crafted descriptors and awkward names to stdout
// (UTF-8); check.py reads it with a real JSON parser.
#include <stdio.h>

#include "report/report_run.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

uint32_t Attributes(void*, const char16_t* name) { return std::u16string(name) == u"C:\\missing" ? 0xFFFFFFFF : 0x20; }
char* NoListFile(void*, const char16_t*, uint32_t*) { return nullptr; }
bool WriteOut(void*, const char16_t* text, uint32_t units) {
    std::vector<char> bytes(3 * units + 1);
    return fwrite(bytes.data(), 1, Utf16ToUtf8(text, units, bytes.data()), stdout) > 0 || units == 0;
}
void WriteError(void*, const char16_t*) {}

}  // namespace

int main() {
    ScopedFakeSecurity fake;
    const Bytes wide = {1, 1, 1, 0, 0, 0, 0, 0, 5, 0, 0, 0};   // authority past 32 bits
    const Bytes label = MakeSid(16, {12288});
    const std::u16string awkward = u"C:\\b\\te\x01 \xD800 \u00e9\U0001F600";
    fake.paths[awkward] = {
        {kOwnerInformation, OwnerPart(kAdmins)},
        {kDaclInformation, MakeDescriptor(0x1004, {}, {},
                                          MakeAcl({MakeAce(1, 0x03, 0x00010000, kEveryone),
                                                   MakeAce(0, 0x10, 0x001200A9, kUsers), MakeAce(0, 0, 1, wide)}))},
        {kSaclInformation, SaclPart(MakeAcl({MakeAce(2, 0x40, 0x001F01FF, kEveryone)}))},
        {kLabelInformation, SaclPart(MakeAcl({MakeAce(0x11, 0, 1, label)}))}};
    CodePageConverter none = {};
    ReportPlatform platform = {nullptr, Attributes, NoListFile, &none, ReportTarget{nullptr, WriteOut}, WriteError,
                               [](void*, char16_t* text, uint32_t) { text[0] = 0; }};
    // A quote inside quotes is doubled.
    std::u16string line = u"ovrix-report /JSON \"" + awkward + u"\" \"C:\\x*\"\"q\x1f\" C:\\missing";
    return RunReport(line.c_str(), &platform);
}
