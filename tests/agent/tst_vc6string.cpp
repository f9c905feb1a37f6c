// The agent's own string: construction, search, case, cutting, replacing and
// formatting, with the soft argument checks it has always had.
#include "vc6string.h"

#include <QtTest>

class TstVc6String : public QObject
{
    Q_OBJECT

private slots:
    void construction()
    {
        QCOMPARE(CString().GetPtr(), "");
        QVERIFY(CString().IsEmpty());
        QCOMPARE(CString(nullptr).GetPtr(), "");
        CString a("abc");
        CString b(a);
        a.SetAt(0, 'x');
        QCOMPARE(b.GetPtr(), "abc");
        b = b;
        QCOMPARE(b.GetPtr(), "abc");
        // Assigning a piece of its own text.
        b = b.GetPtr() + 1;
        QCOMPARE(b.GetPtr(), "bc");
        b += b;
        QCOMPARE(b.GetPtr(), "bcbc");
        QCOMPARE((CString("ab") + CString("cd")).GetPtr(), "abcd");
        b.Empty();
        QCOMPARE(b.GetLength(), 0);
    }

    void find_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<char>("c");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("found");
        QTest::addColumn<int>("reverse");
        QTest::newRow("slash in /a/b") << QByteArray("/a/b") << '/' << 0 << 0 << 2;
        QTest::newRow("slash in /ab") << QByteArray("/ab") << '/' << 0 << 0 << 0;
        QTest::newRow("after start") << QByteArray("/a/b") << '/' << 1 << 2 << 2;
        QTest::newRow("start at the end") << QByteArray("abc") << 'c' << 3 << -1 << 2;
        QTest::newRow("none") << QByteArray("abc") << 'x' << 0 << -1 << -1;
        QTest::newRow("empty text") << QByteArray("") << 'x' << 0 << -1 << -1;
    }
    void find()
    {
        QFETCH(QByteArray, text);
        QFETCH(char, c);
        QFETCH(int, start);
        QFETCH(int, found);
        QFETCH(int, reverse);
        const CString s(text.constData());
        QCOMPARE(s.Find(c, start), found);
        QCOMPARE(s.ReverseFind(c), reverse);
    }

    void findText()
    {
        const CString s("name=path=x");
        QCOMPARE(s.Find("path="), 5);
        QCOMPARE(s.Find("log="), -1);
        QCOMPARE(s.Find(""), 0);
    }

    void cutting_data()
    {
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<QByteArray>("expected");
        const CString s("abcd");
        QTest::newRow("Left(0)") << QByteArray(s.Left(0).GetPtr()) << QByteArray("");
        QTest::newRow("Right(0)") << QByteArray(s.Right(0).GetPtr()) << QByteArray("");
        QTest::newRow("Left(-1)") << QByteArray(s.Left(-1).GetPtr()) << QByteArray("");
        QTest::newRow("Right(-1)") << QByteArray(s.Right(-1).GetPtr()) << QByteArray("");
        QTest::newRow("Left(9)") << QByteArray(s.Left(9).GetPtr()) << QByteArray("abcd");
        QTest::newRow("Right(4)") << QByteArray(s.Right(4).GetPtr()) << QByteArray("abcd");
        QTest::newRow("Right(2)") << QByteArray(s.Right(2).GetPtr()) << QByteArray("cd");
        QTest::newRow("Mid(2)") << QByteArray(s.Mid(2).GetPtr()) << QByteArray("cd");
        QTest::newRow("Mid(-3,2)") << QByteArray(s.Mid(-3, 2).GetPtr()) << QByteArray("ab");
        QTest::newRow("Mid(1,-2)") << QByteArray(s.Mid(1, -2).GetPtr()) << QByteArray("");
        QTest::newRow("Mid(3,9)") << QByteArray(s.Mid(3, 9).GetPtr()) << QByteArray("d");
        QTest::newRow("Mid(9)") << QByteArray(s.Mid(9).GetPtr()) << QByteArray("");
    }
    void cutting()
    {
        QFETCH(QByteArray, result);
        QFETCH(QByteArray, expected);
        QCOMPARE(result, expected);
    }

    void caseAndComparison()
    {
        QCOMPARE(CString("ABC").CompareNoCase("abc"), 0);
        QCOMPARE(CString("abc").CompareNoCase("abcd"), 255);
        QCOMPARE(CString("abcd").CompareNoCase("abc"), 255);
        QVERIFY(CString("Plugwarden") == "PLUGWARDEN");
        QVERIFY(CString("a") != CString("b"));
        // Only ASCII letters fold.
        QCOMPARE(CString("\xc3\x84").CompareNoCase("\xc3\xa4"), 255);
        CString s("MiXed-1\xc3\x84");
        s.MakeUpper();
        QCOMPARE(s.GetPtr(), "MIXED-1\xc3\x84");
        s.MakeLower();
        QCOMPARE(s.GetPtr(), "mixed-1\xc3\x84");
    }

    void characters()
    {
        CString s("abc");
        QCOMPARE(s.GetAt(1), 'b');
        QCOMPARE(s.GetAt(3), char(0xFF));
        QCOMPARE(s.GetAt(-1), char(0xFF));
        QCOMPARE(s.SetAt(5, 'x'), 3);
        QCOMPARE(s.GetPtr(), "abc");
        QCOMPARE(s.SetAt(2, 'x'), 3);
        QCOMPARE(s.GetPtr(), "abx");
    }

    void replacing()
    {
        CString s("a.b.c");
        QCOMPARE(s.Replace('.', '.'), 0);
        QCOMPARE(s.Replace('.', '/'), 2);
        QCOMPARE(s.GetPtr(), "a/b/c");
        CString t("aaaa");
        // Left to right without overlaps.
        QCOMPARE(t.Replace("aa", "b"), 2);
        QCOMPARE(t.GetPtr(), "bb");
        CString u("x--y--");
        QCOMPARE(u.Replace("--", "+++"), 8);
        QCOMPARE(u.GetPtr(), "x+++y+++");
    }

    void trimming()
    {
        CString s("//a/b//");
        s.TrimLeft('/');
        QCOMPARE(s.GetPtr(), "a/b//");
        s.TrimRight('/');
        QCOMPARE(s.GetPtr(), "a/b");
        CString only("////");
        only.TrimRight('/');
        QVERIFY(only.IsEmpty());
        CString left("////");
        left.TrimLeft('/');
        QVERIFY(left.IsEmpty());
    }

    void format()
    {
        CString s;
        s.Format("usb:0x%04x:0x%04x:%s", 0x1234, 0x5678, "path_0000");
        QCOMPARE(s.GetPtr(), "usb:0x1234:0x5678:path_0000");
        // A result past the 4096-byte buffer is cut, never overrun.
        const QByteArray big(6000, 'x');
        s.Format("%s", big.constData());
        QCOMPARE(s.GetLength(), 4095);
    }

    void failedChecksChangeNothing()
    {
        CString s("abc");
        QCOMPARE(s.Replace("", "x"), 3);
        QCOMPARE(s.Find(static_cast<const char*>(nullptr)), -1);
        s += static_cast<const char*>(nullptr);
        QCOMPARE(s.GetPtr(), "abc");
    }
};

QTEST_APPLESS_MAIN(TstVc6String)
#include "tst_vc6string.moc"
