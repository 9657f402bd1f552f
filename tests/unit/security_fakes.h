// Crafted self-relative security descriptors, a canned SecurityPlatform and a
// heap that fails on request, for the native security tests.
#pragma once
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/heap.h"
#include "base/text.h"
#include "security/account_names.h"
#include "security/security_platform.h"

namespace fake_security {

typedef std::vector<uint8_t> Bytes;

inline Bytes Concat(std::vector<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
inline Bytes U16(uint32_t v) { return {(uint8_t)v, (uint8_t)(v >> 8)}; }
inline Bytes U32(uint32_t v) { return Concat({U16(v & 0xFFFF), U16(v >> 16)}); }

// S-1-<authority>-<subs...>
inline Bytes MakeSid(uint8_t authority, std::vector<uint32_t> subs) {
    Bytes b = {1, (uint8_t)subs.size(), 0, 0, 0, 0, 0, authority};
    for (uint32_t s : subs) b = Concat({b, U32(s)});
    return b;
}
// An ACE of any type with an opaque body; with a mask and a SID (allow, deny,
// audit, label).
inline Bytes MakeRawAce(uint8_t type, uint8_t flags, const Bytes& body) {
    return Concat({{type, flags}, U16((uint32_t)(4 + body.size())), body});
}
inline Bytes MakeAce(uint8_t type, uint8_t flags, uint32_t mask, const Bytes& sid) {
    return MakeRawAce(type, flags, Concat({U32(mask), sid}));
}
inline Bytes MakeAcl(const std::vector<Bytes>& aces, int aceCount = -1) {
    Bytes body = Concat(aces);
    return Concat({{2, 0}, U16((uint32_t)(8 + body.size())), U16(aceCount < 0 ? aces.size() : aceCount), U16(0), body});
}
// Header, then owner, SACL and DACL; an empty part is absent (offset 0). The
// present bits come from control.
inline Bytes MakeDescriptor(uint16_t control, const Bytes& owner, const Bytes& sacl, const Bytes& dacl) {
    auto at = [](const Bytes& part, size_t offset) { return U32(part.empty() ? 0 : (uint32_t)offset); };
    return Concat({{1, 0}, U16(control | 0x8000), at(owner, 20), U32(0), at(sacl, 20 + owner.size()),
                   at(dacl, 20 + owner.size() + sacl.size()), owner, sacl, dacl});
}
inline Bytes OwnerPart(const Bytes& sid, bool defaulted = false) { return MakeDescriptor(defaulted, sid, {}, {}); }
inline Bytes DaclPart(const Bytes& acl) { return MakeDescriptor(0x0004, {}, {}, acl); }
inline Bytes SaclPart(const Bytes& acl) { return MakeDescriptor(0x0010, {}, acl, {}); }

const Bytes kAdmins = MakeSid(5, {32, 544}), kUsers = MakeSid(5, {32, 545}), kEveryone = MakeSid(1, {0});

// Installs itself as the security services for its lifetime.
struct ScopedFakeSecurity {
    std::map<std::u16string, std::map<uint32_t, Bytes>> paths;            // query results; a missing one fails
    std::map<Bytes, std::pair<std::u16string, std::u16string>> accounts = {   // name, domain
        {kAdmins, {u"Administrators", u"BUILTIN"}}, {kUsers, {u"Users", u"BUILTIN"}}, {kEveryone, {u"Everyone", u""}}};
    bool sidStrings = true, privilegeWorks = true;
    // The one-open way: off, the platform says it cannot and every part is
    // asked for by itself. The open fails for a path with no entry in paths.
    bool oneOpen = false;
    std::map<std::u16string, uint32_t> attributes;   // a missing one cannot be read
    std::vector<std::u16string> lookupSystems;   // "" for the local system
    std::vector<bool> privilegeCalls;            // SeSecurityPrivilege on or off
    std::map<std::u16string, std::u16string> fullForms;   // names whose full form differs
    static inline ScopedFakeSecurity* current;

    static bool ReadDescriptor(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t capacity,
                               uint32_t* size) {
        auto p = current->paths.find(path);
        if (p == current->paths.end() || !p->second.count(information)) return false;
        const Bytes& part = p->second.at(information);
        return (*size = (uint32_t)part.size()) <= capacity && std::copy(part.begin(), part.end(), buffer);
    }
    // As the Win32 one: owner and DACL through the open, the rest by name.
    static bool ReadSecurity(const char16_t* path, bool withAttributes, PathSecurity* out) {
        if (!current->oneOpen || !current->paths.count(path)) return false;
        if (withAttributes) out->attributes = Attributes(path);
        auto read = [&](uint32_t part) {
            out->read[part] = ReadDescriptor(path, kPartInformation[part], out->bytes[part], kDescriptorBufferBytes,
                                             &out->size[part]);
        };
        read(kOwnerPart), read(kDaclPart);
        if ((out->auditing = SetPrivilege(u"SeSecurityPrivilege", true))) {
            read(kSaclPart);
            SetPrivilege(u"SeSecurityPrivilege", false);
        }
        read(kLabelPart);
        SetPrivilege(u"SeSecurityPrivilege", false);
        return true;
    }
    static uint32_t Attributes(const char16_t* path) {
        auto a = current->attributes.find(path);
        return a == current->attributes.end() ? 0xFFFFFFFF : a->second;
    }
    // Readers ahead of the taker call it from their threads.
    static bool SetPrivilege(const char16_t* name, bool enable) {
        static std::mutex calls;
        std::lock_guard<std::mutex> hold(calls);
        if (std::u16string(name) == u"SeSecurityPrivilege") current->privilegeCalls.push_back(enable);
        return current->privilegeWorks;
    }
    static bool LookupAccount(const char16_t* system, const uint8_t* sid, char16_t* name, char16_t* domain) {
        current->lookupSystems.push_back(system ? system : u"");
        auto a = current->accounts.find(Bytes(sid, sid + 8 + 4 * sid[1]));
        if (a == current->accounts.end()) return false;
        CopyText(name, kAccountUnits, a->second.first.c_str());
        CopyText(domain, kAccountUnits, a->second.second.c_str());
        return true;
    }
    static bool SidToString(const uint8_t* sid, char16_t* out, uint32_t capacity) {
        std::string s = "S-1-" + std::to_string(sid[7]);
        for (uint32_t i = 0, v; i < sid[1] && memcpy(&v, sid + 8 + 4 * i, 4); i++) s += "-" + std::to_string(v);
        CopyText(out, capacity, std::u16string(s.begin(), s.end()).c_str());
        return current->sidStrings;
    }
    // Paths are already full unless fullForms says otherwise; longer than
    // 259 units they do not fit.
    static bool FullPath(const char16_t* p, char16_t* out) {
        auto f = current->fullForms.find(p);
        if (f != current->fullForms.end()) p = f->second.c_str();
        return *p && !p[CopyText(out, kFullPathUnits, p)];
    }
    // ASCII and Latin-1 letters.
    static void UpperCase(const char16_t* text, uint32_t units, char16_t* out) {
        for (uint32_t i = 0; i < units; i++) {
            const char16_t c = text[i];
            const bool lower = (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
            out[i] = lower ? (char16_t)(c - 32) : c;
        }
    }
    static inline const SecurityPlatform kFake = {ReadDescriptor, ReadSecurity, Attributes, SetPrivilege,
                                                  LookupAccount,  SidToString,  FullPath,   UpperCase};
    const SecurityPlatform* previous = SetSecurityPlatform(&kFake);
    // Account names kept from another platform's answers would be wrong here.
    ScopedFakeSecurity() { current = this, ClearAccountTexts(); }
    ~ScopedFakeSecurity() { SetSecurityPlatform(previous), current = nullptr, ClearAccountTexts(); }
};

// Numbers the heap requests from 0; those from first to last fail.
struct ScopedHeapFault {
    static inline int first, last, requests;
    static bool Grant() { return requests++ < first || requests - 1 > last; }
    static void* Alloc(size_t n) { return Grant() ? malloc(n) : nullptr; }
    static void* ReAlloc(void* p, size_t n) { return Grant() ? realloc(p, n) : nullptr; }
    static bool Free(void* p) { return free(p), true; }
    const HeapOps ops = {Alloc, ReAlloc, Free};
    const HeapOps* previous = SetHeapOps(&ops);
    explicit ScopedHeapFault(int from, int to = INT_MAX) { first = from, last = to, requests = 0; }
    ~ScopedHeapFault() { SetHeapOps(previous); }
};

}  // namespace fake_security
