#include "geo/record_blocks.h"

#include <algorithm>
#include <string_view>
#include <system_error>

namespace ostrel {

struct TRecordBlocks::TBlock
{
    std::vector<char> Text; // the record lines, kRecordLineLength characters each
    std::vector<std::uint64_t> Lines; // the line number of each
    std::size_t Count = 0; // record lines read into it
    std::vector<TParsedRecord> Records; // the first Parsed of them are done
    // The records' texts one after the other: room for the most they can take, of which only
    // the pages written are ever touched.
    std::unique_ptr<char[]> Texts;
    std::size_t Parsed = 0;
    // What ended the block early: the record line after the Parsed ones did not convert
    // (ErrorLine its line), or reading failed after the Count lines (ErrorLine 0).
    std::exception_ptr Error;
    std::uint64_t ErrorLine = 0;
    // The input's bytes read at each TTrackProgress::kLines-th line of the log read into it.
    std::vector<std::uint64_t> Progress;
    bool Done = false;
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
    changed_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

TRecordBlocks::TBlock* TRecordBlocks::TakeFree()
{
    if (readEnded_)
        return nullptr;
    if (!free_.empty()) {
        TBlock* const block = free_.back();
        free_.pop_back();
        return block;
    }
    if (blocks_.size() == maxBlocks_)
        return nullptr;
    const std::size_t lines = std::max<std::size_t>(options_.BlockLines, 1);
    auto made = std::make_unique<TBlock>();
    made->Text.resize(lines * kRecordLineLength);
    made->Lines.resize(lines);
    made->Records.resize(lines);
    if (options_.Text)
        made->Texts.reset(new char[lines * options_.Text->MaxSize()]);
    blocks_.push_back(std::move(made));
    return blocks_.back().get();
}

// Reads the block and works on it where it was read. Called with lock held; returns with it held.
void TRecordBlocks::ReadAndParse(std::unique_lock<std::mutex>& lock, TBlock& block)
{
    lock.unlock();
    std::unique_lock read(readMutex_);
    // Another thread may have met the end while this one waited to read: the block stays empty.
    block.Count = 0;
    block.Error = nullptr;
    const bool ended = readEnded_ || Fill(block);
    lock.lock();
    readEnded_ = ended;
    read.unlock();
    if (block.Count == 0 && !block.Error) {
        free_.push_back(&block);
        changed_.notify_all();
        return;
    }
    block.Done = false;
    inFlight_.push_back(&block);
    lock.unlock();
    Parse(block);
    lock.lock();
    block.Done = true;
    changed_.notify_all();
}

// Reads record lines into the empty block until it is full or the log ends, and tells whether it
// ended (a failure to read ends it too). The failure is kept in the block, behind the lines read
// before it: an error of one of those lines comes first, as it would on one thread.
bool TRecordBlocks::Fill(TBlock& block)
{
    block.Parsed = 0;
    block.ErrorLine = 0;
    block.Progress.clear();
    const std::size_t capacity = block.Lines.size();
    try {
        while (block.Count < capacity) {
            if (reader_.AtEnd())
                return true;
            // Every kLines lines of the log, those read before the blocks counted too.
            if ((options_.LinesBefore + ++linesRead_) % TTrackProgress::kLines == 0
                && options_.Progress)
                block.Progress.push_back(reader_.BytesRead());
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
        return true;
    }
    return false;
}

void TRecordBlocks::Parse(TBlock& block) const
{
    char* text = block.Texts.get();
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
        record.Measured = options_.MeasureSteps && i > 0
            && block.Records[i - 1].Point.DateTime != record.Point.DateTime;
        if (record.Measured)
            record.FromPrevious = MeasureStep(block.Records[i - 1].Point, record.Point);
        if (options_.Text) {
            try {
                const char* const end = options_.Text->Write(text,
                    { record.Rec, record.Utc, record.Line,
                        record.Measured ? &record.FromPrevious : nullptr });
                record.Text = { text, static_cast<std::size_t>(end - text) };
                text += record.Text.size();
            } catch (...) {
                // The sink makes it then, and meets the error where it would on one thread.
                record.Text = {};
            }
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
            break; // fewer threads: the calling thread still reads what nobody takes
        }
    }
}

void TRecordBlocks::Work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        TBlock* block = nullptr;
        changed_.wait(lock, [&] { return stop_ || (block = TakeFree()) != nullptr; });
        if (stop_) {
            if (block)
                free_.push_back(block);
            return;
        }
        ReadAndParse(lock, *block);
    }
}

TRecordBlocks::TBatch TRecordBlocks::Next()
{
    std::unique_lock lock(mutex_);
    if (current_) {
        free_.push_back(current_);
        current_ = nullptr;
        changed_.notify_all();
    }
    // Rather than wait for the oldest block, read and work on the next one.
    while (inFlight_.empty() || !inFlight_.front()->Done) {
        if (inFlight_.empty() && readEnded_)
            return {};
        if (TBlock* const block = TakeFree())
            ReadAndParse(lock, *block);
        else
            changed_.wait(lock);
    }
    TBlock* const oldest = inFlight_.front();
    inFlight_.pop_front();
    lock.unlock();
    current_ = oldest;
    for (const std::uint64_t bytes : oldest->Progress)
        options_.Progress->Advance(bytes);
    return { std::span<const TParsedRecord>(oldest->Records.data(), oldest->Parsed), oldest->Error,
        oldest->ErrorLine };
}

} // namespace ostrel
