#pragma once

// The window's conversions between its texts and the values the conversion takes: numbers typed
// or chosen in controls, colours, paths, the regional separators and the error box text.

#include "core/settings.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>

class QColor;
class QLocale;

namespace ostrel {

struct TErrorReport;

// The integer of a text with an optional leading "+" or "-" ("+9" gives 9); anything else, the
// empty text included, raises the integer conversion error naming the text.
std::int32_t IntegerOfText(const QString& text);

// The floating-point number of a text, with "." or the given decimal separator as decimal point
// and blanks around it allowed ("7", "-2.5", "1e2"). Non-numbers, "nan", "inf" and numbers beyond
// the range of a double raise the floating-point conversion error naming the text as typed.
double FloatOfText(const QString& text, const QString& decimalSeparator);

// The separators of the texts meant for people under a locale: its decimal point, and the
// characters between the first two fields of its short date and time formats. A separator that
// is not a single visible character falls back to ".", "/" or ":", and so do all three under the
// C locale.
TSeparators SeparatorsOf(const QLocale& locale);

// The text of the error box: the message, with "." appended when its last character comes after
// "." in code point order ("ファイルが見つかりません" gets one, "... (0)" does not).
QString ErrorBoxText(const QString& message);

// The caption of every message box: the application's name, the main window's title.
QString ApplicationTitle();

// What the window tells below the message of an error raised while a log was worked on: the log
// as shown, with the line when a record line is at fault ("ログ: a.log（17 行目）"), another file
// at fault with the system's reason on a line of its own, and what was expected or what to do
// (the report's hint) on the last line.
QString LogErrorDetail(const TErrorReport& report, const QString& shownLog);

// The folder of a path up to and including its last separator ("/logs/a.log" gives "/logs/");
// empty for a bare name.
QString FolderOf(const QString& path);

// The name part of a path with its extension replaced by ext (".kml"); a name without an
// extension gets ext appended. Empty when the path names no file (it ends in a separator).
QString NameWithExtension(const QString& path, const QString& ext);

// A colour as 0x00BBGGRR: red in the lowest byte, then green, then blue.
std::uint32_t ColorRef(const QColor& color);

// The save dialog's file types as Qt name filters, one per output format in the table's order:
// "NMEA Log (*.log .log)", "Google Earth (*.kml .log)".
QStringList SaveDialogNameFilters();

// The default extension of the save dialog's type at index (1 = the first), without its dot:
// "log", "kml".
QString SaveDialogSuffix(int index);

// Paths between Qt's texts and the file layer, without loss on either platform.
std::filesystem::path ToPath(const QString& text);
QString FromPath(const std::filesystem::path& path);

// A path or a name as the window shows it: each control character as "?" (ShownText).
QString Shown(const QString& text);
// The file name of a path, shown so.
QString ShownFileName(const QString& path);
QString ShownFileName(const std::filesystem::path& path);

} // namespace ostrel
