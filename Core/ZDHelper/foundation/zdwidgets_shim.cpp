#include "zdwidgets_shim.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

ShimGlobalParams g_Global;
CPublic g_Public;

QString getLang(unsigned int, const QString& def, const QString&, const QString&, const QString&)
{
    QString s = def;
    return s.replace('^', '\n');
}

QByteArray CPublic::ReadQSSFile(const QString& name)
{
    QFile f(QCoreApplication::applicationDirPath() + "/../Resources/qss/" + name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QWidget* AfxGetMainWindow()
{
    return nullptr;
}
