#pragma once

// The track preview: a window per log that draws the log's track under the main window's
// current settings, beside the track's numbers, and follows those settings as they change.

#include "preview/track_preview.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

class QLabel;
class QListWidgetItem;
class QPushButton;
class QTimer;

namespace ostrel {

class TForm1;

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
    TPreviewWindow(TForm1& form, std::filesystem::path input);
    ~TPreviewWindow() override;

    const std::filesystem::path& Input() const { return input_; }
    TTrackView* View() const { return view_; }
    QLabel* Statistics() const { return statistics_; }
    // Computes the preview again under the main window's settings now.
    void Refresh();
    // Whether a computation is under way.
    bool Computing() const { return worker_.joinable() && !done_; }

signals:
    // A computation has ended (with a picture or with a message).
    void Updated();

private:
    void StopWorker();
    void Show(std::uint64_t generation, std::shared_ptr<TTrackPreview> preview, QString error);

    TForm1& form_;
    std::filesystem::path input_;
    TTrackView* view_;
    QLabel* statistics_;
    QPushButton* fit_;
    QTimer* busyTimer_;
    std::thread worker_;
    std::atomic<std::uint64_t> generation_ { 0 };
    std::atomic<bool> done_ { true };
};

// Opens previews from the main window's list: a double-click on a log, the list's context menu
// entry, or Space or F3 on the selected log; and redraws the open previews when a setting they
// draw under changes.
class TPreviewOpener : public QObject
{
    Q_OBJECT

public:
    explicit TPreviewOpener(TForm1* form);

    TPreviewWindow* Open(const std::filesystem::path& input);
    std::vector<TPreviewWindow*> Previews() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenSelected();
    void RefreshAll();

    TForm1& form_;
    std::vector<QPointer<TPreviewWindow>> previews_;
};

} // namespace ostrel
