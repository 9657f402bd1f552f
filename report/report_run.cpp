#include "report/report_run.h"

#include "base/format.h"
#include "base/heap.h"
#include "base/text.h"
#include "config/config_text.h"
#include "input/path_input.h"
#include "input/path_source.h"
#include "input/tokenizer.h"
#include "report/json_report.h"
#include "report/memory_tree.h"
#include "report/tree_text.h"
#include "security/ace_text.h"
#include "security/groups.h"
#include "security/path_names.h"
#include "security/security_platform.h"

const char16_t kReportUsage[] =
    u"Usage: ovrix-report [/below] [/json] [filename or @filelist or @8@utf8filelist]...\r\n"
    u"  Writes what ovrix shows for the paths: the indented tree, or with /json\r\n"
    u"  one JSON document. With /below, every folder named is followed by\r\n"
    u"  everything below it (links are named, not entered). Exit code 0: every\r\n"
    u"  path was read; 1: some could not be read (they are still reported);\r\n"
    u"  2: usage error; 3: the report could not be written (the reason goes\r\n"
    u"  to standard error).\r\n";

namespace {

struct Options {
    bool json;
    bool below;
};

// Lower-case ASCII comparison of an option word.
bool IsOption(const char16_t* token, const char16_t* name) {
    for (; *name; token++, name++) {
        char16_t c = *token >= u'A' && *token <= u'Z' ? (char16_t)(*token + 32) : *token;
        if (c != *name) return false;
    }
    return *token == 0;
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
        if (IsOption(token, u"/json")) options->json = true;
        else if (IsOption(token, u"/below")) options->below = true;
        else return false;
        *paths = before;
    }
}

struct Collector {
    TreeSink sink;
    const ReportPlatform* platform;
    GrowingText unknownNames;
    ReportTarget unknownTarget;
    bool outOfMemory;
};

uint32_t Attributes(void* context, const char16_t* name) {
    const Collector* c = static_cast<const Collector*>(context);
    return c->platform->attributes(c->platform->context, name);
}

char* ReadList(void* context, const char16_t* name, uint32_t* size) {
    const Collector* c = static_cast<const Collector*>(context);
    return c->platform->readListFile(c->platform->context, name, size);
}

void LogToError(void* context, const char16_t* line) {
    const Collector* c = static_cast<const Collector*>(context);
    c->platform->writeError(c->platform->context, line);
    c->platform->writeError(c->platform->context, u"\r\n");
}

// AddPath gives a name whose full form it cannot make a root of its own and
// no group; the JSON lists those names as unreadable, each once.
void AddReportPath(void* context, const char16_t* path, uint32_t attributes) {
    Collector* c = static_cast<Collector*>(context);
    if (!AddNewPath(&c->sink, path, attributes)) return;
    char16_t fullPath[kFullPathUnits];
    if (FormFullPath(path, fullPath) != kPlainPathName &&
        !c->unknownTarget.write(&c->unknownNames, path, TextLength(path) + 1))
        c->outOfMemory = true;
}

// Every path the command line names goes the window's way, at once.
void ReadCommandLinePaths(Collector* collector, const char16_t* commandLine, const PathInputPlatform* input,
                          bool below) {
    static CommandLinePaths state;   // a token buffer: kept off the stack
    PathSource source = CommandLineSource(&state, commandLine, input);
    state.below = below;
    const char16_t* path;
    uint32_t attributes;
    while (source.next(source.state, &path, &attributes)) AddReportPath(collector, path, attributes);
    source.close(source.state);
}

bool AllGroupsReadable(const ReportPlatform* platform) {
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot group;
        uint32_t attributes;
        char16_t error[kNodeTextUnits];
        if (CheckGroup(i, platform->attributes, platform->context, &group, &attributes, error) == kGroupUnread)
            return false;
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
    platform->writeError(platform->context, line);
    platform->writeError(platform->context, u"\r\n");
    return kReportWriteFailed;
}

}  // namespace

int RunReport(const char16_t* commandLine, const ReportPlatform* platform) {
    Options options = {false, false};
    const char16_t* paths;
    if (!ReadOptions(commandLine, &options, &paths)) {
        platform->writeError(platform->context, kReportUsage);
        return kReportUsageError;
    }
    MemoryTree tree;
    MemoryTreeInit(&tree);
    Collector collector = {MemoryTreeSink(&tree), platform, {}, {}, false};
    collector.unknownTarget = GrowingTextTarget(&collector.unknownNames);
    ClearGroups();
    PathInputPlatform input = {&collector, Attributes, ReadList, platform->codePages, platform->folders, LogToError};
    ReadCommandLinePaths(&collector, paths, &input, options.below);
    FlushGroupRootTexts(&collector.sink);

    ReportOut* out = static_cast<ReportOut*>(HeapAllocBytes(sizeof(ReportOut)));
    // Short of memory for the output nothing was written: not all was read.
    bool allRead = false, writeFailed = false;
    if (out) {
        ReportOutInit(out, platform->output);
        if (options.json) {
            JsonReportInput json = {&collector.sink, platform->attributes, platform->context,
                                    collector.unknownNames.text};
            allRead = WriteJsonReport(out, &json);
        } else {
            WriteTreeLines(out, &collector.sink);
            allRead = collector.unknownNames.length == 0 && AllGroupsReadable(platform);
        }
        writeFailed = !OutFlush(out, true);
        HeapFreeBytes(out);
    }
    ClearGroups();
    MemoryTreeFree(&tree);
    HeapFreeBytes(collector.unknownNames.text);
    if (writeFailed) return ReportWriteFailure(platform);
    return allRead && !collector.outOfMemory ? kReportAllRead : kReportSomeUnreadable;
}
