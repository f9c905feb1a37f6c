// "Clear APP Data" removes the privileged agent and its capture server: the
// agent's own "uninstall" run with root rights.
#pragma once

namespace zd::desktop
{

// The agent of the engine's package (installed in its libexec folder).
constexpr const char* kAgentProgramName = "plugwarden";

// Runs "plugwarden uninstall" as root: directly when the engine already runs
// as root, else through polkit's pkexec, which asks the desktop's
// authentication agent for an administrator. Waits for its end. True when
// the agent and its servers are gone; false when refused, cancelled, not
// possible here or failed, each with a log line.
bool removeAgentAsRoot();

} // namespace zd::desktop
