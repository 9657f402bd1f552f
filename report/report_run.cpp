#include "report/report_run.h"

#include "base/format.h"
#include "base/heap.h"
#include "base/text.h"
#include "config/config_text.h"
#include "input/path_input.h"
#include "input/path_source.h"
#include "input/tokenizer.h"
#include "report/json_report.h"
#include "report/report_selection.h"
#include "report/tree_text.h"
#include "security/ace_text.h"
#include "security/groups.h"
#include "security/path_names.h"
#include "security/read_ahead.h"
#include "security/security_platform.h"
#include "security/typed_account.h"

const char16_t kReportUsage[] =
    u"Usage: ovrix-report [/below] [/json] [/find:account | /explicit | /protected]\r\n"
    u"                    [/access:account] [filename or @filelist or @8@utf8filelist]...\r\n"
    u"  Writes what ovrix shows for the paths: the indented tree, or with /json\r\n"
    u"  one JSON document. With /below, every folder named is followed by\r\n"
    u"  everything below it (links are named, not entered).\r\n"
    u"  One filter keeps only the groups that match: /find: those whose owner or\r\n"
    u"  an entry names the account (name, DOMAIN\\name, S-1-... or *S-1-...),\r\n"
    u"  /explicit those whose permissions hold an entry that is not inherited,\r\n"
    u"  /protected those whose inheritance is turned off. /access: adds the\r\n"
    u"  account's effective access to every group.\r\n"
    u"  Exit code 0: every path was read; 1: some could not be read (they are\r\n"
    u"  still reported); 2: usage error or an account that does not resolve;\r\n"
    u"  3: the report could not be written (the reason goes to standard error).\r\n";

