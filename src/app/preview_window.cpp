#include "app/preview_window.h"

#include "app/dialogs.h"
#include "app/preview_graph.h"
#include "app/preview_map.h"
#include "app/preview_render.h"
#include "app/settings_model.h"
#include "app/translations.h"
#include "app/window_text.h"
#include "app/worker_thread.h"
#include "conversion/statistics_rows.h"
#include "core/messages.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#ifndef OSTREL_NO_SVG_EXPORT
#include <QSvgGenerator>
#endif
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace ostrel {

namespace {

constexpr double kMargin = 24.0; // pixels around a fitted track
constexpr double kPointRadius = 8.0; // pixels within which the pointer finds a fix
constexpr double kKeyZoom = 1.25;

const QString kPreviewGeometryKey = QStringLiteral("Preview/Geometry");
const QString kGraphByDistanceKey = QStringLiteral("Preview/GraphByDistance");
const QString kMapKey = QStringLiteral("Preview/Map"); // 0 none, 1 file, 2 online
const QString kMapFileKey = QStringLiteral("Preview/MapFile");
const QString kTileUrlKey = QStringLiteral("Preview/TileUrl");
const QString kTileAttributionKey = QStringLiteral("Preview/TileAttribution");
const QString kTileCacheKey = QStringLiteral("Preview/TileCache");

enum TMapChoice
{
    kNoMap,
    kMapFile,
    kMapOnline,
};

// The numbers of the panel, as label and text: the rows of every front end, less what the
// picture shows better; the start and the end in local time with UTC beside, the length as
// the length box's number.
std::vector<std::pair<QString, QString>> NumberRows(const TTrackPreview& preview)
{
    const std::vector<TStatisticRow> rows = StatisticRows(
        preview.Track.Counts, preview.Statistics, preview.Track.TotalMetres, preview.Cleaned);
    const TSeparators separators = SeparatorsOf(QLocale::system());
    std::vector<std::pair<QString, QString>> shown;
    for (const TStatisticRow& row : rows) {
        if (row.Key == "other_lines" || row.Key == "moving_length_m" || !row.Group.empty())
            continue;
        QString label = QString::fromUtf8(row.Label(WindowLanguage()));
        QString value = QString::fromStdString(row.Text(separators));
        if (row.Unit == TStatisticUnit::UtcTime) {
            label.remove(QStringLiteral(" (UTC)"));
            value
                = QString::fromStdString(LocalAndUtcText(row.Value, preview.Context.ZoneShiftDays));
        }
        shown.emplace_back(label, value);
    }
    return shown;
}

QString StatisticsText(const TTrackPreview& preview)
{
    QString html = QStringLiteral("<table cellspacing=\"3\">");
    for (const auto& [label, value] : NumberRows(preview)) {
        QString shown = value.toHtmlEscaped();
        // A time's UTC goes below its local time, which keeps the panel narrow.
        if (shown.endsWith(QStringLiteral(" UTC)")))
            shown.replace(QStringLiteral(" ("), QStringLiteral("<br>("));
        html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(label.toHtmlEscaped(), shown);
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

QFont LabelFont(const QFont& font)
{
    QFont small = font;
    small.setPointSizeF(std::max(7.0, font.pointSizeF() - 1));
    return small;
}

} // namespace

// ---- The drawing ----------------------------------------------------------------------------

TTrackView::TTrackView(QWidget* parent)
    : QWidget(parent)
    , renderer_(new TTrackRenderer(this))
{
    setObjectName(QStringLiteral("TrackView"));
    setMinimumSize(240, 160);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
    setMouseTracking(true);
    connect(renderer_, &TTrackRenderer::Rendered, this, qOverload<>(&QWidget::update));
}

void TTrackView::SetPicture(std::shared_ptr<const TTrackPicture> picture)
{
    const bool first = picture_ == nullptr;
    picture_ = std::move(picture);
    message_.clear();
    pointed_.reset();
    cursor_.reset();
    // A new picture under new settings keeps the user's zoom and pan; the first is fitted, and
    // so is one on another grid (a map turned on or off).
    if (first || !moved_)
        Fit();
    else
        Changed();
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

void TTrackView::SetMap(TMapTiles* map)
{
    map_ = map;
    update();
}

void TTrackView::SetCursorPoint(std::optional<TPicturePoint> point)
{
    cursor_ = point;
    update();
}

void TTrackView::Fit()
{
    if (picture_)
        view_.Fit(picture_->Bounds, width(), height(), kMargin);
    moved_ = false;
    Changed();
}

void TTrackView::ZoomBy(double factor)
{
    view_.ZoomAt(width() / 2.0, height() / 2.0, factor);
    moved_ = true;
    Changed();
}

void TTrackView::PanBy(double dx, double dy)
{
    view_.Pan(dx, dy);
    moved_ = true;
    Changed();
}

void TTrackView::Changed()
{
    if (picture_ && width() > 0 && height() > 0)
        renderer_->Request(picture_, view_, size(), devicePixelRatioF(), LabelFont(font()));
    update();
}

bool TTrackView::Drawn() const
{
    const TTrackFrame* frame = renderer_->Last();
    return picture_ && frame != nullptr && frame->Picture == picture_ && !renderer_->Busy();
}

void TTrackView::resizeEvent(QResizeEvent*)
{
    if (!moved_)
        Fit();
    else
        Changed();
}

void TTrackView::wheelEvent(QWheelEvent* event)
{
    const double factor = std::pow(1.25, event->angleDelta().y() / 120.0);
    view_.ZoomAt(event->position().x(), event->position().y(), factor);
    moved_ = true;
    Changed();
    event->accept();
}

void TTrackView::mousePressEvent(QMouseEvent* event)
{
    dragFrom_ = event->position();
    dragged_ = false;
}

void TTrackView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        Point(event->position());
        return;
    }
    const QPointF to = event->position();
    view_.Pan(to.x() - dragFrom_.x(), to.y() - dragFrom_.y());
    dragFrom_ = to;
    dragged_ = true;
    moved_ = true;
    Changed();
}

void TTrackView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragged_ && event->button() == Qt::LeftButton)
        Point(event->position());
}

