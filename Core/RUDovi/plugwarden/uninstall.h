// "plugwarden uninstall": the agent and the capture servers of this
// installation stop, and what they keep in the request folder goes, so that
// nothing of them runs or waits for requests afterwards.
#pragma once

// Stops the system service (when this is the machine's own, untagged agent
// run by root under systemd, which also keeps it from starting at boot), then
// every other agent and every capture server of this program folder, user and
// tag: asked to end, killed when they do not. Then removes the agent's
// semaphore, and the servers' when it is this user's. False, with a line on
// standard error, when one of them still runs.
bool StopAgentsAndServers(const char* agentSemaphore);

// The request file, the default log, and the capture server's lock file and
// pipe list when they are plain files of this user: what the agent and the
// servers leave in the request folder.
void RemoveRequestFolderFiles();
