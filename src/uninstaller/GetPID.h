#pragma once

#include <sys/types.h>

// Process-table look-ups by short command name: the executable's base name
// cut to kShortNameLength bytes (the kernel's comm when the executable cannot
// be read). Ids are compared as C strings over at most kShortNameLength bytes.
//
// procFolder is the root of the process table, a folder of numeric folders
// holding "exe" and "comm"; tests give a tree of their own.

inline constexpr unsigned kShortNameLength = 16;

// Result codes of GetAllPIDsForProcessName.
enum : int {
    kPIDsFound = 0,
    kNoProcessFound = -1,
    kInvalidArguments = -2,
    kProcessTableUnreadable = -3, // *error receives the system error number
    kOutOfMemory = -4, // *error receives ENOMEM
    kTooManyProcesses = -5, // the ids found until the list was full are kept
};

// Stores the ids of every process of that name in pidList, lowest id first,
// and their count in *numberOfMatchesFound. error may be null.
int GetAllPIDsForProcessName(const char* processName, pid_t pidList[], unsigned numberOfPossiblePIDsInList,
    unsigned* numberOfMatchesFound, int* error, const char* procFolder = "/proc");

// The id of the one process of that name; -1 when there is none, when there
// are several, or when the table cannot be read.
pid_t GetPIDForProcessName(const char* processName, const char* procFolder = "/proc");
