#include "todo/myedit.h"

#include "todo/taskappearance.h"
#include "todo/taskid.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

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
    painter->drawText(option.rect, Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextWrapAnywhere,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
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
