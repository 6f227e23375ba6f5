#pragma once
// Host services that differ by operating system but not by desktop: the file
// system and the clocks. One implementation per OS (platform/backends/linux/host_linux.cpp,
// platform/backends/win32/host_win32.cpp); the scripted back end uses the host's real
// files too. File calls: game thread only, each blocks until the file system
// answers.

#include "platform/seam/backend.hpp"

#include <cstdio>
#include <string>
#include <string_view>

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

// Makes `bytes` the whole content of the file `name` (Windows-1252), which is
// created if missing. The bytes go to a new file beside it, made exclusively
// under a name nobody else uses, flushed to disk and renamed over it in one
// step, so a killed program leaves the old or the new content. The new file
// takes the old one's owner, group and permissions (Windows: its attributes
// and security). Where that cannot be had, where the file has other names
// (hard links) that a rename would leave behind, or where no file can be made
// beside it or put in its place (a read-only folder, a file mounted or held
// open there) but the file itself may be written, it is rewritten in place
// with one write and cut to the new length. A symbolic link stays a link (its
// target gets the bytes). A read-only file, a directory or another
// non-regular file in its place is left alone. False when the bytes were not
// written; the temporary file is gone again then, and the old content stays
// wherever the host can keep it.
bool writeWholeFile(const std::string& name, std::string_view bytes);

// The directory that holds the program's executable, without a trailing
// separator (a drive root keeps its own), as a Windows-1252 name that openFile
// accepts. Where the real path holds characters that Windows-1252 lacks, the
// host returns another name of the same directory that openFile still finds.
std::string programDirectory();

// Any thread; does not block. The separator of paths on this host.
char pathSeparator();

// Any thread. Seconds of a monotonic counter with fractions: counter / frequency,
// or the millisecond tick count x 0.001 for the rest of the run when the
// frequency cannot be had. The desktop back ends answer timerSeconds() with it.
double monotonicSeconds();

// Any thread; does not block. The local date and time now (desktop back ends
// answer localTime() with it).
LocalTime localTimeNow();

} // namespace schlingo::platform::host
