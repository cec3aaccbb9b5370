#include "app/main_window.h"

#include "app/cleaning_dialog.h"
#include "app/conversion_runner.h"
#include "app/log_list.h"
#include "app/log_paths.h"
#include "app/photos_dialog.h"
#include "app/preview_opener.h"
#include "app/settings_model.h"
#include "app/translations.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/time_zones.h"
#include "geo/projection.h"
#include "geo/travel_modes.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QShortcut>
#include <algorithm>
#include <exception>
#include <span>
#include <string>
#include <string_view>

namespace ostrel {

namespace {

const char* const kIntervalItems[] = { "1", "2", "3", "5", "10" }; // minutes

// The time zone chosen at the first start.
constexpr TTimeZone kDefaultTimeZone { 9, 0 };

// What the window remembers besides its settings.
const QString kGeometryKey = QStringLiteral("Window/Geometry");
const QString kLogFolderKey = QStringLiteral("Window/AddLogsFolder");

// Where each output format's button goes in the group "変換先", by the format's name; the format
// table gives the buttons and their object names ("rdb" + its short name: rdbNMEA, rdbKML,
// rdbGPX).
struct TFormatButtonPlace
{
    std::string_view Format;
    QRadioButton* TForm1::*Member;
    const char* Caption; // translated in the window's context
    int Left, Top, Width, Height;
};
const TFormatButtonPlace kFormatButtonPlaces[] = {
    { "nmea", &TForm1::rdbNMEA, QT_TRANSLATE_NOOP("ostrel::TForm1", "&NMEA-0183(GGA, RMC)"), 16, 24,
        153, 17 },
    { "kml", &TForm1::rdbKML, QT_TRANSLATE_NOOP("ostrel::TForm1", "Google Earth &KML"), 16, 48, 121,
        17 },
    // GPX 1.1 in the free space right of the NMEA button; it takes the time zone and the
    // waypoint settings as KML does.
    { "gpx", &TForm1::rdbGPX, QT_TRANSLATE_NOOP("ostrel::TForm1", "&GPX 1.1"), 200, 24, 81, 17 },
};

// The place of a format's button; none for a format that the window's buttons do not offer (the
// save dialog's types still do).
const TFormatButtonPlace* PlaceOf(const TOutputFormat& format)
{
    for (const TFormatButtonPlace& place : kFormatButtonPlaces) {
        if (place.Format == format.Name)
            return &place;
    }
    return nullptr;
}

template <class Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPushButton* MakeButton(
    QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h)
{
    auto* button = Place(new QPushButton(caption, parent), name, l, t, w, h);
    // A button with the focus takes Enter itself, as on the platform's dialogs.
    button->setAutoDefault(true);
    return button;
}

QRadioButton* MakeRadio(
    QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h)
{
    return Place(new QRadioButton(caption, parent), name, l, t, w, h);
}

// A label beside the box it names, centred on the box's height; its mnemonic moves the focus to
// the box.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QWidget* box, int l,
    int t, int w, int h)
{
    QLabel* label = Place(new QLabel(caption, parent), name, l, t, w, h);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setBuddy(box);
    return label;
}

// The room a control needs: its size hint's width where a caption or a value must show whole
// (labels, buttons, radio buttons, check boxes, spin boxes); its designed width otherwise.
int NeededWidth(const QWidget* widget)
{
    if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget)
        || qobject_cast<const QAbstractSpinBox*>(widget))
        return std::max(widget->width(), widget->sizeHint().width());
    return widget->width();
}

// Captions are laid out for the designed font and Japanese. Under a wider face, a longer
// translation or another scale a control that would cut its caption gets the room it needs, and
// the controls to its right in the same row move along as far as that needs, keeping kGap
// between neighbours; nothing else moves. A label also gets the height of its text.
void FitRows(QWidget* parent)
{
    constexpr int kGap = 4;
    QList<QWidget*> controls;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden())
            controls << child;
    }
    std::stable_sort(controls.begin(), controls.end(),
        [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    QList<QRect> designed;
    for (const QWidget* control : controls)
        designed << control->geometry();
    for (qsizetype i = 0; i < controls.size(); ++i) {
        QWidget* control = controls[i];
        int left = designed[i].left();
        for (qsizetype j = 0; j < i; ++j) {
            const bool sameRow = designed[j].top() <= designed[i].bottom()
                && designed[i].top() <= designed[j].bottom();
            if (sameRow)
                left = std::max(left, controls[j]->geometry().right() + 1 + kGap);
        }
        const int height = qobject_cast<QLabel*>(control)
            ? std::max(designed[i].height(), control->sizeHint().height())
            : designed[i].height();
        control->setGeometry(left, designed[i].top(), NeededWidth(control), height);
    }
}

QComboBox* MakeList(QWidget* parent, const char* name, int l, int t, int w, int h)
{
    // Non-editable: the user chooses an item and cannot type.
    return Place(new QComboBox(parent), name, l, t, w, h);
}

QGroupBox* MakeGroup(
    QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h)
{
    return Place(new QGroupBox(caption, parent), name, l, t, w, h);
}

} // namespace

