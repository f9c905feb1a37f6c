// The filter list of one capture source inside a dialog: a caption, an add
// button with a menu of filter kinds, and one row per filter of the source's
// chain. Every change reaches the chain and the engine at once; the chain's
// file is written only by SaveFilters, which the embedding dialog calls when
// the user confirms.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "filteritem.h"

class QAction;
class QLabel;
class QScrollArea;
class QMyFilters;
class QMyFilterWidget;
class QMyPushButton;
class QTemp1Widget;

class QFiltersWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QFiltersWidget(QWidget* parent);

    // Binds the list to the chain of the key (made when there is none); a
    // non-empty overlay name becomes the chain's layer key. One row per
    // filter the chain holds in memory; the file is not read here.
    void InitAll(const QString& key, const QString& overlay);
    void SaveFilters();
    // Enables or disables the panel, its caption and its add button (shown
    // in its normal picture again when enabled).
    void setEnabled(bool on);

    QMyFilterWidget* AddFilterItem(const FILTERITEM& item);
    void EditFilterItem(uint32_t id, QMyFilterWidget* row);
    void DeleteFilterItem(uint32_t id);
    void EnableFilterItem(uint32_t id, bool on);
    // The editor's callback after each change of its record.
    void EditFilterByFilterDlg(QMyFilterWidget* row, const FILTERITEM* item);
    void resizeFilterItems();
    // A filter the engine refused: its row stays, unticked, and the user is
    // told once per row.
    void showRefused(QMyFilterWidget* row);

    // The largest box-blur radius that libavfilter accepts for the frames of
    // the bound source: boxblur needs the radius within half the smaller
    // side of every plane, and chroma planes may be half the picture's size.
    // 100 (the editor's top) when the frame size is not known.
    int blurRadiusLimit() const;

    QMyFilters* filters = nullptr;
    QList<QMyFilterWidget*> rows;
    QLabel* caption = nullptr;
    QMyPushButton* addButton = nullptr;
    QScrollArea* scrollArea = nullptr;
    QTemp1Widget* container = nullptr;
    // The filter editor is centred on it; null: the panel's parent widget.
    QWidget* dialogAnchor = nullptr;

public slots:
    void onAddClick();
    void menu_tt(QAction* action);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void openEditor(FILTERITEM* item, QMyFilterWidget* row);
};
