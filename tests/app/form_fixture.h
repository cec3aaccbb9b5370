#pragma once

// A fresh window with scripted dialogs for every test function, and the Qt Test classes that
// main() runs.

#include "app/main_window.h"
#include "app/settings_model.h"
#include "app/translations.h"
#include "scripted_dialogs.h"

#include <QObject>
#include <memory>

namespace ostrel::test {

// Two-digit log years are read in this year, whatever the clock says.
inline constexpr int kTestYear = 2026;

// The caption of every message box: the application's name.
inline const QString kBoxCaption = QStringLiteral("Ostrel Log Converter");

// Shows the windows made while it lives in a language; the source texts again afterwards.
struct TLanguageScope
{
    explicit TLanguageScope(TLanguage language) { InstallWindowLanguage(language); }
    ~TLanguageScope() { ResetWindowLanguage(); }
    TLanguageScope(const TLanguageScope&) = delete;
    TLanguageScope& operator=(const TLanguageScope&) = delete;
};

struct TFormFixture
{
    std::unique_ptr<TScriptedDialogs> Dialogs;
    std::unique_ptr<TForm1> Form;

    // A window as at the first start: nothing remembered.
    void Start()
    {
        Form.reset();
        ResetWindowStore();
        Restart();
    }

    // A window that takes what the last one remembered, as at the next start.
    void Restart()
    {
        Form.reset();
        Dialogs = std::make_unique<TScriptedDialogs>();
        Form = std::make_unique<TForm1>(*Dialogs);
        Form->SetCurrentYear(kTestYear);
    }

    // Ends the test's window; returns what did not go to script (empty when all did).
    QString Finish()
    {
        Form.reset();
        const QString problems = Dialogs ? Dialogs->Verify() : QString();
        Dialogs.reset();
        return problems;
    }
};

std::unique_ptr<QObject> MakeWindowTextTests();
std::unique_ptr<QObject> MakeWindowTests();
std::unique_ptr<QObject> MakeConvertTests();
std::unique_ptr<QObject> MakeQtDialogsTests();
std::unique_ptr<QObject> MakeCommandLineTests();
std::unique_ptr<QObject> MakePreviewTests();

} // namespace ostrel::test
