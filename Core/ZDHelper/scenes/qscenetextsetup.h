// The text layer editor: the text, its font family, size, bold and italic
// flags, colour, the layer's name and its opacity.
#pragma once

#include <QStringList>

#include "mydialog.h"

class SceneItemData;
namespace Ui
{
class QSceneTextSetup;
}

class QSceneTextSetup : public MyDialog
{
    Q_OBJECT
public:
    explicit QSceneTextSetup(QWidget* parent);
    ~QSceneTextSetup() override;

    // apply: OK sends the change to the engine (an existing layer).
    void InitValue(SceneItemData* layer, bool apply);
    // The system's font families by the names the engine finds them by, in
    // the font database's order.
    static QStringList FontFamilies();
    // The family fontconfig picks for a font, bold and italic as the engine
    // asks for them when it draws the layer; empty when it picks none.
    static QString MatchedFamily(const QString& family, bool bold, bool italic);

    Ui::QSceneTextSetup* ui = nullptr;
    SceneItemData* layer = nullptr;
    bool apply = false;

public slots:
    void onOKClick();
    void onCancelClick();
    void onAlphaChanged(int value);
    void onBoldClick();
    void onItalicClick();
    void onFontChanged(const QString& text);
    void onSizeChanged(const QString& text);
};
