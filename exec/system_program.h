// The program that a command line starts. A bare program name ("icacls") is
// looked up in the system folder only: the system's own search would try the
// program's folder and the current folder first, where a planted icacls.exe
// would run with the user's rights.
#pragma once
#include <stdint.h>

enum ProgramResolution {
    kProgramNamedByPath,     // empty, or a path or drive is given: the system starts it as named
    kProgramInSystemFolder,  // out holds systemFolder\name, with ".exe" when name has no extension
    kProgramPathTooLong,     // the full path does not fit into out
};

// Reads the first word of commandLine (leading blanks skipped; quoted or up
// to the next blank, as the system reads it).
ProgramResolution ResolveSystemProgram(const char16_t* commandLine, const char16_t* systemFolder,
                                       char16_t* out, uint32_t capacity);
