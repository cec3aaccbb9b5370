#pragma once

// The cleaning of the track beyond the speed filter, in a dialog of its own behind the main
// window's button: a control for each of the core's cleaning options, made from the option's row
// (its range, its choices, its default), every stage off until the user turns it on. The dialog
// lives as long as the main window, so the settings model reads its controls whether it is shown
// or not, and a preview follows each change at once.

#include "app/settings_model.h"

#include <QDialog>
#include <vector>

namespace ostrel {

class TCleaningDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit TCleaningDialog(QWidget* parent);

    // One for each of the core's cleaning options, in their order; each control is named after
    // its option ("min-move": chkMinMove and spnMinMove; "from": chkFrom and dtpFrom; "filter":
    // ddlFilter; "split-day": chkSplitDay).
    const std::vector<TOptionControl>& Controls() const { return controls_; }

private:
    std::vector<TOptionControl> controls_;
};

} // namespace ostrel
