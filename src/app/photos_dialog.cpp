#include "app/photos_dialog.h"

#include "app/conversion_runner.h"
#include "app/dialogs.h"
#include "app/translations.h"
#include "app/window_text.h"
#include "core/messages.h"
#include "core/time_zones.h"
#include "photos/geotag_text.h"
#include "text/date_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ostrel {

namespace {

constexpr TTimeZone kDefaultCameraZone { 9, 0 };

// A failure that names the file it concerns (a log), for the error box's detail.
struct TFileFailure
{
    std::exception_ptr Error;
    fs::path File;
};

// A message for the error box, in the window's language already.
class TDialogError final : public std::runtime_error
{
public:
    explicit TDialogError(const QString& message)
        : std::runtime_error(message.toStdString())
    {
    }
};

QString Degrees(double value)
{
    return QString::number(value, 'f', 8);
}

} // namespace

TPhotosDialog::TPhotosDialog(TDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , dialogs_(dialogs)
    , runner_(new TConversionRunner(this))
{
    setObjectName(QStringLiteral("dlgPhotos"));
    setWindowTitle(tr("写真の位置"));
    setFont(parent->font());
    auto* layout = new QVBoxLayout(this);

    auto* chosen = new QHBoxLayout;
    cmdAddPhotos = new QPushButton(tr("写真を追加(&A)..."), this);
    cmdAddPhotos->setObjectName(QStringLiteral("cmdAddPhotos"));
    cmdAddFolder = new QPushButton(tr("フォルダーを追加(&F)..."), this);
    cmdAddFolder->setObjectName(QStringLiteral("cmdAddFolder"));
    cmdClearPhotos = new QPushButton(tr("一覧を空に(&L)"), this);
    cmdClearPhotos->setObjectName(QStringLiteral("cmdClearPhotos"));
    for (QPushButton* button : { cmdAddPhotos, cmdAddFolder, cmdClearPhotos })
        chosen->addWidget(button);
    chosen->addStretch();
    layout->addLayout(chosen);

    auto* camera = new QGroupBox(tr("カメラ(&C)"), this);
    auto* grid = new QGridLayout(camera);
    ddlCameraZone = new QComboBox(camera);
    ddlCameraZone->setObjectName(QStringLiteral("ddlCameraZone"));
    for (const TTimeZone& zone : kTimeZones) {
        const QString text = QString::fromStdString(TimeZoneText(zone));
        ddlCameraZone->addItem(text, text);
    }
    ddlCameraZone->setCurrentIndex(static_cast<int>(
        std::find(kTimeZones.begin(), kTimeZones.end(), kDefaultCameraZone) - kTimeZones.begin()));
    ddlCameraZone->setToolTip(tr("撮影時刻にオフセットがない写真のタイムゾーン"));
    auto* zoneLabel = new QLabel(tr("タイムゾーン(&Z)"), camera);
    zoneLabel->setBuddy(ddlCameraZone);
    txtCameraOffset = new QLineEdit(QStringLiteral("0:00"), camera);
    txtCameraOffset->setObjectName(QStringLiteral("txtCameraOffset"));
    txtCameraOffset->setToolTip(tr("カメラの時計の進み [+|-][時:]分:秒（遅れは -）"));
    auto* offsetLabel = new QLabel(tr("時計の進み(&H)"), camera);
    offsetLabel->setBuddy(txtCameraOffset);
    tmeClock = new QTimeEdit(camera);
    tmeClock->setObjectName(QStringLiteral("tmeClock"));
    tmeClock->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    auto* clockLabel = new QLabel(tr("写した時計の時刻(&S)"), camera);
    clockLabel->setBuddy(tmeClock);
    cmdFromClock = new QPushButton(tr("時計の写真から(&K)..."), camera);
    cmdFromClock->setObjectName(QStringLiteral("cmdFromClock"));
    grid->addWidget(zoneLabel, 0, 0);
    grid->addWidget(ddlCameraZone, 0, 1);
    grid->addWidget(offsetLabel, 1, 0);
    grid->addWidget(txtCameraOffset, 1, 1);
    grid->addWidget(clockLabel, 2, 0);
    grid->addWidget(tmeClock, 2, 1);
    grid->addWidget(cmdFromClock, 2, 2);
    layout->addWidget(camera);

    auto* writing = new QGroupBox(tr("書き込み先(&T)"), this);
    auto* where = new QHBoxLayout(writing);
    rdbSidecar = new QRadioButton(tr("XMP サイドカー(&X)"), writing);
    rdbSidecar->setObjectName(QStringLiteral("rdbSidecar"));
    rdbExif = new QRadioButton(tr("JPEG の Exif(&E)"), writing);
    rdbExif->setObjectName(QStringLiteral("rdbExif"));
    rdbExif->setToolTip(tr("RAW ファイルと Exif に空きのない JPEG はサイドカーへ"));
    chkOverwrite = new QCheckBox(tr("既存の位置を置き換える(&R)"), writing);
    chkOverwrite->setObjectName(QStringLiteral("chkOverwrite"));
    rdbSidecar->setChecked(true);
    for (QWidget* control : std::initializer_list<QWidget*> { rdbSidecar, rdbExif, chkOverwrite })
        where->addWidget(control);
    layout->addWidget(writing);

    tblPhotos = new QTableWidget(0, 6, this);
    tblPhotos->setObjectName(QStringLiteral("tblPhotos"));
    tblPhotos->setHorizontalHeaderLabels(
        { tr("写真"), tr("カメラの時刻"), tr("UTC"), tr("緯度"), tr("経度"), tr("結果") });
    tblPhotos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPhotos->horizontalHeader()->setStretchLastSection(true);
    tblPhotos->verticalHeader()->hide();
    tblPhotos->setMinimumSize(720, 240);
    layout->addWidget(tblPhotos);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("lblPhotosSummary"));
    layout->addWidget(summary_);

    auto* commands = new QHBoxLayout;
    commands->addStretch();
    cmdMatch = new QPushButton(tr("照合(&M)"), this);
    cmdMatch->setObjectName(QStringLiteral("cmdMatch"));
    cmdWrite = new QPushButton(tr("書き込む(&W)"), this);
    cmdWrite->setObjectName(QStringLiteral("cmdWrite"));
    cmdClose = new QPushButton(tr("閉じる(&O)"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* button : { cmdMatch, cmdWrite, cmdClose }) {
        button->setAutoDefault(false);
        commands->addWidget(button);
    }
    layout->addLayout(commands);

    const auto connectTo = [this](QPushButton* button, void (TPhotosDialog::*command)()) {
        connect(button, &QPushButton::clicked, this,
            [this, command] { Guarded([&] { (this->*command)(); }); });
    };
    connectTo(cmdAddPhotos, &TPhotosDialog::AddPhotos);
    connectTo(cmdAddFolder, &TPhotosDialog::AddFolder);
    connectTo(cmdClearPhotos, &TPhotosDialog::ClearPhotos);
    connectTo(cmdFromClock, &TPhotosDialog::CorrectionFromClock);
    connectTo(cmdMatch, &TPhotosDialog::Match);
    connectTo(cmdWrite, &TPhotosDialog::Write);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    ShowPhotos();
}

void TPhotosDialog::SetLogs(std::vector<fs::path> logs, const TConvertSettings& settings)
{
    logs_ = std::move(logs);
    settings_ = settings;
}

std::vector<QWidget*> TPhotosDialog::Remembered() const
{
    return { ddlCameraZone, txtCameraOffset, rdbSidecar, rdbExif };
}

template <class Command> void TPhotosDialog::Guarded(Command&& command)
{
    QString file;
    std::exception_ptr error;
    try {
        command();
        return;
    } catch (const TConversionCancelled&) {
        return; // stopped by the user: nothing more to say
    } catch (const TFileFailure& failure) {
        file = FromPath(failure.File);
        error = failure.Error;
    } catch (...) {
        error = std::current_exception();
    }
    const TErrorReport report = ReportOf(error, WindowLanguage());
    dialogs_.ShowBox(this, TBoxKind::Error, ApplicationTitle(),
        ErrorBoxText(QString::fromStdString(report.Message)),
        file.isEmpty() ? QString() : LogErrorDetail(report, Shown(file)));
}

TGeotagOptions TPhotosDialog::Options(bool dryRun) const
{
    TGeotagOptions options;
    const QString offset = txtCameraOffset->text().trimmed();
    const std::optional<double> ahead = ParseClockOffset(offset.toStdString());
    if (!ahead)
        throw TDialogError(tr("時計の進み「%1」は [+|-][時:]分:秒 ではありません（例: -1:30）")
                               .arg(Shown(offset)));
    const std::optional<TTimeZone> zone = ParseTimeZone(
        ddlCameraZone->currentText().toStdString(), kEarliestTimeZoneHours, kLatestTimeZoneHours);
    const TTimeZone camera = zone.value_or(kDefaultCameraZone);
    options.Clock = { camera.Hours * 60 + camera.Minutes, *ahead };
    options.Write = rdbExif->isChecked() ? TPhotoWrite::Exif : TPhotoWrite::Sidecar;
    options.Overwrite = chkOverwrite->isChecked();
    options.DryRun = dryRun;
    return options;
}

void TPhotosDialog::AddPhotos()
{
    const QStringList chosen = dialogs_.OpenPhotos(this, folder_);
    for (const QString& path : chosen)
        photos_.push_back(ToPath(path));
    if (!chosen.isEmpty())
        folder_ = FolderOf(chosen.front());
    ShowPhotos();
}

void TPhotosDialog::AddFolder()
{
    const QString folder = dialogs_.ChooseFile(this, TFileChoice::PhotoFolder, folder_);
    if (folder.isEmpty())
        return;
    folder_ = folder;
    try {
        const std::vector<fs::path> found = PhotosOf(ToPath(folder));
        photos_.insert(photos_.end(), found.begin(), found.end());
    } catch (...) {
        throw TFileFailure { std::current_exception(), ToPath(folder) };
    }
    ShowPhotos();
}

void TPhotosDialog::ClearPhotos()
{
    photos_.clear();
    ShowPhotos();
}

void TPhotosDialog::CorrectionFromClock()
{
    const QString path = dialogs_.ChooseFile(this, TFileChoice::ClockPhoto, folder_);
    if (path.isEmpty())
        return;
    std::optional<TPhotoTime> time;
    try {
        time = ReadPhotoTime(ToPath(path));
    } catch (...) {
        throw TFileFailure { std::current_exception(), ToPath(path) };
    }
    if (!time) {
        const TPhotoResult timeless; // the core's words for a photo without a time
        throw TDialogError(QStringLiteral("%1: %2").arg(ShownFileName(path),
            QString::fromStdString(PhotoResultText(timeless, WindowLanguage(), false))));
    }
    const QTime shown = tmeClock->time();
    const double ahead = ClockAheadSeconds(*time, shown.msecsSinceStartOfDay() / 1000.0);
    txtCameraOffset->setText(
        QString::fromStdString((ahead < 0 ? "-" : "+") + FormatDuration(std::abs(ahead))));
}

void TPhotosDialog::Match()
{
    Run(true);
}

void TPhotosDialog::Write()
{
    Run(false);
}

void TPhotosDialog::Run(bool dryRun)
{
    const TGeotagOptions options = Options(dryRun);
    const std::vector<fs::path> logs = logs_;
    const std::vector<fs::path> photos = photos_;
    const TConvertSettings settings = settings_;
    std::vector<TRow> rows(photos.size());
    // The span of each log's kept fixes (UTC day counts), to tell which log placed a photo.
    std::vector<std::pair<double, double>> spans(logs.size(), { 1.0, 0.0 });
    const QString reading = tr("ログを読んでいます");
    runner_->RunFiles(logs.empty() ? fs::path() : logs.front(), reading, [&] {
        TFixTable fixes;
        for (std::size_t i = 0; i < logs.size(); ++i) {
            runner_->StartFile(logs[i], reading)->Advance(0);
            const std::size_t before = fixes.Points().size();
            try {
                AddLogFixes(fixes, logs[i], settings);
            } catch (...) {
                throw TFileFailure { std::current_exception(), logs[i] };
            }
            const std::span<const TTimedPoint> added = fixes.Points().subspan(before);
            for (const TTimedPoint& point : added) {
                auto& [first, last] = spans[i];
                if (first > last)
                    first = last = point.Utc;
                first = std::min(first, point.Utc);
                last = std::max(last, point.Utc);
            }
        }
        fixes.Sort();
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const QString caption = tr("写真 %1 / %2").arg(i + 1).arg(photos.size());
            runner_->StartFile(photos[i], caption)->Advance(0); // Cancel stops here
            try {
                rows[i].Result = GeotagPhoto(photos[i], fixes.Points(), options);
            } catch (...) {
                rows[i].Error = std::current_exception();
            }
        }
    });

    places_.clear();
    const double gap = options.MaxGapMinutes / 1440.0;
    std::size_t placed = 0, written = 0, failed = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ShowRow(static_cast<int>(i), photos[i], rows[i], dryRun);
        if (rows[i].Error)
            ++failed;
        if (!rows[i].Result || !rows[i].Result->Match.Position)
            continue;
        ++placed;
        if (rows[i].Result->Status == TPhotoStatus::Written)
            ++written;
        for (std::size_t log = 0; log < logs.size(); ++log) {
            const auto [first, last] = spans[log];
            const double utc = rows[i].Result->Utc;
            if (first <= last && utc >= first - gap && utc <= last + gap)
                places_[logs[log]].push_back(
                    { rows[i].Result->Match.Position->Lat, rows[i].Result->Match.Position->Lon });
        }
    }
    summary_->setText((dryRun ? tr("写真 %1 枚、位置あり %2 枚、書き込み予定 %3 枚、エラー %4 枚")
                              : tr("写真 %1 枚、位置あり %2 枚、書き込み %3 枚、エラー %4 枚"))
                          .arg(rows.size())
                          .arg(placed)
                          .arg(written)
                          .arg(failed));
    emit Placed();
}

