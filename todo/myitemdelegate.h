#pragma once

#include <QStyledItemDelegate>

// Draws the done flag of a task as a check box and turns it over on a click.
// The task it belongs to is found in the hidden ID column of the same row.
class myItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit myItemDelegate(QObject* parent = nullptr);

    bool eventFilter(QObject* object, QEvent* event) override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

signals:
    void do_changed(qint64 id, bool done);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    // The task this delegate served last; the const editor hooks update it.
    mutable qint64 id = 0;
};
