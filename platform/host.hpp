#pragma once
// Host services that differ by operating system but not by desktop: the file
// system and the clocks. One implementation per OS (platform/linux/host_linux.cpp,
// platform/win32/host_win32.cpp); the scripted back end uses the host's real
// files too. File calls: game thread only, each blocks until the file system
// answers.

#include "platform/backend.hpp"

#include <cstdio>
#include <string>

namespace schlingo::platform::host {

// Opens a file by its Windows-1252 name (relative to the working directory, or
// a full path from programDirectory()). Linux converts the name to UTF-8, Windows
// to UTF-16 for the wide file API. mode is an fopen mode ("rb", "wb", "ab").
// Returns nullptr when the file cannot be opened (or names a directory).
std::FILE* openFile(const std::string& name, const char* mode);

// The size in bytes of an open file (0 for one that has no size, such as a
// device), or -1 when it cannot be had.
long long fileSize(std::FILE* f);

// Flushes the C buffer and the operating system's cache of f to the disk.
bool flushToDisk(std::FILE* f);

// Cuts an open file back to `size` bytes, e.g. after a write that got only
// part of its bytes onto a full disk. False when it could not be done.
bool truncateFile(std::FILE* f, long long size);

// Replaces `target` by `source` in one step (rename / MoveFileEx with replace
// and write-through). Both are Windows-1252 names. False leaves both as they were.
bool replaceFile(const std::string& source, const std::string& target);

// Removes a file; false when it was not there or could not be removed.
bool removeFile(const std::string& name);

// The directory that holds the program's executable, without a trailing
// separator (a drive root keeps its own), as a Windows-1252 name that openFile
// accepts. Where the real path holds characters that Windows-1252 lacks, the
// host returns another name of the same directory that openFile still finds.
std::string programDirectory();

// The separator of paths on this host.
char pathSeparator();

// Any thread. Seconds of a monotonic counter with fractions: counter / frequency,
// or the millisecond tick count x 0.001 for the rest of the run when the
// frequency cannot be had. The desktop back ends answer timerSeconds() with it.
double monotonicSeconds();

// The local date and time now (desktop back ends answer localTime() with it).
LocalTime localTimeNow();

} // namespace schlingo::platform::host
