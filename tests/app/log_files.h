#pragma once

// Small logs written by the tests, and looks at the files a conversion leaves.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace ostrel::test {

// One record line of 60 characters: tag in columns 1-6, time hhmmss in 8-13, status in 15,
// latitude ddmm.mmmm in 17-27, longitude dddmm.mmmm in 31-42, date ddmmyy in 50-55.
QByteArray RecordLine(const char* time, const char* lat, const char* lon, const char* date);

// Writes the lines, each ended by CR LF, and returns the path.
QString WriteLog(const QString& path, const QList<QByteArray>& lines);

// A walk of four fixes 10 s apart (about 3 km/h), the first at the given date (ddmmyy) and
// time (hhmmss).
QString WriteWalk(const QString& path, const char* date = "120507", const char* time = "030405");

QByteArray ReadAll(const QString& path);

// The names of the files in a folder, sorted regardless of letter case.
QStringList FilesIn(const QString& folder);

} // namespace ostrel::test
