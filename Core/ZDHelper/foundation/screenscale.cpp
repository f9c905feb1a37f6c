#include "screenscale.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QWidget>

#include <climits>

#include "myevent.h"
#include "picturebox.h"
#include "qhyperlink.h"
#include "qmypushbutton.h"
#include "stdafx.h"

int pt2pix_scale(int points)
{
    return int(double(points * 96 / 72) * g_dpi_percent);
}

int scale_pointsize(int points)
{
    return pt2pix_scale(points) * 72 / 96;
}

QRect scale_rect(const QRect& r)
{
    return scale_rect2(r.left(), r.top(), r.width(), r.height());
}

QRect scale_rect2(int left, int top, int width, int height)
{
    const double s = g_dpi_percent;
    return QRect(int(left * s), int(top * s), int(width * s), int(height * s));
}

QRect scale_rect_bottom2(int left, int top, int width, int height)
{
    const double s = g_dpi_percent;
    const int bottom = top + height;
    const int x = int(left * s);
    return QRect(QPoint(x, int(bottom - height * s)), QPoint(x + int(width * s) - 1, bottom));
}

static void adjustOneFont(QWidget* w)
{
    QFont f = w->font();
    const int px = pt2pix_scale(f.pointSize());
    // A font already given in pixels has no point size; Qt would refuse the
    // resulting size, so it simply keeps its pixels.
    if (px > 0)
        f.setPixelSize(px);
    w->setFont(f);
}

void AdjustFonts(QWidget* widget)
{
    const QList<QWidget*> children = widget->findChildren<QWidget*>();
    for (QWidget* child : children)
        adjustOneFont(child);
    adjustOneFont(widget);
}

void AdjustRects(QWidget* widget, bool scaleSelf)
{
    const QList<QWidget*> children = widget->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->setGeometry(scale_rect(child->geometry()));
    if (scaleSelf)
        widget->setGeometry(scale_rect(widget->geometry()));
}

static QRect screenAreaOf(const QWidget* w)
{
    // A window placed off every screen (a new one not yet shown) is centred
    // on the screen Qt associates with it, else on the primary screen.
    QScreen* screen = QGuiApplication::screenAt(w->pos());
    if (!screen)
        screen = w->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void CenterWindow(QWidget* widget, QWidget* reference)
{
    QRect area = screenAreaOf(widget);
    if (!reference) {
        QWidget* main = AfxGetMainWindow();
        if (main && main != widget)
            area = main->frameGeometry();
    } else if (reference == widget) {
        if (QWidget* parent = widget->parentWidget())
            area = parent->window()->frameGeometry();
    } else {
        // A child widget's geometry is relative to its parent: centre over
        // the window it lies in, on the screen.
        area = reference->window()->frameGeometry();
    }
    widget->setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, widget->size(), area));
}

void AdjustComboBoxViewWidth(QComboBox* combo)
{
    QString longest;
    for (int i = 0; i < combo->count(); ++i) {
        const QString t = combo->itemText(i);
        if (t.size() > longest.size())
            longest = t;
    }
    const QFontMetrics fm(combo->font());
    const int measured =
        fm.boundingRect(QRect(0, 0, 2000, fm.height()), Qt::TextSingleLine, longest).width();
    const double margin = 30 * g_dpi_percent;
    if (measured > combo->width() - margin)
        combo->view()->setFixedWidth(int(measured + margin));
}

// ---- Fitting controls to their texts -----------------------------------------

