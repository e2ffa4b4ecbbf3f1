#pragma once

#include "jobs/Job.h"

namespace velloxa {

class Form1;
class Wizard;

// A job file opened with the program (velloxa FILE.velloxa): its login fills the Login
// window without changing the remembered login (a job holds no password: the remembered one
// is kept only when the job names the same server, port and user), and once that login works, its table, columns and options fill the later windows, as if the user had chosen
// them, ending on the Export window. Where the table or a column is gone, a message says so
// and the user goes on from the window it stopped at.
void FillLogin(Form1& login, const Job& job);
void FillChoices(Wizard& wizard, const Job& job);

// The job the Export window shows now, for "Save job...": with an opened job's rising column
// and last value while its table is chosen.
Job ShownJob(Wizard& wizard);

} // namespace velloxa
