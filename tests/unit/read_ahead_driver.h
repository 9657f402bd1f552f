// Reads the paths of a source into the groups one at a time (readers 0) or
// read ahead by readers, as the window and the report take them: for the
// native tests and benchmarks.
#pragma once
#include <functional>
#include <memory>

#include "input/path_source.h"
#include "security/read_ahead.h"

typedef std::function<PathSource(const PathInputPlatform*)> SourceMaker;

// Makes the source with the platform it must use, then hands every path
// taken to took (whether it was added) until took says stop or the source
// ends; false when the reading could not start.
inline bool DriveReading(const PathInputPlatform& input, uint32_t readers, const SourceMaker& make,
                         const TreeSink* tree, const std::function<bool(const char16_t*, bool)>& took) {
    std::unique_ptr<ReadAhead> ahead(new ReadAhead);
    const PathInputPlatform* caught = &input;
    if (readers && !PrepareReadAhead(ahead.get(), &input, readers, &caught)) return false;
    PathSource source = make(caught);
    // No thread to be had: one path at a time, as with readers 0.
    ReadAhead* started = readers && StartReadAhead(ahead.get(), &source) ? ahead.get() : nullptr;
    const char16_t* path;
    uint32_t attributes;
    while (source.next(source.state, &path, &attributes))
        if (!took(path, AddTakenPath(started, tree, path, attributes))) break;
    source.close(source.state);
    return true;
}