void TTrackView::Point(const QPointF& at)
{
    if (!picture_)
        return;
    const TPictureHit hit = HitTest(*picture_, view_, at.x(), at.y(), kPointRadius);
    if (hit.Kind == TPictureHit::TKind::None)
        return;
    pointed_ = hit.Point;
    update();
    emit Pointed(hit);
}

void TTrackView::keyPressEvent(QKeyEvent* event)
{
    const double step = std::min(width(), height()) / 8.0;
    switch (event->key()) {
    case Qt::Key_F:
    case Qt::Key_Home:
        Fit();
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomBy(kKeyZoom);
        return;
    case Qt::Key_Minus:
        ZoomBy(1 / kKeyZoom);
        return;
    // The arrows move the view over the track: Left shows what lies west.
    case Qt::Key_Left:
        PanBy(step, 0);
        return;
    case Qt::Key_Right:
        PanBy(-step, 0);
        return;
    case Qt::Key_Up:
        PanBy(0, step);
        return;
    case Qt::Key_Down:
        PanBy(0, -step);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TTrackView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!picture_) {
        painter.setPen(message_.isEmpty() ? Qt::darkGray : Qt::darkRed);
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
            message_.isEmpty() ? tr("計算中…") : message_);
        return;
    }
    if (map_ != nullptr && picture_->Projection == TPictureProjection::WebMercator)
        map_->Draw(painter, view_, width(), height());
    // The last image of the track, moved and scaled from its view to this one.
    if (const TTrackFrame* frame = renderer_->Last();
        frame != nullptr && frame->Picture == picture_) {
        const TPicturePoint corner = frame->View.PointAt(0, 0);
        const double scale = view_.PixelsPerMetre() / frame->View.PixelsPerMetre();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scale != 1.0);
        painter.drawImage(QRectF(view_.X(corner), view_.Y(corner), frame->Size.width() * scale,
                              frame->Size.height() * scale),
            frame->Image);
    }
    DrawEnds(painter, QPointF(view_.X(picture_->Start), view_.Y(picture_->Start)),
        QPointF(view_.X(picture_->End), view_.Y(picture_->End)));
    painter.setBrush(Qt::NoBrush);
    if (pointed_) {
        painter.setPen(QPen(QColor(0, 0, 0, 160), 2));
        painter.drawEllipse(QPointF(view_.X(*pointed_), view_.Y(*pointed_)), 9, 9);
    }
    if (cursor_) {
        painter.setPen(QPen(QColor(0, 150, 60), 3));
        painter.drawEllipse(QPointF(view_.X(*cursor_), view_.Y(*cursor_)), 8, 8);
    }
    PaintOverlay(painter, size());
    if (busy_) {
        painter.setPen(Qt::darkGray);
        painter.drawText(
            rect().adjusted(8, 8, -8, -8), Qt::AlignTop | Qt::AlignLeft, tr("計算中…"));
    }
}

