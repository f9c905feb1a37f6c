#include "qscenetextsetup.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <memory>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "sceneitemdata.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qscenetextsetup.h"
#include "vazURIdav.h"

QSceneTextSetup::QSceneTextSetup(QWidget* parent) : MyDialog(parent), ui(new Ui::QSceneTextSetup)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);
    setWindowTitle(getLang(39000, "Text"));
    titleText = windowTitle();
    ui->salpha->setText(getLang(21106, "Alpha:"));
    ui->sname->setText(getLang(21101, "Name:"));
    ui->s1->setText(getLang(39001, "Font:"));
    ui->s2->setText(getLang(39002, "Size:"));
    ui->btnOK->setText(getLang(1, "OK"));
    ui->btnCancel->setText(getLang(2, "Cancel"));
    ui->checkBox->setText(getLang(39003, "Bold"));
    ui->checkBox_2->setText(getLang(39004, "Italic"));
    ui->edit_name->setMaxLength(255);
    ui->cbx2->setValidator(
        new QRegularExpressionValidator(QRegularExpression("^[0-9]*[1-9][0-9]*$"), ui->cbx2));
    ui->cbx2->addItems({"32", "48", "64", "72", "96", "128"});
    ui->cbx2->setEditable(true);
    ui->cbx1->addItems(FontFamilies());
    ui->cbx1->view()->setFixedWidth(int(200 * g_dpi_percent));
    // What the user types is drawn as typed, never read as markup.
    ui->textEdit->setAcceptRichText(false);
    connect(ui->btnOK, &QPushButton::clicked, this, &QSceneTextSetup::onOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QSceneTextSetup::onCancelClick);
    connect(ui->alpha_slider, &QSlider::valueChanged, this, &QSceneTextSetup::onAlphaChanged);
    connect(ui->checkBox, &QCheckBox::clicked, this, &QSceneTextSetup::onBoldClick);
    connect(ui->checkBox_2, &QCheckBox::clicked, this, &QSceneTextSetup::onItalicClick);
    connect(ui->cbx1, &QComboBox::currentTextChanged, this, &QSceneTextSetup::onFontChanged);
    connect(ui->cbx2, &QComboBox::currentTextChanged, this, &QSceneTextSetup::onSizeChanged);
    AdjustFonts(this);
    AdjustRects(this, true);
    CenterWindow(this, nullptr);
    GA_TrackScreen("live_add_text");
}

QStringList QSceneTextSetup::FontFamilies()
{
    // Qt names a family that several foundries make "Family [Foundry]"; the
    // engine looks fonts up by the family's own name, and took such an entry
    // for an unknown font and drew the text in its fallback.
    static const QRegularExpression foundry(QStringLiteral(" \\[[^\\]]*\\]$"));
    QStringList names;
    for (QString family : QFontDatabase::families()) {
        family.remove(foundry);
        if (!family.isEmpty() && !names.contains(family))
            names << family;
    }
    return names;
}

QString QSceneTextSetup::MatchedFamily(const QString& family, bool bold, bool italic)
{
    struct PatternDeleter {
        void operator()(FcPattern* p) const { FcPatternDestroy(p); }
    };
    using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
    if (!FcInit())
        return QString();
    PatternPtr pattern(FcPatternCreate());
    if (!pattern)
        return QString();
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern.get(), FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(name.constData()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* matched = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &matched) != FcResultMatch ||
        !matched)
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char*>(matched));
}

QSceneTextSetup::~QSceneTextSetup()
{
    delete ui;
}

void QSceneTextSetup::InitValue(SceneItemData* item, bool doApply)
{
    layer = item;
    apply = doApply;
    const SCENE_TEXT_PARAMS* p = layer->textParams();
    // Plain text: a stored text that looks like markup is still the user's
    // text, and OK stores back exactly what is shown.
    ui->textEdit->setPlainText(SceneFieldText(p->text, sizeof p->text));
    ui->btncolor->setColor(p->colour);
    // A font the machine lacks ("Tahoma", the default, on most Linux
    // systems) shows as the family the engine draws it with, so that OK keeps
    // the look instead of storing the list's first family.
    const QString font = SceneFieldText(p->font, sizeof p->font);
    int fontIndex = ui->cbx1->findText(font);
    if (fontIndex < 0)
        fontIndex = ui->cbx1->findText(MatchedFamily(font, p->bold != 0, p->italic != 0));
    if (fontIndex >= 0)
        ui->cbx1->setCurrentIndex(fontIndex);
    ui->cbx2->setCurrentText(QString::number(p->size));
    ui->checkBox->setChecked(p->bold != 0);
    ui->checkBox_2->setChecked(p->italic != 0);
    ui->edit_name->setText(layer->name);
    ui->alpha_slider->setValue(layer->alpha);
    ui->label_alpha->setText(QString::number(layer->alpha));
}

void QSceneTextSetup::onOKClick()
{
    const QString text = ui->textEdit->toPlainText();
    const QString font = ui->cbx1->currentText();
    if (text.toLocal8Bit().size() >= int(sizeof(SCENE_TEXT_PARAMS::text))) {
        AfxMessageBox(this, getLang(39005, "The text is too long (at most 255 bytes)."),
                      MSGBOX_ERROR);
        return;
    }
    if (font.toLocal8Bit().size() >= int(sizeof(SCENE_TEXT_PARAMS::font))) {
        AfxMessageBox(this, getLang(39006, "The font name is too long."), MSGBOX_ERROR);
        return;
    }
    if (!ui->edit_name->text().isEmpty())
        layer->name = ui->edit_name->text();
    layer->alpha = ui->alpha_slider->value();
    SCENE_TEXT_PARAMS* p = layer->textParams();
    SceneSetFieldText(p->text, sizeof p->text, text);
    SceneSetFieldText(p->font, sizeof p->font, font);
    p->size = ui->cbx2->currentText().toInt();
    p->bold = ui->checkBox->isChecked() ? 1 : 0;
    p->italic = ui->checkBox_2->isChecked() ? 1 : 0;
    p->colour = ui->btncolor->Color() & 0xFFFFFF;
    if (apply) {
        layer->UpdatePip();
        const QByteArray key = layer->uuid.toLocal8Bit();
        ZD_EditOverlayDeviceCfg(g_Global.hCore, key.constData(),
                                SCENE_MASK_ALPHA | SCENE_MASK_PARAMS, &layer->pip);
    }
    done(1);
}

void QSceneTextSetup::onCancelClick()
{
    done(0);
}

void QSceneTextSetup::onAlphaChanged(int value)
{
    ui->label_alpha->setText(QString::number(value));
}

void QSceneTextSetup::onBoldClick() {}
void QSceneTextSetup::onItalicClick() {}
void QSceneTextSetup::onFontChanged(const QString&) {}
void QSceneTextSetup::onSizeChanged(const QString&) {}
