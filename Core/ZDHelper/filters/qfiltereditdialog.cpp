#include "qfiltereditdialog.h"

#include <QSignalBlocker>
#include <cmath>
#include <cstring>

#include "qfilterswidget.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qfiltereditdialog.h"
#include "vazURIdav.h"

namespace
{

QString oneDecimal(double v)
{
    return QString::asprintf("%.1f", v);
}

// libavfilter's colorkey takes a similarity from 0.00001 up; the filter
// string carries hundredths, so 1 is the smallest the editor offers.
constexpr int kColorKeySimilarityMin = 1;

} // namespace

QFilterEditDialog::QFilterEditDialog(QFiltersWidget* owner, QWidget* centerOn)
    : MyDialog(owner, true), ui(new Ui::QFilterEditDialog), owner(owner), centerOn(centerOn)
{
    ui->setupUi(this);
    ui->widget_blur->hide();
    ui->widget_balance->hide();
    ui->widget_eq->hide();
    ui->widget_adv->hide();
    // Only the kind's page is shown; the others would lie beside it.
    ui->widget_cs->hide();
    ui->widget_colorkey->hide();
    setWindowTitle(getLang(32000, ""));

    for (QWidget* title :
         {ui->blur_title, ui->balance_title, ui->eq_title, ui->adv_title, ui->cs_title}) {
        QFont f = title->font();
        f.setWeight(QFont::Bold);
        title->setFont(f);
    }
    ui->balance_s1->setText(getLang(33004, "Yellow"));
    ui->balance_s1_2->setText(getLang(33005, "Blue"));
    ui->balance_s1_3->setText(getLang(33007, "Green"));
    ui->balance_s1_4->setText(getLang(33009, "Red"));
    ui->balance_s2->setText(getLang(33006, "Magenta"));
    ui->balance_s3->setText(getLang(33008, "Cyan"));
    ui->balance_radio1->setText(getLang(33001, "Shadows"));
    ui->balance_radio2->setText(getLang(33002, "Midtones"));
    ui->balance_radio3->setText(getLang(33003, "Highlights"));
    ui->eq_s1->setText(getLang(33100, "Contrast:"));
    ui->eq_s2->setText(getLang(33101, "Brightness:"));
    ui->eq_s3->setText(getLang(33102, "Saturation:"));
    ui->eq_s4->setText(getLang(33103, "Gamma:"));
    ui->eq_s4_2->setText(getLang(33104, "Gamma red:"));
    ui->eq_s4_3->setText(getLang(33105, "Gamma green:"));
    ui->eq_s4_4->setText(getLang(33106, "Gamma blue:"));
    ui->eq_s4_5->setText(getLang(33107, "Gamma weight:"));
    ui->colorkey_title->setText(getLang(33300, "Remove Color"));
    ui->colorkey_s1->setText(getLang(33301, "Color:"));
    ui->colorkey_s2->setText(getLang(33302, "Similarity:"));
    ui->colorkey_s3->setText(getLang(33303, "Blend:"));
}

QFilterEditDialog::~QFilterEditDialog()
{
    delete ui;
}

int QFilterEditDialog::tenthsOf(float value)
{
    // Rounded, not cut: 0.7f is 0.69999999 and would show as 6.
    const double t = std::round(double(value) * 10.0);
    if (!(t > -1e6 && t < 1e6))
        return 0;
    return int(t);
}

float QFilterEditDialog::fromTenths(int tenths)
{
    return float(tenths / 10.0);
}

