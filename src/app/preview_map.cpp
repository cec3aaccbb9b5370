#include "app/preview_map.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrel {

namespace {

constexpr double kWorld = 2 * std::numbers::pi * kMercatorRadius; // metres
constexpr int kTilePixels = 256;
constexpr int kMostTiles = 64; // drawn for one view
constexpr int kMostCoarsestTiles = 1024; // when the map has no coarser level
constexpr int kDeepestZoom = 24; // about 1 cm a pixel; a file's deeper levels are not read

} // namespace

TTileBounds TileBounds(int z, int x, int y)
{
    const double side = kWorld / std::ldexp(1.0, z);
    return { -kWorld / 2 + x * side, kWorld / 2 - y * side, side };
}

TMapTiles::TMapTiles(QObject* parent)
    : QObject(parent)
{
    tiles_.setMaxCost(48 * 1024);
}

TMapTiles::~TMapTiles()
{
    UseNone();
}

quint64 TMapTiles::Key(int z, int x, int y)
{
    return (quint64(z) << 58) | (quint64(x) << 29) | quint64(y);
}

void TMapTiles::UseNone()
{
    if (!connection_.isEmpty()) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
        connection_.clear();
    }
    delete network_;
    network_ = nullptr;
    kind_ = TKind::None;
    attribution_.clear();
    tiles_.clear();
    missing_.clear();
    asked_.clear();
    requests_ = 0;
}

bool TMapTiles::UseFile(const QString& path, QString* error)
{
    UseNone();
    const QString name = QStringLiteral("map-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery zooms(db);
        if (!db.open()
            || !zooms.exec(QStringLiteral("SELECT MIN(zoom_level), MAX(zoom_level) FROM tiles"))
            || !zooms.next() || zooms.value(0).isNull()) {
            if (error != nullptr)
                *error = db.lastError().isValid() && !db.lastError().text().trimmed().isEmpty()
                    ? db.lastError().text()
                    : zooms.lastError().isValid() ? zooms.lastError().text()
                                                  : QStringLiteral("no tiles");
            db.close();
        } else {
            // The levels a file claims are bounded, so that a tile's number stays an int.
            minZoom_ = std::clamp(zooms.value(0).toInt(), 0, kDeepestZoom);
            maxZoom_ = std::clamp(zooms.value(1).toInt(), minZoom_, kDeepestZoom);
            QSqlQuery metadata(db);
            if (metadata.exec(
                    QStringLiteral("SELECT value FROM metadata WHERE name = 'attribution'"))
                && metadata.next())
                attribution_ = metadata.value(0).toString();
            connection_ = name;
            kind_ = TKind::File;
            return true;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return false;
}

void TMapTiles::UseOnline(
    const QString& urlTemplate, const QString& attribution, const QString& cacheFolder)
{
    UseNone();
    kind_ = TKind::Online;
    urlTemplate_ = urlTemplate;
    attribution_ = attribution;
    minZoom_ = 0;
    maxZoom_ = 19;
    network_ = new QNetworkAccessManager(this);
    auto* cache = new QNetworkDiskCache(network_);
    cache->setCacheDirectory(cacheFolder);
    network_->setCache(cache);
}

const QImage* TMapTiles::Tile(int z, int x, int y)
{
    const quint64 key = Key(z, x, y);
    if (const QImage* tile = tiles_.object(key))
        return tile;
    if (missing_.contains(key) || asked_.contains(key))
        return nullptr;
    if (kind_ == TKind::File) {
        QSqlQuery query(QSqlDatabase::database(connection_, false));
        query.prepare(QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level = ? AND "
                                     "tile_column = ? AND tile_row = ?"));
        query.addBindValue(z);
        query.addBindValue(x);
        query.addBindValue((1 << z) - 1 - y); // MBTiles count rows from the south
        QImage tile;
        if (query.exec() && query.next())
            tile.loadFromData(query.value(0).toByteArray());
        if (tile.isNull()) {
            missing_.insert(key);
            return nullptr;
        }
        auto* kept = new QImage(std::move(tile));
        tiles_.insert(key, kept, std::max<qsizetype>(1, kept->sizeInBytes() / 1024));
        return tiles_.object(key);
    }
    if (kind_ == TKind::Online && network_ != nullptr) {
        QString url = urlTemplate_;
        url.replace(QLatin1String("{z}"), QString::number(z))
            .replace(QLatin1String("{x}"), QString::number(x))
            .replace(QLatin1String("{y}"), QString::number(y));
        QNetworkRequest request { QUrl(url) };
        request.setHeader(QNetworkRequest::UserAgentHeader,
            QStringLiteral("Ostrel/%1 (GPS log converter; track preview)")
                .arg(QCoreApplication::applicationVersion()));
        request.setAttribute(
            QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
        QNetworkReply* reply = network_->get(request);
        asked_.insert(key);
        connect(reply, &QNetworkReply::finished, this, [this, reply, key] { Arrived(reply, key); });
    }
    return nullptr;
}

void TMapTiles::Arrived(QNetworkReply* reply, quint64 key)
{
    reply->deleteLater();
    if (!asked_.remove(key))
        return; // a source chosen since
    if (!reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool())
        ++requests_;
    QImage tile;
    if (reply->error() == QNetworkReply::NoError)
        tile.loadFromData(reply->readAll());
    if (tile.isNull()) {
        missing_.insert(key);
        return;
    }
    auto* kept = new QImage(std::move(tile));
    tiles_.insert(key, kept, std::max<qsizetype>(1, kept->sizeInBytes() / 1024));
    emit TileArrived();
}

void TMapTiles::Draw(QPainter& painter, const TPictureView& view, double width, double height)
{
    if (kind_ == TKind::None)
        return;
    // The zoom level whose tile pixels are nearest the view's, fewer when too many tiles.
    const double level = std::log2(view.PixelsPerMetre() * kWorld / kTilePixels);
    int z = std::isfinite(level)
        ? static_cast<int>(std::clamp(std::round(level), double(minZoom_), double(maxZoom_)))
        : minZoom_;
    const TPicturePoint topLeft = view.PointAt(0, 0);
    const TPicturePoint bottomRight = view.PointAt(width, height);
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    for (;; --z) {
        const double side = kWorld / std::ldexp(1.0, z);
        const int last = (1 << z) - 1;
        // Clamped as a double first: a view far out lies beyond any int.
        const auto tileAt = [&](double metres) {
            return static_cast<int>(std::clamp(std::floor(metres / side), 0.0, double(last)));
        };
        x0 = tileAt(topLeft.East + kWorld / 2);
        x1 = tileAt(bottomRight.East + kWorld / 2);
        y0 = tileAt(kWorld / 2 - topLeft.North);
        y1 = tileAt(kWorld / 2 - bottomRight.North);
        const qint64 count = qint64(x1 - x0 + 1) * (y1 - y0 + 1);
        if (count <= kMostTiles)
            break;
        if (z <= minZoom_) {
            if (count > kMostCoarsestTiles)
                return; // too far out for this map's levels
            break;
        }
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const QImage* tile = Tile(z, x, y);
            if (tile == nullptr)
                continue;
            const TTileBounds b = TileBounds(z, x, y);
            const double left = view.X({ b.North, b.West });
            const double top = view.Y({ b.North, b.West });
            const double right = view.X({ b.North - b.Side, b.West + b.Side });
            const double bottom = view.Y({ b.North - b.Side, b.West + b.Side });
            painter.drawImage(QRectF(left, top, right - left, bottom - top), *tile);
        }
    }
}

} // namespace ostrel
