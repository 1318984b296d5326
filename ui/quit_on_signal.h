// SIGTERM, SIGINT and SIGHUP end the player as its own 退出 does: every
// window is closed (settings kept, the graph stopped) and the program leaves
// its event loops with status 0, so a session's logout, a test script or
// Ctrl+C in a terminal never cut it off in the middle of writing a file.
#pragma once

namespace ui {

// Once, after the QApplication exists.
void QuitOnTerminationSignals();

}  // namespace ui
