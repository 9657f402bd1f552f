#include "actions/command_run.h"

#include "base/format.h"
#include "config/config_text.h"
#include "exec/activity.h"

namespace {

// *started: the command line was handed to the platform to run.
bool RunOnPath(const ActionPlatform* platform, const CommandTemplate* command, const char16_t* path, bool* started) {
    *started = false;
    if (StopRequested()) return false;
    char16_t quoted[kCommandUnits];
    char16_t line[kCommandUnits];
    const char16_t* pathArg = QuoteIfSpaced(path, quoted, kCommandUnits);
    if (!pathArg || !FillTemplate(command, pathArg, line, kCommandUnits)) {
        // A cut line could act on another path or account: run nothing.
        LogWithText(platform, Translate(u"Command line too long, not run: %s"), path);
        return false;
    }
    *started = true;
    return platform->runCommand(platform->owner, line);
}

}  // namespace

void LogWithText(const ActionPlatform* platform, const char16_t* format, const char16_t* text) {
    char16_t line[kCommandUnits];
    FormatText(line, kCommandUnits, format, text);
    platform->appendLog(platform->owner, line);
}

bool LogGroupStop(const ActionPlatform* platform, uint32_t done, const GroupSnapshot* group) {
    char16_t line[kTranslationUnits];
    FormatText(line, kTranslationUnits, Translate(u"Stopped: %d of %d paths done."), (int)done, (int)group->pathCount);
    platform->appendLog(platform->owner, line);
    return false;
}

bool RunTemplateOnPath(const ActionPlatform* platform, const CommandTemplate* command, const char16_t* path) {
    bool started;
    return RunOnPath(platform, command, path, &started);
}

bool RunTemplateOnGroup(const ActionPlatform* platform, const CommandTemplate* command, const GroupSnapshot* group,
                        uint32_t* started) {
    uint32_t done = 0;
    *started = 0;
    for (const char16_t* path = FirstGroupPath(group); path; path = NextGroupPath(path), done++) {
        if (StopRequested()) return LogGroupStop(platform, done, group);
        bool ran;
        const bool ok = RunOnPath(platform, command, path, &ran);
        if (ran) (*started)++;
        // A command the user ended fails as the stop it is.
        if (!ok) return StopRequested() ? LogGroupStop(platform, done, group) : false;
    }
    return true;
}
