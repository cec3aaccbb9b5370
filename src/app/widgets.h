#pragma once

// Two small controls of the window that Qt does not have as such: the colour swatch and the
// opacity box with its typing and clamping rules.

#include <QColor>
#include <QSpinBox>
#include <QWidget>

namespace ostrel {

// A filled rectangle with a one-pixel black outline; the fill is the waypoint colour the user
// sees.
class TShape : public QWidget
{
    Q_OBJECT
    // The colour is what the swatch holds for the user, as a check box's check.
    Q_PROPERTY(
        QColor brushColor READ BrushColor WRITE SetBrushColor NOTIFY BrushColorChanged USER true)

public:
    explicit TShape(QWidget* parent = nullptr);

    QColor BrushColor() const { return brush_; }
    void SetBrushColor(const QColor& color);

signals:
    void BrushColorChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor brush_ = Qt::white;
};

// An integer box with up and down buttons for minimum()..maximum(). Typing accepts only digits,
// "+", "-" and the decimal separator; other printable keys are refused with a beep. The value is
// the integer of the text, and a text that is no integer counts as the minimum. A typed value
// outside the range stands until the box is left (or Enter is pressed, or interpretText() is
// called), and is then replaced by the nearer bound.
class TSpinEdit : public QSpinBox
{
    Q_OBJECT

public:
    explicit TSpinEdit(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int valueFromText(const QString& text) const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool IsAllowed(QChar c) const;
};

} // namespace ostrel
