#pragma once

#include <QObject>
#include <QSize>
#include <functional>

class QMenu;
class QTabWidget;
class QWidget;

// The strip of a task's attachments under the sticker's table: its pages,
// its menu, and the attachments themselves, kept as links or as copies
// compressed in the database and saved back to files on request.
class AttachmentStrip : public QObject
{
    Q_OBJECT
public:
    // `strip` and `menu` belong to `window`, the sticker, over which boxes
    // and dialogs open; `selectedTask` names the selected task, 0 for none.
    AttachmentStrip(QTabWidget* strip, QMenu* menu, QWidget* window, std::function<qint32()> selectedTask);

    // Lists the attachments of `task` (0: none), the last one current.
    void getAttach(qint32 task);
    // Keeps the names clear of the paper's rolled-up corner at this window size.
    void fitNames(QSize size);

signals:
    void added();
    void deleted();

public slots:
    void add_attach();
    void view_attach();
    void delete_attach();

private:
    void showMenu();
    qint32 currentAttachId() const;
    QByteArray read_attach_file(QString path);
    bool write_attach_file(QByteArray data, QString path);

    QTabWidget* tabWidget;
    QMenu* menu;
    QWidget* window;
    std::function<qint32()> selectedTask;
};
