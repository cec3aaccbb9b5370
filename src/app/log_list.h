#pragma once

// The window's list of logs as it shows them: each entry's file name first and its folder elided
// in the middle, and what became of the log at the last Convert command (an icon, and the output
// and length or the error in the tooltip below the path).

#include <QString>
#include <QStyledItemDelegate>

class QListWidgetItem;

namespace ostrel {

// What became of a listed log at the last Convert command.
enum class TLogOutcome
{
    None, // not converted yet, or listed since
    Converted,
    Failed,
    NotConverted, // the command ended before it (an earlier error, Cancel)
};

struct TLogResult
{
    TLogOutcome Outcome = TLogOutcome::None;
    // Converted: the output and the length report; Failed: the error with its line; one line
    // each.
    QString Text;
};

// Shows a result on an entry: its icon, and its text below the path in the tooltip.
void SetResultOf(QListWidgetItem& item, const TLogResult& result);
TLogResult ResultOf(const QListWidgetItem& item);

// Paints an entry whose text is a path as its file name, then its folder elided in the middle
// to the room left, so that the name shows whatever the folder's length.
class TLogItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The entry's text as painted within width (pixels) under the option's font.
    static QString PaintedText(const QString& path, const QFontMetrics& metrics, int width);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace ostrel
