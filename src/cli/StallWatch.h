#pragma once

namespace velloxa::StallWatch {

// --timeout for the export's statements. The driver gives up on a stalled answer after the
// limit only when the server acknowledges the cancel it then sends; a server that has gone
// silent keeps it waiting a second limit. So a statement call that has waited the limit and
// half a second more (time for the driver's own message) ends the process here: exit status
// 1, the output file unchanged, no temporary file left.
void Start(int seconds);

} // namespace velloxa::StallWatch