void QFilterEditDialog::InitDlg(int kind)
{
    GA_TrackLogging("filter", QByteArray::number(kind).constData());

    QWidget* page = nullptr;
    if (item) {
        FILTER_PARAMS& p = item->params;
        switch (kind) {
        case FILTER_BOXBLUR: {
            page = ui->widget_blur;
            ui->blur_title->setText(getLang(32003, ""));
            const int limit = owner ? owner->blurRadiusLimit() : 100;
            const int top = std::max(0, std::min(limit, 100));
            ui->blur_slider->setRange(0, top);
            ui->blur_slider->setSingleStep(1);
            ui->blur_slider->setValue(p.radius);
            ui->blur_value->setText(QString::number(ui->blur_slider->value()));
            connect(ui->blur_slider, &QSlider::valueChanged, this,
                    &QFilterEditDialog::blru_slider_changed);
            break;
        }
        case FILTER_COLORBALANCE: {
            page = ui->widget_balance;
            ui->balance_title->setText(getLang(32004, ""));
            if (p.balance.range < 0 || p.balance.range > 2)
                p.balance.range = 0;
            for (QSlider* s : {ui->balance_slider1, ui->balance_slider2, ui->balance_slider3})
                s->setRange(-10, 10);
            showBalanceRange(p.balance.range);
            connect(ui->balance_slider1, &QSlider::valueChanged, this,
                    &QFilterEditDialog::balance_slider1_changed);
            connect(ui->balance_slider2, &QSlider::valueChanged, this,
                    &QFilterEditDialog::balance_slider2_changed);
            connect(ui->balance_slider3, &QSlider::valueChanged, this,
                    &QFilterEditDialog::balance_slider3_changed);
            break;
        }
        case FILTER_EQUALIZER: {
            page = ui->widget_eq;
            ui->eq_title->setText(getLang(32005, ""));
            const struct {
                QSlider* slider;
                QLabel* label;
                float value;
                int lo, hi;
                void (QFilterEditDialog::*slot)(int);
            } rows[] = {
                {ui->eq_slider1, ui->eq_v1, p.eq.contrast, -10, 30,
                 &QFilterEditDialog::eq_slider1_changed},
                {ui->eq_slider2, ui->eq_v2, p.eq.brightness, -10, 10,
                 &QFilterEditDialog::eq_slider2_changed},
                {ui->eq_slider3, ui->eq_v3, p.eq.saturation, 0, 30,
                 &QFilterEditDialog::eq_slider3_changed},
                {ui->eq_slider4, ui->eq_v4, p.eq.gamma, 1, 100,
                 &QFilterEditDialog::eq_slider4_changed},
                {ui->eq_slider4_2, ui->eq_v4_2, p.eq.gamma_r, 1, 100,
                 &QFilterEditDialog::eq_slider4_2_changed},
                {ui->eq_slider4_3, ui->eq_v4_3, p.eq.gamma_g, 1, 100,
                 &QFilterEditDialog::eq_slider4_3_changed},
                {ui->eq_slider4_4, ui->eq_v4_4, p.eq.gamma_b, 1, 100,
                 &QFilterEditDialog::eq_slider4_4_changed},
                {ui->eq_slider4_5, ui->eq_v4_5, p.eq.gamma_weight, 0, 10,
                 &QFilterEditDialog::eq_slider4_5_changed},
            };
            for (const auto& r : rows) {
                r.slider->setRange(r.lo, r.hi);
                r.slider->setValue(tenthsOf(r.value));
                r.label->setText(oneDecimal(r.value));
            }
            for (const auto& r : rows)
                connect(r.slider, &QSlider::valueChanged, this, r.slot);
            break;
        }
        case FILTER_COLORSTYLE: {
            page = ui->widget_cs;
            ui->cs_title->setText(getLang(32008, ""));
            // The form connects the list's index changes: filling it and
            // selecting the stored style must neither change nor apply.
            const QSignalBlocker blocker(ui->cs_cbx);
            ui->cs_cbx->setStyleSheet("QComboBox { background: rgb(35, 35, 35);}\nQComboBox "
                                      "QAbstractItemView { background: rgb(35, 35, 35);}");
            ui->cs_cbx->setIconSize(QSize(100, 60));
            ui->cs_cbx->clear();
            ui->cs_cbx->addItem(QIcon(":/images/res/filters/ba-1.png"), getLang(33200, "None"));
            ui->cs_cbx->addItem(QIcon(":/images/res/filters/ba-2.png"), getLang(33201, "Gray"));
            ui->cs_cbx->addItem(QIcon(":/images/res/filters/ba-3.png"), getLang(33202, "Old film"));
            if (p.style >= 0 && p.style < ui->cs_cbx->count())
                ui->cs_cbx->setCurrentIndex(p.style);
            break;
        }
        case FILTER_COLORKEY: {
            page = ui->widget_colorkey;
            ui->colorkey_title->setText(getLang(33300, "Remove Color"));
            ui->colorkey_slider1->setRange(kColorKeySimilarityMin, 100);
            ui->colorkey_slider2->setRange(0, 100);
            ui->colorkey_slider1->setSingleStep(1);
            ui->colorkey_slider2->setSingleStep(1);
            ui->btncolor->setColor(p.colorKey.color & 0xFFFFFFu);
            ui->colorkey_slider1->setValue(p.colorKey.similarity);
            ui->colorkey_slider2->setValue(p.colorKey.blend);
            ui->colorkey_v1->setText(QString::number(ui->colorkey_slider1->value()));
            ui->colorkey_v2->setText(QString::number(ui->colorkey_slider2->value()));
            connect(ui->colorkey_slider1, &QSlider::valueChanged, this,
                    &QFilterEditDialog::colorkey_slider1_changed);
            connect(ui->colorkey_slider2, &QSlider::valueChanged, this,
                    &QFilterEditDialog::colorkey_slider2_changed);
            connect(ui->btncolor, &QMyColorPickButton::colorChanged, this,
                    &QFilterEditDialog::colorkey_color_changed);
            break;
        }
        case FILTER_SEPIA:
        case FILTER_VFLIP:
        case FILTER_HFLIP:
            // Nothing to set: the dialog shows only its title strip.
            break;
        default:
            page = ui->widget_adv;
            ui->adv_title->setText(getLang(32009, ""));
            ui->adv_edit->setText(QString::fromLocal8Bit(p.text, qstrnlen(p.text, sizeof(p.text))));
            break;
        }
    }

    if (page) {
        const int pw = page->width();
        const int ph = page->height();
        resize(pw, ph + 30);
        page->move(0, 30);
        const int x = (pw - 120) / 3;
        ui->btnOK->setGeometry(x, ph + 40, 60, 25);
        ui->btnCancel->setGeometry(2 * x + 60, ph + 40, 60, 25);
        ui->btnOK->hide();
        ui->btnCancel->hide();
        CenterWindow(this, centerOn);
        page->show();
    } else {
        ui->btnOK->hide();
        ui->btnCancel->hide();
        resize(291, 60);
    }
    AdjustRects(this, true);
    AdjustFonts(this);
    if (page == ui->widget_balance)
        FitRowToText({ui->balance_radio1, ui->balance_radio2, ui->balance_radio3});
    if (page == ui->widget_eq)
        FitColumnToText({ui->eq_s1, ui->eq_s2, ui->eq_s3, ui->eq_s4, ui->eq_s4_2, ui->eq_s4_3,
                         ui->eq_s4_4, ui->eq_s4_5});
    CenterWindow(this, this);
}

