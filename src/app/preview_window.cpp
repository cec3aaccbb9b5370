#include "app/preview_window.h"

#include "app/settings_model.h"
#include "app/translations.h"
#include "app/window_text.h"
#include "app/worker_thread.h"
#include "conversion/statistics_rows.h"
#include "core/messages.h"
#include "text/date_text.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <array>
#include <cmath>
#include <span>

namespace ostrel {

namespace {

constexpr double kMargin = 24.0; // pixels around a fitted track

const QString kPreviewGeometryKey = QStringLiteral("Preview/Geometry");

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
    const char* Caption; // translated in the preview's context
};

// The mark of each cause of a drop, in the causes' order.
constexpr std::array<TMark, kDropCauseCount> kDropMarks = { {
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

constexpr TMark kStartMark { TMarkShape::Disc, qRgb(0, 180, 60),
    QT_TRANSLATE_NOOP("ostrel::TTrackView", "開始") };
constexpr TMark kEndMark { TMarkShape::Block, qRgb(0, 0, 0),
    QT_TRANSLATE_NOOP("ostrel::TTrackView", "終了") };
constexpr TMark kWaypointMark { TMarkShape::Disc, qRgb(255, 200, 0),
    QT_TRANSLATE_NOOP("ostrel::TTrackView", "ポイント") };

const TMark& DropMark(TDropCause cause)
{
    return kDropMarks[static_cast<std::size_t>(cause)];
}

// Draws a mark about at, r pixels from its centre to its sides.
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

// A mark as the legend shows it.
QPixmap MarkIcon(const TMark& mark)
{
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawMark(painter, QPointF(8, 8), 5, mark);
    return icon;
}

// The preview's numbers: a two-column table of rich text, the rows and their labels those of
// every front end.
QString StatisticsText(const TTrackPreview& preview)
{
    const std::vector<TStatisticRow> rows = StatisticRows(
        preview.Track.Counts, preview.Statistics, preview.Track.TotalMetres, preview.Cleaned);
    const TSeparators separators = SeparatorsOf(QLocale::system());
    QString html = QStringLiteral("<table cellspacing=\"3\">");
    for (const TStatisticRow& row : rows) {
        // The panel leaves out what the picture shows better.
        if (row.Key == "other_lines" || row.Key == "moving_length_m" || !row.Group.empty())
            continue;
        // The length as the conversion reports it.
        const std::string value
            = row.Key == "length_m" ? preview.LengthMessage : row.Text(separators);
        html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                    .arg(QString::fromUtf8(row.Label(WindowLanguage())).toHtmlEscaped(),
                        QString::fromStdString(value).toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
}

// An error as the main window's error box tells it, in the window's language: the message and,
// for an error of the log, the log with its line and another file at fault below it.
QString ErrorText(const std::exception_ptr& error, const std::filesystem::path* log)
{
    const TErrorReport report = ReportOf(error, WindowLanguage());
    QString text = ErrorBoxText(QString::fromStdString(report.Message));
    if (log != nullptr)
        text += QLatin1Char('\n') + LogErrorDetail(report, Shown(FromPath(*log)));
    return text;
}

// Stops a preview's computation when a newer one has started or the window has gone.
class TPreviewProgress final : public TTrackProgress
{
public:
    TPreviewProgress(const std::atomic<std::uint64_t>& current, std::uint64_t mine)
        : current_(current)
        , mine_(mine)
    {
    }
    void Advance(std::uint64_t) override
    {
        if (current_.load(std::memory_order_relaxed) != mine_)
            throw TStopped();
    }
    struct TStopped
    {
    };

private:
    const std::atomic<std::uint64_t>& current_;
    std::uint64_t mine_;
};

} // namespace

// ---- The drawing ----------------------------------------------------------------------------

TTrackView::TTrackView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TrackView"));
    setMinimumSize(320, 240);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
}

void TTrackView::SetPicture(std::shared_ptr<const TTrackPicture> picture)
{
    const bool first = picture_ == nullptr;
    picture_ = std::move(picture);
    message_.clear();
    // A new picture under new settings keeps the user's zoom and pan; the first is fitted.
    if (first || !moved_)
        Fit();
    update();
}

void TTrackView::SetMessage(const QString& message)
{
    picture_.reset();
    message_ = message;
    update();
}

void TTrackView::SetBusy(bool busy)
{
    busy_ = busy;
    setCursor(busy ? Qt::BusyCursor : Qt::ArrowCursor);
    update();
}

void TTrackView::Fit()
{
    if (picture_)
        view_.Fit(picture_->Bounds, width(), height(), kMargin);
    moved_ = false;
    update();
}

void TTrackView::resizeEvent(QResizeEvent*)
{
    if (!moved_)
        Fit();
}

void TTrackView::wheelEvent(QWheelEvent* event)
{
    const double factor = std::pow(1.25, event->angleDelta().y() / 120.0);
    view_.ZoomAt(event->position().x(), event->position().y(), factor);
    moved_ = true;
    update();
    event->accept();
}

void TTrackView::mousePressEvent(QMouseEvent* event)
{
    dragFrom_ = event->position();
}

void TTrackView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF to = event->position();
    view_.Pan(to.x() - dragFrom_.x(), to.y() - dragFrom_.y());
    dragFrom_ = to;
    moved_ = true;
    update();
}

void TTrackView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F || event->key() == Qt::Key_Home) {
        Fit();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TTrackView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!picture_) {
        painter.setPen(message_.isEmpty() ? Qt::darkGray : Qt::darkRed);
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
            message_.isEmpty() ? tr("計算中…") : message_);
        return;
    }
    const TScreenPicture screen = Project(*picture_, view_, width(), height());

    // The kept track, a line for each stretch (a stretch of one fix is a dot).
    std::vector<QPointF> line;
    line.reserve(screen.Track.size());
    for (const TScreenPoint& p : screen.Track)
        line.emplace_back(p.X, p.Y);
    painter.setPen(QPen(QColor(0, 90, 200), 2, Qt::SolidLine, Qt::RoundCap));
    std::size_t from = 0;
    for (std::size_t i = 0; i <= screen.Breaks.size(); ++i) {
        const std::size_t to = i < screen.Breaks.size() ? screen.Breaks[i] : line.size();
        if (to - from == 1)
            painter.drawPoint(line[from]);
        else if (to > from)
            painter.drawPolyline(line.data() + from, static_cast<int>(to - from));
        from = to;
    }

    // Dropped fixes, each cause with its mark; a cluster is bigger and tells its number.
    for (const TScreenDrops& drops : screen.Drops) {
        const QPointF at(drops.At.X, drops.At.Y);
        const std::uint64_t count = drops.Counts.Total();
        const double r = count > 1 ? 5.0 : 3.5;
        for (int cause = 0; cause < kDropCauseCount; ++cause) {
            if (drops.Counts.ByCause[static_cast<std::size_t>(cause)] > 0)
                DrawMark(painter, at, r, DropMark(static_cast<TDropCause>(cause)));
        }
        if (count > 1) {
            painter.setPen(Qt::black);
            painter.drawText(at + QPointF(r + 2, -r), QString::number(count));
        }
    }

    // Waypoints with their local times.
    for (const TScreenWaypoint& mark : screen.Waypoints) {
        const QPointF at(mark.At.X, mark.At.Y);
        DrawMark(painter, at, 3.5, kWaypointMark);
        if (mark.Labelled) {
            painter.setPen(Qt::black);
            painter.drawText(at + QPointF(6, 4),
                QString::fromStdString(FormatDateTime("HH:NN", mark.LocalDateTime)));
        }
    }

    // The start and the end.
    DrawMark(painter, QPointF(screen.Start.X, screen.Start.Y), 6, kStartMark);
    DrawMark(painter, QPointF(screen.End.X, screen.End.Y), 5, kEndMark);

    // The scale bar at the bottom left, the north arrow at the top right.
    const TScaleBar bar = ScaleBarFor(view_.PixelsPerMetre(), width() / 4.0);
    const QPointF left(12, height() - 14);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(left, left + QPointF(bar.Pixels, 0));
    painter.drawLine(left, left + QPointF(0, -5));
    painter.drawLine(left + QPointF(bar.Pixels, 0), left + QPointF(bar.Pixels, -5));
    painter.drawText(left + QPointF(0, -8), QString::fromStdString(bar.Text));
    const QPointF tip(width() - 24, 14);
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip + QPointF(-7, 22));
    arrow.lineTo(tip + QPointF(0, 16));
    arrow.lineTo(tip + QPointF(7, 22));
    arrow.closeSubpath();
    painter.setBrush(Qt::black);
    painter.setPen(Qt::NoPen);
    painter.drawPath(arrow);
    painter.setPen(Qt::black);
    painter.drawText(
        QRectF(tip.x() - 10, tip.y() + 22, 20, 16), Qt::AlignCenter, QStringLiteral("N"));

    if (busy_) {
        painter.setPen(Qt::darkGray);
        painter.drawText(
            rect().adjusted(8, 8, -8, -8), Qt::AlignTop | Qt::AlignLeft, tr("計算中…"));
    }
}

