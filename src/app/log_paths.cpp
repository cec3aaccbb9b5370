#include "app/log_paths.h"

#include "app/window_text.h"
#include "core/errors.h"

#include <QDir>
#include <QListWidgetItem>
#include <QVariant>
#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace ostrel {

namespace {

bool NamesThisComputer(const QUrl& url)
{
    if (url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
        return false;
    const QString host = url.host();
    if (host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

fs::path LocalPathOf(QUrl url)
{
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        url.setHost(QString());
#ifdef _WIN32
    return ToPath(QDir::toNativeSeparators(url.toLocalFile()));
#else
    // Decoded to bytes, not to text: a name that is no UTF-8 stays as it is.
    return fs::path(
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
#endif
}

// "*.log" in any letter case, with something before the extension.
bool IsLogName(const fs::path& name)
{
    const fs::path::string_type& text = name.native();
    if (text.size() <= 4)
        return false;
    const char* const ext = ".log";
    for (std::size_t i = 0; i < 4; ++i) {
        fs::path::value_type c = text[text.size() - 4 + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<fs::path::value_type>(c - 'A' + 'a');
        if (c != static_cast<fs::path::value_type>(ext[i]))
            return false;
    }
    return true;
}

} // namespace

TDroppedPaths PathsOfUrls(const QList<QUrl>& urls)
{
    TDroppedPaths paths;
    for (const QUrl& url : urls) {
        if (NamesThisComputer(url))
            paths.Local.push_back(LocalPathOf(url));
        else
            paths.Refused << Shown(url.toDisplayString());
    }
    return paths;
}

std::vector<fs::path> LogsInFolder(const fs::path& folder)
{
    std::vector<fs::path> logs;
    std::error_code ec;
    fs::directory_iterator entries(folder, ec);
    for (; !ec && entries != fs::directory_iterator(); entries.increment(ec)) {
        std::error_code notFolder;
        if (IsLogName(entries->path().filename()) && !entries->is_directory(notFolder))
            logs.push_back(entries->path());
    }
    if (ec)
        throw FileErrorFromErrno(ec.value());
    // The bytes of the names (UTF-16 units on Windows), whatever the locale.
    std::sort(logs.begin(), logs.end(),
        [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    return logs;
}

void SetLogOf(QListWidgetItem& item, const std::filesystem::path& log)
{
    item.setData(Qt::UserRole, QVariant::fromValue(log));
}

std::filesystem::path LogOf(const QListWidgetItem& item)
{
    return item.data(Qt::UserRole).value<std::filesystem::path>();
}

} // namespace ostrel
