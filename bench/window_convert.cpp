// ostrel-bench-window: the Convert command of the window, timed as a user starts it.
//
//   ostrel-bench-window LOG OUTPUT [--threads]
//   ostrel-bench-window LOG --preview
//
// Opens the window (any Qt platform; offscreen without a display), lists LOG, chooses the car
// mode (150 km/h, as the end-to-end benchmark and `ostrel-convert -m car`), answers the save
// dialog with OUTPUT (.kml gives KML, anything else NMEA) and presses Convert. It prints the
// seconds from the press until the length box, and the box's text. With --threads it times the
// same conversion through ProcFile on the window's thread before and after the application
// exists, and on a thread of its own, to tell the thread's state from the window's work. With
// --preview it opens the log's preview instead and prints the seconds until it has drawn, the
// process's peak resident memory, and the longest and the median time the window's thread spent
// in one repaint of the track while it is zoomed and panned by the keys and the wheel (each step
// repainted at once, and again once the events it caused have been handled).

#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/preview_opener.h"
#include "app/preview_window.h"
#include "conversion/conversion.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace ostrel;
using Clock = std::chrono::steady_clock;

namespace {

class TAnsweringDialogs final : public TDialogs
{
public:
    explicit TAnsweringDialogs(QString output)
        : output_(std::move(output))
    {
    }
    Clock::time_point LastBox;
    QString LastText;

    QStringList OpenLogs(QWidget*, const QString&) override { return {}; }
    bool SaveOutput(
        QWidget*, TSaveDialogState& state, const TTypeChange&, const TAskBeforeReplacing&) override
    {
        state.FileName = output_;
        return true;
    }
    std::optional<QColor> PickColor(QWidget*, const QColor&) override { return std::nullopt; }
    void ShowBox(QWidget*, TBoxKind, const QString&, const QString& text, const QString&) override
    {
        LastBox = Clock::now();
        LastText = text;
    }
    bool ShowSummary(QWidget* parent, TBoxKind kind, const QString& caption, const QString& text,
        const QString& detail, const QString&) override
    {
        ShowBox(parent, kind, caption, text, detail);
        return false;
    }
    void OpenFolder(const QString&) override { }
    void ShowSettings(QDialog&) override { }
    QString ChooseFile(QWidget*, TFileChoice, const QString&) override { return {}; }

private:
    QString output_;
};

// Whether the upper halves of the vector registers hold anything on this thread (XINUSE bit 2:
// AVX state not in its initial state); -1 where the processor cannot tell.
int UpperStateInUse()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    unsigned a, b, c, d;
    __asm__("cpuid" : "=a"(a), "=b"(b), "=c"(c), "=d"(d) : "a"(0xD), "c"(1));
    if (!(a & 4))
        return -1;
    unsigned lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return (lo >> 2) & 1;
#else
    return -1;
#endif
}

double Seconds(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double>(end - start).count();
}

double TimeProcFile(const char* log, const char* output)
{
    TConvertSettings settings;
    settings.SpeedLimitKmh = 150;
    const Clock::time_point start = Clock::now();
    ProcFile(log, output, settings);
    return Seconds(start, Clock::now());
}

// The window remembers its settings: it runs here from the first start's, in a store of its own,
// and leaves the user's as they are.
class TScratchStore
{
public:
    TScratchStore()
    {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder_.path());
    }

private:
    QTemporaryDir folder_;
};

