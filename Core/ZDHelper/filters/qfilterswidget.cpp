#include "qfilterswidget.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <cstring>

#include "msgboxdialog.h"
#include "qfiltereditdialog.h"
#include "qhyperlink.h"
#include "qmyfilterhelper.h"
#include "qmyfilters.h"
#include "qmyfilterwidget.h"
#include "qmypushbutton.h"
#include "qtemp1widget.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{

const char* const kMenuStyle =
    "QMenu{background:rgb(71,73,78);color:rgb(240,240,240);} QMenu::Item:selected{background: "
    "#5a69e1;} QMenu::Item:!enabled{color: rgb(130,130,130);background:rgba(0,0,0,0);}";

const QColor kRowLine(53, 53, 53);
const QColor kListBackground(43, 43, 43);

constexpr int kBlurRadiusMax = 100;

// Copies a menu text into the record's name field, cut at a character so
// that its terminator always fits.
void setItemName(FILTERITEM& item, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    qsizetype n = std::min<qsizetype>(bytes.size(), sizeof(item.name) - 1);
    if (n < bytes.size()) {
        while (n > 0 && (uchar(bytes.at(n)) & 0xC0) == 0x80)
            --n;
    }
    memset(item.name, 0, sizeof(item.name));
    memcpy(item.name, bytes.constData(), n);
}

} // namespace

QFiltersWidget::QFiltersWidget(QWidget* parent) : QWidget(parent)
{
    caption = new QLabel(this);
    caption->setText(getLang(32000, "Filters:"));

    addButton = new QMyPushButton(this);
    addButton->setToolTip(getLang(32001, "Add filter"));
    connect(addButton, &QMyPushButton::clicked, this, &QFiltersWidget::onAddClick);

    scrollArea = new QScrollArea(this);
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->horizontalScrollBar()->setFixedHeight(0);
    QPalette pal = scrollArea->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Window, kListBackground);
    scrollArea->setPalette(pal);

    container = new QTemp1Widget(scrollArea);
    container->bgColor = kListBackground;
    scrollArea->setWidget(container);
}

void QFiltersWidget::InitAll(const QString& key, const QString& overlay)
{
    if (!g_Global.pFilterStore)
        return;
    filters = g_Global.pFilterStore->getDeviceFilters(key);
    if (!overlay.isEmpty())
        filters->setPipDevName(overlay);
    for (const FILTERITEM& item : filters->filterList)
        AddFilterItem(item);
}

void QFiltersWidget::SaveFilters()
{
    if (filters)
        filters->saveDeviceFilters();
}

void QFiltersWidget::setEnabled(bool on)
{
    // An enabled picture button drops its disabled look by itself.
    addButton->setEnabled(on);
    if (on)
        addButton->update();
    caption->setEnabled(on);
    QWidget::setEnabled(on);
}

QMyFilterWidget* QFiltersWidget::AddFilterItem(const FILTERITEM& item)
{
    const double s = g_dpi_percent;
    const int rowWidth = width() - int(20 * s);
    const int rowHeight = int(20 * s);

    auto* row = new QMyFilterWidget(container);
    row->add(QString::fromLocal8Bit(FilterItemName(item)), item.enabled != 0);
    if (item.type == FILTER_VFLIP || item.type == FILTER_HFLIP)
        row->nameLink->setAsStaticLabel(true);
    row->moveto(0, int(rows.size() * 20 * s), rowWidth, rowHeight);
    row->owner = this;
    row->filterId = item.id;
    row->bgColor = kRowLine;
    row->show();
    rows.append(row);

    container->resize(rowWidth, int(rows.size() * 20 * s));
    container->setMinimumSize(container->size());
    return row;
}

int QFiltersWidget::blurRadiusLimit() const
{
    // Only the main source has a frame size the engine tells; layers keep
    // the full range.
    if (!filters || filters->pip)
        return kBlurRadiusMax;
    DEV_CAPACITY format{};
    if (ZD_GetCurrentDeviceCapacity(g_Global.hCore, &format, nullptr) != 1 || format.width <= 0 ||
        format.height <= 0)
        return kBlurRadiusMax;
    return std::min(kBlurRadiusMax, std::min(format.width, format.height) / 4);
}

void QFiltersWidget::openEditor(FILTERITEM* item, QMyFilterWidget* row)
{
    QWidget* anchor = dialogAnchor ? dialogAnchor : parentWidget();
    QFilterEditDialog dlg(this, anchor);
    dlg.item = item;
    dlg.row = row;
    dlg.InitDlg(int(item->type));
    dlg.exec();
}

void QFiltersWidget::EditFilterItem(uint32_t id, QMyFilterWidget* row)
{
    if (!filters)
        return;
    FILTERITEM* item = filters->getFilter(id);
    // The flips have nothing to edit.
    if (!item || item->type == FILTER_VFLIP || item->type == FILTER_HFLIP)
        return;
    openEditor(item, row);
}

