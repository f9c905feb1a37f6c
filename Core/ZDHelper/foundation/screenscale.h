// Screen scaling. Every window is laid out in pixel coordinates designed for
// a 96-dpi screen and passed through these helpers, which multiply sizes and
// positions by one display factor. Conversions to int truncate toward zero.
#pragma once

#include <QRect>

#include <QList>

class QComboBox;
class QLabel;
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

// The pixel sizes of the forms were chosen for another platform's fonts, and
// this platform's draw most texts wider. These helpers give a control the
// room its text needs as this machine draws it, keeping every control's
// place where it can and always the order of the controls. Call them once the
// fonts and rectangles are scaled, and centre the window afterwards.

// How many pixels w lacks to show its whole text, 0 when it fits: labels,
// push, check and radio buttons, combo boxes (their widest entry) and number
// fields (the widest number their validator accepts).
int TextWidthShortfall(const QWidget* w);

// The controls of one row, left to right, under one parent: each widens to
// its text keeping its left edge; a control after it moves right only as far
// as it must to keep the gap it had (a small one when that gap was wider, a
// few pixels when the form had them touch); the parents, up to the window,
// grow when the row reaches past them.
void FitRowToText(const QList<QWidget*>& row);

// The captions of one column, under one parent, in front of their fields.
// A caption aligned to the right first grows to the left, as long as its
// text keeps a margin from the window's edge; the rest of the growth widens
// the whole column to the right, and what stands right of the column moves
// right as far as it must.
void FitColumnToText(const QList<QWidget*>& column);

// A word-wrapped label grows down to the height of its text; returns its
// height.
int FitHeightToText(QLabel* label);
