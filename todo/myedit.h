#pragma once

#include <QStyledItemDelegate>

struct TaskAppearance;

// Paints a task's text (struck out once the task is done) and edits it in a
// line editor. Finishing an edit reports the new text with the task's ID,
// taken from the hidden ID column of the edited row.
class myEdit : public QStyledItemDelegate {
    Q_OBJECT

public:
    // `look` belongs to the sticker and outlives the delegate.
    explicit myEdit(const TaskAppearance& look, QObject* parent = nullptr);

    bool eventFilter(QObject* object, QEvent* event) override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

signals:
    void do_changed(qint64 id, QString text);

public slots:
    void editFinish();

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    static void drawWrapped(QPainter* painter, const QRect& rect, const QString& text, const QFont& font);

    const TaskAppearance& look;
    mutable qint64 id = 0;
};
