#include "app/Wizard.h"

#include "app/OpenedJob.h"

#include "connection/Form1.h"
#include "export/Form4.h"
#include "selection/Form2.h"
#include "selection/Form3.h"
#include "shell/ShellServices.h"

namespace velloxa {

namespace {

// Creates the window on first use; the load runs once the window is stored, so a load that
// reaches other windows (and through them this one) finds it in place.
template <typename Form>
Form& loaded(std::unique_ptr<Form>& slot, Wizard& wizard)
{
    if (!slot) {
        slot = std::make_unique<Form>(wizard);
        slot->Form_Load();
    }
    return *slot;
}

} // namespace

Wizard::Wizard(Services& services) : services_(services) {}

Wizard::~Wizard() = default;

void Wizard::start()
{
    Form1& login = form1();
    // The start-up may have moved on by itself: to the Table chooser, or with an opened job
    // further still.
    const bool movedOn = (form2_ && form2_->isVisible()) || (form3_ && form3_->isVisible()) || (form4_ && form4_->isVisible());
    if (!movedOn)
        login.show();
}

void Wizard::openJob(const Job& job) { openedJob_ = job; }

const std::optional<Job>& Wizard::openedJob() const { return openedJob_; }

void Wizard::fillLoginFromJob()
{
    if (openedJob_ && !openedJobFilled_)
        FillLogin(form1(), *openedJob_);
}

void Wizard::continueOpenedJob()
{
    if (!openedJob_ || openedJobFilled_)
        return;
    openedJobFilled_ = true;
    FillChoices(*this, *openedJob_);
}

Form1& Wizard::form1() { return loaded(form1_, *this); }
Form2& Wizard::form2() { return loaded(form2_, *this); }
Form3& Wizard::form3() { return loaded(form3_, *this); }
Form4& Wizard::form4() { return loaded(form4_, *this); }

QList<QWidget*> Wizard::windows() const
{
    QList<QWidget*> created;
    for (QWidget* window : {static_cast<QWidget*>(form1_.get()), static_cast<QWidget*>(form2_.get()),
                            static_cast<QWidget*>(form3_.get()), static_cast<QWidget*>(form4_.get())})
        if (window)
            created << window;
    return created;
}

Services& Wizard::services() { return services_; }
Globals& Wizard::globals() { return globals_; }

QString Wizard::applicationTitle() const { return applicationTitle_; }
void Wizard::setApplicationTitle(const QString& title) { applicationTitle_ = title; }

QIcon Wizard::applicationIcon() const
{
    // A missing file leaves the platform's default icon; the program runs all the same.
    static const QIcon icon(ApplicationFolder() + QStringLiteral("/velloxa.png"));
    return icon;
}

void Wizard::endProgram()
{
    if (programEnding_)
        return;
    programEnding_ = true;
    if (form1_) form1_->hide();
    if (form2_) form2_->hide();
    if (form3_) form3_->hide();
    if (form4_) form4_->hide();
    if (runningWait_)
        runningWait_->quit();
    services_.endProgram();
}

void Wizard::setRunningWait(QEventLoop* loop) { runningWait_ = loop; }

bool Wizard::programEnding() const { return programEnding_; }

} // namespace velloxa
