#pragma once

namespace velloxa::StopSignals {

// SIGINT, SIGTERM and SIGHUP for the command line. A signal asks the run to stop (its
// progress check then cancels and the program exits with 130); a run that does not come back
// within half a second is blocked in the driver (a server that sends nothing), and the
// process ends there with 130, after removing any temporary file. The output file is never
// touched either way. The state is plain atomics, so the watcher may outlive main().

void Block(); // before any thread starts, so that every thread leaves them to the watcher
void Watch(); // starts the watcher
bool StopRequested();
void RunFinished(); // the run came back: the watcher leaves the ending to main()

} // namespace velloxa::StopSignals
