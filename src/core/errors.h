#pragma once

// The error family of the converter. Every error carries the exact text that the user sees:
// the window's error box and the command line show what() as it stands. The factories below
// are the only places that spell those texts, and tests build their expectations with them.

#include <stdexcept>
#include <string>
#include <string_view>

namespace ostrel {

class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
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

// A text from outside (a log's field, a file name) as a message or a report shows it: each
// control character, C0 and C1 (a NUL would end the message there, an escape or a line end would
// drive the terminal it is shown on), becomes "?". Everything else stays as it is.
std::string ShownText(std::string_view text);

// The file error for an errno value: not found, access denied, or the numbered I/O error.
FileError FileErrorFromErrno(int err);

} // namespace ostrel
