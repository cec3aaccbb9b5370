#pragma once

// The output formats, one row each: everything that tells them apart lives here. The command
// line's -t and its help, the extension of default names, the choice of writer by an output's
// extension, the save dialog's types and its type change all read this table. A new format is a
// writer (a sink of the track) and a row; an option that serves only some formats is a row of
// their option lists.

#include "conversion/command_options.h"
#include "core/file_io.h"
#include "core/settings.h"
#include "writers/track_writer.h"

#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

namespace ostrel {

struct TOutputFormat
{
    std::string_view Name; // on the command line (-t): "nmea", "kml", "gpx"
    std::string_view Extension; // of default names, with its point: ".log", ".kml", ".gpx"
    // Whether an output path with Extension (in any letter case) is written in this format. The
    // first format, NMEA, takes every path that no other format claims.
    bool ChosenByExtension;
    std::string_view DialogLabel; // the save dialog's type: "NMEA Log", "Google Earth", "GPX 1.1"
    std::string_view DialogPatterns; // the type's patterns: "*.log;.log"
    std::string_view ShortName; // for people: "NMEA", "KML", "GPX"
    bool LocalTime; // whether the writer takes the track shifted by the time zone
    // The writer, given the options of its own that it takes from the settings.
    std::unique_ptr<TTrackWriter> (*MakeWriter)(
        TOutputFile& output, const TConvertSettings& settings);
    // The command-line options that serve this format and not every format. An option that
    // serves several formats stands on each of their lists.
    std::span<const TOption<TConvertSettings>> Options;
};

// Every format, in the order of the save dialog's types (index 1 is the first).
std::span<const TOutputFormat> OutputFormats();

// The format an output path is written in: the one whose extension it ends with, in any letter
// case; NMEA for any other.
const TOutputFormat& FormatOfPath(const std::filesystem::path& output);

// The format of a command-line name; nothing for an unknown name.
const TOutputFormat* FormatNamed(std::string_view name);

// The save dialog's type index of a format (1, 2, ...), and the format of an index (the first
// for an index out of range).
int DialogIndexOf(const TOutputFormat& format);
const TOutputFormat& FormatOfDialogIndex(int index);

} // namespace ostrel
