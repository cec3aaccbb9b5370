#include "app/cleaning_dialog.h"

#include "app/widgets.h"
#include "conversion/cleaning_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ostrel {

namespace {

// What the dialog shows of an option, by its long name: its caption, and the unit after an
// integer value.
struct TOptionCaption
{
    std::string_view Option;
    const char* Caption; // translated in the dialog's context
    const char* Unit = nullptr;
};
const TOptionCaption kCaptions[] = {
    { "filter", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "フィルター(&F)") },
    { "min-move", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "この距離内の静止を除く(&S)"),
        QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", " m") },
    { "from", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "開始日時(&R)") },
    { "to", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "終了日時(&T)") },
    { "privacy", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "始点と終点の周りを隠す(&P)"),
        QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", " m") },
    { "split-gap", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "この間隔で区切る(&G)"),
        QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", " 分") },
    { "split-day", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "日ごとに別のファイル(&D)") },
    { "simplify", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "単純化の許容距離(&I)"),
        QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", " m") },
};

// The captions of the filter's choices, by their names.
const TOptionCaption kChoiceCaptions[] = {
    { "speed", QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "速度のみ") },
    { "robust",
        QT_TRANSLATE_NOOP("ostrel::TCleaningDialog", "ロバスト（跳びと外れた開始も除く）") },
};

template <std::size_t N>
const TOptionCaption& CaptionOf(const TOptionCaption (&captions)[N], std::string_view name)
{
    for (const TOptionCaption& caption : captions) {
        if (caption.Option == name)
            return caption;
    }
    throw std::logic_error("no caption for the cleaning's " + std::string(name));
}

// "min-move" as "MinMove", for the controls' names.
QString CamelName(std::string_view option)
{
    QString name;
    bool upper = true;
    for (const char c : option) {
        if (c == '-') {
            upper = true;
            continue;
        }
        name += upper ? QChar(QLatin1Char(c)).toUpper() : QChar(QLatin1Char(c));
        upper = false;
    }
    return name;
}

} // namespace

TCleaningDialog::TCleaningDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgCleaning"));
    setWindowTitle(tr("トラックのクリーニング"));
    // A window takes no font from its parent by itself.
    setFont(parent->font());
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    int row = 0;
    for (const TOption<TConvertSettings>& option : CleaningOptions()) {
        const TOptionCaption& caption = CaptionOf(kCaptions, option.Long);
        const QString name = CamelName(option.Long);
        TOptionControl control { &option, nullptr, nullptr };
        if (option.Kind == TValueKind::Choice) {
            // Always one of its choices, the row's default at first.
            auto* box = new QComboBox(this);
            box->setObjectName(QStringLiteral("ddl") + name);
            const std::vector<std::string_view> choices = option.Choices();
            for (const std::string_view choice : choices) {
                const QString data = QString::fromUtf8(choice.data(), choice.size());
                box->addItem(tr(CaptionOf(kChoiceCaptions, choice).Caption), data);
            }
            box->setCurrentIndex(static_cast<int>(
                std::find(choices.begin(), choices.end(), option.Default) - choices.begin()));
            auto* label = new QLabel(tr(caption.Caption), this);
            label->setObjectName(QStringLiteral("lbl") + name);
            label->setBuddy(box);
            grid->addWidget(label, row, 0);
            grid->addWidget(box, row, 1);
            control.Value = box;
        } else {
            control.On = new QCheckBox(tr(caption.Caption), this);
            control.On->setObjectName(QStringLiteral("chk") + name);
            grid->addWidget(control.On, row, 0, 1, option.Kind == TValueKind::None ? 2 : 1);
        }
        if (option.Kind == TValueKind::Integer) {
            auto* spin = new TSpinEdit(this);
            spin->setObjectName(QStringLiteral("spn") + name);
            const auto bound = [](long long n) {
                return static_cast<int>(
                    std::clamp<long long>(n, 0, std::numeric_limits<int>::max()));
            };
            spin->setRange(bound(option.Min), bound(option.Max));
            spin->setValue(bound(option.Proposed != 0 ? option.Proposed : option.Min));
            if (caption.Unit != nullptr)
                spin->setSuffix(tr(caption.Unit));
            control.Value = spin;
        } else if (option.Kind == TValueKind::DateTime) {
            // A wall time of the time zone: UTC here, so that no hour is skipped or doubled.
            const bool from = option.Long == "from";
            auto* edit = new QDateTimeEdit(this);
            edit->setObjectName(QStringLiteral("dtp") + name);
            edit->setTimeSpec(Qt::UTC);
            edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            edit->setCalendarPopup(true);
            edit->setDateTime(
                QDateTime(QDate::currentDate(), from ? QTime(0, 0) : QTime(23, 59, 59), Qt::UTC));
            edit->setToolTip(tr("タイムゾーンの現地時刻"));
            control.Value = edit;
        }
        if (control.On != nullptr && control.Value != nullptr) {
            grid->addWidget(control.Value, row, 1);
            control.Value->setEnabled(false);
            connect(control.On, &QCheckBox::toggled, control.Value, &QWidget::setEnabled);
        }
        controls_.push_back(control);
        ++row;
    }
    auto* close = new QPushButton(tr("閉じる(&C)"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(close, row, 1, Qt::AlignRight);
}

} // namespace ostrel
