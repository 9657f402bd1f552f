#include "security/access_check_win32.h"

#include <lm.h>
#include <string.h>

#include "base/platform_win32.h"
#include "base/system_library_win32.h"
#include "base/text.h"
#include "security/security_platform.h"

namespace {

typedef BOOL(WINAPI* InitializeResourceManagerFn)(DWORD, PFN_AUTHZ_DYNAMIC_ACCESS_CHECK,
                                                  PFN_AUTHZ_COMPUTE_DYNAMIC_GROUPS, PFN_AUTHZ_FREE_DYNAMIC_GROUPS,
                                                  PCWSTR, PAUTHZ_RESOURCE_MANAGER_HANDLE);
typedef BOOL(WINAPI* InitializeContextFromSidFn)(DWORD, PSID, AUTHZ_RESOURCE_MANAGER_HANDLE, PLARGE_INTEGER, LUID,
                                                 PVOID, PAUTHZ_CLIENT_CONTEXT_HANDLE);
typedef BOOL(WINAPI* AccessCheckFn)(DWORD, AUTHZ_CLIENT_CONTEXT_HANDLE, PAUTHZ_ACCESS_REQUEST, AUTHZ_AUDIT_EVENT_HANDLE,
                                    PSECURITY_DESCRIPTOR, PSECURITY_DESCRIPTOR*, DWORD, PAUTHZ_ACCESS_REPLY,
                                    PAUTHZ_ACCESS_CHECK_RESULTS_HANDLE);
typedef BOOL(WINAPI* FreeContextFn)(AUTHZ_CLIENT_CONTEXT_HANDLE);
typedef BOOL(WINAPI* FreeResourceManagerFn)(AUTHZ_RESOURCE_MANAGER_HANDLE);

struct Authz {
    InitializeResourceManagerFn initializeResourceManager;
    InitializeContextFromSidFn initializeContextFromSid;
    AccessCheckFn accessCheck;
    FreeContextFn freeContext;
    FreeResourceManagerFn freeResourceManager;
};
const char* const kAuthzNames[] = {"AuthzInitializeResourceManager", "AuthzInitializeContextFromSid",
                                   "AuthzAccessCheck", "AuthzFreeContext", "AuthzFreeResourceManager"};

typedef NET_API_STATUS(WINAPI* GetLocalGroupsFn)(LPCWSTR, LPCWSTR, DWORD, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD);
typedef NET_API_STATUS(WINAPI* BufferFreeFn)(LPVOID);

struct NetApi {
    GetLocalGroupsFn getLocalGroups;
    BufferFreeFn bufferFree;
};
const char* const kNetApiNames[] = {"NetUserGetLocalGroups", "NetApiBufferFree"};

// Loaded once; null when the DLL or a function is missing (asked again next time).
template <typename Table, uint32_t count>
const Table* LoadTable(Table* table, bool* loaded, const wchar_t* dll, const char* const (&names)[count]) {
    static_assert(sizeof(Table) == count * sizeof(void*), "one pointer per name");
    if (!*loaded) {
        void* procs[count];
        if (!LoadSystemFunctions(dll, names, count, procs)) return nullptr;
        memcpy(table, procs, sizeof procs);
        *loaded = true;
    }
    return table;
}

const Authz* LoadAuthz() {
    static Authz s_authz;
    static bool s_loaded;
    return LoadTable(&s_authz, &s_loaded, L"authz.dll", kAuthzNames);
}

const NetApi* LoadNetApi() {
    static NetApi s_netApi;
    static bool s_loaded;
    return LoadTable(&s_netApi, &s_loaded, L"netapi32.dll", kNetApiNames);
}

// The system's client context of the account, once.
bool MakeSystemContext(EffectiveAccessCheck* check) {
    if (check->systemTried) return check->context != nullptr;
    check->systemTried = true;
    const Authz* authz = LoadAuthz();
    AUTHZ_RESOURCE_MANAGER_HANDLE manager = nullptr;
    if (!authz || !authz->initializeResourceManager(AUTHZ_RM_FLAG_NO_AUDIT, nullptr, nullptr, nullptr, nullptr,
                                                    &manager) || !manager)
        return false;
    check->manager = manager;
    AUTHZ_CLIENT_CONTEXT_HANDLE context = nullptr;
    LUID none = {};
    if (!authz->initializeContextFromSid(0, check->account, manager, nullptr, none, nullptr, &context)) return false;
    check->context = context;
    return context != nullptr;
}

// The account's SID, the well-known groups every signed-in account has, and
// its local groups, once.
bool ReadHeldSids(EffectiveAccessCheck* check) {
    if (check->groupsRead) return true;
    ByteBuffer* held = &check->held;
    held->used = 0;
    if (!SidListAddAccount(held, check->account)) return false;
    // Without the local groups the answer is still the best there is.
    AddLocalGroupSids(held, check->account);
    check->groupsRead = true;
    return true;
}

// "DOMAIN\name" of a SID, as NetUserGetLocalGroups takes it; false when it
// does not fit capacity units.
bool QualifiedNameOfSid(const uint8_t* sid, char16_t* out, uint32_t capacity) {
    char16_t name[kAccountUnits], domain[kAccountUnits];
    DWORD nameUnits = kAccountUnits, domainUnits = kAccountUnits;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, (PSID)sid, W(name), &nameUnits, W(domain), &domainUnits, &use)) return false;
    name[kAccountUnits - 1] = 0;
    domain[kAccountUnits - 1] = 0;
    TextWriter w;
    TextWriterInit(&w, out, capacity);
    if (domain[0]) {
        TextAppend(&w, domain);
        TextAppendChar(&w, u'\\');
    }
    TextAppend(&w, name);
    return !w.cut;
}

