#pragma once

// Where the window's logs come from: the local paths of dropped URLs, and the logs in a folder
// that was dropped, named or chosen. Paths keep the bytes of their names (on POSIX a name need
// not be UTF-8), so that every log the file layer can read can be listed.

#include <QList>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <vector>

class QListWidgetItem;

namespace ostrel {

struct TDroppedPaths
{
    std::vector<std::filesystem::path> Local; // in the order dropped
    QStringList Refused; // the URLs that name no file on this computer, as shown
};

// The local paths of URLs: the scheme "file" with no host or "localhost". On POSIX a path is the
// bytes the URL encodes. A host names a share on Windows ("\\host\share\a.log"), which Windows
// reads; elsewhere such a URL, and any other scheme, is refused.
TDroppedPaths PathsOfUrls(const QList<QUrl>& urls);

// The logs in a folder: its entries named "*.log" in any letter case that are no folders, not
// those of its subfolders, in the byte order of their names. A folder that cannot be read is its
// file error.
std::vector<std::filesystem::path> LogsInFolder(const std::filesystem::path& folder);

// The log a list entry stands for, kept with the entry as the file layer takes it (the bytes of
// its name).
void SetLogOf(QListWidgetItem& item, const std::filesystem::path& log);
std::filesystem::path LogOf(const QListWidgetItem& item);

} // namespace ostrel
