#include "app/preview_graph.h"

#include "app/preview_render.h"
#include "text/date_text.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr double kLeft = 44, kBottom = 18, kTop = 6, kRight = 8; // margins (pixels)

// The step of 1, 2 or 5 x 10^n that puts ticks at least minimum apart.
double NiceStep(double minimum)
{
    const double power = std::pow(10.0, std::floor(std::log10(minimum)));
    for (const double step : { 1.0, 2.0, 5.0, 10.0 })
        if (step * power >= minimum)
            return step * power;
    return 10 * power;
}

// Time steps of the clock (days): 1, 2, 5, 10, 15, 30 minutes, 1, 2, 3, 6, 12 hours, days.
double TimeStep(double minimumDays)
{
    for (const double minutes :
        { 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 180.0, 360.0, 720.0, 1440.0 })
        if (minutes / 1440 >= minimumDays)
            return minutes / 1440;
    return std::ceil(minimumDays);
}

} // namespace

TSpeedGraphView::TSpeedGraphView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SpeedGraph"));
    setMinimumHeight(90);
    setMouseTracking(true);
}

void TSpeedGraphView::SetPreview(std::shared_ptr<const TTrackPreview> preview)
{
    preview_ = std::move(preview);
    cursor_.reset();
    SetByDistance(byDistance_);
}

void TSpeedGraphView::SetByDistance(bool byDistance)
{
    byDistance_ = byDistance;
    from_ = 0;
    to_ = 1;
    top_ = 1;
    if (preview_) {
        const TSpeedGraph& graph = preview_->Graph;
        // The axis spans the kept fixes (the drops where none was kept): a dropped fix of a
        // wild time does not squeeze the rest.
        const std::vector<TGraphSample>& spanned = graph.Kept.empty() ? graph.Drops : graph.Kept;
        bool first = true;
        double fastestKept = 0;
        for (const TGraphSample& s : spanned) {
            const double v = byDistance_ ? s.Metres : s.Note.UtcDateTime;
            from_ = first ? v : std::min(from_, v);
            to_ = first ? v : std::max(to_, v);
            first = false;
        }
        for (const TGraphSample& s : graph.Kept)
            if (!std::isnan(s.Note.SpeedKmh))
                fastestKept = std::max(fastestKept, static_cast<double>(s.Note.SpeedKmh));
        if (to_ <= from_)
            to_ = from_ + (byDistance_ ? 100.0 : 1 / 1440.0);
        // Room for the limit above the kept line; faster drops sit on the top edge.
        top_ = std::max({ graph.LimitKmh * 1.25, fastestKept * 1.1, 1.0 });
    }
    background_ = QPixmap();
    update();
}

void TSpeedGraphView::SetCursor(std::optional<TFixNote> note, double metres)
{
    cursor_ = note;
    cursorMetres_ = metres;
    update();
}

QRectF TSpeedGraphView::Plot(const QRectF& rect) const
{
    return rect.adjusted(kLeft, kTop, -kRight, -kBottom);
}

double TSpeedGraphView::Across(double utc, double metres) const
{
    return ((byDistance_ ? metres : utc) - from_) / (to_ - from_);
}

double TSpeedGraphView::XAt(const QRectF& plot, double utc, double metres) const
{
    return plot.left() + Across(utc, metres) * plot.width();
}

double TSpeedGraphView::XOf(const TGraphSample& sample) const
{
    return XAt(Plot(QRectF(rect())), sample.Note.UtcDateTime, sample.Metres);
}

const TGraphSample* TSpeedGraphView::SampleAt(double x) const
{
    if (!preview_)
        return nullptr;
    const TGraphSample* nearest = nullptr;
    double best = 12; // pixels
    for (const std::vector<TGraphSample>* samples :
        { &preview_->Graph.Kept, &preview_->Graph.Drops })
        for (const TGraphSample& sample : *samples) {
            const double d = std::abs(XOf(sample) - x);
            if (d < best) {
                best = d;
                nearest = &sample;
            }
        }
    return nearest;
}

void TSpeedGraphView::PaintTo(QPainter& painter, const QRectF& rect) const
{
    PaintBackground(painter, rect);
    PaintCursor(painter, rect);
}