// ---- The window -----------------------------------------------------------------------------

TPreviewWindow::TPreviewWindow(
    QWidget& owner, const TSettingsModel& settings, std::filesystem::path input)
    : QWidget(&owner, Qt::Window)
    , settings_(settings)
    , input_(std::move(input))
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("プレビュー") + QStringLiteral(" - ") + ShownFileName(input_));
    view_ = new TTrackView(this);
    statistics_ = new QLabel(this);
    statistics_->setObjectName(QStringLiteral("PreviewStatistics"));
    statistics_->setTextFormat(Qt::RichText);
    statistics_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    statistics_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statistics_->setMinimumWidth(300);
    // The legend: the start, the end, the waypoints, and the mark of each cause of the drops the
    // track holds (the others are hidden).
    auto* legend = new QWidget(this);
    legend->setObjectName(QStringLiteral("PreviewLegend"));
    auto* marks = new QGridLayout(legend);
    marks->setContentsMargins(0, 0, 0, 0);
    const auto addMark = [&](const TMark& mark) {
        auto* icon = new QLabel(legend);
        icon->setPixmap(MarkIcon(mark));
        auto* text = new QLabel(TTrackView::tr(mark.Caption), legend);
        const int row = marks->rowCount();
        marks->addWidget(icon, row, 0);
        marks->addWidget(text, row, 1);
        return std::pair(icon, text);
    };
    for (const TMark* mark : { &kStartMark, &kEndMark, &kWaypointMark })
        addMark(*mark);
    for (const TMark& mark : kDropMarks) {
        causeMarks_.push_back(addMark(mark));
        causeMarks_.back().first->hide();
        causeMarks_.back().second->hide();
    }
    marks->setColumnStretch(1, 1);
    fit_ = new QPushButton(tr("全体表示"), this);
    fit_->setObjectName(QStringLiteral("cmdFit"));
    connect(fit_, &QPushButton::clicked, view_, &TTrackView::Fit);
    auto* side = new QVBoxLayout;
    side->addWidget(statistics_, 1);
    side->addWidget(legend);
    side->addWidget(fit_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(side);
    // Where the last preview was, kept on a screen that is still there.
    resize(860, 560);
    restoreGeometry(settings_.Store().value(kPreviewGeometryKey).toByteArray());

    busyTimer_ = new QTimer(this);
    busyTimer_->setSingleShot(true);
    busyTimer_->setInterval(200);
    connect(busyTimer_, &QTimer::timeout, view_, [this] { view_->SetBusy(true); });
    Refresh();
}

