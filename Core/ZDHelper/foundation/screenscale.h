// Screen scaling. Every window is laid out in pixel coordinates designed for
// a 96-dpi screen and passed through these helpers, which multiply sizes and
// positions by one display factor. Conversions to int truncate toward zero.
#pragma once

#include <QRect>

class QComboBox;
class QWidget;

// The display factor; read at every call, so a new value applies to whatever
// is laid out afterwards.
extern double g_dpi_percent;

int pt2pix_scale(int points);
int scale_pointsize(int points);
QRect scale_rect(const QRect& r);
QRect scale_rect2(int left, int top, int width, int height);
// Anchored at the bottom: the last row is top + height exactly, whatever the
// factor, so controls along a lower edge stay on it.
QRect scale_rect_bottom2(int left, int top, int width, int height);

void AdjustFonts(QWidget* widget);
void AdjustRects(QWidget* widget, bool scaleSelf);
void CenterWindow(QWidget* widget, QWidget* reference);
void AdjustComboBoxViewWidth(QComboBox* combo);
