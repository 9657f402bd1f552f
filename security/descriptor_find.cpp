#include "security/descriptor_find.h"

#include "security/kept_security.h"

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

bool FindSidInSecurity(const PathSecurity* security, const uint8_t* sid, DescriptorPart* part, uint32_t* index) {
    const uint8_t* owner;
    bool defaulted;
    if (SecurityOwner(security, &owner, &defaulted) && SidsEqual(owner, sid)) {
        *part = kOwnerPart;
        *index = 0;
        return true;
    }
    const DescriptorPart kAclParts[] = {kDaclPart, kSaclPart};
    for (DescriptorPart aclPart : kAclParts) {
        AclView acl;
        uint16_t control;
        if (SecurityAcl(security, aclPart, &acl, &control) == kAclPresent && FindSidInAcl(&acl, sid, 0, index)) {
            *part = aclPart;
            return true;
        }
    }
    return false;
}

bool AclHasExplicitEntry(const AclView* acl) {
    AceCursor cursor;
    AceCursorInit(&cursor, acl);
    AceView ace;
    while (NextAce(&cursor, &ace))
        if (!(ace.flags & kInheritedAce)) return true;
    return false;
}

bool SecurityHasExplicitPermissions(const PathSecurity* security) {
    AclView acl;
    uint16_t control;
    return SecurityAcl(security, kDaclPart, &acl, &control) == kAclPresent && AclHasExplicitEntry(&acl);
}

bool SecurityInheritanceOff(const PathSecurity* security) {
    AclView acl;
    uint16_t control;
    return SecurityAcl(security, kDaclPart, &acl, &control) != kAclUnread && (control & kDaclProtected) != 0;
}