void TTrackView::PaintOverlay(QPainter& painter, const QSizeF& size) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    // The scale bar at the bottom left, in ground metres (Web Mercator stretches them).
    const double groundScale
        = view_.PixelsPerMetre() / GroundMetresPerUnit(*picture_, view_, size.height() - 14);
    const TScaleBar bar = ScaleBarFor(groundScale, size.width() / 4.0);
    const QPointF left(12, size.height() - 14);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(left, left + QPointF(bar.Pixels, 0));
    painter.drawLine(left, left + QPointF(0, -5));
    painter.drawLine(left + QPointF(bar.Pixels, 0), left + QPointF(bar.Pixels, -5));
    painter.drawText(left + QPointF(0, -8), QString::fromStdString(bar.Text));
    // The north arrow at the top right.
    const QPointF tip(size.width() - 24, 14);
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
    // The map's attribution at the bottom right.
    if (map_ != nullptr && map_->On() && !map_->Attribution().isEmpty()
        && picture_->Projection == TPictureProjection::WebMercator) {
        const QFont font = LabelFont(painter.font());
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        const QString text
            = metrics.elidedText(map_->Attribution(), Qt::ElideRight, size.width() * 0.6);
        const QRectF box(size.width() - metrics.horizontalAdvance(text) - 8,
            size.height() - metrics.height() - 2, metrics.horizontalAdvance(text) + 8,
            metrics.height() + 2);
        painter.fillRect(box, QColor(255, 255, 255, 200));
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

void TTrackView::PaintTo(QPainter& painter, const QSizeF& size) const
{
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), size));
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::white);
    if (picture_) {
        if (map_ != nullptr && picture_->Projection == TPictureProjection::WebMercator)
            map_->Draw(painter, view_, size.width(), size.height());
        const QFont font = LabelFont(painter.font());
        DrawTrackLayer(painter,
            Project(*picture_, view_, size.width(), size.height(), LabelMetricsOf(font)), font);
        DrawEnds(painter, QPointF(view_.X(picture_->Start), view_.Y(picture_->Start)),
            QPointF(view_.X(picture_->End), view_.Y(picture_->End)));
        PaintOverlay(painter, size);
    }
    painter.restore();
}

// ---- The window -----------------------------------------------------------------------------

