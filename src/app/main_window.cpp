#include "app/main_window.h"

#include "app/conversion_runner.h"
#include "app/preview_window.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "core/errors.h"
#include "geo/projection.h"
#include "geo/travel_modes.h"

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
#include <QUrl>
#include <algorithm>
#include <exception>
#include <span>
#include <string_view>

namespace ostrel {

namespace {

// Whole hours from -11 to +11, then an empty item that can be selected like the others.
const char* const kTimeZoneItems[] = { "-11", "-10", "-9", "-8", "-7", "-6", "-5", "-4", "-3", "-2",
    "-1", "0", "+1", "+2", "+3", "+4", "+5", "+6", "+7", "+8", "+9", "+10", "+11", "" };
static_assert(std::size(kTimeZoneItems) == 24);

const char* const kIntervalItems[] = { "1", "2", "3", "5", "10" }; // minutes

template <class Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPushButton* MakeButton(
    QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h)
{
    auto* button = Place(new QPushButton(QString::fromUtf8(caption), parent), name, l, t, w, h);
    // A button with the focus takes Enter itself, as on the platform's dialogs.
    button->setAutoDefault(true);
    return button;
}

QRadioButton* MakeRadio(
    QWidget* parent, const char* name, std::string_view caption, int l, int t, int w, int h)
{
    return Place(
        new QRadioButton(
            QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), parent),
        name, l, t, w, h);
}

QLabel* MakeLabel(
    QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h)
{
    return Place(new QLabel(QString::fromUtf8(caption), parent), name, l, t, w, h);
}

// Captions are laid out for the designed font. Under a wider fallback face a caption that would be
// cut gets the room it needs, but never reaches into the next control to its right or past its
// parent; a label also gets the height of its text, as labels size themselves to their caption.
void FitCaption(QWidget* widget)
{
    QWidget* parent = widget->parentWidget();
    const QRect designed = widget->geometry();
    int right = parent->width();
    for (QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect other = sibling->geometry();
        if (sibling != widget && other.left() > designed.left() && other.top() < designed.bottom()
            && other.bottom() > designed.top())
            right = std::min(right, other.left());
    }
    const QSize hint = widget->sizeHint();
    const int width = std::clamp(
        hint.width(), designed.width(), std::max(designed.width(), right - designed.left()));
    const int height = qobject_cast<QLabel*>(widget) ? std::max(designed.height(), hint.height())
                                                     : designed.height();
    widget->setGeometry(designed.left(), designed.top(), width, height);
}

QComboBox* MakeList(QWidget* parent, const char* name, int l, int t, int w, int h)
{
    // Non-editable: the user chooses an item and cannot type.
    return Place(new QComboBox(parent), name, l, t, w, h);
}

QGroupBox* MakeGroup(
    QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h)
{
    return Place(new QGroupBox(QString::fromUtf8(caption), parent), name, l, t, w, h);
}

} // namespace

TForm1::TForm1(TDialogs& dialogs, QWidget* parent)
    : QWidget(parent)
    , dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Ostrel Log Converter"));
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
    runner_ = new TConversionRunner(this);
    new TPreviewOpener(this);
}