void QFilterEditDialog::showBalanceRange(int range)
{
    const FILTER_BALANCE_PARAMS& b = item->params.balance;
    const QSignalBlocker b1(ui->balance_slider1);
    const QSignalBlocker b2(ui->balance_slider2);
    const QSignalBlocker b3(ui->balance_slider3);
    ui->balance_radio1->setChecked(range == 0);
    ui->balance_radio2->setChecked(range == 1);
    ui->balance_radio3->setChecked(range == 2);
    ui->balance_slider1->setValue(tenthsOf(b.r[range]));
    ui->balance_slider2->setValue(tenthsOf(b.g[range]));
    ui->balance_slider3->setValue(tenthsOf(b.b[range]));
    ui->balance_v1->setText(oneDecimal(b.r[range]));
    ui->balance_v2->setText(oneDecimal(b.g[range]));
    ui->balance_v3->setText(oneDecimal(b.b[range]));
}

void QFilterEditDialog::upatefilterdata()
{
    if (!item)
        return;
    FILTER_PARAMS& p = item->params;
    switch (item->type) {
    case FILTER_CUSTOM: {
        // The field holds 255 bytes and its terminator; a longer text is cut
        // at a character, and the field shows what was kept.
        QByteArray text = ui->adv_edit->text().toLocal8Bit();
        qsizetype n = std::min<qsizetype>(text.size(), sizeof(p.text) - 1);
        if (n < text.size()) {
            while (n > 0 && (uchar(text.at(n)) & 0xC0) == 0x80)
                --n;
            text.truncate(n);
            ui->adv_edit->setText(QString::fromLocal8Bit(text));
        }
        memset(p.text, 0, sizeof(p.text));
        memcpy(p.text, text.constData(), text.size());
        break;
    }
    case FILTER_BOXBLUR:
        p.radius = ui->blur_slider->value();
        break;
    case FILTER_COLORBALANCE: {
        const int range = ui->balance_radio1->isChecked()   ? 0
                          : ui->balance_radio2->isChecked() ? 1
                                                            : 2;
        p.balance.range = range;
        p.balance.r[range] = fromTenths(ui->balance_slider1->value());
        p.balance.g[range] = fromTenths(ui->balance_slider2->value());
        p.balance.b[range] = fromTenths(ui->balance_slider3->value());
        break;
    }
    case FILTER_EQUALIZER:
        p.eq.contrast = fromTenths(ui->eq_slider1->value());
        p.eq.brightness = fromTenths(ui->eq_slider2->value());
        p.eq.saturation = fromTenths(ui->eq_slider3->value());
        p.eq.gamma = fromTenths(ui->eq_slider4->value());
        p.eq.gamma_r = fromTenths(ui->eq_slider4_2->value());
        p.eq.gamma_g = fromTenths(ui->eq_slider4_3->value());
        p.eq.gamma_b = fromTenths(ui->eq_slider4_4->value());
        p.eq.gamma_weight = fromTenths(ui->eq_slider4_5->value());
        break;
    case FILTER_COLORSTYLE:
        p.style = ui->cs_cbx->currentIndex();
        break;
    case FILTER_COLORKEY:
        p.colorKey.color = ui->btncolor->Color() & 0xFFFFFFu;
        p.colorKey.similarity = ui->colorkey_slider1->value();
        p.colorKey.blend = ui->colorkey_slider2->value();
        break;
    default:
        break;
    }
    UpdateFilterDataText(item);
    dbg("filter cmd = %s\n", FilterItemCmd(*item).constData());
    if (owner)
        owner->EditFilterByFilterDlg(row, item);
}

