#include "app/preview_opener.h"

#include "app/log_paths.h"
#include "app/preview_window.h"
#include "app/settings_model.h"

#include <QAction>
#include <QKeyEvent>
#include <QListWidget>

namespace ostrel {

TPreviewOpener::TPreviewOpener(
    QListWidget& list, const TSettingsModel& settings, TDialogs& dialogs, QWidget& owner)
    : QObject(&owner)
    , list_(list)
    , settings_(settings)
    , dialogs_(dialogs)
    , owner_(owner)
{
    setObjectName(QStringLiteral("PreviewOpener"));
    connect(&list, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { Open(LogOf(*item)); });
    auto* action = new QAction(tr("プレビュー"), &list);
    action->setObjectName(QStringLiteral("actPreview"));
    connect(action, &QAction::triggered, this, &TPreviewOpener::OpenSelected);
    list.addAction(action);
    list.setContextMenuPolicy(Qt::ActionsContextMenu);
    list.installEventFilter(this);
    connect(&settings, &TSettingsModel::Changed, this, &TPreviewOpener::RefreshAll);
}

TPreviewWindow* TPreviewOpener::Open(const std::filesystem::path& input)
{
    const auto photos = photoPlaces_.find(input);
    auto* preview = new TPreviewWindow(owner_, settings_, dialogs_, input,
        photos == photoPlaces_.end() ? std::vector<TLatLon>() : photos->second);
    previews_.emplace_back(preview);
    preview->show();
    return preview;
}

std::vector<TPreviewWindow*> TPreviewOpener::Previews() const
{
    std::vector<TPreviewWindow*> open;
    for (const QPointer<TPreviewWindow>& preview : previews_)
        if (preview)
            open.push_back(preview);
    return open;
}

void TPreviewOpener::SetPhotoPlaces(std::map<std::filesystem::path, std::vector<TLatLon>> places)
{
    photoPlaces_ = std::move(places);
    for (TPreviewWindow* preview : Previews()) {
        const auto photos = photoPlaces_.find(preview->Input());
        if (preview->SetPhotos(
                photos == photoPlaces_.end() ? std::vector<TLatLon>() : photos->second))
            preview->Refresh();
    }
}

void TPreviewOpener::OpenSelected()
{
    const QList<QListWidgetItem*> selected = list_.selectedItems();
    if (!selected.isEmpty())
        Open(LogOf(*selected.first()));
}

void TPreviewOpener::RefreshAll()
{
    for (TPreviewWindow* preview : Previews())
        preview->Refresh();
}

bool TPreviewOpener::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Space || key->key() == Qt::Key_F3)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            OpenSelected();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ostrel
