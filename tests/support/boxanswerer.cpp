#include "boxanswerer.h"

#include <QAbstractButton>
#include <QApplication>

BoxAnswerer::BoxAnswerer()
{
    connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    m_timer.start(5);
}

void BoxAnswerer::poll()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
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
    SeenBox s{box->windowTitle(), box->text(), {}, box->icon(), box->parentWidget(), box->parentWidget() != nullptr};
    const auto buttons = box->buttons();
    for (QAbstractButton* b : buttons)
        s.buttons.append(b->text());
    seen.append(s);
    QAbstractButton* target = nullptr;
    if (!m_answers.isEmpty()) {
        const auto [standard, text] = m_answers.takeFirst();
        target = box->button(standard);
        for (QAbstractButton* b : buttons)
            target = !target && !text.isEmpty() && b->text() == text ? b : target;
    }
    target = target ? target : box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok) : buttons.value(0);
    if (target)
        target->click();
    else
        box->done(0);
}
