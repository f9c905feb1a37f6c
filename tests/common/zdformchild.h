// A control of a form found by its object name. A form without it is a fault
// of the form, and the test cannot go on: it ends with the name.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace zdtest
{

template <typename T> T* child(const QObject* form, const char* name)
{
    T* found = form->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s in %s", name, qPrintable(form->objectName()));
    return found;
}

} // namespace zdtest
