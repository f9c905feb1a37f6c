// The store of every source's filter chain, one chain per source key.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "qmyfilters.h"

class QMyFilterHelper : public QObject
{
    Q_OBJECT
public:
    explicit QMyFilterHelper(QObject* parent = nullptr);
    ~QMyFilterHelper() override;

    // The chain of exactly that key, made empty on first use; never null.
    QMyFilters* getDeviceFilters(const QString& key);

    QList<QMyFilters*> deviceFilters;
};
