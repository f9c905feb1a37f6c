// The engine's call trace as the tests read it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "vazURIdav_test.h"

namespace zdtest
{

inline QString engineTrace()
{
    const int n = ZDT_ReadTrace(nullptr, 0);
    QByteArray buffer(n + 1, '\0');
    ZDT_ReadTrace(buffer.data(), int(buffer.size()));
    return QString::fromUtf8(buffer.constData());
}

// Trace lines that start with prefix.
inline QStringList traceLines(const QString& prefix)
{
    QStringList lines;
    for (const QString& line : engineTrace().split('\n')) {
        if (line.startsWith(prefix))
            lines << line;
    }
    return lines;
}

} // namespace zdtest
