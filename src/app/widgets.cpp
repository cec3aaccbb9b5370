#include "app/widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace ostrel {

TShape::TShape(QWidget* parent)
    : QWidget(parent)
{
}

void TShape::SetBrushColor(const QColor& color)
{
    if (color == brush_)
        return;
    brush_ = color;
    update();
    emit BrushColorChanged(brush_);
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), brush_);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

TSpinEdit::TSpinEdit(QWidget* parent)
    : QSpinBox(parent)
{
}

bool TSpinEdit::IsAllowed(QChar c) const
{
    return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-')
        || QString(c) == locale().decimalPoint();
}

QValidator::State TSpinEdit::validate(QString& input, int&) const
{
    if (!std::all_of(input.cbegin(), input.cend(), [this](QChar c) { return IsAllowed(c); }))
        return QValidator::Invalid;
    bool isInteger = false;
    const int value = input.toInt(&isInteger);
    // Out of range or not yet a number: kept as typed until fixup() settles it.
    return isInteger && value >= minimum() && value <= maximum() ? QValidator::Acceptable
                                                                 : QValidator::Intermediate;
}

void TSpinEdit::fixup(QString& input) const
{
    input = QString::number(std::clamp(valueFromText(input), minimum(), maximum()));
}

int TSpinEdit::valueFromText(const QString& text) const
{
    bool isInteger = false;
    const int value = text.toInt(&isInteger);
    return isInteger ? value : minimum();
}

void TSpinEdit::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (!command && text.size() == 1 && text[0].isPrint() && !IsAllowed(text[0])) {
        QApplication::beep();
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

} // namespace ostrel
