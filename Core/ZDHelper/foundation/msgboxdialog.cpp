#include "msgboxdialog.h"

#include <QLabel>
#include <QPainter>
#include <QTextLayout>
#include <QtMath>

#include "cpublic.h"
#include "myevent.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_msgboxdialog.h"
#include "vazURIdav.h"

namespace
{

MsgBoxDialog::TestHook& hookStore()
{
    static MsgBoxDialog::TestHook hook;
    return hook;
}

// Plain messages wrap at word boundaries and break a word longer than a line
// anywhere (long paths and addresses), so the box never has to grow sideways.
// Measuring and painting share this one layout so they cannot disagree.
QSizeF layoutText(QTextLayout& layout, const QString& text, const QFont& font, int width)
{
    QString t = text;
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    layout.setText(t);
    layout.setFont(font);
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const QFontMetricsF fm(font);
    qreal height = 0;
    qreal widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += fm.lineSpacing();
        widest = qMax(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return QSizeF(widest, height);
}

bool holdsLink(const QString& text)
{
    return text.indexOf(QLatin1String("</a>")) > 0;
}

} // namespace

void MsgBoxDialog::setTestHook(TestHook hook)
{
    hookStore() = std::move(hook);
}

const MsgBoxDialog::TestHook& MsgBoxDialog::testHook()
{
    return hookStore();
}

MsgBoxDialog::MsgBoxDialog(QWidget* parent) : MyDialog(parent, true), ui(new Ui::MsgBoxDialog)
{
    ui->setupUi(this);
    // The window manager's frame stays on Linux and shows the window title.
    setWindowTitle(APP_NAME);

    const QString buttonSheet = QString::fromUtf8(g_Public.ReadQSSFile("fixedbutton.qss"));
    ui->btn_ok->setStyleSheet(buttonSheet);
    ui->btn_cancel->setStyleSheet(buttonSheet);

    linkLabel = new QLabel(this);
    QFont linkFont = font();
    linkFont.setBold(true);
    linkFont.setPointSize(10);
    linkLabel->setFont(linkFont);
    linkLabel->setWordWrap(true);
    linkLabel->setTextFormat(Qt::RichText);
    linkLabel->setOpenExternalLinks(true);
    linkLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Readable on the dark face whatever sheet the parent window carries.
    linkLabel->setStyleSheet("QLabel { color: rgb(210, 210, 210); background: transparent; }");
    linkLabel->hide();

    // The dark dialogs' check box, whatever sheet the parent window carries:
    // light text and an indicator that shows in every state.
    ui->chk->setStyleSheet(QString::fromUtf8(g_Public.ReadQSSFile("popupwnd.qss")));
    ui->chk->hide();
    dontPopUpAgain = false;

    AdjustFonts(this);
    CenterWindow(this, parentWidget());
}

MsgBoxDialog::~MsgBoxDialog()
{
    delete ui;
}

QFont MsgBoxDialog::messageFont() const
{
    QFont f(g_Global.fontName);
    f.setPixelSize(qMax(1, pt2pix_scale(10)));
    f.setBold(true);
    return f;
}

void MsgBoxDialog::InitValues(const QString& t, int k, bool showCheck)
{
    const double s = g_dpi_percent;
    text = t;
    const QFont font = messageFont();

    QTextLayout layout;
    const QSizeF measured = layoutText(layout, text, font, int(400 * s));
    textRect = QRect(0, 0, qCeil(measured.width()), qCeil(measured.height()));
    const int tw = textRect.width();
    const int th = textRect.height();

    const double H = qMax(double(int(150 * s + th)), 180 * s);
    int B = int(int(H) - 60 * s);
    if (showCheck) {
        ui->chk->show();
        B = int(B + 20 * s);
        ui->chk->setGeometry(int(95 * s), B - 25, int(130 * s), int(16 * s));
    }
    const int W = int(qMax(double(int(120 * s + tw)), 300 * s));

    const int bw = int(80 * s);
    const int bh = int(28 * s);
    if (k == MSGBOX_QUESTION) {
        const int x1 = int((W - 200 * s) * 0.5);
        ui->btn_ok->setGeometry(x1, B, bw, bh);
        ui->btn_cancel->setGeometry(int(120 * s + x1), B, bw, bh);
        ui->btn_ok->setText(yesText.isEmpty() ? QStringLiteral("Yes") : yesText);
        ui->btn_cancel->setText(noText.isEmpty() ? QStringLiteral("No") : noText);
        ui->btn_cancel->show();
        // The answer that changes nothing is the one a stray Space gives:
        // "Yes" deletes recordings and clears the program's data.
        ui->btn_cancel->setFocus(Qt::OtherFocusReason);
    } else {
        ui->btn_ok->setGeometry(int((W - 80 * s) * 0.5), B, bw, bh);
        ui->btn_ok->setText(QStringLiteral("OK"));
        ui->btn_cancel->hide();
        ui->btn_ok->setFocus(Qt::OtherFocusReason);
    }

    kind = k;
    icons.clear();
    const QPixmap strip(QStringLiteral(":/images/res/msgico.png"));
    const int side = int(50 * s);
    for (int i = 0; i < 3; ++i) {
        if (strip.isNull()) {
            icons.append(QPixmap());
            continue;
        }
        const int pw = strip.width() / 3;
        icons.append(strip.copy(i * pw, 0, pw, strip.height())
                         .scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }

    // A message with a link is shown by the label, which renders the rich
    // text and opens a clicked link in the browser.
    const QRect messageArea(int(95 * s), int(58 * s), textRect.width(), textRect.height());
    if (holdsLink(text)) {
        linkLabel->setGeometry(messageArea);
        // A style sheet on the label hides its palette's link colour from
        // the rich text, so the colour travels with the text.
        linkLabel->setText(QStringLiteral("<style>a { color: #6eaaff; }</style>") + text);
        linkLabel->show();
    } else {
        linkLabel->hide();
    }

    setGeometry(0, 0, W, int(H));
    // The layout is fixed; a frame from the window manager must not resize it.
    setFixedSize(W, int(H));
    CenterWindow(this, parentWidget());
    update();
}

void MsgBoxDialog::paintEvent(QPaintEvent* e)
{
    Q_UNUSED(e);
    ZD_HideWindowTitleBarButton(ZD_WINDOW_ID(winId()), 0, 0, 0);

    const double s = g_dpi_percent;
    const int w = width();
    const int h = height();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    p.setBrush(QColor(46, 49, 54));
    p.setPen(QColor(50, 60, 60));
    p.drawRect(QRect(QPoint(0, 0), QPoint(w - 2, h - 2)));

    const QRect band(QPoint(1, 1), QPoint(w - 3, int(30 * s)));
    const QColor bandColor(91, 93, 104, 80);
    p.setBrush(bandColor);
    p.setPen(bandColor);
    p.drawRect(band);

    const QFont font = messageFont();
    p.setFont(font);
    p.setPen(QColor(210, 210, 210));
    p.drawText(band.adjusted(5, 0, 0, 0), Qt::AlignCenter, APP_NAME);

    if (kind >= 0 && kind < icons.size() && !icons.at(kind).isNull()) {
        const int side = int(50 * s);
        p.drawPixmap(QRect(int(24 * s), int(52 * s), side, side), icons.at(kind));
    }

    if (holdsLink(text))
        return;
    QTextLayout layout;
    layoutText(layout, text, font, int(400 * s));
    p.setPen(QColor(210, 210, 210));
    layout.draw(&p, QPointF(int(95 * s), int(58 * s)));
}

void MsgBoxDialog::on_btn_ok_clicked()
{
    done(1);
}

void MsgBoxDialog::on_btn_cancel_clicked()
{
    done(0);
}

void MsgBoxDialog::on_chk_clicked()
{
    dontPopUpAgain = ui->chk->isChecked();
}

static QWidget* boxParent(void* parent)
{
    return parent ? static_cast<QWidget*>(parent) : AfxGetMainWindow();
}

int AfxMessageBox(void* parent, const QString& text, int kind)
{
    if (const auto& hook = MsgBoxDialog::testHook())
        return hook(text, kind);
    MsgBoxDialog box(boxParent(parent));
    box.InitValues(text, kind, false);
    return box.exec();
}

int AfxMessageBoxQuestion(void* parent, const QString& text, const QString& yesText,
                          const QString& noText, bool* dontPopUpAgain)
{
    if (const auto& hook = MsgBoxDialog::testHook()) {
        if (dontPopUpAgain)
            *dontPopUpAgain = false;
        return hook(text, MSGBOX_QUESTION);
    }
    MsgBoxDialog box(boxParent(parent));
    box.yesText =
        yesText.isEmpty() ? getLang(3, QString(), QString(), QString(), QString()) : yesText;
    box.noText = noText.isEmpty() ? getLang(4, QString(), QString(), QString(), QString()) : noText;
    box.InitValues(text, MSGBOX_QUESTION, dontPopUpAgain != nullptr);
    const int result = box.exec();
    if (dontPopUpAgain)
        *dontPopUpAgain = box.dontPopUpAgain;
    return result;
}
