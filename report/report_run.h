// The console report from its command line to its exit code: options, the
// paths through the same input and AddPath as the window (their nodes go
// nowhere), then the groups as text or JSON, written group by group.
#pragma once
#include <stdint.h>

#include "config/file_text.h"
#include "input/folder_walk.h"
#include "report/report_out.h"

const int kReportAllRead = 0;
const int kReportSomeUnreadable = 1;
const int kReportUsageError = 2;
const int kReportWriteFailed = 3;

struct ReportPlatform {
    void* context;
    uint32_t (*attributes)(void* context, const char16_t* name);
    char* (*readListFile)(void* context, const char16_t* name, uint32_t* size);   // as PathInputPlatform's
    const CodePageConverter* codePages;
    ReportTarget output;                        // standard output
    void (*writeError)(void* context, const char16_t* text);   // standard error
    // Why output last refused text, as the system words it (a full disk, a
    // closed pipe), into capacity units.
    void (*outputFailure)(void* context, char16_t* text, uint32_t capacity);
    const FolderListing* folders;   // for /below
};

// The usage text (not translated: scripts and their authors read it).
extern const char16_t kReportUsage[];

// Runs the report for the command line (its first token the program's own
// name) and returns the exit code.
int RunReport(const char16_t* commandLine, const ReportPlatform* platform);