TPreviewWindow::~TPreviewWindow()
{
    StopWorker();
}

void TPreviewWindow::hideEvent(QHideEvent* event)
{
    // Closed, or hidden with the main window.
    settings_.Store().setValue(kPreviewGeometryKey, saveGeometry());
    QWidget::hideEvent(event);
}

QStringList TPreviewWindow::Legend() const
{
    QStringList texts;
    for (const QLabel* label : findChild<QWidget*>(QStringLiteral("PreviewLegend"))
                                   ->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->isHidden() && !label->text().isEmpty())
            texts << label->text();
    }
    return texts;
}

void TPreviewWindow::StopWorker()
{
    ++generation_;
    if (worker_.joinable())
        worker_.join();
}

void TPreviewWindow::Refresh()
{
    StopWorker();
    const std::uint64_t generation = generation_;
    TConvertSettings settings;
    try {
        settings = settings_.PreviewSettings();
    } catch (...) {
        statistics_->clear();
        view_->SetMessage(ErrorText(std::current_exception(), nullptr));
        emit Updated();
        return;
    }
    done_ = false;
    busyTimer_->start();
    QPointer<TPreviewWindow> self(this);
    worker_ = StartWorker([this, self, settings, generation, input = input_] {
        std::shared_ptr<TTrackPreview> preview;
        std::exception_ptr error;
        try {
            TPreviewProgress progress(generation_, generation);
            preview = std::make_shared<TTrackPreview>(PreviewLog(input, settings, &progress));
        } catch (const TPreviewProgress::TStopped&) {
            return; // a newer computation or the window's end took over
        } catch (...) {
            error = std::current_exception();
        }
        // The window waits for this thread before it goes, so it is still there.
        QMetaObject::invokeMethod(
            this, [this, generation, preview, error] { Show(generation, preview, error); },
            Qt::QueuedConnection);
    });
}

void TPreviewWindow::Show(
    std::uint64_t generation, std::shared_ptr<TTrackPreview> preview, std::exception_ptr error)
{
    if (generation != generation_)
        return;
    done_ = true;
    busyTimer_->stop();
    view_->SetBusy(false);
    for (std::size_t cause = 0; cause < causeMarks_.size(); ++cause) {
        const bool present = preview && preview->Track.Counts.Dropped[cause] > 0;
        causeMarks_[cause].first->setVisible(present);
        causeMarks_[cause].second->setVisible(present);
    }
    if (preview) {
        statistics_->setText(StatisticsText(*preview));
        view_->SetPicture(std::shared_ptr<const TTrackPicture>(preview, &preview->Picture));
    } else {
        statistics_->clear();
        view_->SetMessage(ErrorText(error, &input_));
    }
    emit Updated();
}

} // namespace ostrel
