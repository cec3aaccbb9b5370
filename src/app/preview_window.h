#pragma once

// The track preview: a window per log that draws the log's track under the window's current
// settings (the settings model's), beside the track's numbers.

#include "preview/track_preview.h"

#include <QWidget>
#include <atomic>
#include <exception>
#include <filesystem>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

namespace ostrel {

class TSettingsModel;

// The drawing: the kept track, the dropped fixes, the start, the end, the waypoints, a scale bar
// and a north arrow. The wheel zooms about the pointer, dragging pans, F or Home fits the track
// into the view again.
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

    const TTrackPicture* Picture() const { return picture_.get(); }
    const TPictureView& View() const { return view_; }
    QString Message() const { return message_; }
    bool Busy() const { return busy_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::shared_ptr<const TTrackPicture> picture_;
    TPictureView view_;
    QString message_;
    bool busy_ = false;
    bool moved_ = false; // zoomed or panned since the last fit
    QPointF dragFrom_;
};

class TPreviewWindow : public QWidget
{
    Q_OBJECT

public:
    // A window of owner, drawn under settings, which must outlive it.
    TPreviewWindow(QWidget& owner, const TSettingsModel& settings, std::filesystem::path input);
    ~TPreviewWindow() override;

    const std::filesystem::path& Input() const { return input_; }
    TTrackView* View() const { return view_; }
    QLabel* Statistics() const { return statistics_; }
    // The legend's texts that show, in order.
    QStringList Legend() const;
    // Computes the preview again under the settings now.
    void Refresh();
    // Whether a computation is under way.
    bool Computing() const { return worker_.joinable() && !done_; }

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

    const TSettingsModel& settings_;
    std::filesystem::path input_;
    TTrackView* view_;
    QLabel* statistics_;
    // The legend's icon and text of each cause of a drop, shown when the track holds such drops.
    std::vector<std::pair<QLabel*, QLabel*>> causeMarks_;
    QPushButton* fit_;
    QTimer* busyTimer_;
    std::thread worker_;
    std::atomic<std::uint64_t> generation_ { 0 };
    std::atomic<bool> done_ { true };
};

} // namespace ostrel
