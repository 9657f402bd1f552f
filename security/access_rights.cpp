#include "security/access_rights.h"

// Composite rights first, in the order node texts try them (the larger ones
// take their bits before the smaller); then the single bits in the order of
// the detail dialog's boxes and of icacls's comma list.
//
// Full Control appears as two masks: the system writes 0x1F01FF, which the
// tree names; icacls's "F" is composed only for 0x1F01BF, which lacks "Delete
// Subfolders and Files", so a mask with every box ticked is written as the
// comma list.
const AccessRight kAccessRights[] = {
    {kFullControlMask, u"Full Control", nullptr, true, false},
    {kModifyMask, u"Modify", u"M", true, true},
    {0x001201FF, u"modify(disable delete this folder)", nullptr, true, false},
    {0x0013019F, u"modify(disable execute)", nullptr, true, false},
    {kReadExecuteMask, u"Read & Execute", u"RX", true, true},
    {0x00120089, u"Read", u"R", true, true},
    {0x00100116, u"Write", nullptr, true, false},
    {0x001200A0, u"[execute]", nullptr, true, false},
    {0x00110000, u"[delete]", u"D", true, true},
    {0x001F01BF, nullptr, u"F", true, true},
    {0x00000000, nullptr, u"N", true, true},
    {0x00120116, nullptr, u"W", true, false},   // write-only access
    {0x00000020, u"Traverse Folder / Execute File", u"X", false, true},
    {0x00000001, u"List Folder / Read Data", u"RD", false, true},
    {0x00000080, u"Read Attributes", u"RA", false, true},
    {0x00000008, u"Read Extended Attributes", u"REA", false, true},
    {0x00000002, u"Create Files / Write Data", u"WD", false, true},
    {0x00000004, u"Create Folders / Append Data", u"AD", false, true},
    {0x00000100, u"Write Attributes", u"WA", false, true},
    {0x00000010, u"Write Extended Attributes", u"WEA", false, true},
    {0x00000040, u"Delete Subfolders and Files", u"DC", false, true},
    {0x00010000, u"Delete", u"DE", false, true},
    {0x00020000, u"Read Permissions", u"RC", false, true},
    {0x00040000, u"Change Permissions", u"WDAC", false, true},
    {0x00080000, u"Take Ownership", u"WO", false, true},
    {0x00100000, u"(Synchronize)", u"S", false, true},
    {0x01000000, u"Access system security", u"AS", false, false},
    {0x02000000, u"[Maximum allowed]", u"MA", false, false},
    {0x10000000, u"[Generic all]", u"GA", false, false},
    {0x20000000, u"[Generic execute]", u"GE", false, false},
    {0x40000000, u"[Generic write]", u"GW", false, false},
    {0x80000000, u"[Generic read]", u"GR", false, false},
};

const uint32_t kAccessRightCount = sizeof kAccessRights / sizeof kAccessRights[0];

namespace {

uint32_t FirstSingleRight() {
    uint32_t i = 0;
    while (i < kAccessRightCount && kAccessRights[i].composite) i++;
    return i;
}

}  // namespace

uint32_t DetailRightMask(uint32_t box) {
    return box < kDetailRightCount ? kAccessRights[FirstSingleRight() + box].mask : 0;
}

const AccessRight* SingleBitRight(uint32_t bit) {
    for (uint32_t i = FirstSingleRight(); i < kAccessRightCount; i++)
        if (kAccessRights[i].mask == bit) return &kAccessRights[i];
    return nullptr;
}
