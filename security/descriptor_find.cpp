#include "security/descriptor_find.h"

#include "security/sddl_text.h"

bool FindSidInAcl(const AclView* acl, const uint8_t* sid, uint32_t from, uint32_t* index) {
    AceCursor cursor;
    AceCursorInit(&cursor, acl);
    AceView ace;
    for (uint32_t i = 0; NextAce(&cursor, &ace); i++) {
        uint32_t mask;
        const uint8_t* named;
        if (i >= from && AnyAceMaskAndSid(&ace, &mask, &named) && SidsEqual(named, sid)) {
            *index = i;
            return true;
        }
    }
    return false;
}

bool SecurityNamesSid(const uint8_t* owner, const AclView* dacl, const AclView* sacl, const uint8_t* sid) {
    uint32_t index;
    return SidsEqual(owner, sid) || (dacl && FindSidInAcl(dacl, sid, 0, &index)) ||
           (sacl && FindSidInAcl(sacl, sid, 0, &index));
}

bool AclHasExplicitEntry(const AclView* acl) {
    AceCursor cursor;
    AceCursorInit(&cursor, acl);
    AceView ace;
    while (NextAce(&cursor, &ace))
        if (!(ace.flags & kInheritedAce)) return true;
    return false;
}

bool DaclIsProtected(uint16_t control) { return (control & kDaclProtected) != 0; }
