#include "filteritem.h"

#include <QString>
#include <cstring>

#include "cpublic.h"
#include "stdafx.h"

namespace
{

// Copies text into a fixed field, cut at a UTF-8 character boundary so that
// the terminator always fits.
void setField(char* field, int size, const QByteArray& text)
{
    qsizetype n = std::min<qsizetype>(text.size(), size - 1);
    if (n < text.size()) {
        while (n > 0 && (uchar(text.at(n)) & 0xC0) == 0x80)
            --n;
    }
    memset(field, 0, size);
    memcpy(field, text.constData(), n);
}

// QString::asprintf formats numbers in the C locale whatever LC_NUMERIC
// says, so a filter string never carries a decimal comma.
void setCmd(FILTERITEM* item, const QString& cmd)
{
    setField(item->cmd, sizeof(item->cmd), cmd.toLatin1());
}

void setName(FILTERITEM* item, const QString& name)
{
    setField(item->name, sizeof(item->name), name.toLocal8Bit());
}

} // namespace

QByteArray FilterItemCmd(const FILTERITEM& item)
{
    return QByteArray(item.cmd, qstrnlen(item.cmd, sizeof(item.cmd)));
}

QByteArray FilterItemName(const FILTERITEM& item)
{
    return QByteArray(item.name, qstrnlen(item.name, sizeof(item.name)));
}

void InitFilterDataDefault(FILTERITEM* item)
{
    FILTER_PARAMS& p = item->params;
    switch (item->type) {
    case FILTER_CUSTOM:
        p.text[0] = 0;
        break;
    case FILTER_BOXBLUR:
        p.radius = 50;
        break;
    case FILTER_COLORBALANCE:
        p.balance.range = 0;
        for (int i = 0; i < 3; ++i)
            p.balance.r[i] = p.balance.g[i] = p.balance.b[i] = 0.0f;
        break;
    case FILTER_EQUALIZER:
        p.eq = {1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
        break;
    case FILTER_COLORSTYLE:
        p.style = 0;
        break;
    case FILTER_COLORKEY:
        p.colorKey = {0x00FF00u, 30, 20};
        break;
    default:
        break;
    }
    UpdateFilterDataText(item);
}

void UpdateFilterDataText(FILTERITEM* item)
{
    const FILTER_PARAMS& p = item->params;
    switch (item->type) {
    case FILTER_CUSTOM:
        setField(item->cmd, sizeof(item->cmd),
                 QByteArray(p.text, qstrnlen(p.text, sizeof(p.text))));
        setName(item, "Custom filter");
        break;
    case FILTER_BOXBLUR:
        setCmd(item, QString::asprintf("boxblur=%d", p.radius));
        setName(item, getLang(32003, "blur") + QString::asprintf("(%d)", p.radius));
        break;
    case FILTER_COLORBALANCE: {
        const FILTER_BALANCE_PARAMS& b = p.balance;
        setCmd(item, QString::asprintf("colorbalance=rs=%.1f:gs=%.1f:bs=%.1f:rm=%.1f:gm=%.1f:"
                                       "bm=%.1f:rh=%.1f:gh=%.1f:bh=%.1f",
                                       b.r[0], b.g[0], b.b[0], b.r[1], b.g[1], b.b[1], b.r[2],
                                       b.g[2], b.b[2]));
        // A range from a damaged file must not index past the three tones.
        const int range = (b.range >= 0 && b.range <= 2) ? b.range : 0;
        setName(item,
                getLang(32004, "Color balance") +
                    QString::asprintf(" (%.1f,%.1f,%.1f)", b.r[range], b.g[range], b.b[range]));
        break;
    }
    case FILTER_SEPIA:
        setCmd(item, "colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131");
        break;
    case FILTER_EQUALIZER: {
        const FILTER_EQ_PARAMS& e = p.eq;
        setCmd(item, QString::asprintf("eq=contrast=%.1f:brightness=%.1f:saturation=%.1f:"
                                       "gamma=%.1f:gamma_r=%.1f:gamma_g=%.1f:gamma_b=%.1f:"
                                       "gamma_weight=%.1f",
                                       e.contrast, e.brightness, e.saturation, e.gamma, e.gamma_r,
                                       e.gamma_g, e.gamma_b, e.gamma_weight));
        setName(item, getLang(32005, "Equalizer") + QString::asprintf(" (%.1f:%.1f:%.1f:%.1f)",
                                                                      e.contrast, e.brightness,
                                                                      e.saturation, e.gamma));
        break;
    }
    case FILTER_VFLIP:
        setCmd(item, "vflip");
        break;
    case FILTER_HFLIP:
        setCmd(item, "hflip");
        break;
    case FILTER_COLORSTYLE: {
        static const char* const cmds[] = {
            "lutyuv=y=val:u=val:v=val",
            "lutyuv=u=128:v=128",
            "lutyuv=u=(val-maxval/2)*2+maxval/2:v=(val-maxval/2)*2+maxval/2",
        };
        if (p.style < 0 || p.style > 2)
            break;
        const QString styleText = p.style == 0   ? getLang(33200, "none")
                                  : p.style == 1 ? getLang(33201, "Gray")
                                                 : getLang(33202, "Old film");
        setCmd(item, cmds[p.style]);
        setName(item, getLang(32008, "Color style") + " (" + styleText + ")");
        break;
    }
    case FILTER_COLORKEY: {
        const FILTER_COLORKEY_PARAMS& k = p.colorKey;
        const uint32_t rgb =
            ((k.color & 0xFFu) << 16) | (k.color & 0xFF00u) | ((k.color >> 16) & 0xFFu);
        setCmd(item, QString::asprintf("colorkey=0x%06X:%.2f:%.2f", rgb, k.similarity / 100.0,
                                       k.blend / 100.0));
        setName(item, getLang(33300, "Remove color") + QString::asprintf(" (%06X)", k.color));
        break;
    }
    default:
        break;
    }
}
