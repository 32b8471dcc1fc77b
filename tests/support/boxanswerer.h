#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

class QDialog;

// What a modal box showed before it was answered.
struct SeenBox
{
    QString title;
    QString text;
    QStringList buttons;  // button texts in the box's order
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QPointer<QWidget> parent;
    bool hadParent = false;
};

// Answers modal message boxes and dialogs from a timer while the code under
// test waits in their nested event loop, and records each message box.
// Queued answers are used in order; without one a message box gets its OK
// button (or its first button) and any other dialog is rejected.
class BoxAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit BoxAnswerer(QObject* parent = nullptr);

    void answer(QMessageBox::StandardButton button);
    void answerText(const QString& buttonText);
    // Called for a modal dialog that is not a message box (file, colour,
    // font dialogs); it must close the dialog.
    void onDialog(std::function<void(QDialog*)> handler);

    QList<SeenBox> seen;

private:
    void poll();
    void handle(QMessageBox* box);

    struct Answer
    {
        QMessageBox::StandardButton standard = QMessageBox::NoButton;
        QString text;
    };
    QList<Answer> m_answers;
    std::function<void(QDialog*)> m_dialogHandler;
    QTimer m_timer;
};
