#pragma once

// The window's dialogs and message boxes behind one small interface. The window owns one and
// shows every modal dialog through it: the Qt implementation (qt_dialogs.h) shows the real ones,
// and the tests answer them from a script.

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace ostrel {

// What the save dialog keeps from one Convert command to the next.
struct TSaveDialogState
{
    // The folder the dialog opens in when FileName is a bare name; empty: the working folder.
    QString InitialDir;
    // In: the proposed name, bare or a full path. Out, after OK: the chosen full path, with the
    // platform's separators (backslashes on Windows).
    QString FileName;
    // 1 = "NMEA Log", 2 = "Google Earth". Out, after OK: the type that was selected last.
    int FilterIndex = 1;
};

// Called while the save dialog is open, each time the user selects another file type, with the
// new type index and the dialog's current full path. Returns the text for the dialog's name box,
// or an empty text to leave the box as it is.
using TTypeChange = std::function<QString(int filterIndex, const QString& currentPath)>;

// Called when the user presses Save on the path chosen: whether the dialog is to ask before an
// existing file there is replaced. No when nothing will be written at that path (the batch
// writes beside each log; the log itself is refused after the dialog). Empty: always ask.
using TAskBeforeReplacing = std::function<bool(const QString& path)>;

// The kinds of message box, each with one OK button.
enum class TBoxKind
{
    Message, // no icon: the length report, a batch's summary
    Warning, // warning icon: the same-file refusal
    Error, // error icon: the application-wide error box, a batch's failures
};

// The file dialogs of the preview.
enum class TFileChoice
{
    OpenMap, // one MBTiles file of map tiles
    SavePicture, // a picture to write: PNG or SVG (with Qt SVG), by the type chosen or the name's
    PhotoFolder, // a folder of photos
    ClockPhoto, // one photo (of a clock)
};

class TDialogs
{
public:
    virtual ~TDialogs() = default;

    // The open dialog for logs: several files at once, every file shown, opened in folder (the
    // working folder when empty). Returns the chosen full paths in the dialog's order, with the
    // platform's separators; nothing on Cancel.
    virtual QStringList OpenLogs(QWidget* parent, const QString& folder) = 0;

    // The open dialog for photos: several files at once, the photos read here shown first (every
    // file on request), opened in folder. Returns the chosen full paths; nothing on Cancel.
    virtual QStringList OpenPhotos(QWidget* parent, const QString& folder) = 0;

    // The save dialog for outputs, with the file types "NMEA Log" and "Google Earth" (by name),
    // the default extension of the type chosen, and a question before an existing file is
    // replaced where askBeforeReplacing wants one. Returns true on OK, and then state holds the
    // chosen path and type; on Cancel state is left as it was.
    virtual bool SaveOutput(QWidget* parent, TSaveDialogState& state, const TTypeChange& typeChange,
        const TAskBeforeReplacing& askBeforeReplacing)
        = 0;

    // The colour dialog, opened on initial. Returns the chosen colour; nothing on Cancel.
    virtual std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) = 0;

    // A modal message box with text as its message and detail (when not empty) below it; returns
    // when the user has closed it.
    virtual void ShowBox(QWidget* parent, TBoxKind kind, const QString& caption,
        const QString& text, const QString& detail)
        = 0;

    // A message box as ShowBox's with a second button, "Open folder", beside OK where folder is
    // not empty. Returns true when the user chose that button.
    virtual bool ShowSummary(QWidget* parent, TBoxKind kind, const QString& caption,
        const QString& text, const QString& detail, const QString& folder)
        = 0;

    // Shows a folder in the platform's file manager.
    virtual void OpenFolder(const QString& folder) = 0;

    // A dialog of the window's own settings, modal to its parent window only (previews stay
    // usable): its controls change the settings as the user works them, so nothing comes back.
    // Returns when the user has closed it; the window keeps the dialog.
    virtual void ShowSettings(QDialog& dialog) = 0;

    // An open or save dialog for one file of the kind, opened on proposed (a folder or a path).
    // Returns the chosen full path; empty on Cancel. A save dialog has asked before an existing
    // file is replaced.
    virtual QString ChooseFile(QWidget* parent, TFileChoice kind, const QString& proposed) = 0;
};

} // namespace ostrel
