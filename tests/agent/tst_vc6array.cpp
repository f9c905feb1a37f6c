// The agent's arrays: growth steps per element kind, inserting and removing,
// strings owned by their array, and checks that refuse without acting.
#include "enum_usb_device.h"
#include "vc6array.h"

#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace
{

// Standard output of a piece of code, where the arrays print their checks.
template <typename F> QByteArray printedBy(F code)
{
    std::fflush(stdout);
    char path[] = "/tmp/vc6outXXXXXX";
    const int fd = mkstemp(path);
    const int saved = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    code();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    QByteArray out;
    lseek(fd, 0, SEEK_SET);
    char buffer[256];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, int(n));
    close(fd);
    unlink(path);
    return out;
}

} // namespace

class TstVc6Array : public QObject
{
    Q_OBJECT

private slots:
    void growthSteps_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("growBy");
        QTest::addColumn<int>("capacity");
        QTest::newRow("a hundred, automatic") << 100 << 0 << 112;
        QTest::newRow("small, automatic") << 10 << 0 << 14;
        QTest::newRow("31, automatic") << 31 << 0 << 35;
        QTest::newRow("32, automatic") << 32 << 0 << 36;
        QTest::newRow("given step") << 10 << 50 << 60;
    }
    void growthSteps()
    {
        QFETCH(int, size);
        QFETCH(int, growBy);
        QFETCH(int, capacity);
        CDWordArray a;
        a.SetSize(size, growBy);
        QCOMPARE(a.GetCapacity(), size);
        a.Add(7);
        QCOMPARE(a.GetSize(), size + 1);
        QCOMPARE(a.GetCapacity(), capacity);
        QCOMPARE(a.GetAt(size - 1), 0u);
        QCOMPARE(a.GetAt(size), 7u);
        a.FreeExtra();
        QCOMPARE(a.GetCapacity(), size + 1);
    }

    void deviceArrayGrowth_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("capacity");
        QTest::newRow("20 grows by 4") << 20 << 24;
        QTest::newRow("800 grows by 100") << 800 << 900;
        QTest::newRow("20000 grows by 1024") << 20000 << 21024;
    }
    void deviceArrayGrowth()
    {
        QFETCH(int, size);
        QFETCH(int, capacity);
        CUSBDevArray a;
        a.SetSize(size);
        USBDevAddress r;
        r.vid = 0x1234;
        r.path = "path_x";
        a.SetAtGrow(size, r);
        QCOMPARE(a.GetCapacity(), capacity);
        QCOMPARE(a.ElementAt(size).path.GetPtr(), "path_x");
        // New records are zero with empty strings.
        QCOMPARE(a.ElementAt(size - 1).vid, uint16_t(0));
        QCOMPARE(a.ElementAt(size - 1).path.GetPtr(), "");
        a.RemoveAt(0, size);
        QCOMPARE(a.GetSize(), 1);
        QCOMPARE(a.ElementAt(0).vid, uint16_t(0x1234));
    }

    void insertBeyondTheEnd()
    {
        CByteArray a;
        for (uint8_t v : {1, 2, 3})
            a.Add(v);
        a.InsertAt(5, 9, 2);
        QCOMPARE(a.GetSize(), 7);
        const uint8_t expected[] = {1, 2, 3, 0, 0, 9, 9};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(a.GetAt(i), expected[i]);
    }

    void insertAndRemoveInside()
    {
        CWordArray a;
        for (uint16_t v : {1, 2, 3, 4})
            a.Add(v);
        a.InsertAt(1, 7, 3);
        QCOMPARE(a.GetSize(), 7);
        const uint16_t after[] = {1, 7, 7, 7, 2, 3, 4};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(a.GetAt(i), after[i]);
        a.RemoveAt(2, 3);
        QCOMPARE(a.GetSize(), 4);
        const uint16_t left[] = {1, 7, 3, 4};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(a.GetAt(i), left[i]);
        CWordArray other;
        other.Add(5);
        other.Add(6);
        a.InsertAt(0, &other);
        QCOMPARE(a.GetSize(), 6);
        QCOMPARE(a.GetAt(0), uint16_t(5));
        QCOMPARE(a.GetAt(1), uint16_t(6));
        a.InsertAt(2, &a);
        QCOMPARE(a.GetSize(), 12);
        QCOMPARE(a.GetAt(2), uint16_t(5));
        QCOMPARE(a.GetAt(8), uint16_t(1));
    }

    void stringsBelongToTheirArray()
    {
        CStringArray a;
        a.Add("one");
        a.Add(CString("two"));
        a.InsertEmpty(1, 2);
        QCOMPARE(a.GetSize(), 4);
        QCOMPARE(a.GetAt(1).GetPtr(), "");
        QCOMPARE(a.GetAt(3).GetPtr(), "two");
        // Adding an element of the array itself while the storage grows.
        for (int i = 0; i < 40; ++i)
            a.Add(a.ElementAt(0));
        QCOMPARE(a.GetAt(43).GetPtr(), "one");
        CStringArray b;
        b.Copy(a);
        a.SetAt(0, "changed");
        QCOMPARE(b.GetAt(0).GetPtr(), "one");
        QCOMPARE(b.Append(a), 44);
        QCOMPARE(b.GetSize(), 88);
        QCOMPARE(b.GetAt(44).GetPtr(), "changed");
        b.RemoveAt(0, 80);
        b.RemoveAll();
        QCOMPARE(b.GetSize(), 0);
        QCOMPARE(b.GetData(), static_cast<CString*>(nullptr));
    }

    void failedChecksDoNothing_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("negative size") << 0;
        QTest::newRow("SetAt outside") << 1;
        QTest::newRow("RemoveAt past the end") << 2;
        QTest::newRow("RemoveAt count 0") << 3;
        QTest::newRow("InsertAt negative") << 4;
        QTest::newRow("Append itself") << 5;
        QTest::newRow("Copy itself") << 6;
        QTest::newRow("InsertAt null array") << 7;
        QTest::newRow("write through a bad index") << 8;
        QTest::newRow("SetAtGrow negative") << 9;
    }
    void failedChecksDoNothing()
    {
        QFETCH(int, which);
        CStringArray a;
        a.Add("a");
        a.Add("b");
        const QByteArray out = printedBy([&] {
            switch (which) {
            case 0:
                a.SetSize(-1);
                break;
            case 1:
                a.SetAt(2, "x");
                break;
            case 2:
                a.RemoveAt(1, 2);
                break;
            case 3:
                a.RemoveAt(0, 0);
                break;
            case 4:
                a.InsertAt(-1, CString("x"));
                break;
            case 5:
                a.Append(a);
                break;
            case 6:
                a.Copy(a);
                break;
            case 7:
                a.InsertAt(0, nullptr);
                break;
            case 8:
                a[5] = "x";
                break;
            case 9:
                a.SetAtGrow(-3, "x");
                break;
            }
        });
        QCOMPARE(out, QByteArray("_assert failed!\n"));
        QCOMPARE(a.GetSize(), 2);
        QCOMPARE(a.GetAt(0).GetPtr(), "a");
        QCOMPARE(a.GetAt(1).GetPtr(), "b");
    }
};

QTEST_APPLESS_MAIN(TstVc6Array)
#include "tst_vc6array.moc"
