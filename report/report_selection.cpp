#include "report/report_selection.h"

bool ReportKeepsGroup(const ReportSelection* selection, const GroupSnapshot* group) {
    FindMatch match;
    return !selection->filter || SecurityMatches(selection->filter, group->security, &match);
}

bool ReportGroupAccess(const ReportSelection* selection, const GroupSnapshot* group, EffectiveAccess* out) {
    ReportAccess* access = selection->access;
    if (!access) return false;
    if (access->check) return access->checkAccess(access->check, group->security, out);
    return access->held.used != 0 && EvaluateSecurityAccess(group->security, &access->held, out);
}
