// "Allow inheritable subfolers,files": every file below a folder gets
// "icacls <file> /inheritance:e /T"; folders themselves are not changed, and
// junctions and symbolic links below the folder are neither entered nor changed.
#include "actions/commands.h"

#include "actions/command_run.h"
#include "actions/node_menus.h"
#include "base/text.h"
#include "config/config_text.h"
#include "input/folder_walk.h"

namespace {

// Runs the command on every file below; false at the first failure, a
// folder that can't be listed or a path too long to name.
bool RunBelow(const ActionPlatform* platform, FolderWalk* walk, const CommandTemplate* command) {
    for (;;) {
        switch (NextWalkEvent(walk)) {
        case kWalkEntry:
            // A link could lead anywhere, also where whoever planted it may
            // not change permissions; it is named and left alone.
            if (IsReparsePoint(walk->attributes)) LogWithText(platform, Translate(u"skipped link: %s"), walk->path);
            else if (!IsFolder(walk->attributes) && !RunTemplateOnPath(platform, command, walk->path)) return false;
            break;
        case kWalkEnd: return true;
        case kWalkUnlisted:
        case kWalkTooLong:
        case kWalkFailed: return false;
        }
    }
}

}  // namespace

bool EnableInheritanceTree(const ActionPlatform* platform, const char16_t* path, uint32_t attributes) {
    CommandTemplate command;
    ComposeTemplate(&command, u"icacls %%s /inheritance:e /T");
    if (!IsFolder(attributes)) return RunTemplateOnPath(platform, &command, path);
    const FolderListing listing = {platform->openFolder, platform->nextFolderEntry, platform->closeFolder,
                                   platform->folderIdentity};
    FolderWalk walk;
    if (!InitFolderWalk(&walk, &listing, kLongestPathUnits)) return false;
    bool ok = WalkBelow(&walk, path) && RunBelow(platform, &walk, &command);
    EndFolderWalk(&walk);
    return ok;
}