void QFilterEditDialog::blru_slider_changed(int v)
{
    ui->blur_value->setText(QString::number(v));
    upatefilterdata();
}

void QFilterEditDialog::balance_slider1_changed(int v)
{
    ui->balance_v1->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::balance_slider2_changed(int v)
{
    ui->balance_v2->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::balance_slider3_changed(int v)
{
    ui->balance_v3->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::eq_slider1_changed(int v)
{
    ui->eq_v1->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::eq_slider2_changed(int v)
{
    ui->eq_v2->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::eq_slider3_changed(int v)
{
    ui->eq_v3->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::eq_slider4_changed(int v)
{
    ui->eq_v4->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::eq_slider4_2_changed(int v)
{
    ui->eq_v4_2->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::eq_slider4_3_changed(int v)
{
    ui->eq_v4_3->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::eq_slider4_4_changed(int v)
{
    ui->eq_v4_4->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::eq_slider4_5_changed(int v)
{
    ui->eq_v4_5->setText(oneDecimal(v / 10.0));
    upatefilterdata();
}

void QFilterEditDialog::colorkey_slider1_changed(int v)
{
    ui->colorkey_v1->setText(QString::asprintf("%.0f", double(v)));
    upatefilterdata();
}

void QFilterEditDialog::colorkey_slider2_changed(int v)
{
    ui->colorkey_v2->setText(QString::asprintf("%.0f", double(v)));
    upatefilterdata();
}

void QFilterEditDialog::colorkey_color_changed(unsigned int c)
{
    Q_UNUSED(c);
    upatefilterdata();
}

void QFilterEditDialog::onCsCombo(int index)
{
    Q_UNUSED(index);
    upatefilterdata();
}

void QFilterEditDialog::onAdvApplyClick()
{
    upatefilterdata();
}

void QFilterEditDialog::onBalanceRadio1()
{
    if (!item)
        return;
    item->params.balance.range = 0;
    showBalanceRange(0);
}

void QFilterEditDialog::onBalanceRadio2()
{
    if (!item)
        return;
    item->params.balance.range = 1;
    showBalanceRange(1);
}

void QFilterEditDialog::onBalanceRadio3()
{
    if (!item)
        return;
    item->params.balance.range = 2;
    showBalanceRange(2);
}

void QFilterEditDialog::onOKClick()
{
    done(1);
}

void QFilterEditDialog::onCancelClick()
{
    done(0);
}
