#include "relayserver.h"

#include "relayrequest.h"
#include "vazURIdav.h"
#include "zdrequestfolder.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace
{

volatile sig_atomic_t g_stopAsked = 0;
sem_t* volatile g_wakeUp = SEM_FAILED;

constexpr const char* kTestCameraName = "Test Pattern Camera";
constexpr const char* kTestMicrophoneName = "Test Tone Microphone";

bool named(const DEV_NAME& d, const std::string& text)
{
    return text == std::string(d.name, strnlen(d.name, sizeof d.name)) ||
           text == std::string(d.path, strnlen(d.path, sizeof d.path));
}

} // namespace

RelayServer::RelayServer(std::string serverName, std::string requestFolder, RelayLog& log)
    : m_serverName(std::move(serverName)), m_requestFolder(std::move(requestFolder)),
      m_semaphoreName(zdrelay::serverSemaphoreName()), m_log(log),
      m_pipes(m_requestFolder + "/" + kPipeLedgerFileName, log)
{
}

RelayServer::~RelayServer()
{
    shutdown();
}

void RelayServer::requestStop()
{
    g_stopAsked = 1;
    if (g_wakeUp != SEM_FAILED)
        ::sem_post(g_wakeUp);
}

bool RelayServer::openDevice()
{
    if (ZD_Initalize(&m_engine, "", "", "", "vidrelay", "1.0.0") != 1) {
        m_log.line("the engine did not start");
        return false;
    }
    DEV_NAME devices[ZD_MAX_DEVICES];
    int count = ZD_MAX_DEVICES;
    if (ZD_GetCaptureDevices(m_engine, devices, &count, 0) != 1)
        count = 0;
    const DEV_NAME* video = nullptr;
    const DEV_NAME* testCamera = nullptr;
    const DEV_NAME* testMicrophone = nullptr;
    for (int i = 0; i < count; ++i) {
        const DEV_NAME& d = devices[i];
        if (d.kind != ZD_DEVICE_KIND_AUDIO && !video && named(d, m_serverName))
            video = &d;
        if (std::strcmp(d.name, kTestCameraName) == 0)
            testCamera = &d;
        if (std::strcmp(d.name, kTestMicrophoneName) == 0)
            testMicrophone = &d;
    }
    DEV_NAME automatic = {};
    automatic.kind = ZD_DEVICE_KIND_AUDIO;
    const DEV_NAME* audio = &automatic;
    DEV_CAPACITY format = {};
    const DEV_CAPACITY* asked = nullptr;
    if (!video) {
        // The pattern at a size and rate that a pipe and OBS take easily.
        video = testCamera;
        audio = testMicrophone ? testMicrophone : &automatic;
        format.width = 1280;
        format.height = 720;
        format.fps = 30;
        asked = &format;
    }
    if (!video) {
        m_log.line("no capture device");
        return false;
    }
    const int opened = ZD_OpenDevice(m_engine, 0, nullptr, 1, 0, video, audio, asked, 0);
    if (opened != 1) {
        m_log.line("cannot open %s (%d)", video->name, opened);
        return false;
    }
    char description[ZD_TEXT_BUFFER_BYTES] = {};
    ZD_GetCurrentDeviceCapacity(m_engine, nullptr, description);
    m_log.line("serving %s", description);
    return true;
}

int RelayServer::run()
{
    // Pipes that a killed run left would block their names for good.
    m_pipes.removeLeftovers();
    if (!openDevice())
        return 1;
    // A stale name from an earlier run goes; the new one is made exclusively.
    ::sem_unlink(m_semaphoreName.c_str());
    m_semaphore = ::sem_open(m_semaphoreName.c_str(), O_CREAT | O_EXCL, 0660, 0);
    if (m_semaphore == SEM_FAILED) {
        m_log.line("cannot create the semaphore %s: %s", m_semaphoreName.c_str(),
                   std::strerror(errno));
        return 1;
    }
    zd_share_semaphore(m_semaphoreName.c_str(), m_requestFolder.c_str());
    g_wakeUp = m_semaphore;
    m_log.line("started for server %s (process %d)", m_serverName.c_str(),
               static_cast<int>(::getpid()));

    while (!g_stopAsked) {
        // A second at most, so that ended streams are cleared away.
        timespec until = {};
        ::clock_gettime(CLOCK_REALTIME, &until);
        until.tv_sec += 1;
        const int woken = ::sem_timedwait(m_semaphore, &until);
        reapFinished();
        if (woken == 0 && !g_stopAsked)
            readRequests();
    }
    m_log.line("stopping");
    shutdown();
    return 0;
}

void RelayServer::readRequests()
{
    serve(m_requestFolder + "/" + zdrelay::kVideoSourceRequestFile);
    serve(m_requestFolder + "/" + zdrelay::kAudioSourceRequestFile);
}

void RelayServer::serve(const std::string& file)
{
    zdrelay::RequestRecord request = {};
    uid_t owner = 0;
    std::string why;
    const RequestFile read = readRequestFile(file, request, owner, why);
    if (read == RequestFile::None)
        return;
    if (read == RequestFile::Refused) {
        m_log.line("request %s refused: %s", file.c_str(), why.c_str());
        return;
    }
    const std::string pipe = request.pipeName;
    for (auto it = m_streams.begin(); it != m_streams.end(); ++it) {
        if ((*it)->pipeName() != pipe)
            continue;
        if (request.command != zdrelay::kCommandStop)
            return;
        // Pipe names are easy to guess: only who asked for a stream ends it.
        if (owner != (*it)->requester()) {
            m_log.line("stop of %s refused: asked by user %u, started by user %u", pipe.c_str(),
                       static_cast<unsigned>(owner), static_cast<unsigned>((*it)->requester()));
            return;
        }
        m_log.line("stop %s", pipe.c_str());
        endStream(it); // stops the stream and removes its pipe
        return;
    }
    if (request.command != zdrelay::kCommandStart)
        return;
    if (m_streams.size() >= kMaxStreams) {
        m_log.line("request for %s refused: %zu streams run already", pipe.c_str(),
                   m_streams.size());
        return;
    }
    auto stream = std::make_unique<FrameStream>(m_engine, m_log, pipe, request.kind, owner);
    if (!stream->start())
        return;
    m_pipes.add(stream->path(), stream->device(), stream->inode());
    m_streams.push_back(std::move(stream));
}

void RelayServer::endStream(std::vector<std::unique_ptr<FrameStream>>::iterator stream)
{
    const std::string path = (*stream)->path();
    m_streams.erase(stream);
    m_pipes.remove(path);
}

void RelayServer::reapFinished()
{
    for (size_t i = m_streams.size(); i-- > 0;) {
        if (m_streams[i]->finished())
            endStream(m_streams.begin() + long(i));
    }
}

void RelayServer::shutdown()
{
    // Every stream ends with its end header and its pipe goes.
    m_streams.clear();
    m_pipes.discard();
    if (m_semaphore != SEM_FAILED) {
        g_wakeUp = SEM_FAILED;
        ::sem_close(m_semaphore);
        ::sem_unlink(m_semaphoreName.c_str());
        m_semaphore = SEM_FAILED;
    }
    if (m_engine) {
        ZD_CloseDevice(m_engine);
        ZD_Release(&m_engine);
    }
}
