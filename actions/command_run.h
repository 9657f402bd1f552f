// Running a command template on paths: one path, or every path of a group
// in stored order, stopping at the first failure or a stop asked for.
#pragma once
#include <stdint.h>

#include "actions/action_platform.h"
#include "actions/command_text.h"
#include "security/groups.h"

// Quotes the path, fills the template and runs the line; a line that would
// not fit is logged and not run. True when the command succeeded.
bool RunTemplateOnPath(const ActionPlatform* platform, const CommandTemplate* command, const char16_t* path);
// Runs the template for each path in stored order; stops at the first
// failure. True when every path's command succeeded; *started counts the
// paths whose command was started (the last of them may have failed).
bool RunTemplateOnGroup(const ActionPlatform* platform, const CommandTemplate* command, const GroupSnapshot* group,
                        uint32_t* started);
// One log line: format (translated already) with text for its %s.
void LogWithText(const ActionPlatform* platform, const char16_t* format, const char16_t* text);
// The stop asked for while the group's commands ran, after done paths:
// logged, and false.
bool LogGroupStop(const ActionPlatform* platform, uint32_t done, const GroupSnapshot* group);