namespace {

struct Options {
    bool json;
    bool below;
    bool filtered;
    FindMode filter;
    char16_t findAccount[kAccountUnits];     // /find:'s account as typed
    char16_t accessAccount[kAccountUnits];   // /access:'s, empty when not asked
};

// Lower-case ASCII comparison of the start of an option word; *rest is left
// after it.
bool OptionStarts(const char16_t* token, const char16_t* name, const char16_t** rest) {
    for (; *name; token++, name++) {
        char16_t c = *token >= u'A' && *token <= u'Z' ? (char16_t)(*token + 32) : *token;
        if (c != *name) return false;
    }
    *rest = token;
    return true;
}

bool IsOption(const char16_t* token, const char16_t* name) {
    const char16_t* rest;
    return OptionStarts(token, name, &rest) && *rest == 0;
}

// A filter option; false when a filter was given already.
bool TakeFilter(Options* options, FindMode mode) {
    if (options->filtered) return false;
    options->filtered = true;
    options->filter = mode;
    return true;
}

// The account of /find: or /access:; false when it is empty or too long.
bool TakeAccount(const char16_t* value, char16_t* account) {
    return value[0] && CopyText(account, kAccountUnits, value) == TextLength(value);
}

// One option word; false for an unknown or malformed one.
bool ReadOption(const char16_t* token, Options* options) {
    const char16_t* value;
    if (IsOption(token, u"/json")) options->json = true;
    else if (IsOption(token, u"/below")) options->below = true;
    else if (IsOption(token, u"/explicit")) return TakeFilter(options, kFindExplicit);
    else if (IsOption(token, u"/protected")) return TakeFilter(options, kFindProtected);
    else if (OptionStarts(token, u"/find:", &value))
        return TakeFilter(options, kFindAccount) && TakeAccount(value, options->findAccount);
    else if (OptionStarts(token, u"/access:", &value))
        return !options->accessAccount[0] && TakeAccount(value, options->accessAccount);
    else return false;
    return true;
}

// Reads the options in front of the paths. *paths is left where the token
// before the first path starts, so that the path input, which drops its
// first token, begins with the first path. False on a usage error or "/?".
bool ReadOptions(const char16_t* commandLine, Options* options, const char16_t** paths) {
    static char16_t token[kTokenBufferUnits];
    const char16_t* cursor = commandLine;
    *paths = commandLine;
    NextToken(&cursor, token);   // the program's own path
    for (;;) {
        const char16_t* before = cursor;
        char16_t first = NextToken(&cursor, token);
        if (!first) return false;   // no path at all
        if (first != u'/') return true;
        if (!ReadOption(token, options)) return false;
        *paths = before;
    }
}

struct Collector {
    TreeSink sink;
    const ReportPlatform* platform;
    GrowingText gaps;   // WalkGaps' pairs
    ReportTarget gapTarget;
    bool gapsLost;      // memory ran out for one
};

// The report is written from the groups: the nodes AddPath makes go nowhere.
TreeItem InsertNoNode(void*, TreeItem, const char16_t*, int, uint64_t) { return 1; }
void ChangeNoNode(void*, TreeItem) {}
void SetNoText(void*, TreeItem, const char16_t*) {}
TreeItem NoNode(void*, TreeItem) { return 0; }
TreeItem NoSelection(void*) { return 0; }
bool ReadNoNode(void*, TreeItem, char16_t*, uint32_t, uint64_t*) { return false; }
const TreeSink kNoNodes = {nullptr, InsertNoNode, ChangeNoNode, SetNoText,    ChangeNoNode,
                           NoNode,  NoNode,       ChangeNoNode, NoSelection, ReadNoNode};

uint32_t Attributes(void* context, const char16_t* name) {
    const Collector* c = static_cast<const Collector*>(context);
    return c->platform->attributes(c->platform->context, name);
}

char* ReadList(void* context, const char16_t* name, uint32_t* size) {
    const Collector* c = static_cast<const Collector*>(context);
    return c->platform->readListFile(c->platform->context, name, size);
}

const char16_t* GapReason(WalkGap gap) {
    switch (gap) {
    case kGapUnlisted: return Translate(u"cannot list");
    case kGapTooLong: return Translate(u"path too long");
    default: return Translate(u"walk cut short, out of memory");
    }
}

// Each gap of a walk is an unreadable path of the report.
void KeepGap(void* context, const char16_t* path, WalkGap gap) {
    Collector* c = static_cast<Collector*>(context);
    const char16_t* reason = GapReason(gap);
    const uint32_t before = c->gaps.length;
    const ReportTarget& t = c->gapTarget;
    if (t.write(t.context, reason, TextLength(reason) + 1) && t.write(t.context, path, TextLength(path) + 1)) return;
    c->gapsLost = true;
    if (c->gaps.text) c->gaps.text[c->gaps.length = before] = 0;   // no reason without its path
}

// The gaps in the text form: "why : path" lines after the groups, as an
// unknown name's root reads.
void WriteGapLines(ReportOut* out, const WalkGaps* gaps) {
    const char16_t *reason, *path;
    for (uint32_t offset = 0; NextWalkGap(gaps, &offset, &reason, &path);) {
        OutText(out, reason);
        OutText(out, u" : ");
        OutText(out, path);
        OutText(out, u"\r\n");
    }
}

// One line on standard error.
void WriteErrorLine(const ReportPlatform* platform, const char16_t* line) {
    platform->writeError(platform->context, line);
    platform->writeError(platform->context, u"\r\n");
}

void LogToError(void* context, const char16_t* line) {
    WriteErrorLine(static_cast<const Collector*>(context)->platform, line);
}

// Every path the command line names goes the window's way, at once, read
// ahead as the window reads them.
void ReadCommandLinePaths(Collector* collector, const char16_t* commandLine, const PathInputPlatform* input,
                          bool below) {
    static CommandLinePaths state;   // a token buffer: kept off the stack
    static ReadAhead ahead;
    const PathInputPlatform* caught = input;
    const bool prepared = PrepareReadAhead(&ahead, input, kReaders, &caught);
    PathSource source = CommandLineSource(&state, commandLine, caught);
    state.below = below;
    const bool readAhead = prepared && StartReadAhead(&ahead, &source);
    const char16_t* path;
    uint32_t attributes;
    while (source.next(source.state, &path, &attributes))
        AddTakenPath(readAhead ? &ahead : nullptr, &collector->sink, path, attributes);
    source.close(source.state);
}

// Names no group was formed for and a walk's gaps are unreadable, as the
// JSON lists them.
bool AllPathsRead(const Collector* collector) {
    if (UnnamedPathCount() != 0 || PathsLeftOut() != 0 || collector->gaps.length || collector->gapsLost) return false;
    char16_t error[kNodeTextUnits];
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot group;
        if (ReadGroup(i, &group) && !GroupRead(&group, error)) return false;
    }
    return true;
}

