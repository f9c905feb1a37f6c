// The hardware-encoder test, the kept test results and the encoder list.
#include "enginetestsupport.h"
#include "zdtestmain.h"

#include <QFileInfo>

namespace
{

struct Outputs {
    int result = 7;
    int a = 7;
    int b = 7;
};

Outputs runTest(int kind, bool withAB = true)
{
    Outputs o;
    ZD_TestHWData(kind, &o.result, withAB ? &o.a : nullptr, withAB ? &o.b : nullptr);
    return o;
}

bool isFlag(int v)
{
    return v == 0 || v == 1;
}

} // namespace

class TstEngineEncoders : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ZDT_ClearScript(nullptr); }

    void everyKindWritesAFlagIntoEachOutput_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind = 1; kind <= 6; ++kind)
            QTest::addRow("kind %d", kind) << kind;
    }

    void everyKindWritesAFlagIntoEachOutput()
    {
        QFETCH(int, kind);
        const Outputs o = runTest(kind);
        QVERIFY2(isFlag(o.result), qPrintable(QString::number(o.result)));
        if (kind <= 4) {
            QVERIFY(isFlag(o.a));
            QVERIFY(isFlag(o.b));
        } else {
            // Kinds 5 and 6 have a result only; a and b are cleared.
            QCOMPARE(o.a, 0);
            QCOMPARE(o.b, 0);
        }
        // The application passes null for a and b of kinds 5 and 6.
        const Outputs single = runTest(kind, false);
        QCOMPARE(single.result, o.result);
        QCOMPARE(single.a, 7);
        QCOMPARE(single.b, 7);
    }

    void unknownKindReportsNothingAvailable()
    {
        for (int kind : {0, 7, -1}) {
            const Outputs o = runTest(kind);
            QCOMPARE(o.result, 0);
            QCOMPARE(o.a, 0);
            QCOMPARE(o.b, 0);
        }
        QCOMPARE(ZD_TestHWData(1, nullptr, nullptr, nullptr), 1);
    }

    // A hardware encoder that FFmpeg knows must still find its device.
    void vaapiWithoutDeviceIsNotAvailable()
    {
        if (QFileInfo::exists("/dev/dri"))
            QSKIP("this machine has a DRM device; VA-API may really work here");
        QCOMPARE(runTest(1).result, 0);
        QCOMPARE(runTest(2).result, 0);
        QCOMPARE(runTest(3).result, 0);
        QCOMPARE(runTest(4).result, 0);
    }

    void scriptedKindWritesItsValueWithoutTesting()
    {
        ZDT_ScriptResult("ZD_TestHWData.2", 1);
        Outputs o = runTest(2);
        QCOMPARE(o.result, 1);
        QCOMPARE(o.a, 1);
        QCOMPARE(o.b, 1);
        ZDT_ScriptResult("ZD_TestHWData.6", 0);
        QCOMPARE(runTest(6, false).result, 0);
        // Other kinds still test.
        QVERIFY(isFlag(runTest(5, false).result));
    }

    // The software H.264 encoder passes its test exactly when the encoder
    // list offers it (id 0), since both ask this machine's FFmpeg.
    void softwareTestAgreesWithTheEncoderList()
    {
        void* h = initEngine("encoders");
        QVERIFY(h);
        char buffers[ZD_ENCODER_LIST_SLOTS][ZD_ENCODER_NAME_BYTES] = {};
        char* names[ZD_ENCODER_LIST_SLOTS];
        for (int i = 0; i < ZD_ENCODER_LIST_SLOTS; ++i)
            names[i] = buffers[i];
        int ids[ZD_ENCODER_LIST_SLOTS] = {};
        const int n = ZD_GetEncodeH264EngineList(h, names, ids);
        bool listed = false;
        for (int i = 0; i < n; ++i)
            listed = listed || ids[i] == 0;
        QCOMPARE(runTest(5, false).result, listed ? 1 : 0);
        ZD_Release(&h);
    }

    void setHWDataTakesTheFourSlots()
    {
        ZDT_ClearTrace();
        QCOMPARE(ZD_SetHWData(1, 0, 1, 0), 1);
        QVERIFY(engineTrace().contains("ZD_SetHWData(1,0,1,0)\n"));
    }

    void noMadVR() { QCOMPARE(ZD_IsmadVR_isValid(), 0); }
};

ZD_TEST_MAIN(TstEngineEncoders, QCoreApplication)
#include "tst_engineencoders.moc"

#if defined(__SANITIZE_ADDRESS__)
// libx265 keeps one small block per bit depth to the end of the process; the
// leak is the library's, not the encoder test's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\n";
}
#endif
