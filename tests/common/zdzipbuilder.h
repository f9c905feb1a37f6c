// Builds zip archives byte by byte for tests: local headers, data (stored,
// or deflated through Qt's zlib), central directory and end record, with
// knobs to write the lies a hostile archive tells.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdint>

namespace zdtest
{

inline uint32_t crc32Of(const QByteArray& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : data) {
        crc ^= static_cast<uint8_t>(ch);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

struct ZipItem {
    QByteArray name;
    QByteArray data;
    bool deflate = true;
    // Unix mode in the upper half of the external attributes (host Unix);
    // 0 writes an MS-DOS entry.
    uint32_t unixMode = 0100644;
    // Lies, when set.
    bool wrongCrc = false;
    int64_t declaredSize = -1;
    uint16_t flags = 0;
    uint16_t method = 0xFFFF; // 0xFFFF: from deflate
};

class ZipBuilder
{
public:
    ZipBuilder& add(const QByteArray& name, const QByteArray& data, bool deflate = true)
    {
        ZipItem item;
        item.name = name;
        item.data = data;
        item.deflate = deflate;
        items.append(item);
        return *this;
    }
    ZipBuilder& addDir(const QByteArray& name)
    {
        ZipItem item;
        item.name = name.endsWith('/') ? name : name + '/';
        item.deflate = false;
        item.unixMode = 040755;
        items.append(item);
        return *this;
    }
    ZipBuilder& addSymlink(const QByteArray& name, const QByteArray& target)
    {
        ZipItem item;
        item.name = name;
        item.data = target;
        item.deflate = false;
        item.unixMode = 0120777;
        items.append(item);
        return *this;
    }
    ZipBuilder& add(const ZipItem& item)
    {
        items.append(item);
        return *this;
    }

    QByteArray bytes() const
    {
        QByteArray out;
        QByteArray central;
        for (const ZipItem& item : items) {
            QByteArray stored = item.data;
            uint16_t method = item.method;
            if (method == 0xFFFF)
                method = item.deflate ? 8 : 0;
            if (method == 8) {
                // qCompress: 4-byte size, zlib header (2), raw deflate, adler32 (4).
                const QByteArray z = qCompress(item.data, 9);
                stored = z.mid(6, z.size() - 10);
            }
            const uint32_t crc = crc32Of(item.data) ^ (item.wrongCrc ? 1u : 0u);
            const uint32_t size =
                item.declaredSize >= 0 ? uint32_t(item.declaredSize) : uint32_t(item.data.size());
            const uint32_t offset = uint32_t(out.size());

            QByteArray local;
            put32(local, 0x04034b50);
            put16(local, 20);
            put16(local, item.flags);
            put16(local, method);
            put16(local, 0);
            put16(local, 0x21);
            put32(local, crc);
            put32(local, uint32_t(stored.size()));
            put32(local, size);
            put16(local, uint16_t(item.name.size()));
            put16(local, 0);
            local += item.name;
            out += local;
            out += stored;

            put32(central, 0x02014b50);
            put16(central, item.unixMode ? (3 << 8) | 20 : 20);
            put16(central, 20);
            put16(central, item.flags);
            put16(central, method);
            put16(central, 0);
            put16(central, 0x21);
            put32(central, crc);
            put32(central, uint32_t(stored.size()));
            put32(central, size);
            put16(central, uint16_t(item.name.size()));
            put16(central, 0);
            put16(central, 0);
            put16(central, 0);
            put16(central, 0);
            put32(central,
                  item.unixMode ? item.unixMode << 16 : (item.name.endsWith('/') ? 0x10u : 0x20u));
            put32(central, offset);
            central += item.name;
        }
        const uint32_t centralOffset = uint32_t(out.size());
        out += central;
        put32(out, 0x06054b50);
        put16(out, 0);
        put16(out, 0);
        put16(out, uint16_t(items.size()));
        put16(out, uint16_t(items.size()));
        put32(out, uint32_t(central.size()));
        put32(out, centralOffset);
        put16(out, uint16_t(comment.size()));
        out += comment;
        return out;
    }

    bool write(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(bytes()) == bytes().size();
    }

    QList<ZipItem> items;
    QByteArray comment;

private:
    static void put16(QByteArray& b, uint16_t v)
    {
        b.append(char(v & 0xFF));
        b.append(char(v >> 8));
    }
    static void put32(QByteArray& b, uint32_t v)
    {
        put16(b, uint16_t(v & 0xFFFF));
        put16(b, uint16_t(v >> 16));
    }
};

} // namespace zdtest