TForm1::TForm1(TDialogs& dialogs, QWidget* parent)
    : QWidget(parent)
    , dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ApplicationTitle());
    // The designed client area; the border cannot be dragged.
    setFixedSize(451, 423);
    // The designed font first, then Japanese Gothic faces that free systems install.
    QFont gothic = font();
    gothic.setFamilies({ QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
        QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic") });
    gothic.setPointSize(9);
    setFont(gothic);

    CreateControls();
    SetTabOrder();
    FormCreate();
    settings_ = new TSettingsModel(
        {
            .Modes = { rdbWalk, rdbJog, rdbBicycle, rdbCar },
            .CustomMode = rdbUserDefine,
            .CustomLimit = txtLimitter,
            .Origin = cmbOrgP,
            .TimeZone = ddlTimeZone,
            .Interval = ddlInterval,
            .Formats = formatButtons_,
            .OtherFormat = rdbOther,
            .OtherFormats = cmbOtherFormat,
            .KmlTrack = chkKmlTrack,
            .Waypoints = chkWayPoint,
            .Colour = Shape1,
            .Opacity = SpinEdit1,
            .StyleTemplate = txtStyle,
            .KeepGoing = chkKeepGoing,
            .Summary = chkSummary,
            .Cleaning = dlgCleaning->Controls(),
            .Others = dlgPhotos->Remembered(),
            // Where the format table's rows list these options.
            .Served = { { Label2, "time-zone" }, { ddlTimeZone, "time-zone" },
                { chkWayPoint, "no-waypoints" }, { ddlInterval, "interval" }, { Button2, "color" },
                { Shape1, "color" }, { Label3, "opacity" }, { SpinEdit1, "opacity" } },
        },
        this);
    // Kept on a screen that is still there.
    restoreGeometry(settings_->Store().value(kGeometryKey).toByteArray());
    runner_ = new TConversionRunner(this);
    auto* previews = new TPreviewOpener(*LogList, *settings_, dialogs_, *this);
    connect(dlgPhotos, &TPhotosDialog::Placed, previews,
        [this, previews] { previews->SetPhotoPlaces(dlgPhotos->Places()); });
}

void TForm1::CreateControls()
{
    LogList = Place(new QListWidget(this), "LogList", 8, 16, 345, 97);
    LogList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LogList->setSortingEnabled(false);
    // Each entry shows its file name whole, its folder as far as there is room.
    LogList->setItemDelegate(new TLogItemDelegate(LogList));
    LogList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cmdAddLogs = MakeButton(this, "cmdAddLogs", tr("&Add logs ..."), 360, 16, 75, 25);
    cmdDelete = MakeButton(this, "cmdDelete", tr("&Delete"), 360, 48, 75, 25);
    cmdDeleteAll = MakeButton(this, "cmdDeleteAll", tr("D&elete all"), 360, 80, 75, 25);
    GroupBox1 = MakeGroup(this, "GroupBox1", tr("座標系"), 8, 120, 225, 57);
    // How a batch of several logs reports, in the free room right of the coordinate system.
    grpBatch = MakeGroup(this, "grpBatch", tr("一括変換(&B)"), 240, 120, 201, 57);
    chkKeepGoing = Place(
        new QCheckBox(tr("エラーの後も続ける(&R)"), grpBatch), "chkKeepGoing", 12, 18, 181, 17);
    chkSummary = Place(
        new QCheckBox(tr("結果をまとめて表示(&U)"), grpBatch), "chkSummary", 12, 36, 181, 17);
    cmdConvEach = MakeButton(this, "cmdConvEach", tr("&Convert"), 232, 376, 113, 25);
    // The default button: Enter anywhere but on another button converts.
    cmdConvEach->setAutoDefault(false);
    cmdConvEach->setDefault(true);
    cmdConvEach->setEnabled(false);

    GroupBox2 = MakeGroup(this, "GroupBox2", tr("モード（最大許容速度）"), 8, 184, 433, 73);
    // The travel modes in the table's order: walk, jog, bicycle, car.
    const std::span<const TTravelMode> modes = TravelModes();
    rdbWalk = MakeRadio(
        GroupBox2, "rdbWalk", CoreText(modes[0].Caption, modes[0].EnglishCaption), 16, 24, 105, 16);
    rdbJog = MakeRadio(
        GroupBox2, "rdbJog", CoreText(modes[1].Caption, modes[1].EnglishCaption), 128, 24, 129, 16);
    rdbBicycle = MakeRadio(GroupBox2, "rdbBicycle",
        CoreText(modes[2].Caption, modes[2].EnglishCaption), 264, 24, 113, 16);
    rdbCar = MakeRadio(
        GroupBox2, "rdbCar", CoreText(modes[3].Caption, modes[3].EnglishCaption), 16, 40, 113, 17);
    rdbUserDefine = MakeRadio(GroupBox2, "rdbUserDefine", tr("任意"), 152, 40, 57, 17);
    // The Japanese Gothic faces draw "~" as a raised wave (the JIS overline's place): the mode
    // captions take a Latin face first, so their "~" is a tilde, and Gothic for the Japanese. All
    // five modes are drawn alike.
    for (QRadioButton* mode : { rdbWalk, rdbJog, rdbBicycle, rdbCar, rdbUserDefine }) {
        QFont latinFirst = mode->font();
        latinFirst.setFamilies(
            QStringList({ QStringLiteral("Segoe UI"), QStringLiteral("DejaVu Sans"),
                QStringLiteral("Liberation Sans") })
            + font().families());
        mode->setFont(latinFirst);
    }
    txtLimitter
        = Place(new QLineEdit(QStringLiteral("7"), GroupBox2), "txtLimitter", 200, 40, 49, 20);
    Label1 = MakeLabel(GroupBox2, "Label1", tr("km/h"), txtLimitter, 256, 40, 27, 20);
    rdbWalk->setChecked(true);

    cmbOrgP = MakeList(GroupBox1, "cmbOrgP", 24, 24, 185, 20);
    for (const TZone& zone : kZones)
        cmbOrgP->addItem(CoreText(zone.Name, zone.EnglishName));
    Button1 = MakeButton(this, "Button1", tr("Cane&l"), 104, 376, 115, 25);
    // The cleaning's settings open from the free room left of Close.
    cmdCleaning = MakeButton(this, "cmdCleaning", tr("クリーニング(&I)..."), 8, 376, 89, 25);
    dlgCleaning = new TCleaningDialog(this);
    // The photos' positions open from the free room right of Convert.
    cmdPhotos = MakeButton(this, "cmdPhotos", tr("写真(&H)..."), 352, 376, 89, 25);
    dlgPhotos = new TPhotosDialog(dialogs_, this);

    GroupBox3 = MakeGroup(this, "GroupBox3", tr("変換先"), 8, 264, 433, 105);
    for (const TOutputFormat& format : OutputFormats()) {
        const TFormatButtonPlace* place = PlaceOf(format);
        if (!place)
            continue;
        const std::string name = "rdb" + std::string(format.ShortName);
        QRadioButton* button = MakeRadio(GroupBox3, name.c_str(), tr(place->Caption), place->Left,
            place->Top, place->Width, place->Height);
        this->*place->Member = button;
        formatButtons_.push_back({ &format, button });
    }
    // Every other format of the table, one click and a choice away, on the free left of the third
    // row; each item carries its command-line name, the same in every language.
    rdbOther = MakeRadio(GroupBox3, "rdbOther", QString(), 16, 72, 17, 17);
    rdbOther->setToolTip(tr("その他の形式"));
    cmbOtherFormat = MakeList(GroupBox3, "cmbOtherFormat", 36, 70, 72, 20);
    cmbOtherFormat->setToolTip(rdbOther->toolTip());
    for (const TOutputFormat& format : OutputFormats()) {
        if (!PlaceOf(format)) {
            const QString name
                = QString::fromUtf8(format.Name.data(), static_cast<qsizetype>(format.Name.size()));
            cmbOtherFormat->addItem(QString::fromUtf8(format.ShortName.data(),
                                        static_cast<qsizetype>(format.ShortName.size())),
                name);
        }
    }
    cmbOtherFormat->resize(std::max(cmbOtherFormat->width(), cmbOtherFormat->sizeHint().width()),
        cmbOtherFormat->height());
    rdbKML->setChecked(true);
    // The time zones of the core's list, each with its text as data (the same in every
    // language), then an empty item that can be selected like the others. The list stands right
    // of GPX 1.1, where its longest offsets ("+12:45") have room.
    ddlTimeZone = MakeList(GroupBox3, "ddlTimeZone", 352, 22, 57, 20);
    for (const TTimeZone& zone : kTimeZones) {
        const QString text = QString::fromStdString(TimeZoneText(zone));
        ddlTimeZone->addItem(text, text);
    }
    ddlTimeZone->addItem(QString(), QString());
    ddlTimeZone->resize(
        std::max(ddlTimeZone->width(), ddlTimeZone->sizeHint().width()), ddlTimeZone->height());
    Label2 = MakeLabel(GroupBox3, "Label2", tr("Time&Zone"), ddlTimeZone, 292, 22, 50, 20);
    chkWayPoint = Place(
        new QCheckBox(tr("ポイント（間隔/分）"), GroupBox3), "chkWayPoint", 152, 48, 113, 17);
    chkWayPoint->setChecked(true);
    ddlInterval = MakeList(GroupBox3, "ddlInterval", 272, 46, 49, 20);
    for (const char* item : kIntervalItems)
        ddlInterval->addItem(QString::fromUtf8(item), QString::fromUtf8(item));

    // The waypoint style template, never shown; the KML writer takes its 42 lines.
    txtStyle = Place(new QPlainTextEdit(this), "txtStyle", 304, 136, 121, 49);
    txtStyle->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtStyle->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtStyle->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QStringList lines;
    for (const std::string& line : DefaultStyleTemplate())
        lines << QString::fromStdString(line);
    txtStyle->setPlainText(lines.join(QLatin1Char('\n')));
    txtStyle->setVisible(false);

    // The route with a time per fix, beside the waypoints' interval; it shows with KML only.
    chkKmlTrack
        = Place(new QCheckBox(tr("時刻付き(&J)"), GroupBox3), "chkKmlTrack", 328, 48, 60, 17);
    chkKmlTrack->setToolTip(tr("経路の各点に時刻を付けます（KML 2.2 の gx:Track）。Google Earth "
                               "の時間スライダーで再生できます。"));
    Button2 = MakeButton(GroupBox3, "Button2", tr("ポイントの色"), 156, 72, 89, 17);
    Shape1 = Place(new TShape(GroupBox3), "Shape1", 252, 72, 33, 17);
    SpinEdit1 = Place(new TSpinEdit(GroupBox3), "SpinEdit1", 376, 72, 49, 21);
    SpinEdit1->setRange(kMinOpacityPercent, kMaxOpacityPercent);
    SpinEdit1->setSingleStep(1);
    SpinEdit1->setValue(66);
    Label3 = MakeLabel(GroupBox3, "Label3", tr("不透明度(%)"), SpinEdit1, 304, 72, 62, 21);

    for (QWidget* parent :
        std::initializer_list<QWidget*> { this, GroupBox1, grpBatch, GroupBox2, GroupBox3 })
        FitRows(parent);

    Connect(cmdAddLogs, &TForm1::cmdAddLogsClick);
    Connect(cmdDelete, &TForm1::cmdDeleteClick);
    Connect(cmdDeleteAll, &TForm1::cmdDeleteAllClick);
    Connect(cmdConvEach, &TForm1::cmdConvEachClick);
    Connect(Button1, &TForm1::Button1Click);
    Connect(Button2, &TForm1::Button2Click);
    Connect(cmdCleaning, &TForm1::cmdCleaningClick);
    Connect(cmdPhotos, &TForm1::cmdPhotosClick);

    // Ctrl+O adds logs wherever the focus is; Delete removes the selected logs from the list.
    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, this, [this] { Guarded([this] { cmdAddLogsClick(); }); });
    auto* remove
        = new QShortcut(QKeySequence::Delete, LogList, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] { Guarded([this] { cmdDeleteClick(); }); });
    for (const auto signal :
        { &QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved })
        connect(LogList->model(), signal, this, &TForm1::UpdateCommands);
    connect(LogList->model(), &QAbstractItemModel::modelReset, this, &TForm1::UpdateCommands);
}

