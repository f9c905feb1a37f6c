// TEMPORARY: stand-ins for the message bus until it is merged. Deleted before
// the branch is handed over.
#pragma once

#include <QEvent>
#include <QWidget>

QWidget* AfxGetMainWindow();

class MyEvent : public QEvent
{
public:
    MyEvent(unsigned long long m, long long w, long long l, void* p)
        : QEvent(QEvent::Type(2048)), msg(m), wParam(w), lParam(l), ptr(p)
    {
    }
    unsigned long long msg;
    long long wParam;
    long long lParam;
    void* ptr;
};
