#include "core/messages.h"

#include <array>
#include <new>

namespace ostrel {

namespace {

struct TMessageRow
{
    TErrorKind Kind;
    std::string_view Japanese;
    std::string_view English;
    std::string_view Name; // the kind's name for scripts, snake_case, never changed once given
};

// In the order of TErrorKind.
constexpr std::array<TMessageRow, kErrorKindCount> kMessages = { {
    { TErrorKind::IntegerConversion, "'%s' は整数ではありません", "'%s' is not a valid integer",
        "integer_conversion" },
    { TErrorKind::FloatConversion, "'%s' は浮動小数点数ではありません",
        "'%s' is not a valid floating-point number", "float_conversion" },
    { TErrorKind::TimeConversion, "'%s' は時刻ではありません", "'%s' is not a valid time",
        "time_conversion" },
    { TErrorKind::DateConversion, "'%s' は日付ではありません", "'%s' is not a valid date",
        "date_conversion" },
    { TErrorKind::ListIndex, "リストのインデックスが範囲を超えています (%d)",
        "List index out of bounds (%d)", "list_index" },
    { TErrorKind::FileNotFound, "ファイルが見つかりません", "File not found", "file_not_found" },
    { TErrorKind::AccessDenied, "ファイルへのアクセスが拒否されました", "Access denied",
        "access_denied" },
    { TErrorKind::IoError, "I/O エラー (%d)", "I/O error (%d)", "io_error" },
    { TErrorKind::DivisionByZero, "0 による浮動小数点数除算", "Floating-point division by zero",
        "division_by_zero" },
    { TErrorKind::InvalidOperation, "不正な浮動小数点数演算命令",
        "Invalid floating-point operation", "invalid_operation" },
    { TErrorKind::SameFile, "変換元と変換先のファイルが同じです",
        "The source and destination files are the same", "same_file" },
    { TErrorKind::PositionOutOfRange, "'%s' は有効な緯度または経度ではありません",
        "'%s' is not a valid latitude or longitude", "position_out_of_range" },
    { TErrorKind::OutOfMemory, "メモリが足りません", "Out of memory", "out_of_memory" },
    { TErrorKind::LogsOverlap, "'%s' と '%s' の時刻が重なっています",
        "'%s' and '%s' overlap in time", "logs_overlap" },
    { TErrorKind::NotAPhoto, "JPEG でも TIFF 形式の RAW でもありません",
        "Not a JPEG or a TIFF-based raw photo", "not_a_photo" },
    { TErrorKind::ExifDamaged, "Exif のデータが %d バイト目で壊れています",
        "The EXIF data is damaged at byte %d", "exif_damaged" },
    { TErrorKind::SidecarNotXmp, "'%s' は位置を書き込める XMP ではありません",
        "'%s' is not XMP that a position can be added to", "sidecar_not_xmp" },
} };

// The kind's row; nothing for a value outside the table.
const TMessageRow* RowOf(TErrorKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    if (index >= kMessages.size() || kMessages[index].Kind != kind)
        return nullptr;
    return &kMessages[index];
}

// The file a fault is about, "%s" its path; in the order of TFileRole.
struct TRoleRow
{
    TFileRole Role;
    std::string_view Japanese;
    std::string_view English;
};
constexpr std::array<TRoleRow, 4> kRoles = { {
    { TFileRole::Output, "出力ファイル '%s'", "output '%s'" },
    { TFileRole::OutputFolder, "出力フォルダ '%s'", "output folder '%s'" },
    { TFileRole::ScratchFile, "'%s' の作業ファイル", "scratch file in '%s'" },
    { TFileRole::StandardOutput, "標準出力", "standard output" },
} };

constexpr std::string_view kNotAFile[] = { "通常のファイルではありません", "not a regular file" };

// What each field of a record line should hold; in the order of TLogField.
struct THintRow
{
    std::string_view Japanese;
    std::string_view English;
};
constexpr std::array<THintRow, 4> kFieldHints = { {
    { "時刻の欄（8～13 桁目）は 030405 のような HHMMSS の形のはずです。",
        "The time field (columns 8-13) should be HHMMSS, such as 030405." },
    { "緯度の欄（17～27 桁目）は DDMM.MMMMMM の形で、90 度以下のはずです。",
        "The latitude field (columns 17-27) should be DDMM.MMMMMM, at most 90 degrees." },
    { "経度の欄（31～42 桁目）は DDDMM.MMMMMM の形で、180 度以下のはずです。",
        "The longitude field (columns 31-42) should be DDDMM.MMMMMM, at most 180 degrees." },
    { "日付の欄（50～55 桁目）は 120507 のような DDMMYY の形のはずです。",
        "The date field (columns 50-55) should be DDMMYY, such as 120507." },
} };

// A field's error from no record line: the file has none of the 60-character lines.
constexpr THintRow kNoRecordHint = { "GPS の記録行が見つかりません。ロガーのログですか？",
    "No GPS record lines were found: is this a log of the logger?" };

// What to do about an error of the files, by its kind; for the log itself, or for another file
// (the output, its folder) where the error names one.
struct TFileHintRow
{
    TErrorKind Kind;
    THintRow OfLog;
    THintRow OfOther;
};
constexpr TFileHintRow kFileHints[] = {
    { TErrorKind::FileNotFound,
        { "ログが一覧に加えたときの場所にあるか確かめてください。",
            "Check that the log is still where it was when it was listed." },
        { "出力先のフォルダーがあるか確かめてください。",
            "Check that the output's folder exists." } },
    { TErrorKind::AccessDenied,
        { "このログを読む権限があるか確かめてください。",
            "Check that you are allowed to read the log." },
        { "書き込めるフォルダーを選ぶか、ファイルの権限を確かめてください。",
            "Choose a folder you may write in, or check the file's permissions." } },
    { TErrorKind::IoError,
        { "ログのあるディスクやカードを確かめて、もう一度試してください。",
            "Check the disk or card the log is on, and try again." },
        { "出力先のディスクの空きと状態を確かめて、もう一度試してください。",
            "Check the free space and the state of the output's disk, and try again." } },
    { TErrorKind::SameFile,
        { "出力には別の名前かフォルダーを選んでください。",
            "Choose another name or folder for the output." },
        { "出力には別の名前かフォルダーを選んでください。",
            "Choose another name or folder for the output." } },
    { TErrorKind::OutOfMemory,
        { "ほかのプログラムを閉じて、もう一度試してください。",
            "Close other programs and try again." },
        { "ほかのプログラムを閉じて、もう一度試してください。",
            "Close other programs and try again." } },
};

std::string_view InLanguage(std::string_view japanese, std::string_view english, TLanguage language)
{
    return language == TLanguage::Japanese ? japanese : english;
}

} // namespace

std::string_view MessageTemplate(TErrorKind kind, TLanguage language)
{
    const TMessageRow* row = RowOf(kind);
    if (row == nullptr)
        return {};
    return language == TLanguage::Japanese ? row->Japanese : row->English;
}

std::string_view ErrorKindName(TErrorKind kind)
{
    const TMessageRow* row = RowOf(kind);
    return row == nullptr ? std::string_view {} : row->Name;
}

std::string FormatMessage(TErrorKind kind, TLanguage language, std::string_view text,
    long long number, std::string_view otherText)
{
    const std::string_view pattern = MessageTemplate(kind, language);
    std::string message;
    message.reserve(pattern.size() + text.size() + otherText.size() + 8);
    // One pass over the template: a "%" in the text is never taken for a placeholder.
    bool textUsed = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
            message += textUsed ? otherText : text;
            textUsed = true;
            ++i;
        } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd') {
            message += std::to_string(number);
            ++i;
        } else {
            message += pattern[i];
        }
    }
    return message;
}