namespace
{

int labelShortfall(const QLabel* label)
{
    if (label->text().isEmpty() || !label->pixmap().isNull() ||
        qobject_cast<const PictureBox*>(label))
        return 0;
    if (!label->wordWrap())
        return qMax(0, label->sizeHint().width() - label->width());
    // A wrapped text breaks between words: only a word wider than the label
    // is cut.
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QFontMetrics fm(label->font());
    int widest = 0;
    for (const QString& word : label->text().split(blanks, Qt::SkipEmptyParts))
        widest = qMax(widest, fm.horizontalAdvance(word));
    const int room = label->contentsRect().width() - 2 * label->margin();
    return qMax(0, widest - room);
}

int buttonShortfall(const QAbstractButton* button)
{
    const QString text = button->text();
    if (text.isEmpty())
        return 0;
    if (qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button))
        return qMax(0, button->sizeHint().width() - button->width());
    if (qobject_cast<const QHyperLink*>(button))
        return qMax(0, QFontMetrics(button->font()).horizontalAdvance(text) - button->width());
    const auto* picture = qobject_cast<const QMyPushButton*>(button);
    if (picture && picture->stateCount() >= 2) {
        // Drawn by the button itself, bold, right of its text offset.
        QFont f = button->font();
        f.setFamily(g_Global.fontName);
        f.setPixelSize(qMax(1, pt2pix_scale(picture->fontPointSize)));
        f.setWeight(QFont::Bold);
        const int room = button->width() - int(button->width() * picture->textLeftRatio);
        return qMax(0, QFontMetrics(f).horizontalAdvance(text) - room);
    }
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = text;
    opt.icon = button->icon();
    opt.iconSize = button->iconSize();
    int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, button).width();
    if (!opt.icon.isNull())
        room -= opt.iconSize.width() + 4;
    return qMax(0, QFontMetrics(button->font()).horizontalAdvance(text) - room);
}

int comboShortfall(const QComboBox* combo)
{
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = combo->isEditable();
    opt.frame = combo->hasFrame();
    const int room =
        combo->style()
            ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo)
            .width();
    const QFontMetrics fm(combo->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i) {
        int w = fm.horizontalAdvance(combo->itemText(i));
        if (!combo->itemIcon(i).isNull())
            w += combo->iconSize().width() + 4;
        widest = qMax(widest, w);
    }
    return qMax(0, widest - room);
}

int numberFieldShortfall(const QLineEdit* edit)
{
    const auto* numbers = qobject_cast<const QIntValidator*>(edit->validator());
    if (!numbers)
        return 0;
    const QString widest =
        QString::number(qMax(qAbs(qint64(numbers->top())), qAbs(qint64(numbers->bottom()))));
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    const QMargins m = edit->textMargins();
    // A line edit keeps two pixels clear on each side of its text.
    const int room =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit).width() - m.left() -
        m.right() - 4;
    return qMax(0, QFontMetrics(edit->font()).horizontalAdvance(widest) - room);
}

bool alignedRight(const QWidget* w)
{
    const auto* label = qobject_cast<const QLabel*>(w);
    return label && (label->alignment() & Qt::AlignRight);
}

// Widens a widget by delta, keeping its left edge or, with keepRight, its
// right edge.
void widen(QWidget* w, int delta, bool keepRight = false)
{
    const QRect r = w->geometry();
    w->setGeometry(keepRight ? r.x() - delta : r.x(), r.y(), r.width() + delta, r.height());
}

// The parents of w, up to its window, grow to the right until w lies inside
// each of them, and inside the window by its margin. A hidden parent grows,
// but what holds it does not grow for it.
void growParentsToHold(QWidget* w)
{
    const int margin = int(8 * g_dpi_percent);
    // w's rectangle in the coordinates of the parent being looked at.
    QRect r = w->geometry();
    for (QWidget* parent = w->parentWidget(); parent; parent = parent->parentWidget()) {
        const int need = r.right() + 1 + (parent->isWindow() ? margin : 0);
        if (need > parent->width()) {
            if (parent->minimumWidth() == parent->maximumWidth())
                parent->setFixedWidth(need);
            else
                parent->resize(need, parent->height());
        }
        if (parent->isWindow() || parent->isHidden())
            break;
        r.translate(parent->pos());
    }
}

} // namespace

int TextWidthShortfall(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return labelShortfall(label);
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return buttonShortfall(button);
    if (const auto* combo = qobject_cast<const QComboBox*>(w))
        return comboShortfall(combo);
    if (const auto* edit = qobject_cast<const QLineEdit*>(w))
        return numberFieldShortfall(edit);
    return 0;
}

