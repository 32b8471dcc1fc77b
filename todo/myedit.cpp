#include "todo/myedit.h"

#include "todo/taskappearance.h"
#include "todo/taskid.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTextLayout>

#include <limits>

myEdit::myEdit(const TaskAppearance& look, QObject* parent)
    : QStyledItemDelegate(parent)
    , look(look)
{
}

void myEdit::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QFont font = look.font;
    font.setStrikeOut(index.siblingAtColumn(0).data(Qt::DisplayRole).toBool());

    painter->save();
    painter->setFont(font);
    painter->setPen(look.textColor);
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, QColor(123, 195, 240, 100));
    drawWrapped(painter, option.rect, index.data(Qt::DisplayRole).toString(), font);
    painter->restore();
}

// Wrapped between words (inside a word only when it is longer than the
// line) and vertically centred; the last line's descent may reach past the
// row. A text taller than that starts at the top and shows the lines that
// fit whole, the last one ending in an ellipsis: no line is cut through.
void myEdit::drawWrapped(QPainter* painter, const QRect& rect, const QString& text, const QFont& font)
{
    QTextLayout layout(text, font, painter->device());
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(wrapping);
    qreal height = 0;
    int fitting = 0;
    bool whole = true;
    layout.beginLayout();
    // Lines past the row are not laid out: a task can be very long, and
    // this runs at every paint.
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
        if (height <= rect.height() || fitting == 0)
            ++fitting;
        if (height - line.descent() > rect.height()) {
            whole = false;
            break;
        }
    }
    layout.endLayout();
    if (whole)
        fitting = layout.lineCount();
    const QPointF origin(rect.left(), rect.top() + (whole ? (rect.height() - height) / 2 : 0.0));
    painter->setClipRect(rect, Qt::IntersectClip);
    for (int i = 0; i < fitting; ++i) {
        const QTextLine line = layout.lineAt(i);
        if (whole || i + 1 < fitting) {
            line.draw(painter, origin);
            continue;
        }
        const QString rest = QFontMetrics(font, painter->device())
                                 .elidedText(text.mid(line.textStart(), 4096).simplified(), Qt::ElideRight, rect.width());
        painter->drawText(origin + QPointF(0, line.y() + line.ascent()), rest);
    }
}

bool myEdit::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                         const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        id = taskIdOf(index);
        event->accept();
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

QWidget* myEdit::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new QLineEdit(parent);
    // A line editor keeps at most 32767 characters unless told otherwise,
    // which would cut a longer task the moment its editor merely opens.
    editor->setMaxLength(std::numeric_limits<int>::max());
    connect(editor, &QLineEdit::editingFinished, this, &myEdit::editFinish);
    return editor;
}

void myEdit::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(index.data(Qt::EditRole).toString());
    id = taskIdOf(index);
}

void myEdit::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                  const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}

bool myEdit::eventFilter(QObject* object, QEvent* event)
{
    if (auto* line = qobject_cast<QLineEdit*>(object)) {
        if (event->type() == QEvent::FocusIn) {
            line->deselect();
        } else if (event->type() == QEvent::KeyPress
                   && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            // Escape abandons the edit. Closing the editor takes its focus
            // away, which would otherwise report the abandoned text as final.
            disconnect(line, &QLineEdit::editingFinished, this, &myEdit::editFinish);
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void myEdit::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        model->setData(index, line->text(), Qt::EditRole);
    id = taskIdOf(index);
}

void myEdit::editFinish()
{
    auto* line = qobject_cast<QLineEdit*>(sender());
    if (!line)
        return;
    // One report per editor: Enter finishes the edit, and the editor then
    // loses its focus while it is closed, which finishes it a second time.
    disconnect(line, &QLineEdit::editingFinished, this, &myEdit::editFinish);
    emit do_changed(id, line->text());
}
