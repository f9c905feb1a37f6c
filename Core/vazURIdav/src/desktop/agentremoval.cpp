#include "desktop/agentremoval.h"

#include "core/log.h"
#include "desktop/openwithdesktop.h"

#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace zd::desktop
{

namespace
{

// pkexec's own statuses: the authentication was dismissed or refused (126),
// or no authentication agent could ask (127).
constexpr int kPkexecRefused = 126;
constexpr int kPkexecNoAuthentication = 127;

// The agent of this engine: installed, in the package's libexec folder
// (ZD_AGENT_FROM_ENGINE from the engine's library folder); in the build tree,
// beside the engine in bin/. pkexec wants an absolute path without "..", and
// the polkit action names the installed one.
std::string agentProgram()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&removeAgentAsRoot), &info) == 0 || !info.dli_fname)
        return {};
    char resolved[4096];
    if (!realpath(info.dli_fname, resolved))
        return {};
    std::string folder(resolved);
    folder.resize(folder.rfind('/'));
    for (const std::string& candidate : {folder + "/" ZD_AGENT_FROM_ENGINE "/" + kAgentProgramName,
                                         folder + "/" + kAgentProgramName}) {
        if (realpath(candidate.c_str(), resolved) && access(resolved, X_OK) == 0)
            return resolved;
    }
    return {};
}

} // namespace

bool removeAgentAsRoot()
{
    const std::string agent = agentProgram();
    if (agent.empty()) {
        Log::write(8, "Agent removal: no %s in this engine's package", kAgentProgramName);
        return false;
    }
    std::vector<std::string> args{agent, "uninstall"};
    if (geteuid() != 0) {
        const std::string pkexec = findProgram("pkexec");
        if (pkexec.empty()) {
            Log::write(8, "Agent removal: pkexec (polkit) is not installed, so root rights "
                          "cannot be asked for");
            return false;
        }
        args.insert(args.begin(), pkexec);
    }
    const int status = runProgram(args);
    if (status == 0) {
        Log::write(2, "Agent removal: %s uninstall done", agent.c_str());
        return true;
    }
    if (args.front() != agent && (status == kPkexecRefused || status == kPkexecNoAuthentication))
        Log::write(2, "Agent removal: root rights refused or not asked for (pkexec status %d)",
                   status);
    else
        Log::write(8, "Agent removal: %s uninstall failed (status %d)", agent.c_str(), status);
    return false;
}

} // namespace zd::desktop