bool ReplyOfAccessCheck(EffectiveAccessCheck* check, uint8_t* descriptor, uint32_t* mask) {
    AUTHZ_ACCESS_REQUEST request = {};
    request.DesiredAccess = MAXIMUM_ALLOWED;
    // Marked unanswered: a check that returns without writing its reply
    // gives no answer.
    const DWORD kUnanswered = 0xFFFFFFFF;
    ACCESS_MASK granted = 0;
    DWORD error = kUnanswered;
    AUTHZ_ACCESS_REPLY reply = {};
    reply.ResultListLength = 1;
    reply.GrantedAccessMask = &granted;
    reply.Error = &error;
    if (!LoadAuthz()->accessCheck(0, check->context, &request, nullptr, descriptor, nullptr, 0, &reply, nullptr))
        return false;
    // Nothing granted is an answer too.
    if (error != ERROR_SUCCESS && error != ERROR_ACCESS_DENIED) return false;
    *mask = error == ERROR_SUCCESS ? granted : 0;
    return true;
}

// The system's MAXIMUM_ALLOWED over a descriptor built here from the owner
// and DACL: the system never reads offsets that came from elsewhere.
bool AskSystem(EffectiveAccessCheck* check, const uint8_t* owner, bool daclPresent, const AclView* dacl,
               uint32_t* mask) {
    if (!MakeSystemContext(check)) return false;
    ByteBuffer descriptor;
    ByteBufferInit(&descriptor);
    bool answered = ComposeAccessDescriptor(owner, daclPresent, dacl, &descriptor) &&
                    IsValidSecurityDescriptor(descriptor.data) && ReplyOfAccessCheck(check, descriptor.data, mask);
    ByteBufferFree(&descriptor);
    return answered;
}

}  // namespace

bool OpenEffectiveAccessCheck(EffectiveAccessCheck* check, const uint8_t* account) {
    memset(check, 0, sizeof *check);
    ByteBufferInit(&check->held);
    if (!account || SidLength(account) > kMaxSidBytes) return false;
    memcpy(check->account, account, SidLength(account));
    return true;
}

void CloseEffectiveAccessCheck(EffectiveAccessCheck* check) {
    const Authz* authz = (check->context || check->manager) ? LoadAuthz() : nullptr;
    if (authz && check->context) authz->freeContext(check->context);
    if (authz && check->manager) authz->freeResourceManager(check->manager);
    check->context = nullptr;
    check->manager = nullptr;
    ByteBufferFree(&check->held);
}

bool SystemMaximumAllowed(EffectiveAccessCheck* check, const uint8_t* descriptor, uint32_t size, uint32_t* mask) {
    const uint8_t* owner;
    bool defaulted, present;
    AclView dacl;
    return ReadDescriptorOwner(descriptor, size, &owner, &defaulted) &&
           ReadDescriptorDacl(descriptor, size, &present, &dacl) && AskSystem(check, owner, present, &dacl, mask);
}

bool CheckEffectiveAccess(EffectiveAccessCheck* check, const uint8_t* owner, bool daclPresent, const AclView* dacl,
                          EffectiveAccess* out) {
    out->skippedCount = 0;
    if (AskSystem(check, owner, daclPresent, dacl, &out->mask)) {
        out->source = kAccessComputedByWindows;
        return true;
    }
    if (!ReadHeldSids(check)) return false;
    EvaluateEffectiveAccess(owner, daclPresent, dacl, &check->held, out);
    return true;
}

bool CheckSecurityAccess(EffectiveAccessCheck* check, const PathSecurity* security, EffectiveAccess* out) {
    const uint8_t* owner;
    bool present;
    AclView dacl;
    return SecurityOwnerAndDacl(security, &owner, &present, &dacl) &&
           CheckEffectiveAccess(check, owner, present, &dacl, out);
}

bool AddLocalGroupSids(ByteBuffer* list, const uint8_t* account) {
    const NetApi* netApi = LoadNetApi();
    char16_t user[2 * kAccountUnits];
    if (!netApi || !QualifiedNameOfSid(account, user, 2 * kAccountUnits)) return false;
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    NET_API_STATUS status = netApi->getLocalGroups(nullptr, W(user), 0, LG_INCLUDE_INDIRECT, &buffer,
                                                   MAX_PREFERRED_LENGTH, &read, &total);
    bool all = (status == NERR_Success || status == ERROR_MORE_DATA) && buffer;
    if (all) {
        const LOCALGROUP_USERS_INFO_0* groups = reinterpret_cast<const LOCALGROUP_USERS_INFO_0*>(buffer);
        for (DWORD i = 0; i < read; i++) {
            uint8_t sid[kMaxSidBytes];
            if (groups[i].lgrui0_name && AccountSidOfName(U(groups[i].lgrui0_name), sid) && !SidListHolds(list, sid))
                all = SidListAdd(list, sid) && all;
        }
    }
    if (buffer) netApi->bufferFree(buffer);
    return all && status == NERR_Success;
}

bool AccountSidOfName(const char16_t* name, uint8_t* sid) {
    DWORD sidBytes = kMaxSidBytes;
    char16_t domain[kAccountUnits];
    DWORD domainUnits = kAccountUnits;
    SID_NAME_USE use;
    return name && name[0] &&
           LookupAccountNameW(nullptr, W(name), (PSID)sid, &sidBytes, W(domain), &domainUnits, &use) != FALSE;
}