void TSpeedGraphView::PaintBackground(QPainter& painter, const QRectF& rect) const
{
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plot = Plot(rect);
    painter.setPen(QPen(Qt::gray, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    if (!preview_) {
        painter.restore();
        return;
    }
    const TSpeedGraph& graph = preview_->Graph;
    const double shift = preview_->Context.ZoneShiftDays;
    const auto yOf = [&](double kmh) {
        return plot.bottom() - std::min(kmh, top_) / top_ * plot.height();
    };
    const QFontMetricsF metrics(painter.font());

    // The speed axis.
    const double speedStep = NiceStep(top_ * metrics.height() * 1.5 / std::max(plot.height(), 1.0));
    for (double v = 0; v <= top_; v += speedStep) {
        const double y = yOf(v);
        painter.setPen(QColor(230, 230, 230));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(rect.left(), y - metrics.height() / 2, kLeft - 4, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    painter.drawText(QRectF(rect.left() + 2, rect.top(), kLeft, metrics.height()),
        Qt::AlignLeft | Qt::AlignTop, QStringLiteral("km/h"));
    // The other axis: local clock times, or kilometres.
    const double minimumTick = 80.0 / std::max(plot.width(), 1.0) * (to_ - from_);
    const double step = byDistance_ ? NiceStep(minimumTick) : TimeStep(minimumTick);
    const double origin = byDistance_ ? 0.0 : -shift; // ticks at whole local times
    for (double v = std::ceil((from_ - origin) / step) * step + origin; v <= to_; v += step) {
        const double x = plot.left() + (v - from_) / (to_ - from_) * plot.width();
        painter.setPen(QColor(230, 230, 230));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const QString text = byDistance_
            ? QString::number(v / 1000, 'g', 6) + QStringLiteral(" km")
            : QString::fromStdString(FormatDateTime(step >= 1 ? "MM/DD" : "HH:NN", v + shift));
        painter.setPen(Qt::darkGray);
        painter.drawText(
            QRectF(x - 40, plot.bottom() + 1, 80, kBottom), Qt::AlignHCenter | Qt::AlignTop, text);
    }

    painter.setClipRect(plot.adjusted(-4, -4, 4, 4));
    // The limit.
    painter.setPen(QPen(QColor(220, 0, 0), 1, Qt::DashLine));
    painter.drawLine(
        QPointF(plot.left(), yOf(graph.LimitKmh)), QPointF(plot.right(), yOf(graph.LimitKmh)));
    // The kept fixes, a line per stretch.
    painter.setPen(QPen(QColor(0, 90, 200), 1.5));
    QPainterPath line;
    for (const TGraphSample& s : graph.Kept) {
        if (std::isnan(s.Note.SpeedKmh))
            continue;
        const QPointF p(XAt(plot, s.Note.UtcDateTime, s.Metres), yOf(s.Note.SpeedKmh));
        if (s.StartsStretch || line.elementCount() == 0)
            line.moveTo(p);
        else
            line.lineTo(p);
    }
    painter.drawPath(line);
    // The dropped ones at their speeds; those without one on the axis.
    for (const TGraphSample& s : graph.Drops) {
        const double speed = std::isnan(s.Note.SpeedKmh) ? 0.0 : s.Note.SpeedKmh;
        DrawMark(painter, QPointF(XAt(plot, s.Note.UtcDateTime, s.Metres), yOf(speed)), 2.5,
            DropMark(s.Note.Cause));
    }
    painter.restore();
}

void TSpeedGraphView::PaintCursor(QPainter& painter, const QRectF& rect) const
{
    if (!preview_ || !cursor_)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plot = Plot(rect);
    const QFontMetricsF metrics(painter.font());
    painter.setClipRect(plot.adjusted(-4, -4, 4, 4));
    const double x = XAt(plot, cursor_->UtcDateTime, cursorMetres_);
    painter.setPen(QPen(QColor(0, 150, 60), 1.5));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    painter.setClipping(false);
    painter.setPen(Qt::black);
    const QString text = byDistance_
        ? QString::number(cursorMetres_ / 1000, 'f', 2) + QStringLiteral(" km")
        : QString::fromStdString(
            FormatDateTime("HH:NN:SS", cursor_->UtcDateTime + preview_->Context.ZoneShiftDays));
    const double w = metrics.horizontalAdvance(text) + 6;
    const double left = std::clamp(x + 4, plot.left(), plot.right() - w);
    painter.fillRect(QRectF(left, plot.top(), w, metrics.height()), QColor(255, 255, 255, 200));
    painter.drawText(QPointF(left + 3, plot.top() + metrics.ascent()), text);
    painter.restore();
}

// All but the cursor is drawn once for each preview, axis and size: the cursor follows the
// pointer.
void TSpeedGraphView::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    if (background_.isNull() || background_.deviceIndependentSize() != QSizeF(size())
        || background_.devicePixelRatio() != ratio) {
        background_ = QPixmap(size() * ratio);
        background_.setDevicePixelRatio(ratio);
        QPainter painter(&background_);
        painter.setFont(font());
        PaintBackground(painter, QRectF(rect()));
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
    PaintCursor(painter, QRectF(rect()));
}

void TSpeedGraphView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        background_ = QPixmap(); // its texts take the widget's font
    QWidget::changeEvent(event);
}

void TSpeedGraphView::mouseMoveEvent(QMouseEvent* event)
{
    const TGraphSample* sample = SampleAt(event->position().x());
    if (sample != nullptr)
        SetCursor(sample->Note, sample->Metres);
    emit Pointed(sample);
}

void TSpeedGraphView::leaveEvent(QEvent*)
{
    emit Pointed(nullptr);
}

} // namespace ostrel
