// The ordered filter chain of one capture source, kept in the engine and in
// <cache folder>/<key>.filter.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include "filteritem.h"

class QMyFilters : public QObject
{
    Q_OBJECT
public:
    explicit QMyFilters(const QString& devName, QObject* parent = nullptr);
    ~QMyFilters() override;

    int GetIdxByFID(uint32_t id) const;
    FILTERITEM* getFilter(uint32_t id);
    int addFilter(const FILTERITEM& item);
    void DelFilter(uint32_t id);
    // Both return whether the engine took the change; a filter the chain
    // does not hold is not sent and counts as refused.
    bool EditFilter(uint32_t id, const FILTERITEM* item);
    bool EnableFilter(uint32_t id, bool on);
    void setPipDevName(const QString& name);
    bool loadDeviceFilters();
    bool saveDeviceFilters();
    void ApplyAllFilters();

    // An id for a new filter: the tick count, moved on while it is the
    // "all filters" id or already in the chain.
    uint32_t NewFilterId() const;
    QString filePath() const;

    // The file's bytes of a chain, and the reverse: records after the count,
    // up to the count or the last whole record.
    static QByteArray SerializeFilters(const QList<FILTERITEM>& list);
    static QList<FILTERITEM> ParseFilters(const QByteArray& bytes);

    QString devName;
    QList<FILTERITEM> filterList;
    char pipDevName[256] = {};
    const char* pip = nullptr;
};
