// Start-up and shut-down of the shared state: the engine handle, the settings
// object over setting.ini and the five shared stores held in g_Global.
#pragma once

// Edition hook called first by the program entry; this edition defines
// nothing.
void OEM_define();

// Brings up the engine, reads setting.ini and makes and loads the five
// stores; called once before the first window is built.
void InitGlobalSettings();
// Saves setting.ini, frees the stores (the files list and the server list
// save themselves), logs the exit line and releases the engine; called once
// after the event loop has returned.
void ReleaseGlobalSettings();

// Usage statistics: the launch calls, and the two closing calls.
void GA_Init();
void GA_Release();
