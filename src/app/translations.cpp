#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace ostrel {

namespace {

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

QString CoreText(std::string_view japanese, std::string_view english)
{
    const std::string_view text = installed == TLanguage::Japanese ? japanese : english;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace ostrel
