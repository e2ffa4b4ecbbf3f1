#pragma once

#include <atomic>
#include <memory>

#include <QEventLoop>
#include <QIcon>
#include <QList>
#include <QString>

#include "app/Globals.h"
#include "app/Services.h"
#include "jobs/Job.h"

#include <optional>

class QWidget;

namespace velloxa {

class Form1;
class Form2;
class Form3;
class Form4;

// Owns the four windows of the wizard. Each is created on first access and afterwards only
// shown and hidden, so its contents survive Back and Next. A window's constructor builds its
// controls; the wizard runs its public Form_Load() right after storing it, so a load that
// reaches the other windows (the Login window's automatic Next) finds this one in place.
// Each window's closeEvent calls endProgram().
class Wizard {
public:
    explicit Wizard(Services& services);
    ~Wizard();
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    // Creates the Login window (its load runs the start-up sequence) and shows it, unless the
    // start-up moved on to the Table chooser by itself.
    void start();

    // A job file opened with the program (OpenedJob.h): set before start().
    void openJob(const Job& job);
    const std::optional<Job>& openedJob() const;
    // The Login window's load and its "Next >" call these: the job's login goes into the
    // boxes; once it works, its choices into the later windows (once).
    void fillLoginFromJob();
    void continueOpenedJob();

    Form1& form1();
    Form2& form2();
    Form3& form3();
    Form4& form4();
    // The windows created so far.
    QList<QWidget*> windows() const;

    Services& services();
    Globals& globals();

    // Set once by the Login window's load; empty before.
    QString applicationTitle() const;
    void setApplicationTitle(const QString& title);

    // The icon every window shows: velloxa.png beside the executable.
    QIcon applicationIcon() const;

    // Closing any window calls this. From here on programEnding() is true: a running export
    // sees it in its progress callback and cancels; then every window is hidden and
    // Services::endProgram runs. Calling it again does nothing.
    void endProgram();
    bool programEnding() const; // may be asked from a helper thread

    // The local loop a handler waits in for the database (WindowWait.h); endProgram() ends it.
    void setRunningWait(QEventLoop* loop);

private:
    Services& services_;
    Globals globals_;
    QString applicationTitle_;
    std::atomic<bool> programEnding_{false};
    QEventLoop* runningWait_ = nullptr;
    std::optional<Job> openedJob_;
    bool openedJobFilled_ = false; // its choices are in the windows
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form4> form4_;
};

} // namespace velloxa
