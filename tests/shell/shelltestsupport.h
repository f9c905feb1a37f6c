// Helpers of the main-window tests: two offscreen screens of known size, the
// engine's call trace, and a spy that sees the bus messages a widget receives
// (and may swallow some, so that a test never runs a modal menu).
#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtTest>

#include "myevent.h"
#include "vazURIdav_test.h"
#include "zdenginetrace.h"
#include "zdmessagespy.h"

namespace shelltest
{

// Two screens side by side: A (0,0 1920x1080, primary) and B (1920,0
// 1280x1024). Must run before the application object is made, so it is
// called from a static initialiser of the test file.
inline bool useTwoOffscreenScreens()
{
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=" ZD_TEST_SOURCE_DIR
                                          "/tests/shell/offscreen-two-screens.json"));
    return true;
}

using zdtest::engineTrace;

using zdtest::traceLines;

using zdtest::MessageSpy;
using zdtest::SeenMessage;

} // namespace shelltest
