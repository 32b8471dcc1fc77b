#include "todo/myitemdelegate.h"

#include "todo/taskid.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QPainter>
#include <QStyle>

myItemDelegate::myItemDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

void myItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const
{
    // Only the box: the row's selection tint belongs to the text column.
    QStyleOptionButton box;
    box.rect = option.rect;
    box.state = QStyle::State_Enabled
        | (index.data(Qt::DisplayRole).toBool() ? QStyle::State_On : QStyle::State_Off);
    QApplication::style()->drawControl(QStyle::CE_CheckBox, &box, painter, nullptr);
}

// The box alone, whatever the flag: sized by its value ("true" is narrower
// than "false"), ticking a task would change the text column's width and
// re-wrap every task.
QSize myItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    QStyle* style = QApplication::style();
    QStyleOptionButton box;
    box.rect = option.rect;
    return style->sizeFromContents(QStyle::CT_CheckBox, &box,
                                   QSize(style->pixelMetric(QStyle::PM_IndicatorWidth, &box),
                                         style->pixelMetric(QStyle::PM_IndicatorHeight, &box)));
}

bool myItemDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                 const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        model->setData(index, !index.data(Qt::DisplayRole).toBool(), Qt::EditRole);
        id = taskIdOf(index);
        emit do_changed(id, index.data(Qt::DisplayRole).toBool());
        event->accept();
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

QWidget* myItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex&) const
{
    return new QCheckBox(parent);
}

void myItemDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* box = qobject_cast<QCheckBox*>(editor))
        box->setChecked(index.data(Qt::EditRole).toBool());
    id = taskIdOf(index);
}

bool myItemDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* box = qobject_cast<QCheckBox*>(object);
    if (box && (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease)) {
        box->setChecked(!box->isChecked());
        emit do_changed(id, box->isChecked());
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void myItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const
{
    if (auto* box = qobject_cast<QCheckBox*>(editor))
        model->setData(index, box->isChecked(), Qt::EditRole);
}
