// The live panel's box of RTMP servers: a check-list combo box whose closed
// text says how many servers are ticked rather than listing their names.
#pragma once

#include "qmycheckcombobox.h"

class RtmpServerComboBox : public XComboBox
{
    Q_OBJECT
public:
    explicit RtmpServerComboBox(QWidget* parent = nullptr);
    ~RtmpServerComboBox() override;

    void UpdateText() override;
};
