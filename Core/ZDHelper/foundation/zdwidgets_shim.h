// TEMPORARY: stand-ins for the foundation module until it is merged. Deleted
// before the branch is handed over.
#pragma once

#include <QByteArray>
#include <QEvent>
#include <QString>
#include <QWidget>

#define APP_NAME "Veltrano Helper"

struct ShimGlobalParams {
    QString fontName = "SF Mono";
};
extern ShimGlobalParams g_Global;

QString getLang(unsigned int id, const QString& def, const QString& v1 = QString(),
                const QString& v2 = QString(), const QString& v3 = QString());

class CPublic
{
public:
    static QByteArray ReadQSSFile(const QString& name);
};
extern CPublic g_Public;

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