// Zooms and pans the drawing step by step and times every repaint on the window's thread (ms).
std::vector<double> TimePaints(QWidget& view)
{
    std::vector<double> paints;
    const auto paint = [&] {
        const Clock::time_point start = Clock::now();
        view.repaint();
        paints.push_back(Seconds(start, Clock::now()) * 1000);
    };
    const QPointF centre(view.width() / 2.0, view.height() / 2.0);
    for (int step = 0; step < 24; ++step) {
        if (step % 3 == 2) {
            // A drag of 40 pixels.
            QMouseEvent press(QEvent::MouseButtonPress, centre, view.mapToGlobal(centre),
                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&view, &press);
            const QPointF to = centre + QPointF(40, 25);
            QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::NoButton,
                Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&view, &move);
            QMouseEvent release(QEvent::MouseButtonRelease, to, view.mapToGlobal(to),
                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&view, &release);
        } else {
            // A wheel step in for the first half, out for the second.
            const int delta = step < 12 ? 120 : -120;
            QWheelEvent wheel(centre, view.mapToGlobal(centre), QPoint(), QPoint(0, delta),
                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&view, &wheel);
        }
        paint();
        // What the step set going (a drawing made beside the window) comes in, and is shown.
        const Clock::time_point until = Clock::now() + std::chrono::milliseconds(600);
        while (Clock::now() < until)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        paint();
    }
    return paints;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: ostrel-bench-window LOG OUTPUT [--threads]\n");
        return 2;
    }
    if (std::strcmp(argv[2], "--preview") == 0) {
        QApplication application(argc, argv);
        const TScratchStore store;
        TAnsweringDialogs dialogs(QString {});
        TForm1 form(dialogs);
        form.rdbCar->setChecked(true);
        form.show();
        auto* opener = form.findChild<TPreviewOpener*>(QStringLiteral("PreviewOpener"));
        const Clock::time_point start = Clock::now();
        TPreviewWindow* preview = opener->Open(std::filesystem::path(argv[1]));
        QTest::qWaitFor([&] { return !preview->Computing(); }, 600000);
        preview->repaint();
        const double seconds = Seconds(start, Clock::now());
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("preview: %.3f s, peak resident %ld KiB, %zu track vertices, %zu drop "
                    "clusters, %zu waypoints\n",
            seconds, usage.ru_maxrss, preview->View()->Picture()->Track.size(),
            preview->View()->Picture()->Drops.size(), preview->View()->Picture()->Waypoints.size());
        std::vector<double> paints = TimePaints(*preview->View());
        std::sort(paints.begin(), paints.end());
        std::printf("repaints while zooming and panning: %zu, longest %.1f ms, median %.1f ms\n",
            paints.size(), paints.back(), paints[paints.size() / 2]);
        return 0;
    }
    const bool threads = argc > 3 && std::strcmp(argv[3], "--threads") == 0;
    if (threads)
        std::printf("upper vector state in use at start: %d\n", UpperStateInUse());
    if (threads)
        std::printf(
            "window thread, before the application: %.3f s\n", TimeProcFile(argv[1], argv[2]));
    if (threads)
        std::printf("after a conversion: %d\n", UpperStateInUse());
    QApplication application(argc, argv);
    if (threads)
        std::printf("after the application's start: %d\n", UpperStateInUse());
    if (threads) {
        std::printf(
            "window thread, after the application: %.3f s\n", TimeProcFile(argv[1], argv[2]));
        double own = 0;
        std::thread([&] { own = TimeProcFile(argv[1], argv[2]); }).join();
        std::printf("a thread of its own: %.3f s\n", own);
    }
    const TScratchStore store;
    TAnsweringDialogs dialogs(QString::fromLocal8Bit(argv[2]));
    TForm1 form(dialogs);
    form.AppendLogs({ QString::fromLocal8Bit(argv[1]) });
    form.rdbCar->setChecked(true);
    (QString::fromLocal8Bit(argv[2]).endsWith(QLatin1String(".kml"), Qt::CaseInsensitive)
            ? form.rdbKML
            : form.rdbNMEA)
        ->setChecked(true);
    form.show();
    if (threads) {
        std::printf("after the application: %d\n", UpperStateInUse());
        form.grab();
        QApplication::processEvents();
        std::printf("after the window painted: %d\n", UpperStateInUse());
    }
    const Clock::time_point start = Clock::now();
    form.cmdConvEach->click();
    std::printf("window: %.3f s  %s\n", Seconds(start, dialogs.LastBox),
        dialogs.LastText.toUtf8().constData());
    return 0;
}