void TForm1::CreateControls()
{
    LogList = Place(new QListWidget(this), "LogList", 8, 16, 345, 97);
    LogList->setSelectionMode(QAbstractItemView::SingleSelection);
    LogList->setSortingEnabled(false);
    cmdAddLogs = MakeButton(this, "cmdAddLogs", "Add logs ...", 360, 16, 75, 25);
    cmdDelete = MakeButton(this, "cmdDelete", "Delete", 360, 48, 75, 25);
    cmdDeleteAll = MakeButton(this, "cmdDeleteAll", "Delete all", 360, 80, 75, 25);
    GroupBox1 = MakeGroup(this, "GroupBox1", "座標系", 8, 120, 225, 57);
    cmdConvEach = MakeButton(this, "cmdConvEach", "Convert", 232, 376, 113, 25);
    // The default button: Enter anywhere but on another button converts.
    cmdConvEach->setAutoDefault(false);
    cmdConvEach->setDefault(true);
    cmdConvEach->setEnabled(false);

    GroupBox2 = MakeGroup(this, "GroupBox2", "モード（最大許容速度）", 8, 184, 433, 73);
    // The travel modes in the table's order: walk, jog, bicycle, car.
    const std::span<const TTravelMode> modes = TravelModes();
    rdbWalk = MakeRadio(GroupBox2, "rdbWalk", modes[0].Caption, 16, 24, 105, 17);
    rdbJog = MakeRadio(GroupBox2, "rdbJog", modes[1].Caption, 128, 24, 129, 17);
    rdbBicycle = MakeRadio(GroupBox2, "rdbBicycle", modes[2].Caption, 264, 24, 113, 17);
    rdbCar = MakeRadio(GroupBox2, "rdbCar", modes[3].Caption, 16, 40, 113, 17);
    rdbUserDefine = MakeRadio(GroupBox2, "rdbUserDefine", "任意", 152, 40, 57, 17);
    txtLimitter
        = Place(new QLineEdit(QStringLiteral("7"), GroupBox2), "txtLimitter", 200, 40, 49, 20);
    Label1 = MakeLabel(GroupBox2, "Label1", "km/h", 256, 40, 27, 12);
    rdbWalk->setChecked(true);

    cmbOrgP = MakeList(GroupBox1, "cmbOrgP", 24, 24, 185, 20);
    for (const TZone& zone : kZones)
        cmbOrgP->addItem(
            QString::fromUtf8(zone.Name.data(), static_cast<qsizetype>(zone.Name.size())));
    Button1 = MakeButton(this, "Button1", "Canel", 104, 376, 115, 25);

    GroupBox3 = MakeGroup(this, "GroupBox3", "変換先", 8, 264, 433, 105);
    rdbNMEA = MakeRadio(GroupBox3, "rdbNMEA", "NMEA-0183(GGA, RMC)", 16, 24, 153, 17);
    rdbKML = MakeRadio(GroupBox3, "rdbKML", "Google Earth KML", 16, 48, 121, 17);
    rdbKML->setChecked(true);
    ddlTimeZone = MakeList(GroupBox3, "ddlTimeZone", 200, 47, 41, 20);
    for (const char* item : kTimeZoneItems)
        ddlTimeZone->addItem(QString::fromUtf8(item));
    Label2 = MakeLabel(GroupBox3, "Label2", "TimeZone", 143, 50, 50, 12);
    chkWayPoint = Place(new QCheckBox(QStringLiteral("ポイント（間隔/分）"), GroupBox3),
        "chkWayPoint", 256, 48, 113, 17);
    chkWayPoint->setChecked(true);
    ddlInterval = MakeList(GroupBox3, "ddlInterval", 376, 48, 49, 20);
    for (const char* item : kIntervalItems)
        ddlInterval->addItem(QString::fromUtf8(item));

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

    Button2 = MakeButton(GroupBox3, "Button2", "ポイントの色", 144, 72, 89, 17);
    Shape1 = Place(new TShape(GroupBox3), "Shape1", 240, 72, 33, 17);
    SpinEdit1 = Place(new TSpinEdit(GroupBox3), "SpinEdit1", 376, 72, 49, 21);
    SpinEdit1->setRange(kMinOpacityPercent, kMaxOpacityPercent);
    SpinEdit1->setSingleStep(1);
    SpinEdit1->setValue(66);
    Label3 = MakeLabel(GroupBox3, "Label3", "不透明度(%)", 304, 72, 62, 12);

    for (QWidget* widget : std::initializer_list<QWidget*> { rdbWalk, rdbJog, rdbBicycle, rdbCar,
             rdbUserDefine, Label1, rdbNMEA, rdbKML, Label2, chkWayPoint, Label3 })
        FitCaption(widget);

    Connect(cmdAddLogs, &TForm1::cmdAddLogsClick);
    Connect(cmdDelete, &TForm1::cmdDeleteClick);
    Connect(cmdDeleteAll, &TForm1::cmdDeleteAllClick);
    Connect(cmdConvEach, &TForm1::cmdConvEachClick);
    Connect(Button1, &TForm1::Button1Click);
    Connect(Button2, &TForm1::Button2Click);
}

void TForm1::SetTabOrder()
{
    // The window's order: Convert, Add logs, Delete, Delete all, the origin group, the mode
    // group, Close, the list, the output group, the hidden template.
    QWidget* const order[] = { cmdConvEach, cmdAddLogs, cmdDelete, cmdDeleteAll, cmbOrgP, rdbWalk,
        rdbJog, rdbBicycle, rdbCar, rdbUserDefine, txtLimitter, Button1, LogList, rdbNMEA, rdbKML,
        ddlTimeZone, chkWayPoint, ddlInterval, Button2, SpinEdit1, txtStyle };
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    // Convert is disabled at start, so the first control that takes the focus is Add logs.
    cmdAddLogs->setFocus();
}

void TForm1::FormCreate()
{
    // Files dropped anywhere on the window land in the list, also over an edit box.
    setAcceptDrops(true);
    for (QWidget* child : findChildren<QWidget*>())
        child->setAcceptDrops(false);
    cmbOrgP->setCurrentIndex(0);
    ddlTimeZone->setCurrentIndex(20); // "+9"
    ddlInterval->setCurrentIndex(1); // "2"
}

template <class Handler> void TForm1::Guarded(Handler&& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromUtf8(error.what()));
    }
}

void TForm1::Connect(QPushButton* button, void (TForm1::*handler)())
{
    connect(button, &QPushButton::clicked, this,
        [this, handler] { Guarded([&] { (this->*handler)(); }); });
}

QString TForm1::ApplicationTitle()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void TForm1::ShowErrorBox(const QString& message)
{
    dialogs_.ShowBox(this, TBoxKind::Error, ApplicationTitle(), ErrorBoxText(message));
}

void TForm1::AppendLogs(const QStringList& paths)
{
    for (const QString& path : paths) {
        // Shown with its control characters as "?"; converted under the path itself.
        auto* item
            = new QListWidgetItem(QString::fromStdString(ShownText(path.toStdString())), LogList);
        item->setData(Qt::UserRole, path);
        cmdConvEach->setEnabled(true);
    }
}

void TForm1::cmdAddLogsClick()
{
    AppendLogs(dialogs_.OpenLogs(this));
}

void TForm1::cmdDeleteClick()
{
    const QList<QListWidgetItem*> selected = LogList->selectedItems();
    if (!selected.isEmpty())
        delete LogList->takeItem(LogList->row(selected.first()));
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

void TForm1::closeEvent(QCloseEvent* event)
{
    runner_->Cancel();
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

namespace {

QStringList LocalFilesOf(const QMimeData* data)
{
    QStringList paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << QDir::toNativeSeparators(url.toLocalFile());
    return paths;
}

} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalFilesOf(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event)
{
    if (!LocalFilesOf(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QStringList paths = LocalFilesOf(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    Guarded([&] { AppendLogs(paths); });
}

} // namespace ostrel
