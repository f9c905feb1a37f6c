// The idle picture: the generated vm_bk.bmp, and the BMP checks on good and
// damaged files built here.
#include "idlepicture.h"

#include <QFile>
#include <QtTest>

#include <cstring>

namespace
{

struct Bmp {
    int32_t width = 3;
    int32_t height = 2;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t infoBytes = 40;
    uint32_t pixelsAt = 54;
    int cut = 0; // bytes left off the end

    QByteArray bytes() const
    {
        const int stride = (width > 0 ? (width * 3 + 3) & ~3 : 0);
        const int rows = height > 0 ? height : -height;
        QByteArray b;
        auto le32 = [&b](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                b.append(char(v >> (8 * i)));
        };
        auto le16 = [&b](uint16_t v) {
            b.append(char(v));
            b.append(char(v >> 8));
        };
        b.append("BM");
        le32(uint32_t(pixelsAt + stride * rows));
        le32(0);
        le32(pixelsAt);
        le32(infoBytes);
        le32(uint32_t(width));
        le32(uint32_t(height));
        le16(1);
        le16(bits);
        le32(compression);
        le32(0);
        le32(0);
        le32(0);
        le32(0);
        le32(0);
        b.resize(int(pixelsAt), '\0');
        // Pixel (x, y of the file) = (10 y + x, 100 + y, 200 + x); padding 0xEE.
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < width; ++x) {
                b.append(char(10 * y + x));
                b.append(char(100 + y));
                b.append(char(200 + x));
            }
            for (int p = width * 3; p < stride; ++p)
                b.append(char(0xEE));
        }
        b.chop(cut);
        return b;
    }
};

bool decode(const QByteArray& file, std::vector<uint8_t>& out)
{
    return veltranobox::DecodeIdlePicture(reinterpret_cast<const uint8_t*>(file.constData()),
                                          size_t(file.size()), out);
}

} // namespace

Q_DECLARE_METATYPE(Bmp)

class TstIdlePicture : public QObject
{
    Q_OBJECT

private slots:
    void generatedPicture()
    {
        const QString path = QString(VELTRANOBOX_STAGE_DIR) + "/data/vm_bk.bmp";
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 54 + 1920 * 1080 * 3);
        std::vector<uint8_t> frame;
        QVERIFY(veltranobox::LoadIdlePicture(path.toStdString(), frame));
        QCOMPARE(frame.size(), veltranobox::kIdleBytes);
        // Upright as the source shows it: the dark slate at the top, lighter
        // at the bottom, the unused byte 0.
        auto at = [&](int x, int y) { return frame.data() + (size_t(y) * 1920 + x) * 4; };
        QVERIFY(at(5, 5)[2] < at(5, 1074)[2]);
        QVERIFY(at(5, 5)[0] < 60);
        QCOMPARE(int(at(5, 5)[3]), 0);
        // The lens ring (blue) above the middle, not below it.
        QVERIFY(at(960, 380)[0] > 180);
        QVERIFY(at(960, 1080 - 380)[0] < 100);
    }

    void smallPictureInTheCorner()
    {
        Bmp bmp; // 3 x 2: rows padded from 9 to 12 bytes
        std::vector<uint8_t> frame;
        QVERIFY(decode(bmp.bytes(), frame));
        QCOMPARE(frame.size(), veltranobox::kIdleBytes);
        // The file's first row at the top; the padding is skipped.
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                const uint8_t* p = frame.data() + (size_t(y) * 1920 + x) * 4;
                QCOMPARE(int(p[0]), 10 * y + x);
                QCOMPARE(int(p[1]), 100 + y);
                QCOMPARE(int(p[2]), 200 + x);
                QCOMPARE(int(p[3]), 0);
            }
        // Black elsewhere.
        QCOMPARE(int(frame[3 * 4]), 0);
        QCOMPARE(int(frame[(size_t(2) * 1920) * 4 + 1]), 0);
    }

    void widerPictureIsCut()
    {
        Bmp bmp;
        bmp.width = 2000;
        bmp.height = 1;
        std::vector<uint8_t> frame;
        QVERIFY(decode(bmp.bytes(), frame));
        QCOMPARE(int(frame[1919 * 4 + 2]), int(uint8_t(200 + 1919)));
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("file");
        Bmp b;
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("headers cut") << b.bytes().left(53);
        QByteArray magic = b.bytes();
        magic[0] = 'X';
        QTest::newRow("not BM") << magic;
        Bmp bits = b;
        bits.bits = 32;
        QTest::newRow("32 bits") << bits.bytes();
        Bmp rle = b;
        rle.compression = 1;
        QTest::newRow("compressed") << rle.bytes();
        Bmp core = b;
        core.infoBytes = 12;
        QTest::newRow("small info header") << core.bytes();
        Bmp zero = b;
        zero.width = 0;
        QTest::newRow("no width") << zero.bytes();
        Bmp huge = b;
        huge.width = 10001;
        QTest::newRow("10001 wide") << huge.bytes();
        Bmp down = b;
        down.height = -2;
        QTest::newRow("negative height") << down.bytes();
        Bmp last = b;
        last.cut = 1;
        QTest::newRow("last row's padding missing") << last.bytes();
        // Declares far more rows than it holds.
        QByteArray lying = b.bytes();
        lying.replace(22, 4, QByteArray("\x10\x27\0\0", 4));
        QTest::newRow("rows beyond the file") << lying;
        Bmp early = b;
        early.pixelsAt = 20;
        QTest::newRow("pixels inside the headers") << early.bytes();
        QByteArray far = b.bytes();
        far.replace(10, 4, QByteArray("\xff\xff\0\0", 4));
        QTest::newRow("pixels past the end") << far;
    }
    void damaged()
    {
        QFETCH(QByteArray, file);
        std::vector<uint8_t> frame(7, 7);
        QVERIFY(!decode(file, frame));
        QCOMPARE(frame.size(), size_t(7));
    }

    void notAFile()
    {
        std::vector<uint8_t> frame;
        QVERIFY(!veltranobox::LoadIdlePicture("/nonexistent/vm_bk.bmp", frame));
        QVERIFY(!veltranobox::LoadIdlePicture("/tmp", frame));
    }
};

QTEST_APPLESS_MAIN(TstIdlePicture)
#include "tst_idlepicture.moc"
