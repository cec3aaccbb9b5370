#include "app/window_text.h"

#include "conversion/output_formats.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/number_input.h"

#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <algorithm>
#include <limits>
#include <optional>

namespace ostrel {

namespace {

// One separator as UTF-8 text, or the fallback when it is not a single visible character.
std::string SingleCharacterOr(const QString& text, const char* fallback)
{
    if (text.toUcs4().size() != 1 || text.trimmed().isEmpty())
        return fallback;
    return text.toStdString();
}

// The characters between the first two fields of a date or time format ("yyyy/MM/dd" gives
// "/", "H.mm" gives "."). Fields are runs of letters; quoted literals count as separator text.
QString FirstSeparatorOf(const QString& format)
{
    qsizetype i = 0;
    while (i < format.size() && !format[i].isLetter())
        ++i;
    while (i < format.size() && format[i].isLetter())
        ++i;
    QString separator;
    while (i < format.size() && !format[i].isLetter())
        separator += format[i++];
    return separator;
}

} // namespace

std::int32_t IntegerOfText(const QString& text)
{
    const std::string utf8 = text.toStdString();
    const std::optional<long long> value = ParseWholeNumber(utf8);
    if (!value || *value < std::numeric_limits<std::int32_t>::min()
        || *value > std::numeric_limits<std::int32_t>::max())
        throw IntegerError(utf8);
    return static_cast<std::int32_t>(*value);
}

double FloatOfText(const QString& text, const QString& decimalSeparator)
{
    QString number = text.trimmed();
    if (!decimalSeparator.isEmpty() && decimalSeparator != QLatin1String("."))
        number.replace(decimalSeparator, QLatin1String("."));
    const std::optional<double> value = ParseFiniteNumber(number.toStdString());
    if (!value)
        throw FloatError(text.toStdString());
    return *value;
}

TSeparators SeparatorsOf(const QLocale& locale)
{
    TSeparators separators;
    // The C locale writes dates with month names ("d MMM yyyy"): it has no date separator.
    if (locale.language() == QLocale::C)
        return separators;
    separators.Decimal = SingleCharacterOr(locale.decimalPoint(), ".");
    separators.Date
        = SingleCharacterOr(FirstSeparatorOf(locale.dateFormat(QLocale::ShortFormat)), "/");
    separators.Time
        = SingleCharacterOr(FirstSeparatorOf(locale.timeFormat(QLocale::ShortFormat)), ":");
    return separators;
}

QString ApplicationTitle()
{
    return QCoreApplication::translate("ostrel::TForm1", "Ostrel Log Converter");
}

QString ErrorBoxText(const QString& message)
{
    const QList<uint> characters = message.toUcs4();
    if (!characters.isEmpty() && characters.back() > static_cast<uint>(U'.'))
        return message + QLatin1Char('.');
    return message;
}

QString LogErrorDetail(const TErrorReport& report, const QString& shownLog)
{
    // The main window's texts, translated with its others.
    QString detail = report.Line
        ? QCoreApplication::translate("ostrel::TForm1", "ログ: %1（%2 行目）")
              .arg(shownLog)
              .arg(static_cast<qulonglong>(*report.Line))
        : QCoreApplication::translate("ostrel::TForm1", "ログ: %1").arg(shownLog);
    if (report.Detail)
        detail += QLatin1Char('\n') + QString::fromStdString(*report.Detail);
    if (report.Hint)
        detail += QLatin1Char('\n') + QString::fromStdString(*report.Hint);
    return detail;
}

QString FolderOf(const QString& path)
{
#ifdef _WIN32
    const qsizetype end = std::max({ path.lastIndexOf(QLatin1Char('/')),
        path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char(':')) });
#else
    const qsizetype end = path.lastIndexOf(QLatin1Char('/'));
#endif
    return path.left(end + 1);
}

QString NameWithExtension(const QString& path, const QString& ext)
{
    const QString name = path.mid(FolderOf(path).size());
    if (name.isEmpty())
        return {};
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? name : name.left(dot)) + ext;
}

std::uint32_t ColorRef(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8
        | static_cast<std::uint32_t>(rgb.blue()) << 16;
}

QStringList SaveDialogNameFilters()
{
    QStringList filters;
    for (const TOutputFormat& format : OutputFormats()) {
        const QString patterns = QString::fromUtf8(
            format.DialogPatterns.data(), static_cast<qsizetype>(format.DialogPatterns.size()));
        filters << QString::fromUtf8(
                       format.DialogLabel.data(), static_cast<qsizetype>(format.DialogLabel.size()))
                + QLatin1String(" (") + patterns.split(QLatin1Char(';')).join(QLatin1Char(' '))
                + QLatin1Char(')');
    }
    return filters;
}

QString SaveDialogSuffix(int index)
{
    const std::string_view ext = FormatOfDialogIndex(index).Extension;
    return QString::fromUtf8(ext.data(), static_cast<qsizetype>(ext.size())).mid(1);
}

std::filesystem::path ToPath(const QString& text)
{
#ifdef _WIN32
    return std::filesystem::path(text.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(text).toStdString());
#endif
}

QString FromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

QString Shown(const QString& text)
{
    return QString::fromStdString(ShownText(text.toStdString()));
}

QString ShownFileName(const QString& path)
{
    return ShownFileName(ToPath(path));
}

QString ShownFileName(const std::filesystem::path& path)
{
    return Shown(FromPath(path.filename()));
}

} // namespace ostrel
