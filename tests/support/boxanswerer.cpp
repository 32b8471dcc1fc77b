#include "boxanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

BoxAnswerer::BoxAnswerer(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    m_timer.start();
}

void BoxAnswerer::answer(QMessageBox::StandardButton button)
{
    m_answers.append({button, QString()});
}

void BoxAnswerer::answerText(const QString& buttonText)
{
    m_answers.append({QMessageBox::NoButton, buttonText});
}

void BoxAnswerer::onDialog(std::function<void(QDialog*)> handler)
{
    m_dialogHandler = std::move(handler);
}

void BoxAnswerer::poll()
{
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget* w : widgets) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (!dialog || !dialog->isVisible() || !dialog->isModal() || dialog->property("answered").toBool())
            continue;
        dialog->setProperty("answered", true);
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            handle(box);
        else if (const auto handler = m_dialogHandler)  // a copy: it may set the next one
            handler(dialog);
        else
            dialog->reject();
        return;  // one per tick: answering may open the next one
    }
}

void BoxAnswerer::handle(QMessageBox* box)
{
    SeenBox s;
    s.title = box->windowTitle();
    s.text = box->text();
    s.icon = box->icon();
    s.parent = box->parentWidget();
    s.hadParent = box->parentWidget() != nullptr;
    const auto buttons = box->buttons();
    for (QAbstractButton* b : buttons)
        s.buttons.append(b->text());
    seen.append(s);

    QAbstractButton* target = nullptr;
    if (!m_answers.isEmpty()) {
        const Answer a = m_answers.takeFirst();
        if (a.standard != QMessageBox::NoButton)
            target = box->button(a.standard);
        for (QAbstractButton* b : buttons) {
            if (!target && !a.text.isEmpty() && b->text() == a.text)
                target = b;
        }
    }
    if (!target)
        target = box->button(QMessageBox::Ok);
    if (!target && !buttons.isEmpty())
        target = buttons.first();
    if (target)
        target->click();
    else
        box->done(0);
}
