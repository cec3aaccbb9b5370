#pragma once

// What each platform gives the file layer (file_io_posix.cpp, file_io_win.cpp): a few primitives
// over the system's own files. The placement rules built on them (standard output's copy,
// replacing, claiming a new name, the counters) are written once, in file_io.cpp.

#include "core/file_io.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace ostrel::detail {

// An output under way: an unnamed (or hidden temporary) file in the folder where it goes, and
// that folder held open where the platform can hold one. Dropping it removes the file.
struct TNativeOutput;
using TNativeOutputPtr = std::unique_ptr<TNativeOutput, TNativeOutputDeleter>;

struct TOpenedOutput
{
    TNativeOutputPtr Native;
    std::filesystem::path Folder; // the folder it goes to, where scratch files go too
    // Replace: the file replaced or created, a followed link's target in the link's place;
    // otherwise the destination as given.
    std::filesystem::path Target;
};

// Opens an output for destination as the placement wants it: Replace resolves the destination,
// refusing what may not be replaced, and the temporary takes the replaced file's attributes;
// NewName opens the destination's folder; StandardOutput an unnamed file in the temporary folder.
TOpenedOutput OpenOutput(const std::filesystem::path& destination, TPlacement placement);

// Writes all of the bytes.
void WriteOutput(TNativeOutput& output, const char* bytes, std::size_t size);

// Standard output's stand-in: copies it out whole, through buffer.
void CopyToStandardOutput(TNativeOutput& output, char* buffer, std::size_t size);

// Flushes the data to the disk.
void SyncOutput(TNativeOutput& output);

// Gives the output the modification time of the file it replaces, when there is one (Replace).
void KeepReplacedTime(TNativeOutput& output);

// Puts the output in place over its target (Replace), and closes it.
void ReplaceTarget(TNativeOutput& output);

// Gives the output the name (a path in its folder) unless anything holds that name: false when
// something does, and nothing changed.
bool ClaimName(TNativeOutput& output, const std::filesystem::path& name);

// After ClaimName: closes the output under its name, which reaches the disk with its folder.
void FinishClaim(TNativeOutput& output, const std::filesystem::path& name);

// The hidden name of a temporary output: ".ostrel-" and six letters or digits, ".tmp".
std::string TemporaryName();

} // namespace ostrel::detail
