#include "conversion/batch.h"

#include "conversion/split_day.h"
#include "core/errors.h"
#include "core/file_io.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace ostrel {

namespace {

namespace fs = std::filesystem;

// One log of the batch. A worker fills Pending or Error and then sets Done under the batch's lock;
// only the calling thread reads them after that.
struct TSlot
{
    fs::path Input;
    bool StandardInput = false;
    fs::path Output; // the path given, or the default name that its output claims
    TPlacement Placement = TPlacement::Replace;
    const TOutputFormat* Format = nullptr; // the output's own extension decides when none
    bool Done = false;
    std::vector<TPendingOutput> Pending; // one output, or one a day

    std::exception_ptr Error;
};

void Convert(TSlot& slot, const TConvertSettings& settings, TTrackProgress* progress) noexcept
{
    try {
        if (slot.StandardInput) {
            // The log on standard input is refused as its own output, as a log named by path.
            if (slot.Placement == TPlacement::Replace && IsStandardInput(slot.Output))
                throw SameFile();
            TLogReader reader { TStandardInput {} };
            const TOutputFormat& format = slot.Format ? *slot.Format : FormatOfPath(slot.Output);
            if (settings.SplitDay) {
                slot.Pending = ConvertLogByDay(
                    reader, slot.Output, settings, slot.Placement, format, progress);
            } else {
                slot.Pending.push_back(
                    ConvertLog(reader, slot.Output, settings, slot.Placement, format, progress));
            }
        } else if (settings.SplitDay) {
            slot.Pending = ConvertFileByDay(
                slot.Input, slot.Output, settings, slot.Placement, slot.Format, progress);
        } else {
            slot.Pending.push_back(ConvertFile(
                slot.Input, slot.Output, settings, slot.Placement, slot.Format, progress));
        }
    } catch (...) {
        slot.Error = std::current_exception();
    }
}

// Decides the outputs in list order: the path given, or each log's default name, which its output
// claims only when it is put in place (the first free alternative then). A log whose name cannot
// be made holds that error.
void PlanOutputs(const TBatchRequest& request, std::vector<TSlot>& slots)
{
    if (request.Output) {
        TSlot& slot = slots.emplace_back();
        slot.Input = request.Inputs.front();
        slot.StandardInput = request.ReadsStandardInput;
        slot.Output = *request.Output;
        if (request.WritesStandardOutput) {
            slot.Placement = TPlacement::StandardOutput;
            slot.Format = request.Format;
        }
        return;
    }
    for (const fs::path& input : request.Inputs) {
        TSlot& slot = slots.emplace_back();
        slot.Input = input;
        slot.Placement = TPlacement::NewName;
        try {
            slot.Output = DefaultOutputName(input, *request.Format, request.Settings.CurrentYear);
            if (request.OutputDir)
                slot.Output = *request.OutputDir / slot.Output.filename();
        } catch (...) {
            slot.Error = std::current_exception();
        }
    }
}

// Runs the slots on worker threads while the calling thread puts the outputs in place and reports
// them in list order. The calling thread converts nothing while a worker runs: waiting there for
// one slot, it would leave the slots after it to the workers alone (a job short, most of the
// time). Without workers it converts every slot itself, one after another.
class TParallelRun
{
public:
    TParallelRun(std::vector<TSlot>& slots, const TBatchRequest& request,
        const TConvertSettings& settings, unsigned workers, std::size_t window)
        : slots_(slots)
        , request_(request)
        , settings_(settings)
        , keepGoing_(request.KeepGoing)
        , window_(window)
    {
        for (unsigned k = 0; k < workers; ++k) {
            try {
                threads_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break; // fewer threads; the calling thread still converts what is left
            }
        }
    }

    ~TParallelRun()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    TParallelRun(const TParallelRun&) = delete;
    TParallelRun& operator=(const TParallelRun&) = delete;

    // Waits until slot index is done; without workers it converts the slot here.
    void WaitFor(std::size_t index)
    {
        std::unique_lock lock(mutex_);
        while (!slots_[index].Done) {
            if (next_ == index && threads_.empty()) {
                ++next_;
                Run(lock, index);
                return;
            }
            changed_.wait(lock);
        }
    }