void TPhotosDialog::ShowPhotos()
{
    tblPhotos->setRowCount(static_cast<int>(photos_.size()));
    for (std::size_t i = 0; i < photos_.size(); ++i) {
        tblPhotos->setItem(static_cast<int>(i), 0, new QTableWidgetItem(ShownFileName(photos_[i])));
        tblPhotos->item(static_cast<int>(i), 0)->setToolTip(Shown(FromPath(photos_[i])));
        for (int column = 1; column < tblPhotos->columnCount(); ++column)
            tblPhotos->setItem(static_cast<int>(i), column, new QTableWidgetItem());
    }
    summary_->setText(tr("写真 %1 枚").arg(photos_.size()));
    cmdMatch->setEnabled(!photos_.empty());
    cmdWrite->setEnabled(!photos_.empty());
}

void TPhotosDialog::ShowRow(int row, const fs::path& photo, const TRow& result, bool dryRun)
{
    const auto set = [&](int column, const QString& text) {
        tblPhotos->setItem(row, column, new QTableWidgetItem(text));
    };
    set(0, ShownFileName(photo));
    tblPhotos->item(row, 0)->setToolTip(Shown(FromPath(photo)));
    if (result.Error) {
        const TErrorReport report = ReportOf(result.Error, WindowLanguage());
        for (int column = 1; column < 5; ++column)
            set(column, QString());
        set(5, ErrorBoxText(QString::fromStdString(report.Message)));
        return;
    }
    const TPhotoResult& photoResult = *result.Result;
    const bool timed = photoResult.Time.has_value();
    set(1, timed ? Shown(QString::fromStdString(photoResult.Time->Text)) : QStringLiteral("-"));
    set(2,
        timed ? QString::fromStdString(
            FormatDateTime("YYYY-MM-DD HH:NN:SS", photoResult.Utc, TSeparators { ".", "-", ":" }))
              : QStringLiteral("-"));
    const std::optional<TGeoPoint>& position = photoResult.Match.Position;
    set(3, position ? Degrees(position->Lat) : QStringLiteral("-"));
    set(4, position ? Degrees(position->Lon) : QStringLiteral("-"));
    set(5, QString::fromStdString(PhotoResultText(photoResult, WindowLanguage(), dryRun)));
}

} // namespace ostrel
