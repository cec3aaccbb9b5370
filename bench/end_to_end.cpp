// ostrel-bench-e2e: end-to-end throughput of the conversion.
//
// For each log size it writes a synthetic log, then converts it to NMEA, KML, GPX, GeoJSON and the
// CSV of the records (waypoints on, 2 minutes, +9 h, the car filter) through ProcFile, and measures
// the floor: reading the same log and writing an output of the same size as the conversion's
// through the same file layer. Every measurement runs in a fresh child process of this program, so
// that each peak of memory (the peak resident set, VmHWM, which is ru_maxrss of a fresh process)
// belongs to that one conversion alone. Optionally it times Debian's gpsbabel on the same track
// (our NMEA output of it as its input, TZ=UTC) and ostrel-convert with one and with two jobs on a
// batch of logs. Logs of 1,000,000 fixes and more are converted again with their records on two
// threads and on one a processor core (when that is more). Nothing is asserted: it reports.

#include "conversion/conversion.h"
#include "core/file_io.h"
#include "synthetic_log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace ostrel;
using Clock = std::chrono::steady_clock;

namespace {

// One measured run.
struct TRun
{
    double Seconds = 0; // wall time of the work alone (seconds)
    double CpuSeconds = 0; // processor time (user and system) of the work alone (seconds)
    long PeakKiB = 0; // peak resident memory of the process (KiB)
    std::uint64_t OutputBytes = 0;
};

// Best, median and worst of repeated runs of one kind, by wall time or by processor time.
struct TSeries
{
    std::vector<TRun> Runs;

    double Best(bool cpu = false) const { return Sorted(cpu).front(); }
    double Worst(bool cpu = false) const { return Sorted(cpu).back(); }
    double Median(bool cpu = false) const
    {
        const std::vector<double> s = Sorted(cpu);
        return s.size() % 2 ? s[s.size() / 2] : (s[s.size() / 2 - 1] + s[s.size() / 2]) / 2;
    }
    long PeakKiB() const
    {
        long peak = 0;
        for (const TRun& run : Runs)
            peak = std::max(peak, run.PeakKiB);
        return peak;
    }

private:
    std::vector<double> Sorted(bool cpu) const
    {
        std::vector<double> s;
        for (const TRun& run : Runs)
            s.push_back(cpu ? run.CpuSeconds : run.Seconds);
        std::sort(s.begin(), s.end());
        return s;
    }
};

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "ostrel-bench-e2e: %s\n", message.c_str());
    std::exit(2);
}

// Peak resident memory of this process (KiB). getrusage's ru_maxrss of a child started with
// fork and exec also counts the parent's peak before the exec, so the peak of the program image
// itself, VmHWM, is read where Linux shows it.
long OwnPeakKiB()
{
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kib = -1;
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1)
                break;
        }
        std::fclose(status);
        if (kib >= 0)
            return kib;
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long ParentPeakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double OwnCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// ---- The child: one conversion, one floor run, or nothing at all ---------------------------

TConvertSettings BenchSettings()
{
    TConvertSettings settings;
    settings.SpeedLimitKmh = bench::kBenchSpeedLimitKmh;
    settings.TimeZoneHours = 9;
    settings.WaypointIntervalMin = 2;
    settings.WayPoints = true;
    settings.CurrentYear = bench::kBenchCurrentYear;
    return settings;
}

// Reads the whole input and writes `bytes` bytes of it, again and again as needed, through the
// same reader and output file as a conversion.
void Floor(const fs::path& input, const fs::path& output, std::uint64_t bytes)
{
    constexpr std::size_t kBlock = 1 << 18;
    std::unique_ptr<char[]> block(new char[kBlock]);
    TInputFile in(input);
    TOutputFile out(output);
    std::uint64_t written = 0;
    for (;;) {
        const std::size_t got = in.Read(block.get(), kBlock);
        if (got == 0)
            break;
        const std::size_t n
            = static_cast<std::size_t>(std::min<std::uint64_t>(got, bytes - written));
        out.Write({ block.get(), n });
        written += n;
    }
    // An output larger than the input: the rest from the last block.
    while (written < bytes) {
        const std::size_t n
            = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, bytes - written));
        out.Write({ block.get(), n });
        written += n;
    }
    out.Commit();
}

