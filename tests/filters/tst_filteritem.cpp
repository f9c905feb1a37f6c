#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <cstdio>

#include "filteritem.h"
#include "zdtestmain.h"

namespace
{

FILTERITEM fresh(uint32_t type)
{
    FILTERITEM item;
    memset(&item, 0xAB, sizeof(item)); // garbage the defaults must overwrite
    item.type = type;
    item.enabled = 1;
    item.id = 42;
    memcpy(item.name, "made", 5);
    InitFilterDataDefault(&item);
    return item;
}

QByteArray cmdOf(const FILTERITEM& item)
{
    return FilterItemCmd(item);
}

QByteArray nameOf(const FILTERITEM& item)
{
    return FilterItemName(item);
}

} // namespace

class TestFilterItem : public QObject
{
    Q_OBJECT
private slots:
    void defaults_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("cmd");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("custom") << uint(FILTER_CUSTOM) << QByteArray()
                                << QByteArray("Custom filter");
        QTest::newRow("box blur") << uint(FILTER_BOXBLUR) << QByteArray("boxblur=50")
                                  << QByteArray("blur(50)");
        QTest::newRow("colour balance")
            << uint(FILTER_COLORBALANCE)
            << QByteArray("colorbalance=rs=0.0:gs=0.0:bs=0.0:rm=0.0:gm=0.0:bm=0.0:rh=0.0:gh=0.0:"
                          "bh=0.0")
            << QByteArray("Color balance (0.0,0.0,0.0)");
        QTest::newRow("sepia")
            << uint(FILTER_SEPIA)
            << QByteArray("colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131")
            << QByteArray("made");
        QTest::newRow("equalizer")
            << uint(FILTER_EQUALIZER)
            << QByteArray("eq=contrast=1.0:brightness=0.0:saturation=1.0:gamma=1.0:gamma_r=1.0:"
                          "gamma_g=1.0:gamma_b=1.0:gamma_weight=1.0")
            << QByteArray("Equalizer (1.0:0.0:1.0:1.0)");
        QTest::newRow("vflip") << uint(FILTER_VFLIP) << QByteArray("vflip") << QByteArray("made");
        QTest::newRow("hflip") << uint(FILTER_HFLIP) << QByteArray("hflip") << QByteArray("made");
        QTest::newRow("colour style")
            << uint(FILTER_COLORSTYLE) << QByteArray("lutyuv=y=val:u=val:v=val")
            << QByteArray("Color style (none)");
        QTest::newRow("colour key")
            << uint(FILTER_COLORKEY) << QByteArray("colorkey=0x00FF00:0.30:0.20")
            << QByteArray("Remove color (00FF00)");
    }

    void defaults()
    {
        QFETCH(uint, type);
        QFETCH(QByteArray, cmd);
        QFETCH(QByteArray, name);
        const FILTERITEM item = fresh(type);
        QCOMPARE(cmdOf(item), cmd);
        QCOMPARE(nameOf(item), name);
        QCOMPARE(item.id, 42u);
        QCOMPARE(item.enabled, 1u);
        QCOMPARE(item.type, type);
    }

    void colourBalanceNameFollowsTheRange()
    {
        FILTERITEM item = fresh(FILTER_COLORBALANCE);
        item.params.balance.range = 1;
        item.params.balance.r[1] = 0.5f;
        UpdateFilterDataText(&item);
        QVERIFY(nameOf(item).endsWith("(0.5,0.0,0.0)"));
        QVERIFY(cmdOf(item).contains(":rm=0.5:"));
        // A range out of a damaged file falls back to the shadows.
        item.params.balance.range = 1000000;
        item.params.balance.r[0] = -1.0f;
        UpdateFilterDataText(&item);
        QVERIFY(nameOf(item).endsWith("(-1.0,0.0,0.0)"));
    }

    void colourKeyWritesRedFirst()
    {
        FILTERITEM item = fresh(FILTER_COLORKEY);
        item.params.colorKey.color = 0x0000FF;
        item.params.colorKey.similarity = 100;
        item.params.colorKey.blend = 0;
        UpdateFilterDataText(&item);
        QCOMPARE(cmdOf(item), QByteArray("colorkey=0xFF0000:1.00:0.00"));
        QCOMPARE(nameOf(item), QByteArray("Remove color (0000FF)"));
    }

    void colourStyles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QByteArray>("cmd");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("gray") << 1 << QByteArray("lutyuv=u=128:v=128")
                              << QByteArray("Color style (Gray)");
        QTest::newRow("old film")
            << 2 << QByteArray("lutyuv=u=(val-maxval/2)*2+maxval/2:v=(val-maxval/2)*2+maxval/2")
            << QByteArray("Color style (Old film)");
        QTest::newRow("unknown keeps texts")
            << 3 << QByteArray("lutyuv=y=val:u=val:v=val") << QByteArray("Color style (none)");
    }

    void colourStyles()
    {
        QFETCH(int, style);
        QFETCH(QByteArray, cmd);
        QFETCH(QByteArray, name);
        FILTERITEM item = fresh(FILTER_COLORSTYLE);
        item.params.style = style;
        UpdateFilterDataText(&item);
        QCOMPARE(cmdOf(item), cmd);
        QCOMPARE(nameOf(item), name);
    }

    void customTextIsCopiedByteForByte()
    {
        FILTERITEM item = fresh(FILTER_CUSTOM);
        const QByteArray text = "hue=s=0,\xC3\xA9";
        memset(item.params.text, 0, sizeof(item.params.text));
        memcpy(item.params.text, text.constData(), text.size());
        UpdateFilterDataText(&item);
        QCOMPARE(cmdOf(item), text);
        // A text filling its whole field (no terminator, as a file may hold)
        // is taken up to the field's end and stays terminated in cmd.
        memset(item.params.text, 'x', sizeof(item.params.text));
        UpdateFilterDataText(&item);
        QCOMPARE(cmdOf(item), QByteArray(256, 'x'));
    }

    void unknownKindLeavesTextsAlone()
    {
        FILTERITEM item = fresh(FILTER_BOXBLUR);
        item.type = 9;
        item.params.radius = 3;
        UpdateFilterDataText(&item);
        QCOMPARE(cmdOf(item), QByteArray("boxblur=50"));
    }

    // Under a locale whose decimal separator is a comma, no number in a
    // filter string may carry one.
    void numbersIgnoreTheLocale()
    {
        QTemporaryDir locales;
        const QString target = locales.path() + "/de_DE.UTF-8";
        if (QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", target}) > 1 ||
            !QFileInfo::exists(target))
            QSKIP("localedef cannot build de_DE here");
        qputenv("LOCPATH", locales.path().toLocal8Bit());
        const char* previous = setlocale(LC_NUMERIC, nullptr);
        const QByteArray saved = previous ? previous : "C";
        if (!setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            QSKIP("de_DE locale not loadable");
        char probe[32];
        snprintf(probe, sizeof(probe), "%.1f", 0.5);
        const bool commaLocale = QByteArray(probe) == "0,5";

        QList<FILTERITEM> items;
        for (uint32_t type : {FILTER_COLORBALANCE, FILTER_EQUALIZER, FILTER_COLORKEY}) {
            FILTERITEM item = fresh(type);
            if (type == FILTER_COLORBALANCE)
                item.params.balance.r[2] = -0.7f;
            if (type == FILTER_EQUALIZER)
                item.params.eq.gamma_weight = 0.3f;
            UpdateFilterDataText(&item);
            items.append(item);
        }
        setlocale(LC_NUMERIC, saved.constData());
        qunsetenv("LOCPATH");
        QVERIFY2(commaLocale, "the test locale did not switch the decimal separator");
        for (const FILTERITEM& item : items)
            QVERIFY2(!cmdOf(item).contains(','), cmdOf(item).constData());
        QVERIFY(cmdOf(items.at(0)).contains("rh=-0.7"));
        QVERIFY(cmdOf(items.at(1)).contains("gamma_weight=0.3"));
        QCOMPARE(nameOf(items.at(1)), QByteArray("Equalizer (1.0:0.0:1.0:1.0)"));
    }
};

ZD_TEST_MAIN(TestFilterItem, QCoreApplication)
#include "tst_filteritem.moc"
