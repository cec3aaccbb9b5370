#pragma once

// How the preview draws a track: the marks and their legend, the layer of the track (line,
// dropped fixes, waypoints, labels) for any painter (the window, a PNG, an SVG), and a renderer
// that draws that layer for a view on a thread of its own, so that the window's thread only
// shows the last image made while the next one is made.

#include "preview/track_picture.h"

#include <QFont>
#include <QImage>
#include <QObject>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class QPainter;
class QPixmap;

namespace ostrel {

// A mark of the drawing: its shape and colour, and its legend's text.
enum class TMarkShape
{
    Cross,
    Square,
    Diamond,
    Triangle,
    Circle,
    Plus,
    TriangleDown,
    Disc, // filled, outlined in black
    Block, // a filled square
};

struct TMark
{
    TMarkShape Shape;
    QRgb Colour;
    const char* Caption; // translated in the context "ostrel::TTrackView"
};

extern const std::array<TMark, kDropCauseCount> kDropMarks; // the causes' order
extern const TMark kStartMark;
extern const TMark kEndMark;
extern const TMark kWaypointMark;
extern const TMark kPhotoMark; // the places of photos matched in this session

inline const TMark& DropMark(TDropCause cause)
{
    return kDropMarks[static_cast<std::size_t>(cause)];
}

// Draws a mark about at, r pixels from its centre to its sides.
void DrawMark(QPainter& painter, const QPointF& at, double r, const TMark& mark);
// A mark as the legend shows it (16 x 16).
QPixmap MarkIcon(const TMark& mark);

// The labels' size in a font.
TLabelMetrics LabelMetricsOf(const QFont& font);

// The track, the dropped fixes (marks, or their density when too many), the waypoints and the
// labels of a view.
void DrawTrackLayer(QPainter& painter, const TScreenPicture& screen, const QFont& font);
// The start and the end on top of everything: the end outlined about the start when they
// coincide.
void DrawEnds(QPainter& painter, const QPointF& start, const QPointF& end);

// One image of the track layer and the view it was drawn for.
struct TTrackFrame
{
    QImage Image; // transparent where nothing is drawn
    std::shared_ptr<const TTrackPicture> Picture;
    TPictureView View;
    QSize Size; // of the view, in its pixels
};

// Draws frames on a thread of its own: each request replaces the one not yet begun, so a run of
// zoom steps draws the last of them, not each in turn.
class TTrackRenderer : public QObject
{
    Q_OBJECT

public:
    explicit TTrackRenderer(QObject* parent = nullptr);
    ~TTrackRenderer() override;

    void Request(std::shared_ptr<const TTrackPicture> picture, const TPictureView& view,
        const QSize& size, qreal pixelRatio, const QFont& font);
    // The last frame made, if any.
    const TTrackFrame* Last() const { return last_ ? &*last_ : nullptr; }
    // A request is waiting or being drawn.
    bool Busy() const { return shown_ != requested_; }

signals:
    void Rendered();

private:
    struct TRequest
    {
        std::shared_ptr<const TTrackPicture> Picture;
        TPictureView View;
        QSize Size;
        qreal PixelRatio;
        QFont Font;
        std::uint64_t Number = 0;
    };
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<TRequest> pending_;
    bool stop_ = false;
    // The last request made and the one whose frame shows (the window's thread only).
    std::uint64_t requested_ = 0;
    std::uint64_t shown_ = 0;
    std::optional<TTrackFrame> last_;
    std::thread thread_;
};

} // namespace ostrel
