// What the security core needs of the system: descriptor parts, the token's
// privileges, account names, full paths and how names compare. The Win32 shell installs the real
// services (InstallSecurityPlatform); tests install canned ones.
#pragma once
#include <stdint.h>

#include "base/file_attributes.h"

const uint32_t kOwnerInformation = 0x01;
const uint32_t kDaclInformation = 0x04;
const uint32_t kSaclInformation = 0x08;
const uint32_t kLabelInformation = 0x10;

const uint32_t kDescriptorBufferBytes = 32768;   // one buffer serves every query of a part

// The parts of a descriptor, each read by its own query, in reading order.
enum DescriptorPart { kOwnerPart, kDaclPart, kSaclPart, kLabelPart, kDescriptorPartCount };
extern const uint32_t kPartInformation[kDescriptorPartCount];

// What one reading of a path found: its attributes and each part exactly as
// readDescriptor would give it.
struct PathSecurity {
    uint32_t attributes;
    bool auditing;                          // SeSecurityPrivilege was adjusted, so the SACL was asked for
    bool read[kDescriptorPartCount];        // the part's query succeeded
    uint32_t size[kDescriptorPartCount];
    uint8_t* bytes[kDescriptorPartCount];   // kDescriptorBufferBytes each, given by the caller
};
const uint32_t kAccountUnits = 1024;             // name and domain buffers of a lookup

struct SecurityPlatform {
    // Reads one part of path's self-relative descriptor into buffer; *size
    // receives the bytes written. False when the query fails or does not fit.
    bool (*readDescriptor)(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t capacity,
                           uint32_t* size);
    // Reads the attributes (when withAttributes), the owner and the DACL
    // through one open of path, then the SACL and the label as readDescriptor
    // does, with SeSecurityPrivilege around the SACL as the per-part way has
    // it (out->auditing: that adjustment went through). False, before any
    // part is read, when the one open cannot stand in for the separate
    // queries: the caller then asks part by part.
    bool (*readSecurity)(const char16_t* path, bool withAttributes, PathSecurity* out);
    // The attributes of a path, kNoFileAttributes when they cannot be read or
    // the name is no plain file-system path.
    uint32_t (*attributes)(const char16_t* path);
    // Enables or disables a privilege of the process token; true when the
    // adjustment went through (not that the token holds the privilege).
    bool (*setPrivilege)(const char16_t* name, bool enable);
    // Looks sid up on system (null: the local system); name and domain hold
    // kAccountUnits units each.
    bool (*lookupAccount)(const char16_t* system, const uint8_t* sid, char16_t* name, char16_t* domain);
    // The S-1-5-... form of sid, cut to capacity.
    bool (*sidToString)(const uint8_t* sid, char16_t* out, uint32_t capacity);
    // The full form of path into kFullPathUnits units; false when it fails or
    // does not fit.
    bool (*fullPath)(const char16_t* path, char16_t* out);
    // Upper-cases units of text into out (as many units) the way the file
    // system compares names, whatever the user's locale.
    void (*upperCase)(const char16_t* text, uint32_t units, char16_t* out);
    // A reader thread starts (true) or ends (false): on Windows it takes a
    // token of its own, so its privilege switches touch no other thread's
    // queries. False at the start: the thread must not read. May be null.
    bool (*readerThread)(bool starting);
};

// Installs the services the core uses; returns the ones in use before. Null
// installs services that all fail.
const SecurityPlatform* SetSecurityPlatform(const SecurityPlatform* platform);
const SecurityPlatform* CurrentSecurityPlatform();
