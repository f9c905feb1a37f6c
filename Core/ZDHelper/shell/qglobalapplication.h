// The application object: watches every mouse event of the program and
// reports it to the main window's mouse routing, without consuming it.
#pragma once

#include <QApplication>
#include <functional>

class GlobalApplication : public QApplication
{
    Q_OBJECT
public:
    // kind: 1 move, 2 wheel, 3 left press, 4 left release, 5 other press,
    // 6 other release; a, b: global position (wheel: pixel delta); x, y:
    // position in the receiver.
    using MouseReporter = std::function<void(int kind, int a, int b, int x, int y)>;

    GlobalApplication(int& argc, char** argv);
    ~GlobalApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;
    // Whether a press or release is a further delivery, to another receiver,
    // of one already seen at the same global position.
    bool IsDoubleCall(int x, int y, void* receiver);

    // The main window hands in its mouse routing; reports are made only while
    // a main window exists.
    void setMouseReporter(MouseReporter reporter);

private:
    void report(int kind, int a, int b, int x, int y);

    int m_lastButtons = 0;
    int m_lastGlobalX = 0;
    int m_lastGlobalY = 0;
    void* m_lastReceiver = nullptr;
    MouseReporter m_reporter;
};

// Installed for SIGPIPE, so that a write to a closed pipe or socket fails
// with an error instead of ending the process.
void handle_PIPE_SIG(int);

// The engine's report callback: a report becomes a bus message, queued when
// sync is 0, delivered at once (on the engine's thread) otherwise.
void zd_message_callback(int sync, void* target, unsigned int msg, unsigned long wParam,
                         long long lParam, void* ptr, void* user);
