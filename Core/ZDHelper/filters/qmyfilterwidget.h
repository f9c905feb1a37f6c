// One row of a filter list: the filter's enable box, its name as a link that
// opens the filter editor, and a remove button. The row only forwards the
// user's clicks to the list that owns it.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>

class QCheckBox;
class QHyperLink;
class QMyPushButton;
class QFiltersWidget;

class QMyFilterWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QMyFilterWidget(QWidget* parent = nullptr);

    // Creates the three controls: link text = name, box ticked when enabled.
    void add(const QString& name, bool enabled);
    // Sets the row's geometry and places its controls in it.
    void moveto(int x, int y, int width, int height);

    QColor bgColor;
    QCheckBox* enableBox = nullptr;
    QHyperLink* nameLink = nullptr;
    QMyPushButton* removeButton = nullptr;
    QFiltersWidget* owner = nullptr;
    uint32_t filterId = 0;
    // The user was told that the engine refused this row's filter.
    bool refusalTold = false;

public slots:
    void btnCheckBoxClick();
    void btnTipClick();
    void btnDelClick();

protected:
    void paintEvent(QPaintEvent* e) override;
};
