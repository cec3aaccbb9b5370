#include "core/errors.h"

#include "core/messages.h"

#include <cerrno>
#include <utility>

namespace ostrel {

Error::Error(TErrorKind kind, const std::string& japanese, std::string text, long long number,
    std::string otherText)
    : std::runtime_error(japanese)
    , kind_(kind)
    , text_(std::move(text))
    , number_(number)
    , otherText_(std::move(otherText))
{
}

namespace {

// The Japanese text of the message table: what() of every error.
template <class Family>
Family Made(TErrorKind kind, std::string_view text = {}, long long number = 0)
{
    return Family(
        kind, FormatMessage(kind, TLanguage::Japanese, text, number), std::string(text), number);
}

} // namespace

ConvertError IntegerError(std::string_view text)
{
    return Made<ConvertError>(TErrorKind::IntegerConversion, text);
}

ConvertError FloatError(std::string_view text)
{
    return Made<ConvertError>(TErrorKind::FloatConversion, text);
}

ConvertError TimeError(std::string_view text)
{
    return Made<ConvertError>(TErrorKind::TimeConversion, text);
}

ConvertError DateError(std::string_view text)
{
    return Made<ConvertError>(TErrorKind::DateConversion, text);
}

ListIndexError ListIndexOutOfRange(long long index)
{
    return Made<ListIndexError>(TErrorKind::ListIndex, {}, index);
}

FileError FileNotFound()
{
    return Made<FileError>(TErrorKind::FileNotFound);
}

FileError AccessDenied()
{
    return Made<FileError>(TErrorKind::AccessDenied);
}

FileError IoError(int code)
{
    return Made<FileError>(TErrorKind::IoError, {}, code);
}

MathError DivisionByZero()
{
    return Made<MathError>(TErrorKind::DivisionByZero);
}

MathError InvalidOperation()
{
    return Made<MathError>(TErrorKind::InvalidOperation);
}

SameFileError SameFile()
{
    return Made<SameFileError>(TErrorKind::SameFile);
}

ConvertError PositionError(std::string_view text)
{
    return Made<ConvertError>(TErrorKind::PositionOutOfRange, text);
}

Error OutOfMemory()
{
    return Made<Error>(TErrorKind::OutOfMemory);
}

ConvertError LogsOverlap(std::string_view earlier, std::string_view later)
{
    const TErrorKind kind = TErrorKind::LogsOverlap;
    return ConvertError(kind, FormatMessage(kind, TLanguage::Japanese, earlier, 0, later),
        std::string(earlier), 0, std::string(later));
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

FileError FileErrorFromErrno(int err, TFileRole role, std::string path)
{
    FileError error = FileErrorFromErrno(err);
    error.SetFault({ role, std::move(path), err });
    return error;
}

PhotoError NotAPhoto()
{
    return Made<PhotoError>(TErrorKind::NotAPhoto);
}

PhotoError ExifDamaged(std::uint64_t byte)
{
    return Made<PhotoError>(TErrorKind::ExifDamaged, {}, static_cast<long long>(byte));
}

PhotoError SidecarNotXmp(std::string_view sidecar)
{
    return Made<PhotoError>(TErrorKind::SidecarNotXmp, ShownText(sidecar));
}

} // namespace ostrel
