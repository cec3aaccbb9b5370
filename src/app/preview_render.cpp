#include "app/preview_render.h"

#include "app/worker_thread.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <vector>

namespace ostrel {

const std::array<TMark, kDropCauseCount> kDropMarks = { {
    { TMarkShape::Cross, qRgb(220, 0, 0),
        QT_TRANSLATE_NOOP("ostrel::TTrackView", "除外（速すぎ）") }, // too fast
    { TMarkShape::Square, qRgb(230, 130, 0),
        QT_TRANSLATE_NOOP("ostrel::TTrackView", "除外（時刻の重複）") }, // repeated time
    { TMarkShape::Diamond, qRgb(150, 0, 200),
        QT_TRANSLATE_NOOP("ostrel::TTrackView", "除外（跳び）") }, // spike
    { TMarkShape::Triangle, qRgb(140, 80, 0),
        QT_TRANSLATE_NOOP("ostrel::TTrackView", "除外（外れた開始）") }, // outlier start
    { TMarkShape::Circle, qRgb(110, 110, 110),
        QT_TRANSLATE_NOOP("ostrel::TTrackView", "除外（静止）") }, // standing
    { TMarkShape::Plus, qRgb(0, 140, 150),
        QT_TRANSLATE_NOOP("ostrel::TTrackView", "除外（時間外）") }, // outside the time
    { TMarkShape::TriangleDown, qRgb(220, 0, 140),
        QT_TRANSLATE_NOOP("ostrel::TTrackView", "除外（プライバシー）") }, // private
} };

const TMark kStartMark { TMarkShape::Disc, qRgb(0, 180, 60),
    QT_TRANSLATE_NOOP("ostrel::TTrackView", "開始") };
const TMark kEndMark { TMarkShape::Block, qRgb(0, 0, 0),
    QT_TRANSLATE_NOOP("ostrel::TTrackView", "終了") };
const TMark kWaypointMark { TMarkShape::Disc, qRgb(255, 200, 0),
    QT_TRANSLATE_NOOP("ostrel::TTrackView", "ポイント") };
const TMark kPhotoMark { TMarkShape::Disc, qRgb(30, 120, 255),
    QT_TRANSLATE_NOOP("ostrel::TTrackView", "写真") };

void DrawMark(QPainter& painter, const QPointF& at, double r, const TMark& mark)
{
    const QColor colour = QColor::fromRgb(mark.Colour);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 2));
    const auto polygon = [&](std::initializer_list<QPointF> corners) {
        std::vector<QPointF> points;
        for (const QPointF& corner : corners)
            points.push_back(at + corner);
        painter.drawPolygon(points.data(), static_cast<int>(points.size()));
    };
    switch (mark.Shape) {
    case TMarkShape::Cross:
        painter.drawLine(at + QPointF(-r, -r), at + QPointF(r, r));
        painter.drawLine(at + QPointF(-r, r), at + QPointF(r, -r));
        break;
    case TMarkShape::Square:
        painter.drawRect(QRectF(at - QPointF(r, r), QSizeF(2 * r, 2 * r)));
        break;
    case TMarkShape::Diamond:
        polygon({ { 0, -r }, { r, 0 }, { 0, r }, { -r, 0 } });
        break;
    case TMarkShape::Triangle:
        polygon({ { 0, -r }, { r, r }, { -r, r } });
        break;
    case TMarkShape::Circle:
        painter.drawEllipse(at, r, r);
        break;
    case TMarkShape::Plus:
        painter.drawLine(at + QPointF(0, -r), at + QPointF(0, r));
        painter.drawLine(at + QPointF(-r, 0), at + QPointF(r, 0));
        break;
    case TMarkShape::TriangleDown:
        polygon({ { 0, r }, { r, -r }, { -r, -r } });
        break;
    case TMarkShape::Disc:
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(colour);
        painter.drawEllipse(at, r, r);
        break;
    case TMarkShape::Block:
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawRect(QRectF(at - QPointF(r, r), QSizeF(2 * r, 2 * r)));
        break;
    }
}

QPixmap MarkIcon(const TMark& mark)
{
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawMark(painter, QPointF(8, 8), 5, mark);
    return icon;
}

TLabelMetrics LabelMetricsOf(const QFont& font)
{
    const QFontMetricsF metrics(font);
    double widest = metrics.horizontalAdvance(QLatin1Char(':'));
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(digit)));
    return { widest, metrics.height() };
}

