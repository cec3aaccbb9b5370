#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace ostrel {

namespace {

// The travel mode captions (geo/travel_modes.cpp) and the zone names (geo/projection.cpp), so
// that lupdate lists them; a test holds them equal to the core's tables.
const char* const kCoreTexts[] = {
    QT_TRANSLATE_NOOP("ostrel::Core", "徒歩(~10km/h)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "ジョギング(~25km/h)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "自転車(~70km/h)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "自動車(~150km/h)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "出発点を原点にする（推奨）"),
    QT_TRANSLATE_NOOP("ostrel::Core", "1系(長崎以外の九州)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "2系(長崎・対馬・奄美など)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "3系(山口・島根・広島)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "4系(四国)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "5系(兵庫・鳥取・岡山)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "6系(兵庫以外の近畿・三重)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "7系(石川・富山・岐阜・愛知)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "8系(新潟・長野・山梨・静岡)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "9系(関東)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "10系(東北)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "11系(北海道西部)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "12系(北海道中部)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "13系(北海道東部)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "14系(小笠原)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "15系(沖縄本島周辺)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "16系(宮古・西表)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "17系(大東島)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "18系(沖ノ鳥島)"),
    QT_TRANSLATE_NOOP("ostrel::Core", "19系(南鳥島)"),
};

TLanguage installed = TLanguage::Japanese;
std::unique_ptr<QTranslator> windowTranslator;
std::unique_ptr<QTranslator> qtTranslator;

void Remove(std::unique_ptr<QTranslator>& translator)
{
    if (translator)
        QCoreApplication::removeTranslator(translator.get());
    translator.reset();
}

// Loads a translation and installs it; false when it cannot be loaded.
bool Install(std::unique_ptr<QTranslator>& slot, const QString& name, const QString& folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder))
        return false;
    QCoreApplication::installTranslator(translator.get());
    slot = std::move(translator);
    return true;
}

} // namespace

TLanguage ChooseWindowLanguage(const QString& forced, const QStringList& uiLanguages)
{
    if (const std::optional<TLanguage> language = LanguageNamed(forced.toStdString()))
        return *language;
    if (!uiLanguages.isEmpty() && uiLanguages.front().startsWith(QLatin1String("ja")))
        return TLanguage::Japanese;
    return TLanguage::English;
}

bool InstallWindowLanguage(TLanguage language)
{
    Remove(windowTranslator);
    Remove(qtTranslator);
    installed = language;
    bool complete = true;
    if (language == TLanguage::English) {
        // The window's texts; Qt's own are English already.
        complete = Install(windowTranslator, QStringLiteral("ostrel_en"), QStringLiteral(":/i18n"));
    } else {
        // The window's texts are Japanese already; Qt's own dialogs get theirs.
        complete = Install(qtTranslator, QStringLiteral("qtbase_ja"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    return complete;
}

void ResetWindowLanguage()
{
    Remove(windowTranslator);
    Remove(qtTranslator);
    installed = TLanguage::Japanese;
}

TLanguage WindowLanguage()
{
    return installed;
}

QString LanguageCode(TLanguage language)
{
    return language == TLanguage::Japanese ? QStringLiteral("ja") : QStringLiteral("en");
}

QString CoreText(std::string_view japanese)
{
    const std::string text(japanese);
    return QCoreApplication::translate(kCoreTextContext, text.c_str());
}

QStringList CoreTextsForTranslation()
{
    QStringList texts;
    for (const char* text : kCoreTexts)
        texts << QString::fromUtf8(text);
    return texts;
}

} // namespace ostrel
