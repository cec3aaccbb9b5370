#pragma once

// The track preview: a window per log that draws the log's track under the window's current
// settings (the settings model's), with its speed graph beneath and the track's numbers beside;
// pointing at a fix tells why it was kept or dropped; a map may lie beneath.

#include "preview/track_preview.h"

#include <QWidget>
#include <atomic>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTimer;

namespace ostrel {

class TDialogs;
class TMapTiles;
class TSettingsModel;
class TSpeedGraphView;
class TTrackRenderer;

// The drawing: the map beneath, the kept track, the dropped fixes, the start, the end, the
// waypoints, a scale bar and a north arrow. The track is drawn for each view on a thread of its
// own; the window's thread shows the last image (moved and scaled to the view meanwhile). The
// wheel and + and - zoom, dragging and the arrow keys pan, F or Home fits the track again.
class TTrackView : public QWidget
{
    Q_OBJECT

public:
    explicit TTrackView(QWidget* parent = nullptr);

    // A new picture is fitted into the view; a message shows instead of any picture.
    void SetPicture(std::shared_ptr<const TTrackPicture> picture);
    void SetMessage(const QString& message);
    void SetBusy(bool busy);
    void Fit();
    // The map drawn beneath a Web Mercator picture; none: no map.
    void SetMap(TMapTiles* map);
    // A ring at the place the speed graph points at; none: no ring.
    void SetCursorPoint(std::optional<TPicturePoint> point);
    // Zooms about the view's centre; pans by pixels.
    void ZoomBy(double factor);
    void PanBy(double dx, double dy);

    const TTrackPicture* Picture() const { return picture_.get(); }
    const TPictureView& View() const { return view_; }
    QString Message() const { return message_; }
    // The image of the track for the view as it is now is shown.
    bool Drawn() const;
    // Everything the view shows, drawn at once into a painter (a PNG, an SVG).
    void PaintTo(QPainter& painter, const QSizeF& size) const;

signals:
    // The pointer rests on (or clicked) a fix or dropped fixes.
    void Pointed(const ostrel::TPictureHit& hit);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Changed(); // the view moved: a new image is asked for
    void PaintOverlay(QPainter& painter, const QSizeF& size) const;
    void Point(const QPointF& at);

    std::shared_ptr<const TTrackPicture> picture_;
    TPictureView view_;
    TTrackRenderer* renderer_;
    TMapTiles* map_ = nullptr;
    std::optional<TPicturePoint> cursor_;
    std::optional<TPicturePoint> pointed_;
    QString message_;
    bool busy_ = false;
    bool moved_ = false; // zoomed or panned since the last fit
    bool dragged_ = false;
    QPointF dragFrom_;
};

class TPreviewWindow : public QWidget
{
    Q_OBJECT

public:
    // A window of owner, drawn under settings, which must outlive it; its file dialogs go
    // through dialogs. The places of photos (degrees) are marked.
    TPreviewWindow(QWidget& owner, const TSettingsModel& settings, TDialogs& dialogs,
        std::filesystem::path input, std::vector<TLatLon> photos = {});
    ~TPreviewWindow() override;

    const std::filesystem::path& Input() const { return input_; }
    TTrackView* View() const { return view_; }
    TSpeedGraphView* Graph() const { return graph_; }
    TMapTiles* Map() const { return map_; }
    QLabel* Statistics() const { return statistics_; }
    QLabel* Details() const { return details_; }
    QLabel* Advice() const { return advice_; }
    // The legend's texts that show, in order.
    QStringList Legend() const;
    // Computes the preview again under the settings now.
    void Refresh();
    // The places of photos to mark (degrees), from the next computation on; whether they differ
    // from those marked now.
    bool SetPhotos(std::vector<TLatLon> photos)
    {
        if (photos == photos_)
            return false;
        photos_ = std::move(photos);
        return true;
    }
    // Whether a computation is under way.
    bool Computing() const { return worker_.joinable() && !done_; }
    // The track's numbers as tab-separated rows (label, value), also put on the clipboard.
    QString CopyNumbers();
    // Asks where to save the picture (PNG, or SVG by the name where Qt SVG is built) and writes it.
    void SavePicture();
    // Keeps the window within the available area of a screen, as large as it can be there.
    void PlaceWithin(const QRect& available);

signals:
    // A computation has ended (with a picture or with a message).
    void Updated();

protected:
    // The preview's place and size are remembered for the next one.
    void hideEvent(QHideEvent* event) override;

private:
    void StopWorker();
    void Show(
        std::uint64_t generation, std::shared_ptr<TTrackPreview> preview, std::exception_ptr error);
    void Explain(const TPictureHit& hit);
    void ChooseMap(int choice);
    void ApplyMap();
    void FitSide();
    QSize PictureSize() const;
    void PaintPicture(QPainter& painter, const QSize& size) const;

    const TSettingsModel& settings_;
    TDialogs& dialogs_;
    std::filesystem::path input_;
    std::shared_ptr<const TTrackPreview> preview_;
    TTrackView* view_;
    TSpeedGraphView* graph_;
    TMapTiles* map_;
    QScrollArea* side_;
    QLabel* statistics_;
    QLabel* advice_;
    QLabel* details_;
    // The legend's icon and text of each cause of a drop, shown when the track holds such drops.
    std::vector<std::pair<QLabel*, QLabel*>> causeMarks_;
    std::pair<QLabel*, QLabel*> photoMark_; // shown when the picture holds photos
    std::vector<TLatLon> photos_;
    QCheckBox* graphByDistance_;
    QComboBox* mapChoice_;
    QLineEdit* tileUrl_;
    QLineEdit* tileAttribution_;
    QPushButton* fit_;
    QTimer* busyTimer_;
    std::thread worker_;
    std::atomic<std::uint64_t> generation_ { 0 };
    std::atomic<bool> done_ { true };
    int mapShown_ = 0; // the map choice in force
};

} // namespace ostrel