int RunChild(const std::vector<std::string>& args)
{
    // args: kind input output [bytes], or convert input output [threads [from-lines]]
    const std::string& kind = args.at(0);
    const double cpuStart = OwnCpuSeconds();
    const Clock::time_point start = Clock::now();
    try {
        if (kind == "convert") {
            TConvertSettings settings = BenchSettings();
            if (args.size() > 3)
                settings.Threads = static_cast<unsigned>(std::stoul(args[3]));
            if (args.size() > 4)
                settings.ThreadsFromLines = std::stoull(args[4]);
            ProcFile(args.at(1), args.at(2), settings);
        } else if (kind == "floor") {
            Floor(args.at(1), args.at(2), std::stoull(args.at(3)));
        } else if (kind == "generate") { // generate log fixes seed
            bench::WriteSyntheticLog(args.at(1), std::stoull(args.at(2)), std::stoull(args.at(3)));
        } else if (kind != "idle") {
            Fail("unknown child " + kind);
        }
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpuSeconds = OwnCpuSeconds() - cpuStart;
    std::error_code ec;
    const std::uint64_t size = kind == "idle" ? 0
        : kind == "generate"                  ? fs::file_size(args.at(1), ec)
                                              : fs::file_size(args.at(2), ec);
    std::printf("%.9f %.6f %ld %llu\n", seconds, cpuSeconds, OwnPeakKiB(),
        static_cast<unsigned long long>(size));
    return 0;
}

// ---- Running children -------------------------------------------------------------------

struct TProcessResult
{
    double Seconds; // wall time from start to exit (seconds)
    double CpuSeconds; // processor time, user and system (seconds)
    long PeakKiB;
    std::string Stdout;
    int Status;
};

// Runs a program with the given arguments; its standard output is collected, its standard error
// goes to /dev/null when quiet. `tzUtc` sets TZ=UTC in its environment.
TProcessResult Spawn(const std::vector<std::string>& argv, bool quiet, bool tzUtc = false)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        Fail("pipe failed");
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        Fail("fork failed");
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (quiet) {
            if (std::FILE* null = std::fopen("/dev/null", "w"))
                dup2(fileno(null), STDERR_FILENO);
        }
        if (tzUtc)
            setenv("TZ", "UTC", 1);
        std::vector<char*> raw;
        for (const std::string& arg : argv)
            raw.push_back(const_cast<char*>(arg.c_str()));
        raw.push_back(nullptr);
        execvp(raw[0], raw.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string text;
    char chunk[4096];
    for (;;) {
        const ssize_t got = read(pipeFds[0], chunk, sizeof chunk);
        if (got > 0)
            text.append(chunk, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    close(pipeFds[0]);
    int status = 0;
    rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            Fail("wait failed");
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return { seconds, cpu, usage.ru_maxrss, text, status };
}

std::string g_self; // this program, for its children

TRun RunInChild(const std::vector<std::string>& args)
{
    std::vector<std::string> argv { g_self, "--child" };
    argv.insert(argv.end(), args.begin(), args.end());
    const TProcessResult result = Spawn(argv, false);
    if (!WIFEXITED(result.Status) || WEXITSTATUS(result.Status) != 0)
        Fail("child failed: " + args.at(0));
    TRun run;
    unsigned long long bytes = 0;
    if (std::sscanf(result.Stdout.c_str(), "%lf %lf %ld %llu", &run.Seconds, &run.CpuSeconds,
            &run.PeakKiB, &bytes)
        != 4)
        Fail("child reported nothing: " + args.at(0));
    run.OutputBytes = bytes;
    return run;
}

void Remove(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

// ---- The measurements ------------------------------------------------------------------

struct TOptions
{
    std::vector<std::uint64_t> Sizes { 100'000, 1'000'000, 10'000'000 };
    int Repeat = 5;
    fs::path Dir;
    std::string Gpsbabel = "gpsbabel"; // "none" skips it
    std::uint64_t GpsbabelMax = 1'000'000; // largest log gpsbabel converts
    int GpsbabelRepeat = 2;
    std::string Convert; // ostrel-convert, for the jobs measurement; empty skips it
    int JobsLogs = 8;
    std::uint64_t JobsFixes = 1'000'000;
    std::uint64_t ThreadsFrom = 1'000'000; // smallest log also converted on several threads
};

// The outputs measured: their names in the tables and the extensions that choose their writers.
struct TOutputKind
{
    const char* Name;
    const char* Extension;
};
constexpr TOutputKind kKinds[] = { { "NMEA", ".log" }, { "KML", ".kml" }, { "GPX", ".gpx" },
    { "GeoJSON", ".geojson" }, { "CSV", ".csv" } };
constexpr int kKindCount = static_cast<int>(std::size(kKinds));

// The thread counts of one log beyond one: two, and one a processor core when that is more.
std::vector<unsigned> MoreThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    std::vector<unsigned> counts { 2 };
    if (cores > 2)
        counts.push_back(cores);
    return counts;
}

struct TSizeResult
{
    std::uint64_t Fixes = 0;
    std::uint64_t InputBytes = 0;
    TSeries Conversions[kKindCount], Floors[kKindCount]; // by kKinds
    // The same conversions on MoreThreads()'s counts, measured right after each one-thread run.
    std::vector<TSeries> Threaded[kKindCount];
    std::optional<TSeries> BabelNmea, BabelKml;
    std::uint64_t BabelFixes = 0; // fixes in gpsbabel's input
};

double Mb(std::uint64_t bytes)
{
    return static_cast<double>(bytes) / 1e6;
}

double MiB(long kib)
{
    return static_cast<double>(kib) / 1024;
}

void Progress(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Progress(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
}

bool HaveProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t from = 0;
    for (;;) {
        const std::size_t colon = dirs.find(':', from);
        const std::string dir = dirs.substr(from, colon - from);
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0)
            return true;
        if (colon == std::string::npos)
            return false;
        from = colon + 1;
    }
}

TSizeResult MeasureSize(const TOptions& options, std::uint64_t fixes)
{
    TSizeResult result;
    result.Fixes = fixes;
    const fs::path log = options.Dir / "input.log";
    const fs::path floor = options.Dir / "floor.out";

    Progress("%llu fixes: writing the log ... ", static_cast<unsigned long long>(fixes));
    result.InputBytes
        = RunInChild({ "generate", log, std::to_string(fixes), "20250401" }).OutputBytes;
    Progress("%.1f MB\n", Mb(result.InputBytes));

    // One conversion, then the floor of as many bytes.
    const auto measure
        = [&](const char* name, const fs::path& output, TSeries& conversion, TSeries& floorSeries) {
              Progress("%s", name);
              conversion.Runs.push_back(RunInChild({ "convert", log, output }));
              Remove(output);
              Progress(", floor");
              floorSeries.Runs.push_back(RunInChild(
                  { "floor", log, floor, std::to_string(conversion.Runs.back().OutputBytes) }));
              Remove(floor);
          };
    const std::vector<unsigned> threads
        = fixes >= options.ThreadsFrom ? MoreThreads() : std::vector<unsigned> {};
    for (int kind = 0; kind < kKindCount; ++kind)
        result.Threaded[kind].resize(threads.size());
    for (int r = 0; r < options.Repeat; ++r) {
        Progress("  run %d of %d: ", r + 1, options.Repeat);
        for (int kind = 0; kind < kKindCount; ++kind) {
            Progress("%s", kind > 0 ? ", " : "");
            const fs::path output = options.Dir / (std::string("out") + kKinds[kind].Extension);
            measure(kKinds[kind].Name, output, result.Conversions[kind], result.Floors[kind]);
            for (std::size_t t = 0; t < threads.size(); ++t) {
                Progress(" %u threads", threads[t]);
                result.Threaded[kind][t].Runs.push_back(
                    RunInChild({ "convert", log, output, std::to_string(threads[t]) }));
                Remove(output);
            }
        }
        Progress("\n");
    }

    if (options.Gpsbabel != "none" && fixes <= options.GpsbabelMax) {
        // gpsbabel reads the track as NMEA: our own NMEA output of the log, a GGA and an RMC
        // sentence per kept fix.
        const fs::path track = options.Dir / "track.nmea";
        RunInChild({ "convert", log, track });
        result.BabelFixes = 0;
        {
            std::FILE* file = std::fopen(track.c_str(), "rb");
            char line[256];
            while (file && std::fgets(line, sizeof line, file))
                result.BabelFixes += std::strncmp(line, "$GPRMC", 6) == 0;
            if (file)
                std::fclose(file);
        }
        const fs::path out = options.Dir / "babel.out";
        result.BabelNmea.emplace();
        result.BabelKml.emplace();
        for (int r = 0; r < options.GpsbabelRepeat; ++r) {
            for (int kind = 0; kind < 2; ++kind) {
                Progress("  gpsbabel run %d of %d: %s\n", r + 1, options.GpsbabelRepeat,
                    kind == 0 ? "NMEA" : "KML");
                const TProcessResult p = Spawn({ options.Gpsbabel, "-i", "nmea", "-f", track, "-o",
                                                   kind == 0 ? "nmea" : "kml,points=0", "-F", out },
                    true, true);
                if (!WIFEXITED(p.Status) || WEXITSTATUS(p.Status) != 0)
                    Fail("gpsbabel failed");
                std::error_code ec;
                TRun run { p.Seconds, p.CpuSeconds, p.PeakKiB, fs::file_size(out, ec) };
                (kind == 0 ? *result.BabelNmea : *result.BabelKml).Runs.push_back(run);
                Remove(out);
            }
        }
        Remove(track);
    }
    Remove(log);
    return result;
}

// ostrel-convert -j 1 and -j 2 on a batch of logs, each in its own folder (default output names
// beside the logs).
// The outputs of the jobs measurement, by kKinds.
constexpr int kJobsKinds[] = { 0, 1, 2 }; // NMEA, KML, GPX
constexpr const char* kJobsTypes[] = { "nmea", "kml", "gpx" }; // their -t

struct TJobsResult
{
    std::uint64_t Fixes = 0; // in the whole batch
    TSeries One[std::size(kJobsKinds)], Two[std::size(kJobsKinds)];
};

TJobsResult MeasureJobs(const TOptions& options)
{
    TJobsResult result;
    std::vector<fs::path> logs;
    Progress("jobs: writing %d logs of %llu fixes\n", options.JobsLogs,
        static_cast<unsigned long long>(options.JobsFixes));
    for (int i = 0; i < options.JobsLogs; ++i) {
        const fs::path folder = options.Dir / ("batch" + std::to_string(i));
        fs::create_directories(folder);
        logs.push_back(folder / "input.log");
        RunInChild({ "generate", logs.back(), std::to_string(options.JobsFixes),
            std::to_string(1000 + i) });
        result.Fixes += options.JobsFixes;
    }
    const auto removeOutputs = [&] {
        for (const fs::path& log : logs) {
            for (const auto& entry : fs::directory_iterator(log.parent_path())) {
                if (entry.path().filename() != "input.log")
                    Remove(entry.path());
            }
        }
    };
    for (int r = 0; r < options.Repeat; ++r) {
        for (std::size_t k = 0; k < std::size(kJobsKinds); ++k) {
            const TOutputKind& kind = kKinds[kJobsKinds[k]];
            for (int jobs = 1; jobs <= 2; ++jobs) {
                Progress("  run %d of %d: %s, -j %d\n", r + 1, options.Repeat, kind.Name, jobs);
                std::vector<std::string> argv { options.Convert, "-t", kJobsTypes[k], "-m", "car",
                    "-j", std::to_string(jobs) };
                for (const fs::path& log : logs)
                    argv.push_back(log);
                const TProcessResult p = Spawn(argv, false);
                if (!WIFEXITED(p.Status) || WEXITSTATUS(p.Status) != 0)
                    Fail("ostrel-convert failed");
                (jobs == 1 ? result.One : result.Two)[k].Runs.push_back(
                    { p.Seconds, p.CpuSeconds, p.PeakKiB, 0 });
                removeOutputs();
            }
        }
    }
    for (const fs::path& log : logs)
        fs::remove_all(log.parent_path());
    return result;
}

std::vector<std::uint64_t> ParseSizes(const std::string& text)
{
    std::vector<std::uint64_t> sizes;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t comma = text.find(',', from);
        sizes.push_back(std::stoull(text.substr(from, comma - from)));
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    return sizes;
}

TOptions ParseOptions(int argc, char** argv)
{
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--sizes")
            options.Sizes = ParseSizes(value());
        else if (arg == "--repeat")
            options.Repeat = std::max(1, std::stoi(value()));
        else if (arg == "--dir")
            options.Dir = value();
        else if (arg == "--gpsbabel")
            options.Gpsbabel = value();
        else if (arg == "--gpsbabel-max")
            options.GpsbabelMax = std::stoull(value());
        else if (arg == "--gpsbabel-repeat")
            options.GpsbabelRepeat = std::max(1, std::stoi(value()));
        else if (arg == "--convert")
            options.Convert = value();
        else if (arg == "--jobs-logs")
            options.JobsLogs = std::max(1, std::stoi(value()));
        else if (arg == "--jobs-fixes")
            options.JobsFixes = std::stoull(value());
        else if (arg == "--threads-from")
            options.ThreadsFrom = std::stoull(value());
        else if (arg == "-h" || arg == "--help") {
            std::printf(
                "Usage: ostrel-bench-e2e [--sizes N,N,...] [--repeat R] [--dir DIR]\n"
                "         [--gpsbabel PATH|none] [--gpsbabel-max N] [--gpsbabel-repeat R]\n"
                "         [--convert PATH-TO-ostrel-convert] [--jobs-logs K] [--jobs-fixes N]\n"
                "         [--threads-from N]\n");
            std::exit(0);
        } else {
            Fail("unknown option " + arg);
        }
    }
    return options;
}

// The conversions of one output kind (by kKinds) and their floors.
const TSeries& Conversions(const TSizeResult& r, int kind)
{
    return r.Conversions[kind];
}
const TSeries& Floors(const TSizeResult& r, int kind)
{
    return r.Floors[kind];
}

void PrintThreads(const std::vector<TSizeResult>& results)
{
    const std::vector<unsigned> threads = MoreThreads();
    bool any = false;
    for (const TSizeResult& r : results)
        any = any || !r.Threaded[0].empty();
    if (!any)
        return;
    std::printf("\nOne log on several threads (%u processors): the same conversions, each run "
                "right after its one-thread run. Speed-up: the one-thread wall time over this "
                "one's, of the best runs (of the medians in brackets).\n\n",
        std::thread::hardware_concurrency());
    std::printf("| fixes | output | threads | fixes/s wall | median | fixes/s cpu | speed-up "
                "| peak memory |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|---:|\n");
    for (const TSizeResult& r : results) {
        if (r.Threaded[0].empty())
            continue;
        const double fixes = static_cast<double>(r.Fixes);
        for (int kind = 0; kind < kKindCount; ++kind) {
            const TSeries& one = r.Conversions[kind];
            std::printf("| %llu | %s | 1 | %.0f | %.0f | %.0f | 1 | %.2f MiB |\n",
                static_cast<unsigned long long>(r.Fixes), kKinds[kind].Name, fixes / one.Best(),
                fixes / one.Median(), fixes / one.Best(true), MiB(one.PeakKiB()));
            for (std::size_t t = 0; t < threads.size(); ++t) {
                const TSeries& s = r.Threaded[kind][t];
                std::printf("| %llu | %s | %u | %.0f | %.0f | %.0f | %.2f (%.2f) | %.2f MiB |\n",
                    static_cast<unsigned long long>(r.Fixes), kKinds[kind].Name, threads[t],
                    fixes / s.Best(), fixes / s.Median(), fixes / s.Best(true),
                    one.Best() / s.Best(), one.Median() / s.Median(), MiB(s.PeakKiB()));
            }
        }
    }
}

void PrintTable(const std::vector<TSizeResult>& results, long idleKiB)
{
    std::printf("\nEnd to end through ProcFile, one conversion per process. Fixes: record lines "
                "of the log; MB = 10^6 bytes of input.\n"
                "wall: best of the runs (median .. worst); cpu: by user + system time, best of "
                "the runs; floor: the conversion's best time over the floor's best time.\n\n");
    std::printf("| fixes | output | fixes/s wall | median .. worst | fixes/s cpu | input MB/s "
                "| peak memory | floor ratio wall | floor ratio cpu |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const TSizeResult& r : results) {
        for (int kind = 0; kind < kKindCount; ++kind) {
            const TSeries& s = Conversions(r, kind);
            const TSeries& f = Floors(r, kind);
            const double fixes = static_cast<double>(r.Fixes);
            std::printf("| %llu | %s | %.0f | %.0f .. %.0f | %.0f | %.0f | %.2f MiB | %.2f | "
                        "%.2f |\n",
                static_cast<unsigned long long>(r.Fixes), kKinds[kind].Name, fixes / s.Best(),
                fixes / s.Median(), fixes / s.Worst(), fixes / s.Best(true),
                Mb(r.InputBytes) / s.Best(), MiB(s.PeakKiB()), s.Best() / f.Best(),
                s.Best(true) / std::max(f.Best(true), 1e-6));
        }
    }
    std::printf("\nFloor: read the log and write as many bytes as the conversion wrote, through "
                "the same file layer.\n\n");
    std::printf("| fixes | output bytes | floor s wall | median .. worst | floor s cpu | floor "
                "input MB/s | peak memory |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|\n");
    for (const TSizeResult& r : results) {
        for (int kind = 0; kind < kKindCount; ++kind) {
            const TSeries& s = Conversions(r, kind);
            const TSeries& f = Floors(r, kind);
            std::printf("| %llu | %s %.1f MB | %.4f | %.4f .. %.4f | %.4f | %.0f | %.2f MiB |\n",
                static_cast<unsigned long long>(r.Fixes), kKinds[kind].Name,
                Mb(s.Runs.front().OutputBytes), f.Best(), f.Median(), f.Worst(), f.Best(true),
                Mb(r.InputBytes) / f.Best(), MiB(f.PeakKiB()));
        }
    }
    PrintThreads(results);
    std::printf("\nA child process that converts nothing peaks at %.2f MiB. The peaks of gpsbabel "
                "and ostrel-convert come from wait4 and include this program's own peak of "
                "%.2f MiB before their exec.\n",
        MiB(idleKiB), MiB(ParentPeakKiB()));

    bool babel = false;
    for (const TSizeResult& r : results)
        babel = babel || r.BabelNmea;
    if (!babel)
        return;
    std::printf("\ngpsbabel (TZ=UTC) converting the same track, written as NMEA by us; best of "
                "its runs, process start included. Ratio: our fixes/s over its fixes/s.\n\n");
    std::printf("| fixes | output | gpsbabel fixes/s wall | cpu | its peak memory | ours wall | "
                "ours cpu | ratio wall | ratio cpu |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const TSizeResult& r : results) {
        if (!r.BabelNmea)
            continue;
        for (int kind = 0; kind < 2; ++kind) {
            const TSeries& b = kind == 0 ? *r.BabelNmea : *r.BabelKml;
            const TSeries& s = r.Conversions[kind]; // NMEA, KML
            const double theirFixes = static_cast<double>(r.BabelFixes);
            const double ourFixes = static_cast<double>(r.Fixes);
            const double theirs = theirFixes / b.Best();
            const double theirsCpu = theirFixes / b.Best(true);
            const double ours = ourFixes / s.Best();
            const double oursCpu = ourFixes / s.Best(true);
            std::printf("| %llu | %s | %.0f | %.0f | %.1f MiB | %.0f | %.0f | %.1f | %.1f |\n",
                static_cast<unsigned long long>(r.BabelFixes),
                kind == 0 ? "NMEA" : "KML (points=0)", theirs, theirsCpu, MiB(b.PeakKiB()), ours,
                oursCpu, ours / theirs, oursCpu / theirsCpu);
        }
    }
}

void PrintJobs(const TJobsResult& jobs, int logs)
{
    std::printf("\nostrel-convert on a batch of %d logs (%llu fixes in all), wall time including "
                "process start; best of the runs (median in brackets):\n\n",
        logs, static_cast<unsigned long long>(jobs.Fixes));
    std::printf("| output | -j 1 s | -j 2 s | -j 1 fixes/s | -j 2 fixes/s | speed-up | "
                "peak memory -j 1 | -j 2 |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (std::size_t kind = 0; kind < std::size(kJobsKinds); ++kind) {
        const double one = jobs.One[kind].Best();
        const double two = jobs.Two[kind].Best();
        const double fixes = static_cast<double>(jobs.Fixes);
        std::printf("| %s | %.3f (%.3f) | %.3f (%.3f) | %.0f | %.0f | %.2f (%.2f) | %.1f MiB | "
                    "%.1f MiB |\n",
            kKinds[kJobsKinds[kind]].Name, one, jobs.One[kind].Median(), two,
            jobs.Two[kind].Median(), fixes / one, fixes / two, one / two,
            jobs.One[kind].Median() / jobs.Two[kind].Median(), MiB(jobs.One[kind].PeakKiB()),
            MiB(jobs.Two[kind].PeakKiB()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0)
        return RunChild(std::vector<std::string>(argv + 2, argv + argc));

    std::error_code ec;
    g_self = fs::canonical("/proc/self/exe", ec).string();
    if (g_self.empty())
        g_self = argv[0];
    TOptions options = ParseOptions(argc, argv);

    bool ownDir = false;
    if (options.Dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ostrel-bench-XXXXXX";
        if (!mkdtemp(pattern.data()))
            Fail("cannot create a folder under " + pattern);
        options.Dir = pattern;
        ownDir = true;
    } else {
        fs::create_directories(options.Dir);
    }
    if (options.Gpsbabel != "none" && !HaveProgram(options.Gpsbabel)) {
        Progress("gpsbabel not found: its comparison is skipped\n");
        options.Gpsbabel = "none";
    }
    if (!options.Convert.empty() && !HaveProgram(options.Convert)) {
        Progress("%s not found: the jobs comparison is skipped\n", options.Convert.c_str());
        options.Convert.clear();
    }

    const long idleKiB = RunInChild({ "idle" }).PeakKiB;
    std::vector<TSizeResult> results;
    for (std::uint64_t fixes : options.Sizes)
        results.push_back(MeasureSize(options, fixes));
    std::optional<TJobsResult> jobs;
    if (!options.Convert.empty())
        jobs = MeasureJobs(options);
    if (ownDir)
        fs::remove_all(options.Dir, ec);

    PrintTable(results, idleKiB);
    if (jobs)
        PrintJobs(*jobs, options.JobsLogs);
    return 0;
}
