#include "conversion/cleaning_options.h"

#include <cstdint>

namespace ostrel {

namespace {

std::vector<std::string_view> FilterNames()
{
    return { "speed", "robust" };
}

// How the track is cleaned beyond the speed filter; every stage is off by default.
constexpr TOption<TConvertSettings> kCleaningOptions[] = {
    {
        {
            .Long = "filter",
            .Value = "{choices}",
            .Kind = TValueKind::Choice,
            .Choices = &FilterNames,
            .Default = "speed",
            .Help = "  speed (default) drops a fix whose speed from the last kept one\n"
                    "reaches the limit; robust also drops a lone spike and starts again\n"
                    "after a relocation or a bad first fix (a run of 5 plausible fixes)",
            .Manual = R"(The filter of implausible fixes.
.B speed
(the default) drops a fix whose speed from the last kept fix reaches the limit.
.B robust
drops such a fix as a spike only when the next fix does not confirm it, and starts again from a
run of 5 fixes that are plausible among themselves but not from the last kept fix (a relocation
after a tunnel or a logger switched off, or a first record that was a bad fix, which is then
dropped as an outlier). Fast travel in a slow mode stays dropped.)",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.RobustFilter = value.Choice == 1;
        },
    },
    {
        {
            .Long = "min-move",
            .Value = "M",
            .Kind = TValueKind::Integer,
            .Min = 1,
            .Max = 100000,
            .Proposed = 10,
            .Help = "drop a fix closer than M metres to the last kept one as standing",
            .Manual = R"(Drop a fix closer than
.I M
metres ({range}) to the last kept fix as standing: a logger at rest scatters fixes within a few
metres, which add length and clutter.)",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.MinMoveM = static_cast<std::int32_t>(value.Integer);
        },
    },
    {
        {
            .Long = "from",
            .Value = "TIME",
            .Kind = TValueKind::DateTime,
            .Help = "only the fixes from TIME on (\"YYYY-MM-DD HH:MM[:SS]\", local time)",
            .Manual = R"(Only the fixes from
.I TIME
on: a local date-time in the time zone of
.BR \-z ,
"YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS".)",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.FromLocal = value.DateTime;
        },
    },
    {
        {
            .Long = "to",
            .Value = "TIME",
            .Kind = TValueKind::DateTime,
            .Help = "only the fixes up to TIME (local time, as --from)",
            .Manual = R"(Only the fixes up to
.I TIME
(local time, as
.BR \-\-from ).)",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.ToLocal = value.DateTime;
        },
    },
    {
        {
            .Long = "privacy",
            .Value = "R",
            .Kind = TValueKind::Integer,
            .Min = 1,
            .Max = 1000000,
            .Proposed = 200,
            .Help = "leave out the kept fixes within R metres of the track's start and end",
            .Manual = R"(Leave out of the outputs (their waypoints too) the kept fixes within
.I R
metres ({range}) of the track's start and of its end, so that a home stays private.)",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.PrivacyM = static_cast<std::int32_t>(value.Integer);
        },
    },
    {
        {
            .Long = "split-gap",
            .Value = "MIN",
            .Kind = TValueKind::Integer,
            .Min = 1,
            .Max = 1000000,
            .Proposed = 30,
            .Help = "a gap of at least MIN minutes between kept fixes starts a new segment",
            .Manual = R"(A gap of at least
.I MIN
minutes between kept fixes starts a new segment: in GPX a new trkseg, in KML a new line of the
route; NMEA is unchanged.)",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.SplitGapMin = static_cast<std::int32_t>(value.Integer);
        },
    },
    {
        {
            .Long = "split-day",
            .Help = "one output per local calendar day, each named by its own first fix\n"
                    "(with -o NAME.ext: NAME_1.ext, NAME_2.ext, ... in day order)",
            .Manual = R"(One output per local calendar day, each under the default name of its
own first fix; with
.BI "\-o " NAME.ext
the days are
.IR NAME _1. ext ,
.IR NAME _2. ext ,
\&... in day order.)",
        },
        [](TConvertSettings& settings, const TOptionValue&) { settings.SplitDay = true; },
    },
    {
        {
            .Long = "simplify",
            .Value = "M",
            .Kind = TValueKind::Integer,
            .Min = 1,
            .Max = 100000,
            .Proposed = 5,
            .Help = "keep in the route only the fixes needed to stay within M metres",
            .Manual = R"(Keep in the route and the track only the fixes needed to stay within
.I M
metres ({range}) of the kept track (Douglas\-Peucker, per segment); the waypoints fall on the
kept track as before.)",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.SimplifyM = static_cast<std::int32_t>(value.Integer);
        },
    },
};

} // namespace

std::span<const TOption<TConvertSettings>> CleaningOptions()
{
    return kCleaningOptions;
}

} // namespace ostrel
