// The agent's start step: the request file, its settings, and the start of
// the capture server or the USB listing.
#pragma once

#include <cstddef>

constexpr size_t kSettingBytes = 256; // at most 255 bytes and the terminator
constexpr size_t kRequestBytes = 2048;
constexpr const char* kUsbKeyword = "[enum_usb_drive]";
constexpr const char* kSemaphoreName = "sem_zd_vidrelay"; // and the instance tag
constexpr const char* kRequestFileName = "com.zd.vidrelay.conf";
constexpr const char* kLogFileName = "com.zd.vidrelay.log";

struct AgentSettings {
    char exepath[kSettingBytes]; // the program to start
    char srvname[kSettingBytes]; // its first argument, the server name
    char srvlog[kSettingBytes];  // its second argument, also the USB list file
    // What a request may name: the capture server beside the agent, and log
    // files directly inside the request folder.
    char ownServer[kSettingBytes];
    char requestFolder[kSettingBytes];
};

extern AgentSettings g_settings;

// Settings at start: the server beside argv0 ("/vidrelay" for a bare name),
// server name "12345", the log in the request folder. False when a path does
// not fit a setting.
bool InitAgentSettings(AgentSettings& settings, const char* argv0, const char* requestFolder);

// Puts the three request settings back to those at start.
bool ResetRequestSettings(AgentSettings& settings);

// The settings of one request: those at start, then the lines of its text
// (it ends at size bytes or a NUL). Values that do not fit, programs other
// than the own server and the USB keyword, and log files outside the request
// folder are refused: the setting keeps the start value and a line says why.
void ApplyRequestLines(AgentSettings& settings, const char* text, size_t size);

// Reads, applies and deletes the request file; false when there is none or it
// was refused.
bool Read_vidrelay_cfg();

// One start step.
void start_vidrelay();

// The request file's and the default log's paths.
const char* RequestFilePath();
const char* DefaultLogPath();

// Reaps the short-lived launcher processes as they end.
void InstallChildReaper();
