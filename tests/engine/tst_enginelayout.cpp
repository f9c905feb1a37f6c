// The records that cross the engine boundary have one layout, byte for byte,
// in C++ and in C.
#include "vazURIdav.h"
#include "zdtestmain.h"

#include <QCoreApplication>

extern "C" size_t zd_c_layout(int which);

class TstEngineLayout : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<qulonglong>("cxx");
        QTest::addColumn<qulonglong>("expected");
        int i = 0;
        auto row = [&i](const char* name, size_t cxx, size_t expected) {
            QTest::newRow(name) << i++ << qulonglong(cxx) << qulonglong(expected);
        };
        row("DEV_NAME", sizeof(DEV_NAME), 1284);
        row("DEV_NAME.path", offsetof(DEV_NAME, path), 256);
        row("DEV_NAME.kind", offsetof(DEV_NAME, kind), 1280);
        row("DEV_CAPACITY", sizeof(DEV_CAPACITY), 88);
        row("DEV_CAPACITY.fourcc", offsetof(DEV_CAPACITY, fourcc), 12);
        row("DEV_CAPACITY.codecName", offsetof(DEV_CAPACITY, codecName), 16);
        row("DEV_CAPACITY.fpsChoices", offsetof(DEV_CAPACITY, fpsChoices), 80);
        row("VIDEOAMPITEM", sizeof(VIDEOAMPITEM), 17);
        row("VIDEOAMPITEM.automatic", offsetof(VIDEOAMPITEM, automatic), 16);
        row("VIDEOAMPVALUE", sizeof(VIDEOAMPVALUE), 170);
        row("LIVEPIP_PARAMTERS", sizeof(LIVEPIP_PARAMTERS), 4136);
        row("LIVEPIP_PARAMTERS.owner", offsetof(LIVEPIP_PARAMTERS, owner), 28);
        row("LIVEPIP_PARAMTERS.volume", offsetof(LIVEPIP_PARAMTERS, volume), 36);
        row("LIVEPIP_PARAMTERS.kindBlock", offsetof(LIVEPIP_PARAMTERS, kindBlock), 40);
        row("SOURCE_INFO_4K30", sizeof(SOURCE_INFO_4K30), 16);
        row("SOURCE_INFO_4K30.height", offsetof(SOURCE_INFO_4K30, height), 2);
        row("SOURCE_INFO_4K30.width", offsetof(SOURCE_INFO_4K30, width), 4);
        row("SOURCE_INFO_4K30.bitDepth", offsetof(SOURCE_INFO_4K30, bitDepth), 6);
        row("SOURCE_INFO_4K30.fps", offsetof(SOURCE_INFO_4K30, fps), 7);
        row("SOURCE_INFO_4K30.hdr", offsetof(SOURCE_INFO_4K30, hdr), 9);
        row("RTMPSERVERPARAM", sizeof(RTMPSERVERPARAM), 1320);
        row("RTMPSERVERPARAM.name", offsetof(RTMPSERVERPARAM, name), 1024);
        row("RTMPSERVERPARAM.owner", offsetof(RTMPSERVERPARAM, owner), 1280);
        row("RTMPSERVERPARAM.connected", offsetof(RTMPSERVERPARAM, connected), 1292);
        row("RTMPSERVERPARAM.bytes", offsetof(RTMPSERVERPARAM, bytes), 1308);
        row("RTMPSERVERPARAM.serverId", offsetof(RTMPSERVERPARAM, serverId), 1316);
        row("POPUP_AD_DATA", sizeof(POPUP_AD_DATA), 1068);
        row("POPUP_AD_DATA.show", offsetof(POPUP_AD_DATA, show), 4);
        row("POPUP_AD_DATA.closeDelaySecs", offsetof(POPUP_AD_DATA, closeDelaySecs), 12);
        row("POPUP_AD_DATA.url", offsetof(POPUP_AD_DATA, url), 44);
        row("ZD_WINDOW_ID", sizeof(ZD_WINDOW_ID), sizeof(void*));
    }
    void layout()
    {
        QFETCH(int, index);
        QFETCH(qulonglong, cxx);
        QFETCH(qulonglong, expected);
        QCOMPARE(cxx, expected);
        QCOMPARE(qulonglong(zd_c_layout(index)), expected);
    }

    // The fourcc code holds the characters in memory order.
    void fourccByteOrder()
    {
        DEV_CAPACITY c{};
        c.fourcc = 0x32595559u;
        const char* bytes = reinterpret_cast<const char*>(&c) + offsetof(DEV_CAPACITY, fourcc);
        QCOMPARE(QByteArray(bytes, 4), QByteArray("YUY2"));
    }
};

ZD_TEST_MAIN(TstEngineLayout, QCoreApplication)
#include "tst_enginelayout.moc"
