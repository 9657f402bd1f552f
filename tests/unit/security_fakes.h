// Crafted self-relative security descriptors and a canned SecurityPlatform
// for native tests, the fuzzer and the benchmark.
#pragma once
#include <stdint.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "security/security_platform.h"

namespace fake_security {

typedef std::vector<uint8_t> Bytes;

inline void PutU16(Bytes* b, uint32_t v) {
    b->push_back((uint8_t)v);
    b->push_back((uint8_t)(v >> 8));
}
inline void PutU32(Bytes* b, uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}
inline void PutBytes(Bytes* b, const Bytes& more) { b->insert(b->end(), more.begin(), more.end()); }

// S-1-<authority>-<subs...>
inline Bytes MakeSid(uint8_t authority, std::vector<uint32_t> subs) {
    Bytes b = {1, (uint8_t)subs.size(), 0, 0, 0, 0, 0, authority};
    for (uint32_t s : subs) PutU32(&b, s);
    return b;
}

// An ACE with a mask and a SID (allow, deny, audit, label).
inline Bytes MakeAce(uint8_t type, uint8_t flags, uint32_t mask, const Bytes& sid) {
    Bytes b = {type, flags};
    PutU16(&b, (uint32_t)(8 + sid.size()));
    PutU32(&b, mask);
    PutBytes(&b, sid);
    return b;
}

// An ACE of another type with an opaque body (size 4 + body).
inline Bytes MakeRawAce(uint8_t type, uint8_t flags, const Bytes& body) {
    Bytes b = {type, flags};
    PutU16(&b, (uint32_t)(4 + body.size()));
    PutBytes(&b, body);
    return b;
}

inline Bytes MakeAcl(const std::vector<Bytes>& aces, int aceCount = -1) {
    Bytes body;
    for (const Bytes& a : aces) PutBytes(&body, a);
    Bytes b = {2, 0};
    PutU16(&b, (uint32_t)(8 + body.size()));
    PutU16(&b, aceCount < 0 ? (uint32_t)aces.size() : (uint32_t)aceCount);
    PutU16(&b, 0);
    PutBytes(&b, body);
    return b;
}

const uint16_t kSelfRelativeControl = 0x8000;

// Self-relative descriptor: header, then owner, SACL and DACL in that order.
// A null part is absent (offset 0); the present bits come from control.
inline Bytes MakeDescriptor(uint16_t control, const Bytes* owner, const Bytes* sacl, const Bytes* dacl) {
    Bytes b = {1, 0};
    PutU16(&b, control | kSelfRelativeControl);
    uint32_t next = 20;
    uint32_t ownerAt = owner ? next : 0;
    next += owner ? (uint32_t)owner->size() : 0;
    uint32_t saclAt = sacl ? next : 0;
    next += sacl ? (uint32_t)sacl->size() : 0;
    uint32_t daclAt = dacl ? next : 0;
    PutU32(&b, ownerAt);
    PutU32(&b, 0);
    PutU32(&b, saclAt);
    PutU32(&b, daclAt);
    if (owner) PutBytes(&b, *owner);
    if (sacl) PutBytes(&b, *sacl);
    if (dacl) PutBytes(&b, *dacl);
    return b;
}

inline Bytes OwnerPart(const Bytes& sid, bool defaulted = false) {
    return MakeDescriptor(defaulted ? 0x0001 : 0, &sid, nullptr, nullptr);
}
inline Bytes DaclPart(const Bytes& acl) { return MakeDescriptor(0x0004, nullptr, nullptr, &acl); }
inline Bytes SaclPart(const Bytes& acl) { return MakeDescriptor(0x0010, nullptr, &acl, nullptr); }

// The four query results of one path; a missing one fails.
struct PathSecurity {
    std::map<uint32_t, Bytes> parts;
};

struct Account {
    std::u16string name;
    std::u16string domain;
};

struct FakeSecurity {
    std::map<std::u16string, PathSecurity> paths;
    std::map<Bytes, Account> accounts;
    bool sidStrings = true;
    bool privilegeWorks = true;
    std::vector<std::u16string> lookupSystems;                 // "" for the local system
    std::vector<std::pair<std::u16string, bool>> privilegeCalls;
    uint32_t lookups = 0;
};

inline FakeSecurity*& Current() {
    static FakeSecurity* current = nullptr;
    return current;
}

inline bool ReadDescriptor(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t capacity,
                           uint32_t* size) {
    auto p = Current()->paths.find(path);
    if (p == Current()->paths.end()) return false;
    auto part = p->second.parts.find(information);
    if (part == p->second.parts.end() || part->second.size() > capacity) return false;
    std::copy(part->second.begin(), part->second.end(), buffer);
    *size = (uint32_t)part->second.size();
    return true;
}

inline bool SetPrivilege(const char16_t* name, bool enable) {
    Current()->privilegeCalls.push_back({name, enable});
    return Current()->privilegeWorks;
}

inline void CopyOut(const std::u16string& s, char16_t* out, uint32_t capacity) {
    size_t n = std::min<size_t>(s.size(), capacity - 1);
    std::copy(s.begin(), s.begin() + n, out);
    out[n] = 0;
}

inline uint32_t SidLengthOf(const uint8_t* sid) { return 8 + 4u * sid[1]; }

inline bool LookupAccount(const char16_t* system, const uint8_t* sid, char16_t* name, char16_t* domain) {
    FakeSecurity* f = Current();
    f->lookups++;
    f->lookupSystems.push_back(system ? system : u"");
    auto a = f->accounts.find(Bytes(sid, sid + SidLengthOf(sid)));
    if (a == f->accounts.end()) return false;
    CopyOut(a->second.name, name, kAccountUnits);
    CopyOut(a->second.domain, domain, kAccountUnits);
    return true;
}

inline bool SidToString(const uint8_t* sid, char16_t* out, uint32_t capacity) {
    if (!Current()->sidStrings) return false;
    std::string s = "S-" + std::to_string(sid[0]) + "-" + std::to_string(sid[7]);
    for (uint32_t i = 0; i < sid[1]; i++) {
        const uint8_t* p = sid + 8 + 4 * i;
        s += "-" + std::to_string(p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24);
    }
    CopyOut(std::u16string(s.begin(), s.end()), out, capacity);
    return true;
}

// Paths are already full; longer than 259 units they do not fit.
inline bool FullPath(const char16_t* path, char16_t* out) {
    std::u16string p = path;
    if (p.empty() || p.size() >= kFullPathUnits) return false;
    CopyOut(p, out, kFullPathUnits);
    return true;
}

const SecurityPlatform kPlatform = {ReadDescriptor, SetPrivilege, LookupAccount, SidToString, FullPath};

// Installs a FakeSecurity for the lifetime of the scope.
struct ScopedFakeSecurity {
    FakeSecurity fake;
    const SecurityPlatform* previous;
    ScopedFakeSecurity() {
        Current() = &fake;
        previous = SetSecurityPlatform(&kPlatform);
    }
    ~ScopedFakeSecurity() {
        SetSecurityPlatform(previous);
        Current() = nullptr;
    }
};

}  // namespace fake_security
