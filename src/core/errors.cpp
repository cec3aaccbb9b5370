#include "core/errors.h"

#include <cerrno>

namespace ostrel {

namespace {

std::string Quoted(std::string_view text, std::string_view tail)
{
    std::string message;
    message.reserve(text.size() + tail.size() + 2);
    message += '\'';
    message += text;
    message += '\'';
    message += tail;
    return message;
}

} // namespace

ConvertError IntegerError(std::string_view text)
{
    return ConvertError(Quoted(text, " は整数ではありません"));
}

ConvertError FloatError(std::string_view text)
{
    return ConvertError(Quoted(text, " は浮動小数点数ではありません"));
}

ConvertError TimeError(std::string_view text)
{
    return ConvertError(Quoted(text, " は時刻ではありません"));
}

ConvertError DateError(std::string_view text)
{
    return ConvertError(Quoted(text, " は日付ではありません"));
}

ListIndexError ListIndexOutOfRange(long long index)
{
    return ListIndexError(
        "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
}

FileError FileNotFound()
{
    return FileError("ファイルが見つかりません");
}

FileError AccessDenied()
{
    return FileError("ファイルへのアクセスが拒否されました");
}

FileError IoError(int code)
{
    return FileError("I/O エラー (" + std::to_string(code) + ")");
}

MathError DivisionByZero()
{
    return MathError("0 による浮動小数点数除算");
}

MathError InvalidOperation()
{
    return MathError("不正な浮動小数点数演算命令");
}

SameFileError SameFile()
{
    return SameFileError("変換元と変換先のファイルが同じです");
}

std::string ShownText(std::string_view text)
{
    std::string shown(text);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto c = static_cast<unsigned char>(shown[i]);
        if (c < 0x20 || c == 0x7F) {
            shown[i] = '?';
        } else if (c == 0xC2 && i + 1 < shown.size()
            && static_cast<unsigned char>(shown[i + 1]) >= 0x80
            && static_cast<unsigned char>(shown[i + 1]) <= 0x9F) {
            shown.replace(i, 2, "?"); // U+0080..U+009F, the C1 controls
        }
    }
    return shown;
}

FileError FileErrorFromErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return FileNotFound();
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: // a folder where a file is meant
        return AccessDenied();
    default:
        return IoError(err);
    }
}

} // namespace ostrel