void QFiltersWidget::DeleteFilterItem(uint32_t id)
{
    for (int i = 0; i < rows.size(); ++i) {
        QMyFilterWidget* row = rows.at(i);
        if (row->filterId != id)
            continue;
        if (filters)
            filters->DelFilter(id);
        rows.removeAt(i);
        // The row may be the sender of the click that got here.
        row->hide();
        row->owner = nullptr;
        row->deleteLater();
        resizeFilterItems();
        return;
    }
}

void QFiltersWidget::EnableFilterItem(uint32_t id, bool on)
{
    const bool taken = filters && filters->EnableFilter(id, on);
    if (on && !taken) {
        for (QMyFilterWidget* row : std::as_const(rows)) {
            if (row->filterId == id)
                showRefused(row);
        }
    }
}

void QFiltersWidget::EditFilterByFilterDlg(QMyFilterWidget* row, const FILTERITEM* item)
{
    if (!item)
        return;
    if (row && row->nameLink) {
        row->nameLink->setText(QString::fromLocal8Bit(FilterItemName(*item)));
        row->nameLink->UpdateAll();
    }
    // Refused, the engine keeps the filter as it was; switched off, it shows
    // what the row then says.
    if (filters && !filters->EditFilter(item->id, item)) {
        filters->EnableFilter(item->id, false);
        showRefused(row);
    }
}

void QFiltersWidget::showRefused(QMyFilterWidget* row)
{
    if (!row)
        return;
    if (row->enableBox)
        row->enableBox->setChecked(false);
    if (row->refusalTold)
        return;
    row->refusalTold = true;
    const QString name = row->nameLink ? row->nameLink->text() : QString();
    AfxMessageBox(this,
                  getLang(-1,
                          "The filter \"#v1#\" cannot be applied to this picture; it stays in "
                          "the list, switched off.",
                          name),
                  MSGBOX_ERROR);
}

void QFiltersWidget::resizeFilterItems()
{
    const double s = g_dpi_percent;
    const int rowWidth = width() - int(20 * s);
    const int rowHeight = int(20 * s);
    int top = 0;
    for (QMyFilterWidget* row : rows) {
        row->moveto(0, top, rowWidth, rowHeight);
        row->bgColor = kRowLine;
        top = int(top + 20 * s);
    }
    container->resize(rowWidth, int(rows.size() * 20 * s));
    container->setMinimumSize(container->size());
}

void QFiltersWidget::onAddClick()
{
    QMenu menu;
    AdjustFonts(&menu);
    const struct {
        unsigned id;
        const char* text;
        int kind;
    } entries[] = {
        {32003, "Box blur", FILTER_BOXBLUR},      {32004, "Color balance", FILTER_COLORBALANCE},
        {32005, "Equalizer", FILTER_EQUALIZER},   {32006, "Vertical flip", FILTER_VFLIP},
        {32007, "Horizontal flip", FILTER_HFLIP}, {32008, "Color style", FILTER_COLORSTYLE},
        {33300, "Remove Color", FILTER_COLORKEY},
    };
    for (const auto& e : entries) {
        QAction* action = menu.addAction(getLang(e.id, e.text));
        action->setData(e.kind);
        menu.addSeparator();
    }
    menu.setStyleSheet(kMenuStyle);
    connect(&menu, &QMenu::triggered, this, &QFiltersWidget::menu_tt);
    menu.exec(addButton->mapToGlobal(addButton->rect().bottomLeft()));
}

void QFiltersWidget::menu_tt(QAction* action)
{
    if (!action || !filters)
        return;
    FILTERITEM item;
    memset(&item, 0, sizeof(item));
    item.type = action->data().toUInt();
    item.enabled = 1;
    item.id = filters->NewFilterId();
    setItemName(item, action->text());
    InitFilterDataDefault(&item);
    // A filter the engine refused is neither applied nor kept in the chain;
    // its row stays, switched off, and says so, and there is nothing for the
    // editor to change.
    if (filters->addFilter(item) < 0) {
        item.enabled = 0;
        showRefused(AddFilterItem(item));
        return;
    }
    QMyFilterWidget* row = AddFilterItem(item);
    if (item.type != FILTER_VFLIP && item.type != FILTER_HFLIP)
        openEditor(&item, row);
}

void QFiltersWidget::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const double s = g_dpi_percent;
    const int w = width();
    const int h = height();
    caption->setGeometry(scale_rect2(0, 0, 200, 20));
    const int side = int(20 * s);
    addButton->setGeometry(w - side, 0, side, side);
    scrollArea->setGeometry(0, side, w, h - side);
    resizeFilterItems();
    if (addButton->stateCount() == 0 && side > 0)
        addButton->SetPicture(":/images/res/add2.png", 4);
}