void TForm1::SetTabOrder()
{
    // The window's order as it reads: the list and its commands, the origin and the batch's
    // settings, the mode group, the output group, the cleaning, Close and Convert, the hidden
    // template.
    std::vector<QWidget*> order = { LogList, cmdAddLogs, cmdDelete, cmdDeleteAll, cmbOrgP,
        chkKeepGoing, chkSummary, rdbWalk, rdbJog, rdbBicycle, rdbCar, rdbUserDefine, txtLimitter };
    // The format buttons as they read, row by row.
    std::vector<QWidget*> formats;
    for (const TFormatButton& button : formatButtons_)
        formats.push_back(button.Button);
    std::stable_sort(formats.begin(), formats.end(), [](const QWidget* a, const QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    order.insert(order.end(), formats.begin(), formats.end());
    order.insert(order.end(),
        { ddlTimeZone, chkWayPoint, ddlInterval, Button2, SpinEdit1, cmdCleaning, cmdPhotos,
            Button1, cmdConvEach, txtStyle });
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    LogList->setFocus();
}

void TForm1::FormCreate()
{
    // Files dropped anywhere on the window land in the list, also over an edit box.
    setAcceptDrops(true);
    for (QWidget* child : findChildren<QWidget*>())
        child->setAcceptDrops(false);
    cmbOrgP->setCurrentIndex(0);
    ddlTimeZone->setCurrentIndex(static_cast<int>(
        std::find(kTimeZones.begin(), kTimeZones.end(), kDefaultTimeZone) - kTimeZones.begin()));
    ddlInterval->setCurrentIndex(1); // "2"
}

namespace {

// An error raised while a log was worked on, with that log's path.
class TLogFailure : public std::exception
{
public:
    TLogFailure(std::exception_ptr error, QString log)
        : Error(std::move(error))
        , Log(std::move(log))
    {
    }
    const char* what() const noexcept override { return "log failure"; }

    std::exception_ptr Error;
    QString Log;
};

} // namespace

void TForm1::OnLog(const QString& path, const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception&) {
        throw TLogFailure(std::current_exception(), path);
    }
}

template <class Handler> void TForm1::Guarded(Handler&& handler)
{
    try {
        handler();
    } catch (const TLogFailure& failure) {
        ShowLogErrorBox(failure.Error, failure.Log);
    } catch (const std::exception& error) {
        ShowErrorBox(MessageOf(error));
    }
}

void TForm1::ShowLogErrorBox(const std::exception_ptr& error, const QString& path)
{
    const TErrorReport report = ReportOf(error, WindowLanguage());
    ShowErrorBox(QString::fromStdString(report.Message), LogErrorDetail(report, Shown(path)));
}

QString TForm1::MessageOf(const std::exception& error)
{
    if (const auto* own = dynamic_cast<const Error*>(&error))
        return QString::fromStdString(MessageText(*own, WindowLanguage()));
    return QString::fromUtf8(error.what());
}

void TForm1::Connect(QPushButton* button, void (TForm1::*handler)())
{
    connect(button, &QPushButton::clicked, this,
        [this, handler] { Guarded([&] { (this->*handler)(); }); });
}

void TForm1::ShowErrorBox(const QString& message, const QString& detail)
{
    dialogs_.ShowBox(this, TBoxKind::Error, ApplicationTitle(), ErrorBoxText(message), detail);
}

void TForm1::AppendPaths(const std::vector<std::filesystem::path>& paths)
{
    for (const std::filesystem::path& path : paths) {
        std::error_code notFolder;
        if (!std::filesystem::is_directory(path, notFolder)) {
            AppendLog(path);
            continue;
        }
        std::vector<std::filesystem::path> logs;
        try {
            logs = LogsInFolder(path);
        } catch (const std::exception&) {
            ShowLogErrorBox(std::current_exception(), FromPath(path));
            continue;
        }
        for (const std::filesystem::path& log : logs)
            AppendLog(log);
    }
}

void TForm1::AppendLogs(const QStringList& paths)
{
    std::vector<std::filesystem::path> native;
    for (const QString& path : paths)
        native.push_back(ToPath(path));
    AppendPaths(native);
}

void TForm1::AppendLog(const std::filesystem::path& path)
{
    // A log already listed stays where it is.
    const std::filesystem::path log = path.lexically_normal();
    for (int i = 0; i < LogList->count(); ++i) {
        if (LogOf(*LogList->item(i)).lexically_normal() == log)
            return;
    }
    // Shown with the platform's separators (a file dialog on Windows gives "C:/logs/a.log") and
    // its control characters as "?", whole in the tooltip when the list is too narrow for it;
    // converted under the path itself, whose bytes the entry keeps.
    const QString shown = Shown(QDir::toNativeSeparators(FromPath(path)));
    auto* item = new QListWidgetItem(shown, LogList);
    SetLogOf(*item, path);
    SetResultOf(*item, {});
}

void TForm1::UpdateCommands()
{
    cmdConvEach->setEnabled(LogList->count() > 0);
}

std::filesystem::path TForm1::LogPath(const QListWidgetItem* item)
{
    return LogOf(*item);
}

void TForm1::cmdAddLogsClick()
{
    QSettings& store = settings_->Store();
    const QStringList paths = dialogs_.OpenLogs(this, store.value(kLogFolderKey).toString());
    if (paths.isEmpty())
        return;
    store.setValue(kLogFolderKey, QFileInfo(paths.first()).absolutePath());
    AppendLogs(paths);
    // Enter now converts what was added, rather than opening the dialog again.
    LogList->setFocus();
}

void TForm1::cmdDeleteClick()
{
    const QList<QListWidgetItem*> selected = LogList->selectedItems();
    if (selected.isEmpty())
        return;
    for (QListWidgetItem* item : selected)
        delete LogList->takeItem(LogList->row(item));
    // No entry is selected afterwards, so a second Delete does nothing.
    LogList->clearSelection();
    LogList->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
}

void TForm1::cmdDeleteAllClick()
{
    LogList->clear();
}

void TForm1::Button1Click()
{
    close();
}

void TForm1::Button2Click()
{
    if (const std::optional<QColor> color = dialogs_.PickColor(this, Shape1->BrushColor()))
        Shape1->SetBrushColor(*color);
}

void TForm1::cmdCleaningClick()
{
    dialogs_.ShowSettings(*dlgCleaning);
}

void TForm1::cmdPhotosClick()
{
    std::vector<std::filesystem::path> logs;
    for (int i = 0; i < LogList->count(); ++i)
        logs.push_back(Entry(i));
    dlgPhotos->SetLogs(std::move(logs), settings_->PreviewSettings());
    dialogs_.ShowSettings(*dlgPhotos);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A conversion under way stops, and its output with it, before the window goes.
    runner_->Cancel();
    settings_->Store().setValue(kGeometryKey, saveGeometry());
    QWidget::closeEvent(event);
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Reached only when the control with the focus has no use for Enter.
            if (cmdConvEach->isEnabled()) {
                cmdConvEach->click();
                return;
            }
            break;
        case Qt::Key_Escape:
            Button1->click();
            return;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(event);
}

bool TForm1::focusNextPrevChild(bool next)
{
    const QWidget* from = QApplication::focusWidget();
    const bool moved = QWidget::focusNextPrevChild(next);
    auto* to = qobject_cast<QRadioButton*>(QApplication::focusWidget());
    if (!moved || to == nullptr || to->isChecked()
        || (from != nullptr && from->parentWidget() == to->parentWidget()))
        return moved;
    for (QRadioButton* sibling :
        to->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
        if (sibling->isChecked()) {
            sibling->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            break;
        }
    }
    return moved;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    // Every URL is taken, so that one that names no file here can be refused in words.
    if (event->mimeData() != nullptr && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData() != nullptr && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    if (event->mimeData() == nullptr || !event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    const TDroppedPaths dropped = PathsOfUrls(event->mimeData()->urls());
    Guarded([&] {
        AppendPaths(dropped.Local);
        if (!dropped.Refused.isEmpty())
            ShowErrorBox(tr("このコンピューター上のファイルではないため、追加できません"),
                dropped.Refused.join(QLatin1Char('\n')));
    });
}

} // namespace ostrel
