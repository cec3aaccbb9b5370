#include "geo/record_blocks.h"

#include <algorithm>
#include <string_view>
#include <system_error>

namespace ostrel {

struct TRecordBlocks::TBlock
{
    enum class TState
    {
        Queued,
        Working,
        Done,
    };

    std::vector<char> Text; // the record lines, kRecordLineLength characters each
    std::vector<std::uint64_t> Lines; // the line number of each
    std::size_t Count = 0; // record lines read into it
    std::vector<TParsedRecord> Records; // the first Parsed of them are done
    std::vector<char> Texts; // the records' texts, MaxSize bytes each
    std::size_t Parsed = 0;
    // What ended the block early: the record line after the Parsed ones did not convert
    // (ErrorLine its line), or reading failed after the Count lines (ErrorLine 0).
    std::exception_ptr Error;
    std::uint64_t ErrorLine = 0;
    TState State = TState::Done;
};

TRecordBlocks::TRecordBlocks(
    TLogReader& reader, const TProjection& projection, const TRecordBlockOptions& options)
    : reader_(reader)
    , projection_(projection)
    , options_(options)
    // Two blocks a thread: one worked on, one read ahead or waiting to be taken in order.
    , maxBlocks_(2 * std::max(options.Threads, 1u))
{
    StartWorkers();
}

TRecordBlocks::~TRecordBlocks()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    queued_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

// Reads record lines into block until it is full or the log ends. A failure to read (or a
// progress that stops the track) is kept in the block, behind the lines read before it: an error
// of one of those lines comes first, as it would on one thread.
void TRecordBlocks::Fill(TBlock& block)
{
    block.Count = 0;
    block.Parsed = 0;
    block.Error = nullptr;
    block.ErrorLine = 0;
    const std::size_t capacity = block.Lines.size();
    try {
        while (block.Count < capacity) {
            if (reader_.AtEnd()) {
                readEnded_ = true;
                break;
            }
            // Every kLines lines of the log, those read before the blocks counted too.
            if ((options_.LinesBefore + ++linesRead_) % TTrackProgress::kLines == 0
                && options_.Progress)
                options_.Progress->Advance(reader_.BytesRead());
            const std::string_view line = reader_.ReadLine();
            if (!IsRecordLine(line)) {
                ++otherLines_;
                continue;
            }
            std::copy(
                line.begin(), line.end(), block.Text.data() + block.Count * kRecordLineLength);
            block.Lines[block.Count++] = options_.LinesBefore + linesRead_;
        }
    } catch (...) {
        block.Error = std::current_exception();
        readEnded_ = true;
    }
}

void TRecordBlocks::Parse(TBlock& block) const
{
    for (std::size_t i = 0; i < block.Count; ++i) {
        TParsedRecord& record = block.Records[i];
        try {
            ParseLogLine(
                std::string_view(block.Text.data() + i * kRecordLineLength, kRecordLineLength),
                record.Rec, options_.CurrentYear);
        } catch (...) {
            // It comes before any failure to read, which was behind every line of the block.
            block.Error = std::current_exception();
            block.ErrorLine = block.Lines[i];
            return;
        }
        record.Utc = record.Rec.DateTime;
        record.Rec.DateTime += options_.TimeShiftDays;
        record.Point = projection_.ToPlanePoint(record.Rec);
        record.Line = block.Lines[i];
        record.Measured = i > 0 && block.Records[i - 1].Point.DateTime != record.Point.DateTime;
        if (record.Measured)
            record.FromPrevious = MeasureStep(block.Records[i - 1].Point, record.Point);
        if (options_.Text) {
            char* const text = block.Texts.data() + i * options_.Text->MaxSize();
            record.Text
                = { text, static_cast<std::size_t>(options_.Text->Write(text, record.Rec) - text) };
        }
        block.Parsed = i + 1;
    }
}

void TRecordBlocks::StartWorkers()
{
    for (unsigned k = 1; k < options_.Threads; ++k) {
        try {
            threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break; // fewer threads: the calling thread still parses what nobody takes
        }
    }
}

void TRecordBlocks::Work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        TBlock* block = nullptr;
        queued_.wait(lock, [&] {
            if (stop_)
                return true;
            const auto it = std::find_if(inFlight_.begin(), inFlight_.end(),
                [](const TBlock* b) { return b->State == TBlock::TState::Queued; });
            block = it == inFlight_.end() ? nullptr : *it;
            return block != nullptr;
        });
        if (stop_)
            return;
        block->State = TBlock::TState::Working;
        lock.unlock();
        Parse(*block);
        lock.lock();
        block->State = TBlock::TState::Done;
        parsed_.notify_all();
    }
}

TRecordBlocks::TBatch TRecordBlocks::Next()
{
    if (current_) {
        free_.push_back(current_);
        current_ = nullptr;
    }
    // Keep every free block reading ahead.
    while (!readEnded_ && (!free_.empty() || blocks_.size() < maxBlocks_)) {
        if (free_.empty()) {
            const std::size_t lines = std::max<std::size_t>(options_.BlockLines, 1);
            auto made = std::make_unique<TBlock>();
            made->Text.resize(lines * kRecordLineLength);
            made->Lines.resize(lines);
            made->Records.resize(lines);
            if (options_.Text)
                made->Texts.resize(lines * options_.Text->MaxSize());
            free_.push_back(made.get());
            blocks_.push_back(std::move(made));
        }
        TBlock* block = free_.back();
        free_.pop_back();
        Fill(*block);
        if (block->Count == 0 && !block->Error) {
            free_.push_back(block);
            break;
        }
        {
            std::lock_guard lock(mutex_);
            block->State = TBlock::TState::Queued;
            inFlight_.push_back(block);
        }
        queued_.notify_one();
    }
    std::unique_lock lock(mutex_);
    if (inFlight_.empty())
        return {};
    TBlock* const oldest = inFlight_.front();
    // Rather than wait for the oldest block, work on any block that nobody has taken.
    while (oldest->State != TBlock::TState::Done) {
        const auto it = std::find_if(inFlight_.begin(), inFlight_.end(),
            [](const TBlock* b) { return b->State == TBlock::TState::Queued; });
        if (it == inFlight_.end()) {
            parsed_.wait(lock);
            continue;
        }
        TBlock* const block = *it;
        block->State = TBlock::TState::Working;
        lock.unlock();
        Parse(*block);
        lock.lock();
        block->State = TBlock::TState::Done;
    }
    inFlight_.pop_front();
    lock.unlock();
    current_ = oldest;
    return { std::span<const TParsedRecord>(oldest->Records.data(), oldest->Parsed), oldest->Error,
        oldest->ErrorLine };
}

} // namespace ostrel
