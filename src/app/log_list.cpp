#include "app/log_list.h"

#include "app/window_text.h"

#include <QApplication>
#include <QListWidgetItem>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace ostrel {

namespace {

constexpr int kOutcomeRole = Qt::UserRole + 1;
constexpr int kResultTextRole = Qt::UserRole + 2;

// Between the file name and its folder.
const QString kSeparator = QStringLiteral("  —  ");

QIcon IconOf(TLogOutcome outcome)
{
    QStyle* style = QApplication::style();
    switch (outcome) {
    case TLogOutcome::Converted:
        return style->standardIcon(QStyle::SP_DialogApplyButton);
    case TLogOutcome::Failed:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case TLogOutcome::NotConverted:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case TLogOutcome::None:
        break;
    }
    return {};
}

} // namespace

void SetResultOf(QListWidgetItem& item, const TLogResult& result)
{
    item.setData(kOutcomeRole, static_cast<int>(result.Outcome));
    item.setData(kResultTextRole, result.Text);
    item.setIcon(IconOf(result.Outcome));
    const QString path = item.text();
    item.setToolTip(result.Text.isEmpty() ? path : path + QLatin1Char('\n') + result.Text);
}

TLogResult ResultOf(const QListWidgetItem& item)
{
    return { static_cast<TLogOutcome>(item.data(kOutcomeRole).toInt()),
        item.data(kResultTextRole).toString() };
}

QString TLogItemDelegate::PaintedText(const QString& path, const QFontMetrics& metrics, int width)
{
    QString folder = FolderOf(path);
    const QString name = path.mid(folder.size());
    // The folder without its last separator, unless that is all of it ("/").
    if (folder.size() > 1)
        folder.chop(1);
    if (folder.isEmpty() || name.isEmpty())
        return path;
    const int room = width - metrics.horizontalAdvance(name + kSeparator);
    const QString elided = metrics.elidedText(folder, Qt::ElideMiddle, std::max(room, 0));
    // Not even an ellipsis of the folder fits: the name alone, which the style elides.
    return elided.isEmpty() ? name : name + kSeparator + elided;
}

void TLogItemDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    // The style keeps this margin on each side of an item's text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    item.text = PaintedText(item.text, item.fontMetrics, text.width() - 2 * margin);
    item.textElideMode = Qt::ElideRight;
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
}

QSize TLogItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // As wide as the file name: the folder takes whatever room the list has.
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString path = item.text;
    item.text = path.mid(FolderOf(path).size());
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &item, QSize(), widget);
}

} // namespace ostrel
