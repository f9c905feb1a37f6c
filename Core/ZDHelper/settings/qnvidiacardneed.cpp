#include "qnvidiacardneed.h"

#include <QFont>
#include <QPixmap>
#include <QTimer>

#include "cpublic.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qnvidiacardneed.h"
#include "vazURIdav.h"

namespace
{
const QString kWarnPicture = QStringLiteral(":/images/res/warn.png");

// The green middle cell of the message-box icons.
QPixmap successPicture()
{
    const QPixmap icons(QStringLiteral(":/images/res/msgico.png"));
    const int cell = icons.width() / 3;
    return icons.copy(cell, 0, cell, icons.height());
}

} // namespace

qNvidiaCardNeed::qNvidiaCardNeed(QWidget* parent) : MyDialog(parent), ui(new Ui::qNvidiaCardNeed)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);
    AdjustFonts(this);
    AdjustRects(this, true);
    CenterWindow(this, nullptr);
}

qNvidiaCardNeed::~qNvidiaCardNeed()
{
    delete ui;
}

void qNvidiaCardNeed::RunEncoderTests()
{
    taghwgpu& cap = g_Global.hwCap;
    ZD_TestHWData(1, &cap[0], &cap[1], &cap[2]);
    ZD_TestHWData(2, &cap[3], &cap[4], &cap[5]);
    ZD_TestHWData(3, &cap[6], &cap[7], &cap[8]);
    ZD_TestHWData(4, &cap[9], &cap[10], &cap[11]);
    ZD_TestHWData(5, &cap[12], nullptr, nullptr);
    ZD_TestHWData(6, &cap[13], nullptr, nullptr);
    cap[14] = 1;
}

int qNvidiaCardNeed::CheckNeedCudaHevcEncoder(QWidget* parent)
{
    if (g_Global.hwCap[13] != 0 && g_Global.hwCap[14] != 0)
        return 1;
    qNvidiaCardNeed dlg(parent);
    dlg.ShowHdr();
    return dlg.exec();
}

int qNvidiaCardNeed::CheckSetupAllCodecs(QWidget* parent)
{
    qNvidiaCardNeed dlg(parent);
    dlg.ShowHdr();
    dlg.onTestClicked();
    return dlg.exec();
}

void qNvidiaCardNeed::ShowHdr()
{
    setWindowTitle(getLang(41000, QStringLiteral("Enable GPU encoder")));
    ui->w1_title->setText(
        getLang(41001, QStringLiteral("GPU encoder is required to encode HDR video")));
    ui->w1_msg->setText(getLang(41002, QString()));
    ui->w1_ico->setScaledContents(true);
    ui->w2_ico->setScaledContents(true);
    ui->w1_ico->setPixmap(QPixmap(kWarnPicture));
    ui->w1_btn->setText(getLang(41003, QStringLiteral("Test GPG encoder")));
    ui->w2_btn->setText(getLang(41005, QStringLiteral("Close")));
    ui->widget_1->show();
    ui->widget_2->hide();
    QFont titleFont = font();
    titleFont.setWeight(QFont::Bold);
    titleFont.setPointSize(12);
    ui->w1_title->setFont(titleFont);
    ui->w2_title->setFont(titleFont);
}

void qNvidiaCardNeed::ShowHdrEnd(bool finished, bool success)
{
    ui->widget_1->hide();
    ui->widget_2->show();
    if (!finished) {
        ui->w2_ico->hide();
        ui->w2_title->setText(getLang(41004, QStringLiteral("Please wait, testing ...")));
        ui->w2_btn->hide();
        return;
    }
    ui->w2_btn->show();
    ui->w2_ico->show();
    if (success) {
        ui->w2_ico->setPixmap(successPicture());
        ui->w2_title->setText(getLang(41006, QStringLiteral("Your GPU encoder works very well")));
    } else {
        ui->w2_ico->setPixmap(QPixmap(kWarnPicture));
        ui->w2_title->setText(getLang(41007, QStringLiteral("Your GPU encoder is not working")));
    }
}

void qNvidiaCardNeed::onTestClicked()
{
    ShowHdrEnd(false, false);
    // The testing face is painted before the tests hold the GUI thread.
    timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &qNvidiaCardNeed::timer_rec);
    timer->start(100);
}

void qNvidiaCardNeed::timer_rec()
{
    if (timer)
        timer->stop();
    RunEncoderTests();
    const taghwgpu& cap = g_Global.hwCap;
    ZD_SetHWData(cap[0], cap[1], cap[2], cap[6]);
    SaveSetupConfig();
    ShowHdrEnd(true, cap[13] != 0);
}

void qNvidiaCardNeed::onCloseClicked()
{
    done(1);
}
