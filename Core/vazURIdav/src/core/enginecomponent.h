// A per-handle part of the engine that a module attaches to the engine
// object (recorder, live output, share server, filters...). The engine
// stops its components when the handle is released, newest first and before
// the report thread ends, then destroys them.
#pragma once

namespace zd
{

// Flags of ZD_CheckState that components own.
struct EngineFlags {
    int recording = 0;
    int gif = 0;
    int living = 0;
};

class EngineComponent
{
public:
    virtual ~EngineComponent() = default;
    // Ends every thread of the component; reports made from here on are
    // dropped. Called once, on the thread that releases the handle.
    virtual void stop() {}
    // Adds the component's part of the engine state.
    virtual void addFlags(EngineFlags&) const {}
};

} // namespace zd