TPreviewWindow::TPreviewWindow(QWidget& owner, const TSettingsModel& settings, TDialogs& dialogs,
    std::filesystem::path input, std::vector<TLatLon> photos)
    : QWidget(&owner, Qt::Window)
    , settings_(settings)
    , dialogs_(dialogs)
    , input_(std::move(input))
    , photos_(std::move(photos))
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("プレビュー") + QStringLiteral(" - ") + ShownFileName(input_));
    QSettings& store = settings_.Store();
    view_ = new TTrackView(this);
    graph_ = new TSpeedGraphView(this);
    map_ = new TMapTiles(this);
    view_->SetMap(map_);
    connect(map_, &TMapTiles::TileArrived, view_, qOverload<>(&QWidget::update));

    // The side: the numbers, the advice, what the pointer found, the legend and the map.
    auto* side = new QWidget;
    statistics_ = new QLabel(side);
    statistics_->setObjectName(QStringLiteral("PreviewStatistics"));
    statistics_->setTextFormat(Qt::RichText);
    statistics_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    statistics_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    advice_ = new QLabel(side);
    advice_->setObjectName(QStringLiteral("PreviewAdvice"));
    advice_->setWordWrap(true);
    advice_->setStyleSheet(QStringLiteral("color: #a00000"));
    advice_->hide();
    details_ = new QLabel(tr("軌跡の点を指すと、その記録が表示されます。"), side);
    details_->setObjectName(QStringLiteral("PreviewDetails"));
    details_->setWordWrap(true);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details_->setFrameShape(QFrame::StyledPanel);
    details_->setMinimumHeight(details_->fontMetrics().height() * 5);
    details_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    // The legend: the start, the end, the waypoints, and the mark of each cause of the drops the
    // track holds (the others are hidden).
    auto* legend = new QWidget(side);
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
    photoMark_ = addMark(kPhotoMark);
    photoMark_.first->hide();
    photoMark_.second->hide();
    marks->setColumnStretch(1, 1);

    mapChoice_ = new QComboBox(side);
    mapChoice_->setObjectName(QStringLiteral("ddlMap"));
    mapChoice_->addItems({ tr("地図なし"), tr("MBTiles ファイル..."), tr("オンライン地図") });
    tileUrl_ = new QLineEdit(store.value(kTileUrlKey).toString(), side);
    tileUrl_->setObjectName(QStringLiteral("txtTileUrl"));
    tileUrl_->setPlaceholderText(QStringLiteral("https://tile.example.org/{z}/{x}/{y}.png"));
    tileAttribution_ = new QLineEdit(store.value(kTileAttributionKey).toString(), side);
    tileAttribution_->setObjectName(QStringLiteral("txtTileAttribution"));
    tileAttribution_->setPlaceholderText(tr("地図の出典"));
    auto* mapLabel = new QLabel(tr("地図(&M):"), side);
    mapLabel->setBuddy(mapChoice_);

    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(statistics_);
    sideLayout->addWidget(advice_);
    sideLayout->addWidget(details_);
    sideLayout->addWidget(legend);
    sideLayout->addWidget(mapLabel);
    sideLayout->addWidget(mapChoice_);
    sideLayout->addWidget(tileUrl_);
    sideLayout->addWidget(tileAttribution_);
    sideLayout->addStretch(1);
    side_ = new QScrollArea(this);
    side_->setWidget(side);
    side_->setWidgetResizable(true);
    side_->setFrameShape(QFrame::NoFrame);
    side_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FitSide();

    fit_ = new QPushButton(tr("全体表示"), this);
    fit_->setObjectName(QStringLiteral("cmdFit"));
    connect(fit_, &QPushButton::clicked, view_, &TTrackView::Fit);
    auto* save = new QPushButton(tr("画像を保存(&S)..."), this);
    save->setObjectName(QStringLiteral("cmdSavePicture"));
    connect(save, &QPushButton::clicked, this, &TPreviewWindow::SavePicture);
    auto* copy = new QPushButton(tr("数値をコピー(&C)"), this);
    copy->setObjectName(QStringLiteral("cmdCopyNumbers"));
    connect(copy, &QPushButton::clicked, this, &TPreviewWindow::CopyNumbers);
    graphByDistance_ = new QCheckBox(tr("距離で表示(&D)"), this);
    graphByDistance_->setObjectName(QStringLiteral("chkGraphDistance"));
    graphByDistance_->setChecked(store.value(kGraphByDistanceKey, false).toBool());
    graph_->SetByDistance(graphByDistance_->isChecked());
    connect(graphByDistance_, &QCheckBox::toggled, this, [this](bool on) {
        graph_->SetByDistance(on);
        settings_.Store().setValue(kGraphByDistanceKey, on);
    });

    auto* buttons = new QGridLayout;
    buttons->addWidget(fit_, 0, 0);
    buttons->addWidget(graphByDistance_, 0, 1);
    buttons->addWidget(save, 1, 0);
    buttons->addWidget(copy, 1, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(side_, 1);
    right->addLayout(buttons);
    auto* left = new QVBoxLayout;
    left->addWidget(view_, 3);
    left->addWidget(graph_, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(view_, &TTrackView::Pointed, this, &TPreviewWindow::Explain);
    connect(graph_, &TSpeedGraphView::Pointed, this, [this](const TGraphSample* sample) {
        if (sample == nullptr || !preview_) {
            view_->SetCursorPoint(std::nullopt);
            return;
        }
        view_->SetCursorPoint(sample->Point);
        details_->setText(
            QString::fromStdString(ExplainFix(sample->Note, preview_->Context, WindowLanguage())));
    });

    // The map as it was last chosen; a file that cannot be read any more is no map.
    const int remembered = store.value(kMapKey, kNoMap).toInt();
    if (remembered == kMapFile) {
        QString error;
        if (map_->UseFile(store.value(kMapFileKey).toString(), &error))
            mapShown_ = kMapFile;
    } else if (remembered == kMapOnline) {
        mapShown_ = kMapOnline;
        ApplyMap();
    }
    mapChoice_->setCurrentIndex(mapShown_);
    tileUrl_->setEnabled(mapShown_ == kMapOnline);
    tileAttribution_->setEnabled(mapShown_ == kMapOnline);
    connect(mapChoice_, &QComboBox::activated, this, &TPreviewWindow::ChooseMap);
    for (QLineEdit* edit : { tileUrl_, tileAttribution_ })
        connect(edit, &QLineEdit::editingFinished, this, [this] {
            if (mapShown_ == kMapOnline)
                ApplyMap();
        });

    // Esc and Ctrl+W close the preview, as the platform's Close does.
    for (const QKeySequence& keys : { QKeySequence(Qt::Key_Escape),
             QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(QKeySequence::Close) }) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }

    // Where the last preview was, kept within the screen.
    resize(900, 640);
    restoreGeometry(store.value(kPreviewGeometryKey).toByteArray());
    if (const QScreen* here = screen())
        PlaceWithin(here->availableGeometry());

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

// The side is as wide as its widest row, within bounds; a taller side scrolls.
void TPreviewWindow::FitSide()
{
    const int needed = side_->widget()->minimumSizeHint().width()
        + side_->verticalScrollBar()->sizeHint().width();
    side_->setFixedWidth(std::clamp(needed, 220, 400));
}

void TPreviewWindow::PlaceWithin(const QRect& available)
{
    // The frame's own size: known once shown, else about a title bar's.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(16, 40);
    const QSize most = (available.size() - frame).expandedTo(minimumSizeHint());
    resize(size().boundedTo(most));
    QRect placed(pos(), size() + frame);
    placed.moveLeft(std::clamp(placed.left(), available.left(),
        std::max(available.left(), available.right() + 1 - placed.width())));
    placed.moveTop(std::clamp(placed.top(), available.top(),
        std::max(available.top(), available.bottom() + 1 - placed.height())));
    move(placed.topLeft());
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

void TPreviewWindow::ChooseMap(int choice)
{
    QSettings& store = settings_.Store();
    if (choice == kMapFile) {
        const QString path = dialogs_.ChooseFile(
            this, TFileChoice::OpenMap, QFileInfo(store.value(kMapFileKey).toString()).path());
        QString error;
        if (path.isEmpty() || !map_->UseFile(path, &error)) {
            if (!path.isEmpty())
                dialogs_.ShowBox(this, TBoxKind::Error, ApplicationTitle(),
                    tr("地図を読めません: %1").arg(QDir::toNativeSeparators(path)), error);
            mapChoice_->setCurrentIndex(mapShown_);
            if (mapShown_ == kMapFile)
                map_->UseFile(store.value(kMapFileKey).toString(), &error);
            return;
        }
        store.setValue(kMapFileKey, path);
    }
    const bool regrid = (mapShown_ == kNoMap) != (choice == kNoMap);
    mapShown_ = choice;
    store.setValue(kMapKey, choice);
    tileUrl_->setEnabled(choice == kMapOnline);
    tileAttribution_->setEnabled(choice == kMapOnline);
    if (choice != kMapFile)
        ApplyMap();
    if (regrid)
        Refresh(); // the track on the map's grid, or back on the plane
    view_->update();
}

void TPreviewWindow::ApplyMap()
{
    QSettings& store = settings_.Store();
    if (mapShown_ != kMapOnline) {
        if (mapShown_ == kNoMap)
            map_->UseNone();
        return;
    }
    store.setValue(kTileUrlKey, tileUrl_->text());
    store.setValue(kTileAttributionKey, tileAttribution_->text());
    const QString cache = store
                              .value(kTileCacheKey,
                                  QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                                      + QStringLiteral("/tiles"))
                              .toString();
    if (tileUrl_->text().trimmed().isEmpty())
        map_->UseNone();
    else
        map_->UseOnline(tileUrl_->text().trimmed(), tileAttribution_->text(), cache);
    view_->update();
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
        advice_->hide();
        preview_.reset();
        graph_->SetPreview(nullptr);
        view_->SetMessage(ErrorText(std::current_exception(), nullptr));
        emit Updated();
        return;
    }
    const TPictureProjection projection
        = mapShown_ == kNoMap ? TPictureProjection::Plane : TPictureProjection::WebMercator;
    done_ = false;
    busyTimer_->start();
    QPointer<TPreviewWindow> self(this);
    worker_ = StartWorker(
        [this, self, settings, generation, projection, input = input_, photos = photos_] {
            std::shared_ptr<TTrackPreview> preview;
            std::exception_ptr error;
            try {
                TPreviewProgress progress(generation_, generation);
                preview = std::make_shared<TTrackPreview>(
                    PreviewLog(input, settings, &progress, projection, photos));
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
    const bool photos = preview && !preview->Picture.Photos.empty();
    photoMark_.first->setVisible(photos);
    photoMark_.second->setVisible(photos);
    preview_ = preview;
    graph_->SetPreview(preview_);
    if (preview) {
        statistics_->setText(StatisticsText(*preview));
        FitSide();
        const std::string advice = AdviceText(AdviseOnDrops(preview->Track.Counts, preview->Graph),
            preview->Context, WindowLanguage());
        advice_->setText(QString::fromStdString(advice));
        advice_->setVisible(!advice.empty());
        view_->SetPicture(std::shared_ptr<const TTrackPicture>(preview, &preview->Picture));
    } else {
        statistics_->clear();
        advice_->hide();
        view_->SetMessage(ErrorText(error, &input_));
    }
    emit Updated();
}

void TPreviewWindow::Explain(const TPictureHit& hit)
{
    if (!preview_)
        return;
    const TNoteContext& context = preview_->Context;
    QString text;
    if (hit.Kind == TPictureHit::TKind::Fix) {
        text = QString::fromStdString(ExplainFix(hit.Note, context, WindowLanguage()));
        // The graph's cursor at the fix: its place along the route from the nearest sample.
        double metres = 0;
        double nearest = INFINITY;
        for (const TGraphSample& sample : preview_->Graph.Kept) {
            const double apart = std::abs(sample.Note.UtcDateTime - hit.Note.UtcDateTime);
            if (apart < nearest) {
                nearest = apart;
                metres = sample.Metres;
            }
        }
        graph_->SetCursor(hit.Note, metres);
    } else {
        text = QString::fromStdString(
            ExplainDrops(hit.Counts, hit.Notes, context, WindowLanguage()));
        if (hit.Notes.Size > 0)
            graph_->SetCursor(hit.Notes.Notes[0]);
    }
    details_->setText(text);
    view_->setToolTip(text);
}

QString TPreviewWindow::CopyNumbers()
{
    QString text;
    if (preview_)
        for (const auto& [label, value] : NumberRows(*preview_))
            text += label + QLatin1Char('\t') + value + QLatin1Char('\n');
    QGuiApplication::clipboard()->setText(text);
    return text;
}

QSize TPreviewWindow::PictureSize() const
{
    return QSize(view_->width(), view_->height() + graph_->height());
}

void TPreviewWindow::PaintPicture(QPainter& painter, const QSize& size) const
{
    const QSizeF track(size.width(), size.height() - graph_->height());
    view_->PaintTo(painter, track);
    // The legend at the top left, on a pale ground.
    std::vector<const TMark*> shown { &kStartMark, &kEndMark, &kWaypointMark };
    for (std::size_t cause = 0; cause < causeMarks_.size(); ++cause)
        if (preview_ && preview_->Track.Counts.Dropped[cause] > 0)
            shown.push_back(&kDropMarks[cause]);
    if (preview_ && !preview_->Picture.Photos.empty())
        shown.push_back(&kPhotoMark);
    const QFontMetricsF metrics(painter.font());
    double widest = 0;
    for (const TMark* mark : shown)
        widest = std::max(widest, metrics.horizontalAdvance(TTrackView::tr(mark->Caption)));
    const double row = std::max(18.0, metrics.height() + 2);
    painter.setPen(QPen(Qt::gray, 1));
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawRect(QRectF(6, 6, widest + 34, row * static_cast<double>(shown.size()) + 8));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const double y = 10 + row * static_cast<double>(i);
        DrawMark(painter, QPointF(18, y + row / 2), 5, *shown[i]);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(30, y, widest + 8, row), Qt::AlignLeft | Qt::AlignVCenter,
            TTrackView::tr(shown[i]->Caption));
    }
    graph_->PaintTo(painter, QRectF(0, track.height(), size.width(), graph_->height()));
}

void TPreviewWindow::SavePicture()
{
    const QFileInfo log(FromPath(input_));
    const QString path = dialogs_.ChooseFile(this, TFileChoice::SavePicture,
        QDir(log.path()).filePath(log.completeBaseName() + QStringLiteral(".png")));
    if (path.isEmpty())
        return;
    const QSize size = PictureSize();
    bool written = false;
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
#ifdef OSTREL_NO_SVG_EXPORT
        // Built without Qt SVG: a name typed as .svg is refused, not filled with a PNG.
        written = false;
#else
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(windowTitle());
        QPainter painter;
        written = painter.begin(&svg);
        if (written) {
            PaintPicture(painter, size);
            written = painter.end();
        }
        written = written && QFileInfo(path).size() > 0;
#endif
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            PaintPicture(painter, size);
        }
        written = image.save(path, "PNG");
    }
    if (!written)
        dialogs_.ShowBox(this, TBoxKind::Error, ApplicationTitle(),
            tr("画像を書けません: %1").arg(QDir::toNativeSeparators(path)), QString());
}

} // namespace ostrel
