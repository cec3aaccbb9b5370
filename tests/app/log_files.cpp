#include "log_files.h"

#include <QDir>
#include <QFile>
#include <cstring>

namespace ostrel::test {

namespace {

void Put(QByteArray& line, int column, const char* text)
{
    const auto length = static_cast<qsizetype>(std::strlen(text));
    line.replace(column - 1, length, text, length);
}

} // namespace

QByteArray RecordLine(const char* time, const char* lat, const char* lon, const char* date)
{
    QByteArray line(60, ' ');
    Put(line, 1, "GPSLOG");
    Put(line, 8, time);
    Put(line, 15, "A");
    Put(line, 17, lat);
    Put(line, 31, lon);
    Put(line, 50, date);
    line.truncate(60);
    return line;
}

QString WriteLog(const QString& path, const QList<QByteArray>& lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    for (const QByteArray& line : lines)
        file.write(line + "\r\n");
    return path;
}

QString WriteWalk(const QString& path, const char* date, const char* time)
{
    // 0.005 minutes of latitude (about 9.3 m) every 10 s.
    const QByteArray hhmm = QByteArray(time).left(4);
    const int seconds = QByteArray(time).mid(4, 2).toInt();
    QList<QByteArray> lines { "header line of the logger" };
    for (int i = 0; i < 4; ++i) {
        const QByteArray at = hhmm + QByteArray::number(seconds + 10 * i).rightJustified(2, '0');
        const QByteArray lat = "3539." + QByteArray::number(1000 + 50 * i);
        lines << RecordLine(at.constData(), lat.constData(), "13945.1000", date);
    }
    return WriteLog(path, lines);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::Files | QDir::System | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
}

} // namespace ostrel::test
