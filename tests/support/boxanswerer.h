#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>

// What a modal box showed before it was answered.
struct SeenBox
{
    QString title, text;
    QStringList buttons;  // in the box's order
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QPointer<QWidget> parent;
    bool hadParent = false;
};

// Answers modal boxes and dialogs from a timer while the code under test waits in their loop; records each box.
// A box takes the queued answers in order, else OK (or its first button); other dialogs go to onDialog's handler
// (which must close them), else are rejected.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer();
    void answer(QMessageBox::StandardButton button) { m_answers.append({button, {}}); }
    void answerText(const QString& buttonText) { m_answers.append({QMessageBox::NoButton, buttonText}); }
    void onDialog(std::function<void(QDialog*)> handler) { m_dialogHandler = std::move(handler); }

    QList<SeenBox> seen;

private:
    void poll();
    void handle(QMessageBox* box);

    QList<QPair<QMessageBox::StandardButton, QString>> m_answers;
    std::function<void(QDialog*)> m_dialogHandler;
    QTimer m_timer;
};