void DrawTrackLayer(QPainter& painter, const TScreenPicture& screen, const QFont& font)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font);
    // The kept track, a line for each stretch (a stretch of one fix is a dot).
    std::vector<QPointF> line;
    line.reserve(screen.Track.size());
    for (const TScreenPoint& p : screen.Track)
        line.emplace_back(p.X, p.Y);
    painter.setPen(QPen(QColor(0, 90, 200), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    std::size_t from = 0;
    for (std::size_t i = 0; i <= screen.Breaks.size(); ++i) {
        const std::size_t to = i < screen.Breaks.size() ? screen.Breaks[i] : line.size();
        if (to - from == 1)
            painter.drawPoint(line[from]);
        else if (to > from)
            painter.drawPolyline(line.data() + from, static_cast<int>(to - from));
        from = to;
    }

    if (screen.DropDensity) {
        // A cell per cluster in the colour of its commonest cause, the darker the more fixes.
        painter.setPen(Qt::NoPen);
        for (const TScreenDrops& drops : screen.Drops) {
            const auto most
                = std::max_element(drops.Counts.ByCause.begin(), drops.Counts.ByCause.end());
            QColor colour = QColor::fromRgb(
                kDropMarks[static_cast<std::size_t>(most - drops.Counts.ByCause.begin())].Colour);
            const double weight = std::log10(static_cast<double>(drops.Counts.Total()) + 1);
            colour.setAlphaF(std::clamp(0.25 + 0.25 * weight, 0.25, 0.9));
            painter.setBrush(colour);
            painter.drawRect(QRectF(drops.At.X - kDropCellPixels / 2,
                drops.At.Y - kDropCellPixels / 2, kDropCellPixels, kDropCellPixels));
        }
    } else {
        // Each cause with its mark; a cluster is bigger.
        for (const TScreenDrops& drops : screen.Drops) {
            const QPointF at(drops.At.X, drops.At.Y);
            const double r = drops.Counts.Total() > 1 ? 5.0 : 3.5;
            for (int cause = 0; cause < kDropCauseCount; ++cause) {
                if (drops.Counts.ByCause[static_cast<std::size_t>(cause)] > 0)
                    DrawMark(painter, at, r, DropMark(static_cast<TDropCause>(cause)));
            }
        }
    }

    for (const TScreenWaypoint& mark : screen.Waypoints)
        DrawMark(painter, QPointF(mark.At.X, mark.At.Y), 3.5, kWaypointMark);
    for (const TScreenPoint& photo : screen.Photos)
        DrawMark(painter, QPointF(photo.X, photo.Y), 4.5, kPhotoMark);

    // The labels, each on a pale ground so that it reads over the line and the map.
    const QFontMetricsF metrics(font);
    for (const TScreenLabel& label : screen.Labels) {
        const QRectF box(label.Box.X, label.Box.Y, label.Box.Width, label.Box.Height);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 170));
        painter.drawRect(box);
        painter.setPen(label.Count ? QColor(150, 0, 0) : QColor(Qt::black));
        painter.drawText(
            QPointF(box.left(), box.top() + metrics.ascent()), QString::fromStdString(label.Text));
    }
}

void DrawEnds(QPainter& painter, const QPointF& start, const QPointF& end)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF apart = end - start;
    if (std::hypot(apart.x(), apart.y()) < kEndMarkPixels) {
        // The end as a frame about the start's disc.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor::fromRgb(kEndMark.Colour), 2));
        painter.drawRect(QRectF(start - QPointF(kEndMarkPixels, kEndMarkPixels),
            QSizeF(2 * kEndMarkPixels, 2 * kEndMarkPixels)));
    } else {
        DrawMark(painter, end, 5, kEndMark);
    }
    DrawMark(painter, start, 6, kStartMark);
}

TTrackRenderer::TTrackRenderer(QObject* parent)
    : QObject(parent)
{
    thread_ = StartWorker([this] { Run(); });
}

TTrackRenderer::~TTrackRenderer()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TTrackRenderer::Request(std::shared_ptr<const TTrackPicture> picture, const TPictureView& view,
    const QSize& size, qreal pixelRatio, const QFont& font)
{
    {
        const std::lock_guard lock(mutex_);
        pending_ = TRequest { std::move(picture), view, size, pixelRatio, font, ++requested_ };
    }
    wake_.notify_one();
}

void TTrackRenderer::Run()
{
    for (;;) {
        TRequest request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || pending_; });
            if (stop_)
                return;
            request = std::move(*pending_);
            pending_.reset();
        }
        TTrackFrame frame { QImage(request.Size * request.PixelRatio,
                                QImage::Format_ARGB32_Premultiplied),
            request.Picture, request.View, request.Size };
        frame.Image.setDevicePixelRatio(request.PixelRatio);
        frame.Image.fill(Qt::transparent);
        {
            const TScreenPicture screen = Project(*request.Picture, request.View,
                request.Size.width(), request.Size.height(), LabelMetricsOf(request.Font));
            QPainter painter(&frame.Image);
            DrawTrackLayer(painter, screen, request.Font);
        }
        // Shown by the window's thread; dropped with the renderer when it has gone.
        QMetaObject::invokeMethod(
            this,
            [this, frame = std::move(frame), number = request.Number]() mutable {
                last_ = std::move(frame);
                shown_ = number;
                emit Rendered();
            },
            Qt::QueuedConnection);
    }
}

} // namespace ostrel