void FitRowToText(const QList<QWidget*>& row)
{
    const int smallGap = int(6 * g_dpi_percent);
    // Never less than this between two controls, even where the form had
    // them touch: a text that now fills its box would touch the next one.
    const int leastGap = int(3 * g_dpi_percent);
    QList<int> gaps;
    for (qsizetype i = 0; i + 1 < row.size(); ++i)
        gaps << row.at(i + 1)->x() - (row.at(i)->geometry().right() + 1);
    for (qsizetype i = 0; i < row.size(); ++i) {
        QWidget* w = row.at(i);
        const int missing = TextWidthShortfall(w);
        if (missing > 0)
            widen(w, missing);
        if (i + 1 < row.size()) {
            QWidget* next = row.at(i + 1);
            const int gap = qMax(qMin(gaps.at(i), smallGap), leastGap);
            const int shift = w->geometry().right() + 1 + gap - next->x();
            if (shift > 0)
                next->move(next->x() + shift, next->y());
        }
    }
    for (QWidget* w : row)
        growParentsToHold(w);
}

void FitColumnToText(const QList<QWidget*>& column)
{
    if (column.isEmpty() || !column.first()->parentWidget())
        return;
    QWidget* parent = column.first()->parentWidget();
    const double s = g_dpi_percent;
    const int smallGap = int(6 * s);
    // The window's left edge plus its margin, in the parent's coordinates.
    const int leftLimit = int(8 * s) - parent->mapTo(parent->window(), QPoint(0, 0)).x();

    int columnRight = 0;
    for (const QWidget* w : column)
        columnRight = qMax(columnRight, w->geometry().right());

    // Captions aligned to the right keep one right edge, so they grow to the
    // right together, by what the neediest one lacks after taking the room on
    // its left; the others grow by what each lacks.
    int grow = 0;
    for (QWidget* w : column) {
        int missing = TextWidthShortfall(w);
        if (!alignedRight(w)) {
            widen(w, missing);
            continue;
        }
        const int right = w->geometry().right() + 1;
        const int textLeft = right - (w->width() + missing);
        const int leftward = qBound(0, w->x() - qMax(textLeft, leftLimit), missing);
        widen(w, leftward, true);
        // A text that comes closer to the window's edge than the margin
        // needs room as well.
        grow = qMax(grow, qMax(missing - leftward, leftLimit - textLeft));
    }
    int textRight = 0;
    for (QWidget* w : column) {
        if (alignedRight(w) && grow > 0)
            widen(w, grow);
        textRight = qMax(textRight, w->geometry().right() + 1);
    }

    // What stands right of the column, in the column's rows, keeps clear of
    // the texts.
    QList<QWidget*> right;
    int firstLeft = INT_MAX;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || column.contains(w) || w->geometry().center().x() <= columnRight)
            continue;
        bool inRow = false;
        for (const QWidget* c : column)
            inRow = inRow || (w->y() < c->geometry().bottom() && c->y() < w->geometry().bottom());
        if (!inRow)
            continue;
        right << w;
        firstLeft = qMin(firstLeft, w->x());
    }
    const int shift = textRight + smallGap - firstLeft;
    if (!right.isEmpty() && shift > 0) {
        for (QWidget* w : right) {
            w->move(w->x() + shift, w->y());
            growParentsToHold(w);
        }
    }
    for (QWidget* w : column)
        growParentsToHold(w);
}

int FitHeightToText(QLabel* label)
{
    if (!label->wordWrap() || label->text().isEmpty())
        return label->height();
    const QMargins m = label->contentsMargins();
    const int room = label->width() - m.left() - m.right() - 2 * label->margin();
    const int flags = int(label->alignment()) | Qt::TextWordWrap | Qt::TextExpandTabs;
    const int textHeight = QFontMetrics(label->font())
                               .boundingRect(QRect(0, 0, room, 100000), flags, label->text())
                               .height();
    const int need = textHeight + m.top() + m.bottom() + 2 * label->margin();
    if (need > label->height())
        label->resize(label->width(), need);
    return label->height();
}
