#include "rtmpservercombobox.h"

#include <QStandardItem>

#include "stdafx.h"

RtmpServerComboBox::RtmpServerComboBox(QWidget* parent) : XComboBox(parent) {}

RtmpServerComboBox::~RtmpServerComboBox() = default;

void RtmpServerComboBox::UpdateText()
{
    QStringList ticked;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QStandardItem* item = model.item(row);
        if (item && item->data(Qt::CheckStateRole).toInt() != 0)
            ticked << item->text();
    }
    QString text;
    if (ticked.size() > 1)
        text =
            getLang(19017, QStringLiteral("Selected #v1# servers"), QString::number(ticked.size()));
    else if (ticked.size() == 1)
        text = ticked.first();
    else
        text = getLang(19016, QStringLiteral("No selected server"));
    edit->setText(text);
    edit->setToolTip(text);
}