    // The calling thread is through with the slots before index: later ones may start.
    void Handled(std::size_t count)
    {
        {
            std::lock_guard lock(mutex_);
            handled_ = count;
        }
        changed_.notify_all();
    }

private:
    void Work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock,
                [this] { return stop_ || next_ >= slots_.size() || next_ < handled_ + window_; });
            if (stop_ || next_ >= slots_.size())
                return;
            Run(lock, next_++);
        }
    }

    void Run(std::unique_lock<std::mutex>& lock, std::size_t index)
    {
        TSlot& slot = slots_[index];
        lock.unlock();
        // A slot whose name could not be made holds its error already.
        if (!slot.Error) {
            TTrackProgress* progress = nullptr;
            try {
                if (request_.ProgressOf)
                    progress = request_.ProgressOf(index);
            } catch (...) {
                slot.Error = std::current_exception();
            }
            if (!slot.Error)
                Convert(slot, settings_, progress);
        }
        lock.lock();
        slot.Done = true;
        // A failed log ends the batch, unless it goes on: no log after it starts.
        if (slot.Error && !keepGoing_)
            stop_ = true;
        changed_.notify_all();
    }

    std::vector<TSlot>& slots_;
    const TBatchRequest& request_;
    const TConvertSettings& settings_;
    const bool keepGoing_;
    // Most slots started ahead of the calling thread, which bounds the pending outputs (and
    // their open files) when an early log takes long.
    const std::size_t window_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0; // the next slot to start; slots start in list order
    std::size_t handled_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace

bool ConvertBatch(const TBatchRequest& request, const TBatchReport& report)
{
    if (request.Inputs.empty())
        return true;
    std::vector<TSlot> slots;
    slots.reserve(request.Inputs.size());
    PlanOutputs(request, slots);

    // Each conversion under way holds up to kFilesConverting files open, each finished output
    // waiting for its turn kFilesWaiting: the threads and the outputs waiting stay within what
    // the process may still open, so a low limit slows a batch rather than failing it.
    constexpr std::size_t kFilesConverting = 5; // the log, the output, its folder, scratch files
    constexpr std::size_t kFilesWaiting = 2; // the output and its folder
    const std::size_t files = FilesStillOpenable();
    const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(
        { std::max(request.Jobs, 1u), kMaxJobs, std::max<std::size_t>(slots.size(), 1),
            std::max<std::size_t>(files / kFilesConverting, 1) }));
    const std::size_t spare
        = files > threads * kFilesConverting ? files - threads * kFilesConverting : 0;
    const std::size_t window = threads + std::min<std::size_t>(threads, spare / kFilesWaiting);
    // One job converts on the calling thread; more run on as many workers, the calling thread
    // waiting for their outputs (in the flushes to the disk, mostly). The jobs that no log takes
    // go to the logs under way: one log alone gets them all.
    TConvertSettings settings = request.Settings;
    settings.Threads = std::max({ std::max(request.Jobs, 1u) / threads, settings.Threads, 1u });
    TParallelRun run(slots, request, settings, threads > 1 ? threads : 0, window);
    // Outputs are put in place on this thread in list order, so the same log listed twice gets
    // the default name and then its first alternative.
    TNameCounters counters;
    bool all = true;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        run.WaitFor(i);
        TSlot& slot = slots[i];
        if (!slot.Error) {
            try {
                // A log split by day puts its days in place in day order, each reported.
                for (TPendingOutput& pending : slot.Pending) {
                    const TConversionResult result = pending.Commit(&counters);
                    report.Converted(i, result.Output, result);
                }
            } catch (...) {
                slot.Error = std::current_exception();
            }
            slot.Pending.clear();
        }
        if (slot.Error) {
            report.Failed(i, slot.Error);
            all = false;
            if (!request.KeepGoing)
                return false; // the run's end discards the outputs of the slots after this one
        }
        run.Handled(i + 1);
    }
    return all;
}

} // namespace ostrel
