#pragma once

// The speed graph under a preview's track: the speed of each fix from the fix kept before it
// against the local clock time (or the length of the route), the kept fixes as a line broken at
// gaps, the limit as a dashed line, the dropped fixes as marks at the speed that dropped them.
// A cursor links it with the track: the graph tells which sample lies under the pointer, and
// shows the time (or length) of a fix pointed at on the track.

#include "preview/track_preview.h"

#include <QPixmap>
#include <QWidget>
#include <memory>
#include <optional>

namespace ostrel {

class TSpeedGraphView : public QWidget
{
    Q_OBJECT

public:
    explicit TSpeedGraphView(QWidget* parent = nullptr);

    void SetPreview(std::shared_ptr<const TTrackPreview> preview);
    void SetByDistance(bool byDistance);
    // The cursor at a fix's time and place along the route; none: no cursor.
    void SetCursor(std::optional<TFixNote> note, double metres = 0.0);

    // Where a sample lies across the graph (pixels), and the sample nearest a pixel column.
    double XOf(const TGraphSample& sample) const;
    const TGraphSample* SampleAt(double x) const;
    // Draws the graph into rect of any painter (the window, a PNG, an SVG).
    void PaintTo(QPainter& painter, const QRectF& rect) const;

signals:
    // The pointer is over the sample (none: it has left the graph).
    void Pointed(const ostrel::TGraphSample* sample);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    double Across(double utc, double metres) const; // 0..1 of the axis
    double XAt(const QRectF& plot, double utc, double metres) const;
    QRectF Plot(const QRectF& rect) const;
    void PaintBackground(QPainter& painter, const QRectF& rect) const; // all but the cursor
    void PaintCursor(QPainter& painter, const QRectF& rect) const;

    std::shared_ptr<const TTrackPreview> preview_;
    bool byDistance_ = false;
    double from_ = 0.0, to_ = 1.0; // the axis: UTC days or metres
    double top_ = 1.0; // the highest speed of the axis (km/h)
    std::optional<TFixNote> cursor_;
    QPixmap background_; // PaintBackground's, at the widget's size
    double cursorMetres_ = 0.0;
};

} // namespace ostrel
