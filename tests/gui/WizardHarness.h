#pragma once

#include "RecordingFileOpener.h"
#include "FakeFileDialogService.h"
#include "../core/RecordingMessageService.h"

#include "app/Services.h"
#include "app/Wizard.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

namespace velloxa::testing {

// One program run with fake services and a settings store on a temporary ini file. The
// store outlives restart(), so a second run sees what the first one saved.
class WizardHarness {
public:
    WizardHarness() : settings(std::make_unique<SettingsStore>(folder.filePath(QStringLiteral("Orvanta.ini")))) {}

    // Saves a value before the run starts, as an earlier run would have.
    void save(const QString& key, const QString& value) { settings->write(key, value); }

    // Saves a complete login, as a user of an earlier run would have left it.
    void saveLogin(const QString& server, const QString& port, const QString& user, const QString& password,
                   const QString& database)
    {
        save(SettingKeys::Server, server);
        save(SettingKeys::Port, port);
        save(SettingKeys::User, user);
        save(SettingKeys::Password, password);
        save(SettingKeys::Database, database);
    }

    // Starts the program: the Login window's load runs the start-up sequence.
    Wizard& start()
    {
        wizard.reset();
        services = std::make_unique<Services>(Services{messages, fileDialogs, fileOpener, *settings,
                                                       [this] { ++endProgramCalls; }, endProcessNow});
        wizard = std::make_unique<Wizard>(*services);
        if (openedJob)
            wizard->openJob(*openedJob);
        wizard->start();
        return *wizard;
    }

    // The store as a fresh reader sees it on disk.
    QString stored(const QString& key, const QString& absent = QStringLiteral("<absent>")) const
    {
        return SettingsStore(settings->fileName()).read(key, absent);
    }

    QTemporaryDir folder;
    RecordingMessageService messages;
    FakeFileDialogService fileDialogs;
    RecordingFileOpener fileOpener;
    std::unique_ptr<SettingsStore> settings;
    int endProgramCalls = 0;
    // The program ends its process when a window closes during a wait; a test counts it and
    // goes on (the waiting handler then sees a failed step).
    int endProcessNowCalls = 0;
    std::function<void()> endProcessNow = [this] { ++endProcessNowCalls; };
    std::optional<Job> openedJob; // a job file the program was started with
    std::unique_ptr<Services> services;
    std::unique_ptr<Wizard> wizard;
};

} // namespace velloxa::testing
