// Receivers of engine reports that may go away before their report comes (a
// dialog that asked for a network search and was closed). Such a receiver
// registers for its lifetime; the engine callback delivers a report meant for
// one only while it is registered, so a late report never reaches a
// destroyed object. The check and the posting happen under one lock, which
// the receiver's destructor also takes: once it has unregistered, no new
// report is queued for it, and Qt drops those already queued with the object.
#pragma once

#include <QObject>

class EngineReceivers
{
public:
    static void add(QObject* receiver);
    static void remove(QObject* receiver);
    static bool contains(const QObject* receiver);
    // Posts the report when receiver is registered; false otherwise.
    static bool postIfRegistered(QObject* receiver, unsigned long msg, long wParam,
                                 long long lParam, void* ptr);
};
