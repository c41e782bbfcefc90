#pragma once

namespace qv::StopSignals {

// SIGINT, SIGTERM and SIGHUP stop a scan the way Stop does: the first only sets caught(), which
// the program polls from its loop; a second ends the process at once with status 128 + signal.
void install();
// The first stop signal's number, or 0.
int caught();
// "SIGINT", "SIGTERM", "SIGHUP", else "signal N".
const char* name(int signal);

} // namespace qv::StopSignals
