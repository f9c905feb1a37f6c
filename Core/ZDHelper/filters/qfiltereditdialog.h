// The editor of one filter: one page of controls for the filter's kind.
// Every change of a control is written into the record, its filter string
// and name are rebuilt, and the list pushes it into the chain and the engine
// at once; there is nothing to confirm and nothing to undo when it closes.
#pragma once

#include "filteritem.h"
#include "mydialog.h"

class QFiltersWidget;
class QMyFilterWidget;
namespace Ui
{
class QFilterEditDialog;
}

class QFilterEditDialog : public MyDialog
{
    Q_OBJECT
public:
    QFilterEditDialog(QFiltersWidget* owner, QWidget* centerOn);
    ~QFilterEditDialog() override;

    // Prepares the kind's page from item; nothing is applied while it does.
    void InitDlg(int kind);
    // Reads the page into item, rebuilds its texts and hands it to the list.
    void upatefilterdata();

    // Slider values are tenths of the stored value: a stored k/10 shows k,
    // and a shown k stores k/10, so opening and closing changes nothing.
    static int tenthsOf(float value);
    static float fromTenths(int tenths);

    FILTERITEM* item = nullptr;
    QMyFilterWidget* row = nullptr;
    Ui::QFilterEditDialog* ui = nullptr;
    QFiltersWidget* owner = nullptr;
    QWidget* centerOn = nullptr;

public slots:
    void blru_slider_changed(int v);
    void balance_slider1_changed(int v);
    void balance_slider2_changed(int v);
    void balance_slider3_changed(int v);
    void eq_slider1_changed(int v);
    void eq_slider2_changed(int v);
    void eq_slider3_changed(int v);
    void eq_slider4_changed(int v);
    void eq_slider4_2_changed(int v);
    void eq_slider4_3_changed(int v);
    void eq_slider4_4_changed(int v);
    void eq_slider4_5_changed(int v);
    void colorkey_slider1_changed(int v);
    void colorkey_slider2_changed(int v);
    void colorkey_color_changed(unsigned int c);
    void onCsCombo(int index);
    void onAdvApplyClick();
    void onBalanceRadio1();
    void onBalanceRadio2();
    void onBalanceRadio3();
    void onOKClick();
    void onCancelClick();

private:
    void showBalanceRange(int range);
};