std::string MessageText(const Error& error, TLanguage language)
{
    return FormatMessage(error.Kind(), language, error.Text(), error.Number(), error.OtherText());
}

std::string FaultText(const TFileFault& fault, TLanguage language)
{
    const TRoleRow& row = kRoles[static_cast<std::size_t>(fault.Role)];
    const std::string_view pattern = InLanguage(row.Japanese, row.English, language);
    std::string text;
    const std::size_t at = pattern.find("%s");
    if (at == std::string_view::npos) {
        text = pattern;
    } else {
        text.append(pattern.substr(0, at))
            .append(ShownText(fault.Path))
            .append(pattern.substr(at + 2));
    }
    if (fault.NotAFile)
        text.append(": ").append(InLanguage(kNotAFile[0], kNotAFile[1], language));
    else if (fault.SystemCode != 0)
        text.append(": ").append(SystemMessage(fault.SystemCode, language));
    return text;
}

std::optional<std::string> HintText(const Error& error, TLanguage language)
{
    const auto text = [language](const THintRow& row) {
        return std::string(InLanguage(row.Japanese, row.English, language));
    };
    if (const std::optional<TLogField> field = error.Field()) {
        // Record lines are numbered: an error of a field without a line came from a file that
        // has none, through its last line.
        if (!error.Line())
            return text(kNoRecordHint);
        return text(kFieldHints[static_cast<std::size_t>(*field)]);
    }
    for (const TFileHintRow& row : kFileHints) {
        if (row.Kind == error.Kind())
            return text(error.Fault() ? row.OfOther : row.OfLog);
    }
    return std::nullopt;
}

TErrorReport ReportOf(const std::exception_ptr& error, TLanguage language)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        TErrorReport report { MessageText(e, language), e.Line(), e.Kind(), std::nullopt,
            HintText(e, language) };
        if (e.Fault())
            report.Detail = FaultText(*e.Fault(), language);
        return report;
    } catch (const std::bad_alloc&) {
        return { MessageText(OutOfMemory(), language), std::nullopt, TErrorKind::OutOfMemory,
            std::nullopt, HintText(OutOfMemory(), language) };
    } catch (const std::exception& e) {
        return { e.what(), std::nullopt, std::nullopt, std::nullopt, std::nullopt };
    } catch (...) {
        return { "unknown error", std::nullopt, std::nullopt, std::nullopt, std::nullopt };
    }
}

std::optional<TLanguage> LanguageNamed(std::string_view name)
{
    if (name == "ja")
        return TLanguage::Japanese;
    if (name == "en")
        return TLanguage::English;
    return std::nullopt;
}

TLanguage LanguageOfLocale(std::string_view locale)
{
    return locale.substr(0, 2) == "ja" ? TLanguage::Japanese : TLanguage::English;
}

TLanguage LanguageOfEnvironment(const std::function<const char*(const char*)>& getenv)
{
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = getenv(name);
        if (value != nullptr && *value != '\0')
            return LanguageOfLocale(value);
    }
    return TLanguage::English;
}

} // namespace ostrel
