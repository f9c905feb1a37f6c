#include "qmyfilterhelper.h"

QMyFilterHelper::QMyFilterHelper(QObject* parent) : QObject(parent) {}

QMyFilterHelper::~QMyFilterHelper()
{
    qDeleteAll(deviceFilters);
    deviceFilters.clear();
}

QMyFilters* QMyFilterHelper::getDeviceFilters(const QString& key)
{
    for (QMyFilters* chain : deviceFilters) {
        if (chain->devName == key)
            return chain;
    }
    auto* chain = new QMyFilters(key);
    deviceFilters.append(chain);
    return chain;
}
