#pragma once

// The error family of the converter. Every error carries what it is (its kind) and its
// arguments, so that each front end can render it in the user's language (core/messages.h), and
// the record line it came from when it came from one. what() is the Japanese text, the one the
// converter has always shown. Errors are made by the factories below, and tests build their
// expectations with them.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace ostrel {

// What an error is; every kind has a text in every language of the message table.
enum class TErrorKind
{
    IntegerConversion, // '%s' is not an integer
    FloatConversion, // '%s' is not a floating-point number
    TimeConversion, // '%s' is not a time
    DateConversion, // '%s' is not a date
    ListIndex, // the list index %d is out of range
    FileNotFound,
    AccessDenied,
    IoError, // any other input/output error, with its code %d
    DivisionByZero, // floating-point division by zero
    InvalidOperation, // invalid floating-point operation
    SameFile, // the output path names the input file itself
    PositionOutOfRange, // '%s' is a latitude past 90 degrees or a longitude past 180
    OutOfMemory, // the system gave no more memory
    LogsOverlap, // the logs '%s' and '%s' of a merge overlap in time
    NotAPhoto, // neither a JPEG nor a TIFF-based raw file
    ExifDamaged, // a photo's EXIF (TIFF) structure is broken at byte %d of the file
    SidecarNotXmp, // the existing sidecar '%s' is not XMP that a position can be added to
};
inline constexpr int kErrorKindCount = 17;

// Which file a file error is about, when it is not the log being converted (which every front
// end names already): the output, the folder it goes to, a scratch file beside it, or standard
// output.
enum class TFileRole
{
    Output,
    OutputFolder,
    ScratchFile,
    StandardOutput,
};

// The field of a record line a conversion error came from.
enum class TLogField
{
    Time, // columns 8-13, hhmmss
    Latitude, // columns 17-27, ddmm.mmmm
    Longitude, // columns 31-42, dddmm.mmmm
    Date, // columns 50-55, ddmmyy
};

// Where a file error happened and why, as the system said it: the path at fault (as given,
// UTF-8 on Windows, the bytes of the name elsewhere) and the system's error code (errno, or the
// Windows error code), 0 where the refusal is the converter's own.
struct TFileFault
{
    TFileRole Role = TFileRole::Output;
    std::string Path;
    int SystemCode = 0;
    bool NotAFile = false; // a device, pipe or socket where a file was meant

    bool operator==(const TFileFault&) const = default;
};

class Error : public std::runtime_error
{
public:
    // japanese is what() as it stands; text and number are the "%s" and "%d" of the kind's
    // message, otherText its second "%s" where it has two.
    Error(TErrorKind kind, const std::string& japanese, std::string text = {}, long long number = 0,
        std::string otherText = {});

    TErrorKind Kind() const noexcept { return kind_; }
    const std::string& Text() const noexcept { return text_; }
    const std::string& OtherText() const noexcept { return otherText_; }
    long long Number() const noexcept { return number_; }

    // The log line (counted from 1) of the record that raised the error; nothing for an error
    // that comes from no record line.
    std::optional<std::uint64_t> Line() const noexcept { return line_; }
    void SetLine(std::uint64_t line) noexcept { line_ = line; }

    // The file at fault and the system's reason, for an error of a file other than the log.
    const std::optional<TFileFault>& Fault() const noexcept { return fault_; }
    void SetFault(TFileFault fault) { fault_ = std::move(fault); }

    // The field of the log line whose text did not convert; nothing for an error of no field.
    std::optional<TLogField> Field() const noexcept { return field_; }
    void SetField(TLogField field) noexcept { field_ = field; }

private:
    TErrorKind kind_;
    std::string text_;
    long long number_;
    std::string otherText_;
    std::optional<std::uint64_t> line_;
    std::optional<TFileFault> fault_;
    std::optional<TLogField> field_;
};

// A text in a log line, a setting or an option that does not convert to what it should.
class ConvertError : public Error
{
public:
    using Error::Error;
};

// Opening, reading or writing a file failed.
class FileError : public Error
{
public:
    using Error::Error;
};

// A floating-point division by zero or an invalid floating-point operation.
class MathError : public Error
{
public:
    using Error::Error;
};

// A position in the list of logs that does not exist.
class ListIndexError : public Error
{
public:
    using Error::Error;
};

// The output path names the input file itself.
class SameFileError : public Error
{
public:
    using Error::Error;
};

ConvertError IntegerError(std::string_view text); // '%s' は整数ではありません
ConvertError FloatError(std::string_view text); // '%s' は浮動小数点数ではありません
ConvertError TimeError(std::string_view text); // '%s' は時刻ではありません
ConvertError DateError(std::string_view text); // '%s' は日付ではありません
ListIndexError ListIndexOutOfRange(
    long long index); // リストのインデックスが範囲を超えています (%d)
FileError FileNotFound(); // ファイルが見つかりません
FileError AccessDenied(); // ファイルへのアクセスが拒否されました
FileError IoError(int code); // I/O エラー (%d)
MathError DivisionByZero(); // 0 による浮動小数点数除算
MathError InvalidOperation(); // 不正な浮動小数点数演算命令
SameFileError SameFile(); // 変換元と変換先のファイルが同じです
ConvertError PositionError(std::string_view text); // '%s' は有効な緯度または経度ではありません
Error OutOfMemory(); // メモリが足りません
// Two logs of a merge, named as given, whose times overlap: the later one starts before the
// earlier one ends.
ConvertError LogsOverlap(
    std::string_view earlier, std::string_view later); // '%s' と '%s' の時刻が重なっています

// A photo whose metadata cannot be read or written.
class PhotoError : public Error
{
public:
    using Error::Error;
};

PhotoError NotAPhoto(); // JPEG でも TIFF 形式の RAW でもありません
// The byte of the file (counted from 0) where the EXIF structure breaks: an offset, a count or a
// value that does not fit.
PhotoError ExifDamaged(std::uint64_t byte); // Exif のデータが %d バイト目で壊れています
PhotoError SidecarNotXmp(std::string_view sidecar); // '%s' は位置を書き込める XMP ではありません

// A text from outside (a log's field, a file name) as a message or a report shows it: each
// control character, C0 and C1 (a NUL would end the message there, an escape or a line end would
// drive the terminal it is shown on), becomes "?". Everything else stays as it is.
std::string ShownText(std::string_view text);

// The file error for an errno value: not found, access denied, or the numbered I/O error.
FileError FileErrorFromErrno(int err);

// The same with the file at fault and the errno value as its reason.
FileError FileErrorFromErrno(int err, TFileRole role, std::string path);

} // namespace ostrel