// A report cut short must not pass for a finished one.
int ReportWriteFailure(const ReportPlatform* platform) {
    char16_t reason[kNodeTextUnits];
    char16_t line[kNodeTextUnits + kTranslationUnits];
    reason[0] = 0;
    platform->outputFailure(platform->context, reason, kNodeTextUnits);
    FormatText(line, sizeof line / sizeof *line, Translate(u"cannot write the report: %s"), reason);
    WriteErrorLine(platform, line);
    return kReportWriteFailed;
}

// The SID of an option's account; false, with the reason on standard
// error, when it does not resolve.
bool ResolveAccount(const ReportPlatform* platform, const char16_t* account, uint8_t* sid) {
    if (TypedAccountSid(account, platform->accountSid, sid)) return true;
    char16_t line[kAccountUnits + kTranslationUnits];
    FormatText(line, sizeof line / sizeof *line, Translate(u"Account not found: %s"), account);
    WriteErrorLine(platform, line);
    return false;
}

// The selection of the options; false when an account does not resolve.
// The access, when asked for, is open until CloseSelection.
struct Selection {
    ReportSelection view;
    FindQuery filter;
    uint8_t accessSid[kMaxSidBytes];
    ReportAccess access;
};

bool OpenSelection(const ReportPlatform* platform, const Options* options, Selection* s) {
    s->view = kWholeReport;
    s->access = ReportAccess();
    ByteBufferInit(&s->access.held);
    if (options->filtered) {
        s->filter.mode = options->filter;
        if (options->filter == kFindAccount && !ResolveAccount(platform, options->findAccount, s->filter.sid))
            return false;
        s->view.filter = &s->filter;
        s->view.filterText = options->findAccount;
    }
    if (!options->accessAccount[0]) return true;
    if (!ResolveAccount(platform, options->accessAccount, s->accessSid)) return false;
    s->access.account = options->accessAccount;
    s->access.sid = s->accessSid;
    s->access.check = platform->openAccess ? platform->openAccess(s->accessSid) : nullptr;
    s->access.checkAccess = platform->checkAccess;
    s->view.access = &s->access;
    // Without the platform's check the evaluator needs the SIDs the account
    // holds; short of memory for them, every group's access is unknown.
    if (!s->access.check && !SidListAddAccount(&s->access.held, s->accessSid)) ByteBufferFree(&s->access.held);
    return true;
}

void CloseSelection(const ReportPlatform* platform, Selection* s) {
    if (s->access.check && platform->closeAccess) platform->closeAccess(s->access.check);
    s->access.check = nullptr;
    ByteBufferFree(&s->access.held);
}

}  // namespace

int RunReport(const char16_t* commandLine, const ReportPlatform* platform) {
    static Options options;   // two account buffers: kept off the stack
    options = Options();
    const char16_t* paths;
    if (!ReadOptions(commandLine, &options, &paths)) {
        platform->writeError(platform->context, kReportUsage);
        return kReportUsageError;
    }
    static Selection selection;
    const bool resolved = OpenSelection(platform, &options, &selection);
    if (!resolved) {
        CloseSelection(platform, &selection);
        return kReportUsageError;
    }
    Collector collector = {kNoNodes, platform, {}, {}, false};
    collector.gapTarget = GrowingTextTarget(&collector.gaps);
    ClearGroups();
    PathInputPlatform input = {&collector, Attributes,  ReadList, platform->codePages, platform->folders,
                               LogToError, KeepGap};
    ReadCommandLinePaths(&collector, paths, &input, options.below);
    FlushGroupRootTexts(&collector.sink);

    ReportOut* out = static_cast<ReportOut*>(HeapAllocBytes(sizeof(ReportOut)));
    // Short of memory for the output nothing was written: not all was read.
    bool allRead = false, writeFailed = false;
    if (out) {
        ReportOutInit(out, platform->output);
        const WalkGaps gaps = {collector.gaps.text, collector.gaps.length};
        if (options.json) {
            WriteJsonReport(out, &gaps, &selection.view);
        } else {
            WriteReportLines(out, &selection.view);
            WriteGapLines(out, &gaps);
        }
        allRead = AllPathsRead(&collector);
        writeFailed = !OutFlush(out, true);
        HeapFreeBytes(out);
    }
    ClearGroups();
    CloseSelection(platform, &selection);
    HeapFreeBytes(collector.gaps.text);
    if (writeFailed) return ReportWriteFailure(platform);
    return allRead ? kReportAllRead : kReportSomeUnreadable;
}
