#include "security/kept_security.h"

#include <string.h>

#include "base/heap.h"
#include "config/config_text.h"

namespace {

// The part as its query gave it, cut to the reading buffer; false when the
// query failed or was not made.
bool Part(const PathSecurity* security, DescriptorPart part, const uint8_t** bytes, uint32_t* size) {
    if (!security->read[part]) return false;
    *bytes = security->bytes[part];
    *size = security->size[part] > kDescriptorBufferBytes ? kDescriptorBufferBytes : security->size[part];
    return true;
}

}  // namespace

bool KeepSecurity(const PathSecurity* read, KeptSecurity* out) {
    size_t total = 0;
    uint32_t sizes[kDescriptorPartCount];
    for (uint32_t part = 0; part < kDescriptorPartCount; part++) {
        const uint8_t* bytes;
        sizes[part] = Part(read, (DescriptorPart)part, &bytes, &sizes[part]) ? sizes[part] : 0;
        total += sizes[part];
    }
    out->parts = *read;
    out->block = static_cast<uint8_t*>(HeapAllocBytes(total ? total : 1));
    if (!out->block) return false;
    size_t at = 0;
    for (uint32_t part = 0; part < kDescriptorPartCount; part++) {
        out->parts.bytes[part] = read->read[part] ? out->block + at : nullptr;
        out->parts.size[part] = sizes[part];
        if (sizes[part]) memcpy(out->block + at, read->bytes[part], sizes[part]);
        at += sizes[part];
    }
    return true;
}

void FreeKeptSecurity(KeptSecurity* kept) {
    HeapFreeBytes(kept->block);
    kept->block = nullptr;
    for (uint32_t part = 0; part < kDescriptorPartCount; part++) {
        kept->parts.read[part] = false;
        kept->parts.bytes[part] = nullptr;
        kept->parts.size[part] = 0;
    }
}

bool SecurityOwner(const PathSecurity* security, const uint8_t** sid, bool* defaulted) {
    const uint8_t* bytes;
    uint32_t size;
    return Part(security, kOwnerPart, &bytes, &size) && ReadDescriptorOwner(bytes, size, sid, defaulted);
}

AclState SecurityAcl(const PathSecurity* security, DescriptorPart part, AclView* acl, uint16_t* control) {
    *control = 0;
    const uint8_t* bytes;
    uint32_t size;
    bool present;
    // The label query's answer carries the label ACE in the SACL fields.
    const bool dacl = part == kDaclPart;
    if (!Part(security, part, &bytes, &size) ||
        !(dacl ? ReadDescriptorDacl : ReadDescriptorSacl)(bytes, size, &present, acl))
        return kAclUnread;
    DescriptorControl(bytes, size, control);
    if (!present) return kAclAbsent;
    return acl->acl ? kAclPresent : kAclNull;
}

bool SecurityEntry(const PathSecurity* security, DescriptorPart part, uint32_t index, AceView* ace) {
    AclView acl;
    uint16_t control;
    if (SecurityAcl(security, part, &acl, &control) != kAclPresent) return false;
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    for (uint32_t i = 0; NextAce(&cursor, ace); i++)
        if (i == index) return true;
    return false;
}

bool UnreadPartsText(const PathSecurity* security, TextWriter* error) {
    const uint32_t start = error->length;
    const uint8_t* sid;
    bool defaulted;
    AclView acl;
    uint16_t control;
    const bool read[] = {security->attributes != kNoFileAttributes, SecurityOwner(security, &sid, &defaulted),
                         SecurityAcl(security, kDaclPart, &acl, &control) != kAclUnread};
    const char16_t* texts[] = {u"unknown attributes", u"unknown ownership", u"unknown permissions"};
    for (uint32_t i = 0; i < 3; i++) {
        if (read[i]) continue;
        if (error->length > start) TextAppend(error, u"; ");
        TextAppend(error, Translate(texts[i]));
    }
    return error->length == start;
}
