#pragma once

// The map beneath a preview: raster tiles of 256 pixels in Web Mercator (XYZ numbering, y from
// the north), from an MBTiles file the user chose (read with Qt's SQLite driver), or, only when
// the user turns it on, from a tile server given as a URL template, kept in a disk cache. No
// request leaves the computer unless the online source is chosen.

#include "preview/track_picture.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <memory>
#include <utility>

class QNetworkAccessManager;
class QNetworkReply;
class QPainter;

namespace ostrel {

class TMapTiles : public QObject
{
    Q_OBJECT

public:
    explicit TMapTiles(QObject* parent = nullptr);
    ~TMapTiles() override;

    // No map.
    void UseNone();
    // The tiles of an MBTiles file; false and the reason when it cannot be read as one.
    bool UseFile(const QString& path, QString* error);
    // Tiles from urlTemplate ("https://tile.example.org/{z}/{x}/{y}.png"), cached in cacheFolder.
    void UseOnline(
        const QString& urlTemplate, const QString& attribution, const QString& cacheFolder);

    bool On() const { return kind_ != TKind::None; }
    QString Attribution() const { return attribution_; }
    // The coarsest and the finest zoom level drawn.
    std::pair<int, int> Levels() const { return { minZoom_, maxZoom_ }; }
    // Requests sent to the tile server since the source was chosen (none from its cache).
    int Requests() const { return requests_; }

    // Draws the tiles under a view of a Web Mercator picture of width x height pixels, at the
    // zoom level whose pixels are nearest the view's; those not at hand are asked for, and
    // TileArrived tells when one comes.
    void Draw(QPainter& painter, const TPictureView& view, double width, double height);

signals:
    void TileArrived();

private:
    enum class TKind
    {
        None,
        File,
        Online,
    };
    static quint64 Key(int z, int x, int y);
    // The tile if at hand: read from the file, or asked for online (then null until it comes).
    const QImage* Tile(int z, int x, int y);
    void Arrived(QNetworkReply* reply, quint64 key);

    TKind kind_ = TKind::None;
    QString attribution_;
    int minZoom_ = 0;
    int maxZoom_ = 19;
    QString connection_; // the SQLite connection of the file
    QString urlTemplate_;
    QNetworkAccessManager* network_ = nullptr;
    QCache<quint64, QImage> tiles_; // cost in KiB
    QSet<quint64> missing_; // not in the file, or failed to come
    QSet<quint64> asked_; // on their way
    int requests_ = 0;
};

// Where the tile (z, x, y) lies in Web Mercator metres: its west, north, and side.
struct TTileBounds
{
    double West, North, Side;
};
TTileBounds TileBounds(int z, int x, int y);

} // namespace ostrel
