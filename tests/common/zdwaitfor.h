// Waiting for a condition that another process or thread makes true, with a
// margin that a loaded machine keeps: true once cond holds, false when the
// time ran out.
#pragma once

#include <QElapsedTimer>
#include <QThread>

namespace zdtest
{

template <typename Cond> bool waitFor(Cond cond, int timeoutMs = 15000, int pollMs = 10)
{
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QThread::msleep(static_cast<unsigned long>(pollMs));
    }
    return true;
}

} // namespace zdtest
